#pragma once
// How the chain for one picture ended, told from what it saw on the way, and
// the sentence the notice beside the result box says for it. The chain stops at
// the first step that failed. No Windows header.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ornivex {

// Why there is no access token for the OCR service.
enum class TokenFailure {
  kNone,
  kNoCredentials,  // none to send: the settings name a service but no client id and secret for it
  kUnreachable,    // the service could not be reached, or did not answer in time
  kRefused,        // it answered without a token: the credentials were refused
};

// The piece of the built-in engine that is missing or broken.
enum class EngineProblem {
  kNone,
  kVisualCppMissing,  // the Visual C++ runtime the engine's DLL needs
  kDllMissing,        // the engine's DLL is not in its folder
  kDllUnusable,       // it is there but does not load or does not work
  kModelMissing,      // a model file (or the dictionary) is not there
  kModelBroken,       // a model file (or the dictionary) is not what it must be
  kFailed,            // it loaded but failed reading the picture (no memory, a run that failed)
};

// The OCR service's own error, as its reply gives it.
struct ServiceError {
  std::int64_t code = 0;
  std::string message;  // GBK, as the reply has it (escapes not decoded)
  bool operator==(const ServiceError&) const = default;
};

struct ChainOutcome {
  enum class End {
    kText,                // the picture's text: shown in the result box
    kNoText,              // the picture was read and holds no text
    kNoToken,             // no access token: `token` says why
    kServiceUnreachable,  // the recognition request found no service, or no answer in time
    kServiceError,        // the service's error: `error`
    kServiceBadReply,     // an answer that is neither text nor an error: `httpStatus`
    kImageHostFailed,     // the image host refused the upload or could not be reached
    kPictureUnreadable,   // the file could not be read, or is not a picture
    kEngineUnavailable,   // the built-in engine could not load or run: `engine`, `detail`
  };
  End end = End::kText;
  TokenFailure token = TokenFailure::kNone;
  ServiceError error;
  int httpStatus = 0;
  EngineProblem engine = EngineProblem::kNone;
  std::string detail;  // the engine's missing piece: a DLL or file name, or what failed (ASCII)

  bool operator==(const ChainOutcome&) const = default;
};

// The HTTP status of a status text ("200 OK"), or 0 for the request engine's
// own numbered failure texts (700 to 713: no connection, no answer, a read cut
// short) and for anything else.
int HttpStatusOf(std::string_view statusText);

// error_code and error_msg of a reply (GBK) that is the service's error, in
// either reply layout; nothing for a reply without an error code.
std::optional<ServiceError> ServiceErrorOfReply(std::string_view reply);

// The end of a recognition request from its status text, its reply (GBK) and
// whether the reply held recognised lines that are not all blank.
ChainOutcome RecognitionOutcome(std::string_view statusText, std::string_view reply, bool hasLines);

// The end of an upload to the image host from the HTTP status it gave (0: none,
// the host could not be reached): nothing when the chain goes on.
std::optional<ChainOutcome> UploadOutcome(int httpStatus);

// The end of a reading by the built-in engine: its failure (an ocr::Failure) and
// what it named (a DLL or file name, perhaps followed by ": " and more), and
// whether it found lines that are not all blank.
ChainOutcome LocalEngineOutcome(int engineFailure, std::string_view detail, bool hasLines);

// What the notice says (GBK, one short sentence), empty for a chain that ended
// with text.
std::string ChainNoticeText(const ChainOutcome& outcome);

}  // namespace ornivex
