// Choosing a picture and the OCR service: the access token fetched at start-up,
// and per chosen picture a chain of three worker threads (upload, recognition
// request, display), each started by the one before it and never joined.
//
// Each chain carries its own copies of the values it needs (path, number,
// URL, reply) from thread to thread, so a second chain started while one
// runs can never release a text another thread is reading. The shared AppState
// fields are still written, but only on the UI thread (through posted work) and
// only for the chain chosen last, so the saved file's number and the text in
// the result box always belong to the same picture.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "app/application.h"
#include "app/endpoints.h"
#include "app/ocr_protocol.h"
#include "app/texts.h"
#include "http/codepage.h"
#include "http/com_request.h"
#include "http/request.h"
#include "runtime/codepage.h"
#include "runtime/controls.h"
#include "runtime/files.h"
#include "runtime/threads.h"

namespace ornivex {

namespace {

// What one chain hands from step to step. Moved into each worker thread.
struct Chain {
  HWND window = nullptr;     // the main window; workers reach its controls only through it
  std::uint64_t id = 0;      // order of the choice; the highest is the one shown
  std::string path;          // GBK path of the picture, as put into 编辑框1
  std::string numberText;    // decimal picture number
  std::string pictureUrl;
  std::string replyText;     // recognition reply, GBK
};

// Number of the chain chosen last. Read and written on the UI thread only.
std::uint64_t gLatestChain = 0;

// The access token as the recognition workers see it. The window stays live
// while the start-up fetch waits for the service, so a picture can be chosen
// before the token is there: recognition then waits for the fetch to end
// rather than going to the service without a token.
class TokenGate {
 public:
  void Close() {
    std::lock_guard lock(mutex_);
    open_ = false;
    token_.clear();
  }
  void Open(std::string token) {
    {
      std::lock_guard lock(mutex_);
      token_ = std::move(token);
      open_ = true;
    }
    opened_.notify_all();
  }
  // The token once the fetch has ended; after `limit` whatever is there (empty).
  std::string Wait(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    opened_.wait_for(lock, limit, [this] { return open_; });
    return token_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  bool open_ = false;
  std::string token_;
};

TokenGate gToken;

// Longer than the request engine's own time-outs for the token fetch.
constexpr std::chrono::minutes kTokenWaitLimit{2};

void UploadPicture(Chain chain);
void RequestRecognition(Chain chain);
void ShowRecognisedText(Chain chain);

// Starts `step` on a new thread with the chain. A failure to create the thread
// ends the chain silently.
void StartStep(void (*step)(Chain), Chain chain) {
  StartWorker([step, chain = std::move(chain)]() mutable { step(std::move(chain)); });
}

// Runs `work` on the UI thread when `chain` is still the latest choice and the
// application is still running; dropped otherwise.
template <typename Work>
void OnUiThreadIfLatest(const Chain& chain, Work work) {
  PostToWindowThread(chain.window, [id = chain.id, work = std::move(work)]() mutable {
    if (id != gLatestChain || !ApplicationRunning()) return;
    work(App());
  });
}

void UploadPicture(Chain chain) {
  std::string body;
  {
    // A file that cannot be read is uploaded as an empty part; the service
    // then finds no picture and the result box stays empty.
    std::optional<std::string> bytes = ReadWholeFile(GbkToWide(chain.path));
    body = BuildUploadBody(chain.numberText, bytes ? *bytes : std::string());
  }
  std::string headers = UploadContentTypeHeader();
  const auto* data = reinterpret_cast<const std::uint8_t*>(body.data());
  // The reply is not looked at: the picture's address depends only on its number.
  SendComHttpRequest(UploadUrl(kImageHostUrl), {.method = kHttpPost,
                                                .headers = &headers,
                                                .noRedirect = true,
                                                .bodyBytes = std::span(data, body.size())});
  body = std::string();

  chain.pictureUrl = PictureUrl(kImageHostUrl, chain.numberText);
  OnUiThreadIfLatest(chain, [url = chain.pictureUrl](Application& app) { app.state.pictureUrl = url; });
  StartStep(RequestRecognition, std::move(chain));
}

void RequestRecognition(Chain chain) {
  const std::string body = RecognitionBody(chain.pictureUrl);
  const std::string token = gToken.Wait(kTokenWaitLimit);
  // A failed request returns empty text, which holds no recognised line.
  const std::string reply = SendHttpRequest(RecognitionUrl(kOcrServiceUrl, token),
                                            {.method = kHttpPost, .body = body});
  chain.replyText = Utf8ToGbk(reply);
  OnUiThreadIfLatest(chain, [text = chain.replyText](Application& app) { app.state.ocrReplyText = text; });
  StartStep(ShowRecognisedText, std::move(chain));
}

void ShowRecognisedText(Chain chain) {
  // The lines are taken out and broken here; the UI thread only replaces the
  // box's text, in one piece, so two chains' lines can never interleave.
  std::string text = ResultBoxText(RecognisedLines(chain.replyText));
  OnUiThreadIfLatest(chain, [text = std::move(text)](Application&) {
    HWND box = MainControl(texts::kResultBox);
    if (!box) return;
    SetControlText(box, "");
    if (!text.empty()) AppendEditText(box, text);
  });
}

}  // namespace

void FetchAccessToken() {
  // Blocking, on the UI thread during start-up; the request engine keeps
  // dispatching the window's messages while it waits. Any failure leaves the
  // token empty, and every recognition request is then refused by the service.
  gToken.Close();
  const std::string reply = SendHttpRequest(TokenUrl(kOcrServiceUrl));
  App().state.accessToken = AccessTokenFromReply(reply);
  gToken.Open(App().state.accessToken);
}

void OnChoosePicture() {
  HWND pathBox = MainControl(texts::kPathBox);
  OpenFileDialog* dialog = App().mainWindow->Dialog(texts::kPictureDialog);
  if (!pathBox || !dialog) return;
  SetControlText(pathBox, "");
  // The outcome does not matter: after Cancel the dialog keeps its previous
  // name, and the same picture is sent again under a new number.
  dialog->Show(App().mainWindow->Handle());
  SetControlText(pathBox, dialog->FileName());

  AppState& state = App().state;
  Chain chain;
  chain.window = App().mainWindow->Handle();
  chain.id = ++gLatestChain;
  chain.path = GetControlText(pathBox);
  state.pictureFileName = PictureFileName(chain.path);
  state.pictureNumber = static_cast<std::int32_t>(DrawPictureNumber(GetTickCount()));
  chain.numberText = PictureNumberText(static_cast<std::uint32_t>(state.pictureNumber));
  UpdateActivityLog();
  StartStep(UploadPicture, std::move(chain));
}

}  // namespace ornivex
