#include "app/ocr_protocol.h"

#include <algorithm>
#include <cstring>
#include <random>

#include "http/encoding.h"
#include "http/text.h"

namespace ornivex {

namespace {

// Lines 1 to 4 of the upload body with the file name "6"; the template holds
// no other "6", so replacing every "6" puts the picture number in its place.
constexpr std::string_view kBodyTemplate =
    "------WebKitFormBoundary4C4GSVIylEQB11fE\r\n"
    "Content-Disposition: form-data; name=\"myfile\"; filename=\"6\"\r\n"
    "Content-Type: image/png\r\n"
    "\r\n";

constexpr std::string_view kBodyTail = "\r\n------WebKitFormBoundary4C4GSVIylEQB11fE--";

std::string_view WithoutTrailingSlash(std::string_view base) {
  while (!base.empty() && base.back() == '/') base.remove_suffix(1);
  return base;
}

}  // namespace

std::string UploadContentTypeHeader() {
  std::string header = "Content-Type: multipart/form-data; boundary=";
  header += kUploadBoundary;
  return header;
}

std::string UploadBodyHead(std::string_view n) {
  std::string head;
  head.reserve(kBodyTemplate.size() + n.size());
  for (char c : kBodyTemplate) {
    if (c == '6') {
      head += n;
    } else {
      head += c;
    }
  }
  return head;
}

std::string_view UploadBodyTail() { return kBodyTail; }

UploadBodyFrame MakeUploadBodyFrame(std::string_view n, std::size_t fileSize) {
  return UploadBodyFrame{UploadBodyHead(n), fileSize};
}

bool UploadBodyFrame::WriteAround(std::span<std::uint8_t> body) const {
  if (body.size() != Size()) return false;
  std::memcpy(body.data(), head.data(), head.size());
  std::memcpy(body.data() + head.size() + fileSize, kBodyTail.data(), kBodyTail.size());
  return true;
}

std::string BuildUploadBody(std::string_view n, std::string_view fileBytes) {
  const UploadBodyFrame frame = MakeUploadBodyFrame(n, fileBytes.size());
  std::string body(frame.Size(), '\0');
  const std::span<std::uint8_t> bytes(reinterpret_cast<std::uint8_t*>(body.data()), body.size());
  frame.WriteAround(bytes);
  if (!fileBytes.empty()) std::memcpy(bytes.data() + frame.FileOffset(), fileBytes.data(), fileBytes.size());
  return body;
}

std::string PictureNumberText(std::uint32_t number) { return std::to_string(number); }

std::uint32_t DrawPictureNumber(std::uint32_t seed) {
  std::mt19937 generator(seed);
  std::uniform_int_distribution<std::uint32_t> range(kPictureNumberMin, kPictureNumberMax);
  return range(generator);
}

std::string PictureUrl(std::string_view imageHost, std::string_view n) {
  std::string url(WithoutTrailingSlash(imageHost));
  url += kPicturePath;
  url += n;
  url += ".png";
  return url;
}

std::string UploadUrl(std::string_view imageHost) {
  std::string url(WithoutTrailingSlash(imageHost));
  url += kUploadPath;
  return url;
}

std::string TokenUrl(std::string_view ocrService, std::string_view clientId, std::string_view clientSecret) {
  std::string url(WithoutTrailingSlash(ocrService));
  url += kTokenPath;
  url += "?grant_type=client_credentials&client_id=";
  AppendPercentEncoded(url, clientId);
  url += "&client_secret=";
  AppendPercentEncoded(url, clientSecret);
  url += '&';
  return url;
}

std::string RecognitionUrl(std::string_view ocrService, std::string_view accessToken) {
  std::string url(WithoutTrailingSlash(ocrService));
  url += kRecognitionPath;
  url += "?access_token=";
  url += accessToken;
  return url;
}

std::string RecognitionBody(std::string_view pictureUrl) {
  std::string body = "url=";
  body += pictureUrl;
  return body;
}

std::string ImageRecognitionBody(std::span<const std::uint8_t> picture) {
  std::string body = "image=";
  AppendPercentEncoded(body, EncodeBase64(picture));
  return body;
}

std::string ApplyLineBreakRule(std::string_view line) {
  constexpr std::string_view kBreak = "\xA1\xA3\r\n    ";  // 。 CR LF, four spaces
  std::string out;
  out.reserve(line.size() + line.size() / 8);
  for (std::size_t i = 0; i < line.size();) {
    const std::size_t len = GbkCharLength(line, i);
    if (len == 2 && line[i] == '\xA1' && line[i + 1] == '\xA3') {
      out += kBreak;
    } else {
      out.append(line.substr(i, len));
    }
    i += len;
  }
  return out;
}

std::string PictureFileName(std::string_view path) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < path.size();) {
    const std::size_t len = GbkCharLength(path, i);
    if (len == 1 && path[i] == '\\') start = i + 1;
    i += len;
  }
  return std::string(path.substr(start));
}

std::string AccessTokenFromReply(std::string_view reply) {
  return TextBetween(reply, "\"access_token\":\"", "\",");
}

bool AccessTokenRefused(std::string_view reply) {
  // The key in quotes can only be a member name: inside a recognised line every
  // quote is escaped.
  constexpr std::string_view kKey = "\"error_code\"";
  const std::size_t key = reply.find(kKey);
  if (key == std::string_view::npos) return false;
  std::string_view rest = reply.substr(key + kKey.size());
  auto skipSpaces = [&rest] {
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
  };
  skipSpaces();
  if (rest.empty() || rest.front() != ':') return false;
  rest.remove_prefix(1);
  skipSpaces();
  const std::size_t digits = std::min(rest.find_first_not_of("0123456789"), rest.size());
  const std::string_view code = rest.substr(0, digits);
  return code == "110" || code == "111";
}

std::vector<std::string> RecognisedLines(std::string_view reply) {
  constexpr std::string_view kSpaced = "{\"words\": \"";
  constexpr std::string_view kCompact = "{\"words\":\"";
  constexpr std::string_view kRight = "\"}";
  constexpr auto npos = std::string_view::npos;
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < reply.size()) {
    // Whichever layout comes first; the two can never start at the same byte.
    const std::size_t spaced = FindGbk(reply, kSpaced, pos, true);
    const std::size_t compact = FindGbk(reply, kCompact, pos, true);
    const std::size_t left = std::min(spaced, compact);
    if (left == npos) break;
    const std::size_t afterLeft = left + (left == spaced ? kSpaced.size() : kCompact.size());
    const std::size_t right = FindGbk(reply, kRight, afterLeft, true);
    if (right == npos) break;
    const std::string_view line = TrimSpaces(reply.substr(afterLeft, right - afterLeft));
    if (line.empty()) {
      pos = afterLeft;
    } else {
      lines.emplace_back(line);
      pos = right;
    }
  }
  return lines;
}

std::string ResultBoxText(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += ApplyLineBreakRule(line);
  return text;
}

}  // namespace ornivex
