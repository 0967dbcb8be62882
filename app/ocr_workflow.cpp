// Choosing a picture and the OCR service: the access token fetched at start-up,
// and per chosen picture a chain of worker threads (upload, recognition request,
// display), each started by the one before it and never joined. Without an
// image host there is no upload: the picture goes in the recognition request.
// With the built-in engine there is no network at all: one worker reads the
// picture, and the display step shows its lines as it shows the service's.
//
// A chain stops at the first step that failed (a file that is not a picture, an
// upload the image host refused, no access token) and goes straight to the
// display step, which shows what it shows today (nothing, for a failure) and the
// notice beside the result box with the reason.
//
// Each chain carries its own copies of the values it needs (path, number,
// URL, reply) from thread to thread, so a second chain started while one
// runs can never release a text another thread is reading. The shared AppState
// fields are still written, but only on the UI thread (through posted work) and
// only for the chain chosen last. pictureNumber changes as soon as a picture is
// chosen, while the result box keeps the earlier picture's text until the new
// chain fills it: resultNumber names the picture whose text the box shows, and
// saving names the file after it.
//
// A worker that runs out of memory ends its chain silently (StartWorker's
// barrier), like any other failure on the way.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>

#include "app/application.h"
#include "app/chain_outcome.h"
#include "app/cloud_picture.h"
#include "app/notice.h"
#include "app/ocr_protocol.h"
#include "app/texts.h"
#include "app/token_gate.h"
#include "http/codepage.h"
#include "http/com.h"
#include "http/com_request.h"
#include "http/request.h"
#include "http/text.h"
#include "ocr/local_engine.h"
#include "runtime/codepage.h"
#include "runtime/controls.h"
#include "runtime/diagnostics.h"
#include "runtime/files.h"
#include "runtime/picture_decode.h"
#include "runtime/threads.h"
#include "runtime/transfer.h"

namespace ornivex {

namespace {

// What one chain hands from step to step. Moved into each worker thread.
struct Chain {
  HWND window = nullptr;     // the main window; workers reach its controls only through it
  std::uint64_t id = 0;      // order of the choice; the highest is the one shown
  std::wstring path;         // the picture's path as the dialog gave it
  std::int32_t number = 0;   // the picture number
  std::string numberText;    // its decimal text
  std::string pictureUrl;    // the picture's address at the image host; empty: none
  std::string replyText;     // recognition reply, GBK
  // The lines the built-in engine read (GBK), in place of a reply.
  std::optional<std::vector<std::string>> localLines;
  ChainOutcome outcome;      // how it ended, for the display step
  // The access token, once the chain has it (before the upload: a picture is
  // not published where the service cannot be asked to read it).
  std::optional<TokenGate::Found> token;
  ServiceSettings services;  // where the services are, as at the choice
  ChainOptions options;
  // Keeps the working cursor up while the chain runs: the last copy goes when the
  // chain ends, shown or failed.
  std::shared_ptr<void> busy;
};

// Number of the chain chosen last. Read and written on the UI thread only.
std::uint64_t gLatestChain = 0;

// Workers may still wait in it while the program's static objects are destroyed
// at exit, so it is made once and never destroyed.
TokenGate& Gate() {
  static TokenGate* gate = new TokenGate;
  return *gate;
}

void UploadPicture(Chain chain);
void RequestRecognition(Chain chain);
void RecogniseLocally(Chain chain);
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

// The upload body as the byte array the request object sends, made once: the
// head and the tail are written around the place the file is read into.
// Nothing, with `unreadable` set, when the file cannot be read or does not start
// as a JPG, PNG or BMP picture does; nothing when there is no memory for it.
std::optional<Variant> MakeUploadBody(const Chain& chain, bool& unreadable) {
  Variant body;
  UploadBodyFrame frame;
  const bool read = ReadWholeFileInto(chain.path, [&](std::uint64_t size) -> std::span<std::uint8_t> {
    frame = MakeUploadBodyFrame(chain.numberText, static_cast<std::size_t>(size));
    if (size > SIZE_MAX - frame.head.size() - UploadBodyTail().size()) return {};
    body = Variant::ByteArray(frame.Size());
    const std::span<std::uint8_t> bytes = body.ByteArrayData();
    if (bytes.size() != frame.Size()) return {};
    return bytes.subspan(frame.FileOffset(), frame.fileSize);
  });
  const std::span<std::uint8_t> bytes = body.ByteArrayData();
  unreadable = !read || frame.fileSize == 0 ||
               SniffPictureFormat(bytes.subspan(frame.FileOffset(), frame.fileSize)) == PictureFormat::Unknown;
  if (unreadable) return std::nullopt;
  if (bytes.size() != frame.Size() || !frame.WriteAround(bytes)) {
    TraceNote(L"No memory for the upload body");
    return std::nullopt;
  }
  return body;
}

// The OCR service's answer to the token request: the token, or empty and why.
// Without credentials to send nothing is asked.
struct FetchedToken {
  std::string token;
  TokenFailure failure = TokenFailure::kNone;
};
FetchedToken RequestAccessToken(const ServiceSettings& s) {
  if (!s.HasCredentials()) return {{}, TokenFailure::kNoCredentials};
  std::string status;
  std::string token =
      AccessTokenFromReply(SendHttpRequest(TokenUrl(s.ocrUrl, s.clientId, s.clientSecret), {.statusText = &status}));
  if (!token.empty()) return {std::move(token), TokenFailure::kNone};
  return {{}, HttpStatusOf(status) == 0 ? TokenFailure::kUnreachable : TokenFailure::kRefused};
}

// The recognition reply (UTF-8) for the picture of `body` with `token`, empty
// when the request failed; `status` gets the request's status text.
std::string RequestRecognitionReply(const ServiceSettings& s, const std::string& token, const std::string& body,
                                    std::string& status) {
  return SendHttpRequest(RecognitionUrl(s.ocrUrl, token), {.method = kHttpPost, .body = body, .statusText = &status});
}

// The chain ends here, before its text: the display step shows what a failed
// chain shows and the notice says why.
void EndChain(Chain chain, ChainOutcome outcome) {
  chain.outcome = std::move(outcome);
  ShowRecognisedText(std::move(chain));
}

ChainOutcome PictureUnreadable(const Chain& chain) {
  TraceNote(L"The picture cannot be read, or is not a JPG, PNG or BMP picture: " + chain.path);
  ChainOutcome outcome;
  outcome.end = ChainOutcome::End::kPictureUnreadable;
  return outcome;
}

// The fetch the gate gave this worker to do: done here, ended at the gate (which
// hands the token to the chains waiting for it) and kept for later chains.
TokenGate::Found FetchClaimedToken(const Chain& chain) {
  FetchedToken fetched;
  try {
    fetched = RequestAccessToken(chain.services);
  } catch (...) {
    Gate().EndFetch({}, TokenFailure::kUnreachable);
    throw;
  }
  const std::uint64_t generation = Gate().EndFetch(fetched.token, fetched.failure);
  if (fetched.token.empty()) {
    TraceNote(L"The OCR service gave no access token");
  } else {
    PostToWindowThread(chain.window, [token = fetched.token] {
      if (ApplicationRunning()) App().state.accessToken = token;
    });
  }
  return {fetched.token, false, generation, fetched.failure};
}

// The token for a recognition request: the start-up one once its fetch has
// ended. When there is none (the service was out of reach at start-up, or
// refused), one is fetched here, on this worker, and kept for later chains.
TokenGate::Found TokenForRecognition(const Chain& chain) {
  TokenGate::Found found = Gate().WaitOrClaimFetch();
  return found.mustFetch ? FetchClaimedToken(chain) : found;
}

// The token to send again with after the service refused `refused`: the one
// another chain fetched meanwhile, or one fetched here.
TokenGate::Found RenewedToken(const Chain& chain, const TokenGate::Found& refused) {
  TokenGate::Found found = Gate().RenewRefused(refused.generation);
  return found.mustFetch ? FetchClaimedToken(chain) : found;
}

// The token for the chain's recognition, waited for or fetched; false when the
// chain ended without one (or the program is ending).
bool TakeToken(Chain& chain) {
  TokenGate::Found token = TokenForRecognition(chain);
  if (Gate().Stopped()) return false;
  // No request goes out without a token: it could only be refused.
  if (token.token.empty()) {
    ChainOutcome outcome;
    outcome.end = ChainOutcome::End::kNoToken;
    outcome.token = token.failure;
    EndChain(std::move(chain), std::move(outcome));
    return false;
  }
  chain.token = std::move(token);
  return true;
}

void UploadPicture(Chain chain) {
  int status = 0;
  {
    bool unreadable = false;
    const std::optional<Variant> body = MakeUploadBody(chain, unreadable);
    // A file that cannot be read, or is no picture, goes nowhere.
    if (unreadable) {
      ChainOutcome outcome = PictureUnreadable(chain);
      EndChain(std::move(chain), std::move(outcome));
      return;
    }
    if (!body) return;
    if (!TakeToken(chain)) return;
    std::string headers = UploadContentTypeHeader();
    // The reply's body is not looked at: the picture's address depends only on
    // its number. Its status is: a picture the host did not take is not there
    // for the service to fetch.
    SendComHttpRequest(UploadUrl(chain.services.imageHostUrl), {.method = kHttpPost,
                                                                .headers = &headers,
                                                                .status = &status,
                                                                .noRedirect = true,
                                                                .bodyArray = &*body});
  }  // the body is freed before the chain goes on
  if (std::optional<ChainOutcome> failed = UploadOutcome(status)) {
    TraceNote(L"The image host did not take the picture: HTTP status " + std::to_wstring(status));
    EndChain(std::move(chain), std::move(*failed));
    return;
  }

  chain.pictureUrl = PictureUrl(chain.services.imageHostUrl, chain.numberText);
  OnUiThreadIfLatest(chain, [url = chain.pictureUrl](Application& app) { app.state.pictureUrl = url; });
  StartStep(RequestRecognition, std::move(chain));
}

// The request's body: the picture's address at the image host, or the picture
// itself, within the service's limits. Nothing when the file cannot be read or
// is not a picture.
std::optional<std::string> RecognitionRequestBody(const Chain& chain) {
  if (!chain.pictureUrl.empty()) return RecognitionBody(chain.pictureUrl);
  const std::optional<std::string> file = ReadWholeFile(chain.path);
  if (!file) return std::nullopt;
  const std::optional<CloudPicture> picture =
      PictureForRecognition(std::span(reinterpret_cast<const std::uint8_t*>(file->data()), file->size()));
  if (!picture) return std::nullopt;
  return ImageRecognitionBody(picture->bytes);
}

void RequestRecognition(Chain chain) {
  std::optional<std::string> body = RecognitionRequestBody(chain);
  if (!body) {
    ChainOutcome outcome = PictureUnreadable(chain);
    EndChain(std::move(chain), std::move(outcome));
    return;
  }
  if (!chain.token && !TakeToken(chain)) return;
  TokenGate::Found token = *chain.token;
  std::string status;
  std::string reply = Utf8ToGbk(RequestRecognitionReply(chain.services, token.token, *body, status));
  // A token the service no longer takes (it was restarted, or the token's 30
  // days ran out) is renewed and the request sent once more; once only, so a
  // service that refuses every token ends the chain like any other error reply.
  if (AccessTokenRefused(reply)) {
    token = RenewedToken(chain, token);
    if (Gate().Stopped()) return;
    if (!token.token.empty())
      reply = Utf8ToGbk(RequestRecognitionReply(chain.services, token.token, *body, status));
  }
  body.reset();  // a picture sent in the body is freed before the chain goes on
  chain.replyText = std::move(reply);
  chain.outcome = RecognitionOutcome(status, chain.replyText, !RecognisedLines(chain.replyText).empty());
  OnUiThreadIfLatest(chain, [text = chain.replyText](Application& app) { app.state.ocrReplyText = text; });
  StartStep(ShowRecognisedText, std::move(chain));
}

// The built-in engine reads the picture on this worker: made here on first
// use (or already warmed), then kept for the run. Its lines are taken as the
// service's are: converted to GBK, trimmed, blank ones dropped.
void RecogniseLocally(Chain chain) {
  ocr::Recognised read = RecogniseFileLocally(chain.path);
  std::vector<std::string> lines;
  for (const std::string& line : read.lines) {
    std::string gbk = Utf8ToGbk(line);
    if (!TrimSpaces(gbk).empty()) lines.push_back(std::string(TrimSpaces(gbk)));
  }
  chain.outcome = LocalEngineOutcome(static_cast<int>(read.failure), read.detail, !lines.empty());
  chain.localLines = std::move(lines);
  StartStep(ShowRecognisedText, std::move(chain));
}

void ShowRecognisedText(Chain chain) {
  // The lines are taken out and broken here; the UI thread only replaces the
  // box's text, in one piece, so two chains' lines can never interleave. The
  // whole text set at once leaves the caret and the view at its start: a long
  // result is read from its first line, not shown scrolled to its end. The
  // chain counts as running (busy) until its text is in the box. A chain that
  // ended without text empties the box and says why beside it.
  const std::vector<std::string> lines = chain.localLines ? *chain.localLines : RecognisedLines(chain.replyText);
  std::string text = ResultBoxText(lines);
  std::string notice = ChainNoticeText(chain.outcome);
  std::wstring copied;  // the lines as they were read, one to a line
  if (chain.options.copyTextToClipboard && !lines.empty()) {
    for (const std::string& line : lines) copied += (copied.empty() ? L"" : L"\r\n") + GbkToWide(line);
  }
  OnUiThreadIfLatest(chain, [text = std::move(text), notice = std::move(notice), copied = std::move(copied),
                             number = chain.number, busy = chain.busy](Application& app) {
    HWND box = MainControl(texts::kResultBox);
    if (!box) return;
    SetControlText(box, text);
    app.state.resultNumber = number;
    if (!copied.empty()) PutClipboardText(app.mainWindow->Handle(), copied);
    if (!notice.empty()) ShowNotice(box, notice);
  });
}

}  // namespace

void FetchAccessToken() {
  // Blocking, on the UI thread during start-up; the request engine keeps
  // dispatching the window's messages while it waits. Any failure leaves the
  // token empty; the first chain that needs one then fetches it itself.
  Gate().Restart();
  // The built-in engine needs no token: nothing goes out.
  if (App().settings.engine != OcrEngine::kCloud) return;
  Gate().BeginFetch();
  FetchedToken fetched;
  try {
    fetched = RequestAccessToken(App().settings.services);
  } catch (...) {
    Gate().EndFetch({}, TokenFailure::kUnreachable);
    throw;
  }
  if (fetched.failure == TokenFailure::kNoCredentials)
    TraceNote(L"No OCR credentials to send: no access token is fetched");
  else if (fetched.token.empty())
    TraceNote(L"The OCR service gave no access token at start-up");
  if (ApplicationRunning()) App().state.accessToken = fetched.token;
  Gate().EndFetch(std::move(fetched.token), fetched.failure);
}

void StopOcrWorkflow() { Gate().Stop(); }

void OnChoosePicture() {
  OpenFileDialog* dialog = App().mainWindow->Dialog(texts::kPictureDialog);
  if (!dialog) return;
  // Cancel leaves everything as it was: no number, no log record, no upload,
  // and both boxes keep what they show.
  if (!dialog->Show(App().mainWindow->Handle())) return;
  StartChainForPath(dialog->FileName());
}

ChainTicket TakeChainTicket() { return {++gLatestChain}; }
bool IsLatestChainTicket(ChainTicket ticket) { return ticket.order == gLatestChain; }

void StartChainForPath(const std::wstring& path, ChainTicket ticket, ChainOptions options) {
  HWND pathBox = MainControl(texts::kPathBox);
  if (!pathBox) return;
  if (!IsLatestChainTicket(ticket)) {
    // Chosen before another picture, but its file was still being written when
    // the later one went ahead: the later choice is the one the user sees.
    TraceNote(L"A picture overtaken by a later choice is not recognised: " + path);
    return;
  }
  HideNotice();  // the reason for an earlier picture no longer applies
  // The box shows the path as the system has it; the file is read by that path.
  // Its GBK form (in the log) may carry the converter's replacement characters
  // where GBK has no character.
  SetWindowTextW(pathBox, path.c_str());

  AppState& state = App().state;
  Chain chain;
  chain.window = App().mainWindow->Handle();
  chain.id = ticket.order;
  chain.path = path;
  chain.services = App().settings.services;
  chain.options = options;
  state.pictureFileName = PictureFileName(WideToGbk(chain.path));
  state.pictureNumber = static_cast<std::int32_t>(DrawPictureNumber(GetTickCount()));
  chain.number = state.pictureNumber;
  chain.numberText = PictureNumberText(static_cast<std::uint32_t>(state.pictureNumber));
  chain.busy = BackgroundWorkMark();
  UpdateActivityLog();
  if (App().settings.engine == OcrEngine::kLocal) {
    StartStep(RecogniseLocally, std::move(chain));
  } else if (chain.services.HasImageHost()) {
    StartStep(UploadPicture, std::move(chain));
  } else {
    StartStep(RequestRecognition, std::move(chain));
  }
}

std::shared_ptr<void> BackgroundWorkMark() {
  HWND window = App().mainWindow->Handle();
  App().mainWindow->BeginBackgroundWork();
  // The end is handed to the UI thread; a window that is gone by then needs none.
  return std::shared_ptr<void>(nullptr, [window](void*) noexcept {
    try {
      PostToWindowThread(window, [window] {
        if (ApplicationRunning() && App().mainWindow->Handle() == window) App().mainWindow->EndBackgroundWork();
      });
    } catch (...) {
      TraceNote(L"No memory to end the working cursor");
    }
  });
}

}  // namespace ornivex
