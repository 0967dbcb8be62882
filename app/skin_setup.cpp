// The skin engine's part in start-up and exit.
#include <atomic>
#include <memory>

#include "app/application.h"
#include "app/forms.h"
#include "app/skin_setup.h"
#include "app/startup_clock.h"
#include "app/texts.h"
#include "app/working_set.h"
#include "resources/skin_pictures.h"
#include "runtime/dpi.h"
#include "skin/pixels.h"

namespace ornivex {

namespace {

std::unique_ptr<skin::SkinEngine> gSkin;
std::atomic<HWND> gMainWindow = nullptr;

// The program's colour: base and accent of the skin, 0x00BBGGRR.
constexpr COLORREF kSkinColour = 0xFF8800;

// Switching to another program trims the working set. Closing the window does not:
// the window is hidden before the program loses activation, the program is about
// to end, and a tool started as it ends can outlive it (under Wine it then hangs).
DWORD WINAPI TrimUnlessClosing(void* unused) {
  return IsWindowVisible(gMainWindow.load()) ? TrimWorkingSetThread(unused) : 0;
}

}  // namespace

skin::SkinEngine* Skin() { return gSkin.get(); }

void SkinStartup() {
  // Before the main window exists: GDI+ started, the application icon loaded, the
  // one engine created. Switching to another program trims the working set.
  gSkin = std::make_unique<skin::SkinEngine>(skin::StartSkinModule());
  gSkin->SetDeactivationRoutine(TrimUnlessClosing);
  MarkStartup("skin module (GDI+, icon)");
}

void SetMainWindowTheme(int dpi) {
  // The skin picture drawn for the scale nearest the window's, stretched over it.
  if (skin::SkinEngine* engine = Skin())
    engine->SetTheme({}, pictures::SkinBackground(skin::PictureScaleStep(dpi)), kSkinColour, kSkinColour, 3);
}

void ApplyMainWindowSkin(HWND mainWindow) {
  skin::SkinEngine* engine = Skin();
  if (!engine || !mainWindow) return;
  gMainWindow = mainWindow;
  // The skin picture stretched over the window, child controls skinned with no
  // veil, the caption with its title buttons, and the group box as a container
  // that lets the picture show through.
  SetMainWindowTheme(WindowDpi(mainWindow));
  MarkStartup("theme");
  engine->SetControlSkinning(1, 0);
  engine->SkinWindow(mainWindow, {.captionHeight = 20,
                                  .titleButtonsActive = 1,
                                  .sizable = 1,
                                  .helpButton = 0,
                                  .menuButton = 0,
                                  .captionText = 1,
                                  .captionGloss = 0});
  MarkStartup("SkinWindow");
  engine->AddSubWindow(MainControl(texts::kGroupBox), 1, GetSysColor(COLOR_BTNFACE), 0);
  MarkStartup("group box sub-window");

  // The skin answers the controls' colour messages with their "Kj_Ztys", which
  // starts black: the colours the definitions give (the result box's red text)
  // are handed over, or the recognised text would turn black.
  for (const ControlDef& control : MainWindowDefinition().controls)
    if (control.textColour != kNoColour)
      engine->SetControlTextColour(MainControl(control.name), static_cast<COLORREF>(control.textColour));

  // The skinned window is on screen, every control painted, before start-up goes
  // on to what the window does not need (the access token).
  RedrawWindow(mainWindow, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void SkinExit() {
  // After the message loop: the engine goes, and with it the icon and GDI+.
  gSkin.reset();
}

}  // namespace ornivex
