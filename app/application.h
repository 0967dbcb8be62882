#pragma once
// The application shell: its one shared record, its windows, the start-up and
// exit sequence, and the handlers bound to the windows' events.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/app_state.h"
#include "app/settings.h"
#include "runtime/form.h"

namespace ornivex {

namespace capture {
class HotkeyListener;
}

// Name of the activity log kept beside the executable.
inline constexpr wchar_t kActivityLogName[] = L"ZezAziz.log";

struct Application {
  AppState state;
  Settings settings;  // read at start-up, before the token fetch; fixed after it
  std::unique_ptr<Form> mainWindow;
  Form* aboutWindow = nullptr;  // while the about window is shown
  std::wstring pictureToOpen;   // given on the command line, until start-up is complete
  // The capture key, registered for the run; null when it is turned off or the
  // system refused it (another program holds it: captureKeyTaken).
  std::unique_ptr<capture::HotkeyListener> captureKey;
  bool captureKeyTaken = false;

  Application();
  ~Application();
};

// The running application; only valid between StartApplication and StopApplication.
Application& App();
bool ApplicationRunning();

// Creates the empty AppState, then the main window, shows it and raises its
// created event; `pictureToOpen` (a path, or empty) is recognised at the end of
// start-up. Then the temporary pictures of earlier runs are swept (on a worker).
// False when the main window could not be created.
bool StartApplication(std::wstring pictureToOpen = {});
// Closes the windows, releases AppState and deletes the pictures written for pastes.
void StopApplication();
// The whole life of the program: start-up, the message loop, exit.
int RunOrnivex();

// Handle of a control of the main window by its name (null when not running).
HWND MainControl(std::string_view name);

// Makes a top-level window layered with a constant alpha (see WindowAlphaFor).
void SetWindowAlpha(HWND window, int mode, int value);

// Event handlers of the main window.
void OnMainWindowCreated();
void OnMainWindowSizeChanged();
void OnMainWindowDpiChanged();
void OnChoosePicture();
// A picture's place in the order of choices, taken when the user acts (the
// click, the drop, the paste key), before its file may still take a moment to
// write. The newest choice is the one whose text the result box shows.
struct ChainTicket {
  std::uint64_t order = 0;
};
// A new place, after every one handed out so far. UI thread only.
ChainTicket TakeChainTicket();
// Whether no place was handed out after `ticket`. UI thread only.
bool IsLatestChainTicket(ChainTicket ticket);
// The chain for a chosen picture: shows its path, draws its number, logs the
// choice and starts its recognition. The dialog, a drop, a paste and the
// command line all start it. A picture whose ticket was overtaken by a later
// choice while its file was being written is dropped, with a trace.
struct ChainOptions {
  // A screen capture's text also goes on the clipboard ([capture] copy); no
  // other way in changes the clipboard.
  bool copyTextToClipboard = false;
};
void StartChainForPath(const std::wstring& path, ChainTicket ticket = TakeChainTicket(), ChainOptions options = {});
// Marks the main window busy (the working cursor) until the last copy of the
// mark is gone, on whichever thread that happens. UI thread only.
std::shared_ptr<void> BackgroundWorkMark();
// Files dropped on the main window: the first JPG, PNG or BMP picture among them
// is recognised.
void OnFilesDropped(const std::vector<std::wstring>& files);
// Ctrl+V or Shift+Insert in the main window: recognises the picture on the
// clipboard (written as a file under %TEMP%\Ornivex first, unless it is a
// file already). False, leaving the keys to the focused control, when the
// clipboard holds no picture.
bool OnPaste();
// The picture path given on the command line, made whole; empty when none.
std::wstring PictureFromCommandLine();
// Recognises the picture given at start (Application::pictureToOpen), once the
// token fetch is over; a path that is missing or not a picture is ignored.
void OpenPictureGivenAtStart();
void OnSaveResult();
void OnAbout();
void OnCheckNewVersion();
void OnPathBoxLostFocus();

// Prepends this choice of a picture to the activity log.
void UpdateActivityLog();

// Stages of start-up and exit that belong to the skin and to the OCR workflow.
void SkinStartup();
void ApplyMainWindowSkin(HWND mainWindow);
void SkinExit();
void FetchAccessToken();
// Releases the workers that wait for the access token, for the end of the program.
void StopOcrWorkflow();

// How long the end of the program waits for workers still running.
inline constexpr DWORD kWorkerExitWaitMs = 3000;

}  // namespace ornivex
