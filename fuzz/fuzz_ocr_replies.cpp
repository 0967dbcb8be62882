// Reading the OCR service's replies: the access token, the recognised lines and
// the line break rule, for replies of either layout built around fuzzed values
// (which must come back exactly) and for arbitrary bytes (which must give
// values really found between the markers).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/check.h"
#include "app/ocr_protocol.h"
#include "fuzz/reference.h"
#include "http/text.h"

namespace {

using ornivex::fuzz::Check;

// A value as it can stand in the service's JSON without escapes: no quote.
std::string Unquoted(std::string s) {
  std::erase(s, '"');
  return s;
}

// The line break rule, character by character with the reference's GBK walk.
std::string RefLineBreaks(std::string_view line) {
  std::string out;
  for (std::size_t i = 0; i < line.size();) {
    const bool pair = ornivex::fuzz::RefDoubleByteAt(line, i);
    const std::string_view c = line.substr(i, pair ? 2 : 1);
    out += c;
    if (c == "\xA1\xA3") out += "\r\n    ";
    i += c.size();
  }
  return out;
}

void TokenReplies(FuzzedDataProvider& in) {
  const std::string token = Unquoted(in.ConsumeRandomLengthString(64));
  const std::string other = Unquoted(in.ConsumeRandomLengthString(32));
  // Access token first, as the service's default layout has it, or in the middle.
  const std::string first = "{\"access_token\":\"" + token + "\",\"expires_in\":2592000,\"scope\":\"" + other + "\"}";
  const std::string middle = "{\"refresh_token\":\"" + other + "\",\"expires_in\":2592000,\"access_token\":\"" + token +
                             "\",\"scope\":\"x\"}";
  Check(ornivex::AccessTokenFromReply(first) == token);
  Check(ornivex::AccessTokenFromReply(middle) == token);
  // As the object's last member no "," follows it: no token.
  Check(ornivex::AccessTokenFromReply("{\"expires_in\":1,\"access_token\":\"" + token + "\"}").empty());

  const std::string raw = in.ConsumeRemainingBytesAsString();
  const std::string got = ornivex::AccessTokenFromReply(raw);
  Check(got == ornivex::fuzz::RefTextBetween(raw, "\"access_token\":\"", "\",", 0, false));
}

void WordReplies(FuzzedDataProvider& in) {
  std::vector<std::string> lines;
  const int count = in.ConsumeIntegralInRange(0, 8);
  for (int i = 0; i < count; ++i) lines.push_back(Unquoted(in.ConsumeRandomLengthString(48)));
  std::vector<std::string> expected;
  for (const std::string& line : lines) {
    const std::string_view trimmed = ornivex::TrimSpaces(line);
    if (!trimmed.empty()) expected.emplace_back(trimmed);
  }
  // Default layout: log_id first, spaces after the separators; compact: none.
  std::string spaced = "{\"log_id\": 1, \"words_result_num\": " + std::to_string(count) + ", \"words_result\": [";
  std::string compact = "{\"words_result\":[";
  for (std::size_t i = 0; i < lines.size(); ++i) {
    spaced += (i ? ", " : "") + std::string("{\"words\": \"") + lines[i] + "\"}";
    compact += (i ? "," : "") + std::string("{\"words\":\"") + lines[i] + "\"}";
  }
  spaced += "]}";
  compact += "],\"words_result_num\":" + std::to_string(count) + ",\"log_id\":1}";
  Check(ornivex::RecognisedLines(spaced) == expected);
  Check(ornivex::RecognisedLines(compact) == expected);

  const std::string raw = in.ConsumeRemainingBytesAsString();
  const std::vector<std::string> found = ornivex::RecognisedLines(raw);
  std::string box;
  for (const std::string& line : found) {
    Check(!line.empty() && ornivex::TrimSpaces(line) == line && raw.find(line) != std::string::npos);
    const std::string broken = ornivex::ApplyLineBreakRule(line);
    Check(broken == RefLineBreaks(line));
    box += broken;
  }
  Check(ornivex::ResultBoxText(found) == box);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  if (in.ConsumeBool()) {
    TokenReplies(in);
  } else {
    WordReplies(in);
  }
  return 0;
}
