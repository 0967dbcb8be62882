#include "app/application.h"

#include <shellapi.h>

#include "app/delayload/dll_search.h"
#include "app/forms.h"
#include "app/notice.h"
#include "app/screen_capture.h"
#include "app/settings_file.h"
#include "app/shell_logic.h"
#include "app/skin_setup.h"
#include "app/startup_clock.h"
#include "app/temp_pictures.h"
#include "app/texts.h"
#include "capture/hotkey_listener.h"
#include "ocr/local_engine.h"
#include "runtime/controls.h"
#include "runtime/diagnostics.h"
#include "runtime/layout.h"
#include "runtime/threads.h"
#include "ornivex_version.h"

namespace ornivex {

namespace {

std::unique_ptr<Application> gApplication;

DateTime CurrentLocalTime() {
  // One reading of the clock, so the components cannot straddle a minute.
  SYSTEMTIME now;
  GetLocalTime(&now);
  return DateTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

bool IsNtFamily() {
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  return GetVersionExW(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
#pragma GCC diagnostic pop
}

}  // namespace

Application::Application() = default;
Application::~Application() = default;

Application& App() { return *gApplication; }
bool ApplicationRunning() { return gApplication != nullptr; }

HWND MainControl(std::string_view name) {
  if (!gApplication || !gApplication->mainWindow) return nullptr;
  return gApplication->mainWindow->Control(name);
}

bool StartApplication(std::wstring pictureToOpen) {
  gApplication = std::make_unique<Application>();
  gApplication->pictureToOpen = std::move(pictureToOpen);
  Form* window = nullptr;
  if (auto created = Form::Create(MainWindowDefinition())) {
    gApplication->mainWindow = std::move(created);
    window = gApplication->mainWindow.get();
  } else {
    gApplication.reset();
    return false;
  }
  MarkStartup("main window created");
  window->OnCreated(OnMainWindowCreated);
  window->OnSizeChanged(OnMainWindowSizeChanged);
  window->OnDpiChanged(OnMainWindowDpiChanged);
  window->OnClicked(texts::kChoosePictureButton, OnChoosePicture);
  window->OnClicked(texts::kSaveResultButton, OnSaveResult);
  window->OnClicked(texts::kAboutButton, OnAbout);
  window->OnClicked(texts::kCheckNewVersionButton, OnCheckNewVersion);
  window->OnLostFocus(texts::kPathBox, OnPathBoxLostFocus);
  window->OnFilesDropped(OnFilesDropped);
  window->OnPaste(OnPaste);
  window->QuitOnClose(true);
  window->Show();
  // Start-up is over (the window is painted, the token fetched): what earlier
  // runs left in the temporary folder goes, on a worker.
  SweepTemporaryPictures();
  return true;
}

void StopApplication() {
  if (!gApplication) return;
  HideNotice();
  StopOcrWorkflow();
  if (gApplication->mainWindow) gApplication->mainWindow->QuitOnClose(false);
  gApplication.reset();
  DeleteTemporaryPictures();
}

int RunOrnivex() {
  LoadDllsFromSystemFolderOnly();
  SkinStartup();
  if (!StartApplication(PictureFromCommandLine())) {
    SkinExit();
    return 1;
  }
  const int code = RunMessageLoop();
  StopApplication();
  // Workers of a chain are never joined; the ones still running get a moment to
  // end before the program's static objects go. Whatever still runs after it
  // (a request waiting for its time-out) touches none of them.
  if (!WaitForWorkers(kWorkerExitWaitMs)) TraceNote(L"Workers still running at exit");
  DeleteTemporaryPictures();  // again, for any that could not be deleted before the wait
  SkinExit();
  return code;
}

void SetWindowAlpha(HWND window, int mode, int value) {
  if (!IsNtFamily()) return;
  const BYTE alpha = WindowAlphaFor(mode, value);
  const LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
  SetWindowLongPtrW(window, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
  SetLayeredWindowAttributes(window, 0, alpha, LWA_ALPHA);
}

void OnMainWindowCreated() {
  HWND window = App().mainWindow->Handle();
  MarkStartup("shown");
  SetWindowAlpha(window, 2, 220);

  // Skin stage: caption bar, frame, title buttons and control skins.
  ApplyMainWindowSkin(window);
  MarkStartup("skinned window painted");

  // Before the token fetch, which keeps the window live: a picture chosen while
  // it waits is logged with the start time.
  App().state.startTime = FormatStartTime(CurrentLocalTime());

  // Where the services are: built in, or from Ornivex.ini.
  App().settings = ReadSettings();
  MarkStartup("settings read");
  // The capture key works from here on, during the token fetch too.
  StartScreenCapture();
  // Token stage: the OCR service's access token, into AppState::accessToken.
  FetchAccessToken();
  MarkStartup("token fetched");

  // The built-in engine is made on a low-priority thread now that the window
  // is up, so the first picture need not wait for it (one chosen sooner makes
  // it on its own worker, or waits for this one).
  if (App().settings.engine == OcrEngine::kLocal) WarmLocalEngine();

  // Start-up is complete: a picture given on the command line goes as if chosen now.
  OpenPictureGivenAtStart();
  SayIfCaptureKeyTaken();
}

void OnMainWindowSizeChanged() {
  // The window keeps its size whatever resized it: height first, then width, both
  // at the window's scale.
  const Form& form = *App().mainWindow;
  HWND window = form.Handle();
  const int width = ScaleForDpi(kMainWindowWidth, form.Dpi()), height = ScaleForDpi(kMainWindowHeight, form.Dpi());
  RECT r;
  if (!GetWindowRect(window, &r)) return;
  if (r.bottom - r.top != height) {
    SetWindowPos(window, nullptr, 0, 0, r.right - r.left, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (!GetWindowRect(window, &r)) return;
  }
  if (r.right - r.left != width)
    SetWindowPos(window, nullptr, 0, 0, width, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void OnMainWindowDpiChanged() {
  // At another scale the skin picture drawn for it is the one stretched over the window.
  SetMainWindowTheme(App().mainWindow->Dpi());
}

void OnAbout() {
  Application& app = App();
  if (app.aboutWindow) {
    // Only reachable when a click arrives while the window is up: no second one.
    SetForegroundWindow(app.aboutWindow->Handle());
    return;
  }
  std::unique_ptr<Form> about = Form::Create(AboutWindowDefinition());
  if (!about) return;
  app.aboutWindow = about.get();
  about->ShowModal();
  app.aboutWindow = nullptr;
}

void OnCheckNewVersion() {
  // No page is built in: an address nobody owns could show users anything.
  const std::string& page = App().settings.updatePageUrl;
  if (page.empty()) {
    ShowNotice(MainControl(texts::kCheckNewVersionButton), std::string(texts::kNoticeNoUpdatePagePrefix) +
                                                               ORNIVEX_VERSION_TEXT +
                                                               std::string(texts::kNoticeNoUpdatePageSuffix));
    return;
  }
  const std::wstring address(page.begin(), page.end());  // checked to be ASCII
  ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void OnPathBoxLostFocus() { SetControlText(MainControl(texts::kPathBox), texts::kPathPrompt); }

}  // namespace ornivex
