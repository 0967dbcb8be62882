#pragma once
// The byte-exact pieces of the OCR workflow that need no Windows call: the
// upload body and its header line, the picture's public URL, the recognition
// request (by the picture's URL or with the picture in it), reading the token and the recognised lines out of the replies, the
// line break rule and the file name of a chosen picture. Text here is GBK
// bytes in std::string; bodies are bytes.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ornivex {

// Delimiter lines of the upload body carry two more dashes than this.
inline constexpr std::string_view kUploadBoundary = "----WebKitFormBoundary4C4GSVIylEQB11fE";
inline constexpr std::string_view kUploadPath = "/uploadheadimg.php";
inline constexpr std::string_view kPicturePath = "/photo/";
inline constexpr std::string_view kTokenPath = "/oauth/2.0/token";
inline constexpr std::string_view kRecognitionPath = "/rest/2.0/ocr/v1/general_basic";

// Smallest and largest picture number (both can be drawn).
inline constexpr std::uint32_t kPictureNumberMin = 19999;
inline constexpr std::uint32_t kPictureNumberMax = 999999;

// "Content-Type: multipart/form-data; boundary=----WebKitFormBoundary4C4GSVIylEQB11fE"
std::string UploadContentTypeHeader();

// Lines 1 to 4 of the upload body for picture number text n: delimiter line,
// the part's Content-Disposition with filename="n", its Content-Type
// image/png, and the blank line. Every "6" of the fixed template becomes n.
std::string UploadBodyHead(std::string_view n);

// CR LF and the closing delimiter, with no CR LF after the closing dashes.
std::string_view UploadBodyTail();

// Where the parts of the upload body for a file of `fileSize` bytes lie, so the
// body can be made in one buffer with the file read straight into its place.
struct UploadBodyFrame {
  std::string head;  // lines 1 to 4
  std::size_t fileSize = 0;

  std::size_t FileOffset() const { return head.size(); }
  std::size_t Size() const { return head.size() + fileSize + UploadBodyTail().size(); }
  // Writes the head and the tail into `body` (Size() bytes, false otherwise),
  // leaving the file's place as it is.
  bool WriteAround(std::span<std::uint8_t> body) const;
};
UploadBodyFrame MakeUploadBodyFrame(std::string_view n, std::size_t fileSize);

// Head, the file's bytes exactly as given, tail.
std::string BuildUploadBody(std::string_view n, std::string_view fileBytes);

// Decimal text of a picture number: no sign, no leading zeros.
std::string PictureNumberText(std::uint32_t number);

// A picture number drawn uniformly from kPictureNumberMin..kPictureNumberMax by
// a generator seeded with `seed` (the caller passes the tick count).
std::uint32_t DrawPictureNumber(std::uint32_t seed);

// imageHost (scheme, host, optional port; a trailing slash is ignored) +
// "/photo/" + n + ".png".
std::string PictureUrl(std::string_view imageHost, std::string_view n);

// The upload endpoint on the image host.
std::string UploadUrl(std::string_view imageHost);

// The token request: the OAuth endpoint with the client-credentials query,
// ending in "&". The id and the secret are percent-encoded, every byte but
// letters, digits and - . _ ~, which leaves the built-in ones as they are.
std::string TokenUrl(std::string_view ocrService, std::string_view clientId, std::string_view clientSecret);

// The recognition endpoint with "?access_token=" and the token unchanged.
std::string RecognitionUrl(std::string_view ocrService, std::string_view accessToken);

// "url=" and the picture URL unchanged (it needs no percent-encoding).
std::string RecognitionBody(std::string_view pictureUrl);

// The recognition request that carries the picture itself: "image=" and the
// Base64 of the picture file's bytes, percent-encoded ("+", "/" and "=" as
// %2B, %2F and %3D). The service takes it in place of a URL.
std::string ImageRecognitionBody(std::span<const std::uint8_t> picture);

// Every ideographic full stop (GBK A1 A3, as a whole character) becomes the
// full stop, CR LF and four spaces. Walks GBK characters, so A1 A3 formed by a
// trail byte and the next lead byte is left alone.
std::string ApplyLineBreakRule(std::string_view line);

// The part of a GBK path after its last backslash, or the whole path when it
// holds none. A double-byte character whose trail byte is 0x5C (such as
// 淺, 9C 5C) is not taken for a backslash.
std::string PictureFileName(std::string_view path);

// --- Reading the service's replies (GBK text, after conversion from UTF-8). ---

// The access token: the text after the key "access_token":" up to the next
// "," wherever the member stands in the object. Empty when the key is missing
// or the token is the object's last member (no "," follows it).
std::string AccessTokenFromReply(std::string_view reply);

// Whether a recognition reply is the service refusing its access token: error
// code 110 (invalid or no longer valid, as after a restart of the service) or
// 111 (expired), in either reply layout.
bool AccessTokenRefused(std::string_view reply);

// The recognised lines, in reply order: every value that follows
// {"words": " or {"words":" (letters in any case) up to the next "}, trimmed of
// ASCII and full-width spaces; values that trim to nothing are dropped. JSON
// escapes are not decoded.
std::vector<std::string> RecognisedLines(std::string_view reply);

// What the result box holds after the lines are appended one after the other,
// each with the line break rule applied and nothing between them.
std::string ResultBoxText(const std::vector<std::string>& lines);

}  // namespace ornivex
