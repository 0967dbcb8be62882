#pragma once
// The application shell: its one shared record, its windows, the start-up and
// exit sequence, and the handlers bound to the windows' events.
#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

#include "app/app_state.h"
#include "app/settings.h"
#include "runtime/form.h"

namespace ornivex {

// The thread page of the forum where new versions are announced.
inline constexpr wchar_t kNewVersionPageUrl[] = L"https://bbs.xingqiao.net/thread-3069-1-1.html";

// Name of the activity log kept beside the executable.
inline constexpr wchar_t kActivityLogName[] = L"ZezAziz.log";

struct Application {
  AppState state;
  ServiceSettings services;  // read at start-up, before the token fetch; fixed after it
  std::unique_ptr<Form> mainWindow;
  Form* aboutWindow = nullptr;  // while the about window is shown
};

// The running application; only valid between StartApplication and StopApplication.
Application& App();
bool ApplicationRunning();

// Creates the empty AppState, then the main window, shows it and raises its
// created event. False when the main window could not be created.
bool StartApplication();
// Closes the windows and releases AppState.
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
// The chain for a chosen picture: shows its path, draws its number, logs the
// choice and starts the upload.
void StartChainForPath(const std::wstring& path);
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
