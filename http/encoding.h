#pragma once
// Wire encodings that need no Windows call: percent-encoding and -decoding,
// and Base64.
// The code-page conversions live in http/codepage.h (Windows only).
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ornivex {

// A length-counted run of bytes (file contents, HTTP bodies, UTF-16 text).
using ByteBuffer = std::vector<std::uint8_t>;

// Percent-decodes `text`: "%XY" (hex digits in either case) becomes the byte
// 0xXY; every other byte, "+" included, is copied unchanged. A "%" that is not
// followed by two hex digits passes through as it stands. Decoding "%00" gives a
// zero byte. The form that also converts UTF-8 to GBK is in http/codepage.h.
std::string UrlDecode(std::string_view text);

// Appends `bytes` to `out` with every byte but the unreserved ones (letters,
// digits and - . _ ~) written as %XX, upper-case hex digits: a value that
// reads back whole from a query string or a form body. "+", "/" and "=" are
// encoded too.
void AppendPercentEncoded(std::string& out, std::string_view bytes);
std::string PercentEncode(std::string_view bytes);

// Standard Base64 with "=" padding and no line breaks; 4 * ceil(n / 3) characters.
std::string EncodeBase64(std::span<const std::uint8_t> bytes);
std::string EncodeBase64(std::string_view bytes);

}  // namespace ornivex
