#include "app/chain_outcome.h"

#include <algorithm>

#include "app/texts.h"
#include "ocr/engine.h"

namespace ornivex {

namespace {

constexpr std::size_t kMaxShownMessage = 120;  // bytes of the service's message in the notice

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

void SkipSpaces(std::string_view& rest) {
  while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
}

// The value after "key": in the reply, with the spaces around the colon skipped;
// nothing when the key is not there.
std::optional<std::string_view> MemberValue(std::string_view reply, std::string_view quotedKey) {
  // The key in quotes can only be a member name: inside a recognised line every
  // quote is escaped.
  const std::size_t key = reply.find(quotedKey);
  if (key == std::string_view::npos) return std::nullopt;
  std::string_view rest = reply.substr(key + quotedKey.size());
  SkipSpaces(rest);
  if (rest.empty() || rest.front() != ':') return std::nullopt;
  rest.remove_prefix(1);
  SkipSpaces(rest);
  return rest;
}

// A GBK text cut to at most `limit` bytes without splitting a double-byte character.
std::string CutGbk(std::string_view text, std::size_t limit) {
  std::size_t end = 0;
  while (end < text.size()) {
    const std::size_t len = static_cast<unsigned char>(text[end]) >= 0x81 && end + 1 < text.size() ? 2 : 1;
    if (end + len > limit) break;
    end += len;
  }
  std::string cut(text.substr(0, end));
  if (end < text.size()) cut += "...";
  return cut;
}

std::string ServiceErrorText(const ServiceError& error) {
  switch (error.code) {
    case 17: return std::string(texts::kNoticeDailyLimit);
    case 18: return std::string(texts::kNoticeRateLimit);
    case 110:
    case 111: return std::string(texts::kNoticeTokenInvalid);
    case 216200: return std::string(texts::kNoticeEmptyImage);
    case 216201: return std::string(texts::kNoticeImageFormat);
    case 216202: return std::string(texts::kNoticeImageSize);
    case 282000: return std::string(texts::kNoticeServiceInternal);
    case 282111:
    case 282112:
    case 282113:
    case 282114: return std::string(texts::kNoticeImageUrl);
    default: break;
  }
  std::string text = std::string(texts::kNoticeServiceErrorPrefix) + std::to_string(error.code);
  if (!error.message.empty()) text += std::string(texts::kFullWidthColon) + CutGbk(error.message, kMaxShownMessage);
  return text;
}

std::string EngineText(EngineProblem problem, const std::string& detail) {
  switch (problem) {
    case EngineProblem::kVisualCppMissing:
      return std::string(texts::kNoticeEngineNoVisualCpp) + detail + std::string(texts::kFullStop);
    case EngineProblem::kDllMissing:
      return std::string(texts::kNoticeEngineMissing) + detail + std::string(texts::kFullStop);
    case EngineProblem::kDllUnusable:
      return std::string(texts::kNoticeEngineUnusablePrefix) + detail + std::string(texts::kNoticeEngineUnusableSuffix);
    case EngineProblem::kModelMissing:
      return std::string(texts::kNoticeEngineNoModel) + detail + std::string(texts::kFullStop);
    case EngineProblem::kModelBroken:
      return std::string(texts::kNoticeEngineBrokenPrefix) + detail + std::string(texts::kNoticeEngineBrokenSuffix);
    case EngineProblem::kNone:
    case EngineProblem::kFailed: break;
  }
  return std::string(texts::kNoticeEngineFailed);
}

}  // namespace

int HttpStatusOf(std::string_view statusText) {
  if (statusText.size() < 3 || !std::all_of(statusText.begin(), statusText.begin() + 3, IsDigit)) return 0;
  if (statusText.size() > 3 && IsDigit(statusText[3])) return 0;
  const int status = (statusText[0] - '0') * 100 + (statusText[1] - '0') * 10 + (statusText[2] - '0');
  // The request engine's own failures are numbered 700 to 713; no HTTP status
  // comes near them.
  return status >= 100 && status <= 599 ? status : 0;
}

std::optional<ServiceError> ServiceErrorOfReply(std::string_view reply) {
  const std::optional<std::string_view> code = MemberValue(reply, "\"error_code\"");
  if (!code) return std::nullopt;
  const std::size_t digits = std::min(code->find_first_not_of("0123456789"), code->size());
  if (digits == 0 || digits > 18) return std::nullopt;
  ServiceError error;
  for (char c : code->substr(0, digits)) error.code = error.code * 10 + (c - '0');
  if (const std::optional<std::string_view> message = MemberValue(reply, "\"error_msg\"");
      message && !message->empty() && message->front() == '"') {
    const std::string_view text = message->substr(1);
    // Up to the closing quote, stepping over escaped characters and GBK pairs.
    std::size_t end = 0;
    while (end < text.size() && text[end] != '"') {
      if (text[end] == '\\') ++end;
      else if (static_cast<unsigned char>(text[end]) >= 0x81) ++end;
      ++end;
    }
    error.message = std::string(text.substr(0, std::min(end, text.size())));
  }
  return error;
}

ChainOutcome RecognitionOutcome(std::string_view statusText, std::string_view reply, bool hasLines) {
  ChainOutcome outcome;
  if (hasLines) return outcome;
  const int status = HttpStatusOf(statusText);
  if (status == 0) {
    outcome.end = ChainOutcome::End::kServiceUnreachable;
  } else if (std::optional<ServiceError> error = ServiceErrorOfReply(reply)) {
    outcome.end = ChainOutcome::End::kServiceError;
    outcome.error = std::move(*error);
  } else if (status < 200 || status > 299 || reply.find("\"words_result\"") == std::string_view::npos) {
    outcome.end = ChainOutcome::End::kServiceBadReply;
    outcome.httpStatus = status;
  } else {
    outcome.end = ChainOutcome::End::kNoText;
  }
  return outcome;
}

std::optional<ChainOutcome> UploadOutcome(int httpStatus) {
  if (httpStatus >= 200 && httpStatus <= 299) return std::nullopt;
  ChainOutcome outcome;
  outcome.end = ChainOutcome::End::kImageHostFailed;
  outcome.httpStatus = httpStatus;
  return outcome;
}

ChainOutcome LocalEngineOutcome(int engineFailure, std::string_view detail, bool hasLines) {
  using ocr::Failure;
  ChainOutcome outcome;
  const auto failure = static_cast<Failure>(engineFailure);
  if (failure == Failure::kNone) {
    if (!hasLines) outcome.end = ChainOutcome::End::kNoText;
    return outcome;
  }
  if (failure == Failure::kPictureUnreadable || failure == Failure::kNotAPicture) {
    outcome.end = ChainOutcome::End::kPictureUnreadable;
    return outcome;
  }
  outcome.end = ChainOutcome::End::kEngineUnavailable;
  // The notice names the piece: the file name the engine gave, without its
  // folder and without what it said about it; ASCII only (the names are the
  // engine's own).
  std::string_view name = detail.substr(0, std::min(detail.find(": "), detail.size()));
  if (const std::size_t slash = name.find_last_of("\\/"); slash != std::string_view::npos) name.remove_prefix(slash + 1);
  outcome.detail.assign(name.begin(), name.end());
  std::erase_if(outcome.detail, [](char c) { return c < 0x20 || c > 0x7E; });
  switch (failure) {
    case Failure::kVisualCppMissing: outcome.engine = EngineProblem::kVisualCppMissing; break;
    case Failure::kRuntimeMissing: outcome.engine = EngineProblem::kDllMissing; break;
    case Failure::kRuntimeUnusable: outcome.engine = EngineProblem::kDllUnusable; break;
    case Failure::kModelMissing: outcome.engine = EngineProblem::kModelMissing; break;
    case Failure::kModelInvalid:
    case Failure::kDictionaryInvalid:
      outcome.engine = detail.ends_with(": missing") ? EngineProblem::kModelMissing : EngineProblem::kModelBroken;
      break;
    default: outcome.engine = EngineProblem::kFailed; break;
  }
  return outcome;
}

std::string ChainNoticeText(const ChainOutcome& outcome) {
  using End = ChainOutcome::End;
  switch (outcome.end) {
    case End::kText: return {};
    case End::kNoText: return std::string(texts::kNoticeNoText);
    case End::kNoToken:
      switch (outcome.token) {
        case TokenFailure::kNoCredentials: return std::string(texts::kNoticeNoCredentials);
        case TokenFailure::kRefused: return std::string(texts::kNoticeCredentialsRefused);
        case TokenFailure::kNone:
        case TokenFailure::kUnreachable: break;
      }
      return std::string(texts::kNoticeTokenUnreachable);
    case End::kServiceUnreachable: return std::string(texts::kNoticeServiceUnreachable);
    case End::kServiceError: return ServiceErrorText(outcome.error);
    case End::kServiceBadReply:
      return std::string(texts::kNoticeBadReplyPrefix) + std::to_string(outcome.httpStatus) +
             std::string(texts::kNoticeBadReplySuffix);
    case End::kImageHostFailed: return std::string(texts::kNoticeImageHostFailed);
    case End::kPictureUnreadable: return std::string(texts::kNoticePictureUnreadable);
    case End::kEngineUnavailable: return EngineText(outcome.engine, outcome.detail);
  }
  return {};
}

}  // namespace ornivex
