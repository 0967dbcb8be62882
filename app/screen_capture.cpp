#include "app/screen_capture.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "app/application.h"
#include "app/capture_key.h"
#include "app/notice.h"
#include "app/temp_pictures.h"
#include "app/texts.h"
#include "capture/capture.h"
#include "capture/hotkey_listener.h"
#include "runtime/diagnostics.h"
#include "runtime/picture_encode.h"
#include "runtime/threads.h"
#include "runtime/transfer.h"

namespace ornivex {

namespace {

// The region taken, on the UI thread: its place among the choices is now, the
// release. As with a paste, the PNG is written on a worker under the working
// cursor, and the chain starts on this thread once the file is there.
void OnCaptureTaken(HWND window, Picture picture) {
  if (!ApplicationRunning() || App().mainWindow->Handle() != window) return;
  const ChainTicket ticket = TakeChainTicket();
  const ChainOptions options{.copyTextToClipboard = App().settings.capture.copyToClipboard};
  std::shared_ptr<void> busy = BackgroundWorkMark();
  StartWorker([window, ticket, options, picture = std::move(picture), busy]() mutable {
    // For the time: a whole screen in about a third of the default's, for a
    // somewhat larger file.
    std::optional<std::vector<std::uint8_t>> png = EncodePng(picture, PngEffort::kFastest);
    picture = {};  // nothing of the capture outlives the file
    if (!png) TraceNote(L"The captured region cannot be written as a PNG");
    std::wstring path = png ? WriteTemporaryPicture(*png) : std::wstring();
    png.reset();
    PostToWindowThread(window, [window, ticket, options, path = std::move(path), busy] {
      if (!ApplicationRunning() || App().mainWindow->Handle() != window) return;
      if (!path.empty()) {
        StartChainForPath(path, ticket, options);
      } else if (IsLatestChainTicket(ticket)) {
        ShowNotice(MainControl(texts::kResultBox), texts::kNoticeCaptureUnsaved);
      }
    });
  });
}

}  // namespace

void StartScreenCapture() {
  Application& app = App();
  const std::optional<capture::Hotkey> key = CaptureKeyFor(app.settings.capture);
  app.captureKeyTaken = false;
  if (key) {
    capture::HotkeyStatus status = capture::HotkeyStatus::kFailed;
    app.captureKey = capture::HotkeyListener::Register(*key, OnCaptureScreen, status);
    // Refusals are traced by the listener.
    app.captureKeyTaken = status == capture::HotkeyStatus::kTaken;
  } else {
    TraceNote(L"The capture key is turned off in Ornivex.ini");
  }
  const std::optional<capture::Hotkey> working =
      app.captureKey ? std::optional(app.captureKey->Key()) : std::nullopt;
  if (!app.mainWindow->AddSystemMenuItem(kCaptureMenuCommand, CaptureMenuText(working), OnCaptureScreen))
    TraceFailure(L"Adding the capture to the system menu");
}

void SayIfCaptureKeyTaken() {
  if (!ApplicationRunning() || !App().mainWindow->IsOpen() || !App().captureKeyTaken) return;
  if (const std::optional<capture::Hotkey> key = CaptureKeyFor(App().settings.capture))
    ShowNotice(MainControl(texts::kResultBox), CaptureKeyTakenText(*key));
}

void OnCaptureScreen() {
  if (!ApplicationRunning() || !App().mainWindow->IsOpen() || capture::CaptureRunning()) return;
  HWND window = App().mainWindow->Handle();
  // Not in the picture, and not shown again after it.
  HideNotice();
  capture::StartCaptureWithoutOwnWindows(window, [window](std::optional<Picture> picture) {
    // Cancelled: nothing else happens.
    if (picture) OnCaptureTaken(window, std::move(*picture));
  });
}

}  // namespace ornivex
