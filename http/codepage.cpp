#include "http/codepage.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "runtime/codepage.h"

namespace ornivex {
namespace {

// Text handed over "zero-terminated" ends at its first zero byte.
std::string_view UpToZero(std::string_view text) {
  const std::size_t zero = text.find('\0');
  return zero == std::string_view::npos ? text : text.substr(0, zero);
}

std::string UpToZero(std::string text) {
  const std::size_t zero = text.find('\0');
  if (zero != std::string::npos) text.resize(zero);
  return text;
}

// Converts straight into the byte buffer (no intermediate wide string), which
// then ends with a zero unit when `terminator` is set.
ByteBuffer ConvertToUtf16Bytes(std::string_view text, unsigned codePage, bool terminator) {
  const std::size_t units = ConvertToWide(text, codePage, 0, {});
  ByteBuffer bytes((units + (terminator ? 1 : 0)) * sizeof(wchar_t), 0);
  if (units > 0) {
    // operator new aligns the buffer for any fundamental type.
    const std::size_t done =
        ConvertToWide(text, codePage, 0, std::span<wchar_t>(reinterpret_cast<wchar_t*>(bytes.data()), units));
    bytes.resize((done + (terminator ? 1 : 0)) * sizeof(wchar_t));
  }
  return bytes;
}

std::wstring UnitsOf(std::span<const std::uint8_t> bytes) {
  std::wstring wide(bytes.size() / sizeof(wchar_t), L'\0');
  if (!wide.empty()) std::memcpy(wide.data(), bytes.data(), wide.size() * sizeof(wchar_t));
  return wide;
}

std::wstring_view UpToZeroUnit(std::wstring_view wide) {
  const std::size_t zero = wide.find(L'\0');
  return zero == std::wstring_view::npos ? wide : wide.substr(0, zero);
}

}  // namespace

ByteBuffer GbkToUtf16(std::string_view text, bool dropTerminator) {
  const std::string_view gbk = UpToZero(text);
  if (gbk.empty()) return {};
  return ConvertToUtf16Bytes(gbk, kGbkCodePage, !dropTerminator);
}

std::string Utf16ToGbk(std::wstring_view utf16) {
  return UpToZero(WideToMultiByte(utf16, kGbkCodePage, WC_COMPOSITECHECK));
}

std::string Utf16ToGbk(std::span<const std::uint8_t> utf16) { return Utf16ToGbk(UnitsOf(utf16)); }

ByteBuffer MultiByteToUtf16(std::string_view text, unsigned codePage) {
  return ConvertToUtf16Bytes(UpToZero(text), codePage, true);
}

std::string Utf16ToMultiByte(std::span<const std::uint8_t> utf16, unsigned codePage) {
  const std::wstring wide = UnitsOf(utf16);
  return WideToMultiByte(UpToZeroUnit(wide), codePage);
}

// Converted a slice at a time through a small UTF-16 buffer that stays in the
// cache, straight into the result: a large reply never needs a UTF-16 copy of
// itself. GBK takes at most as many bytes as the UTF-8 it comes from (one or two
// for a character of one to four), so the result is sized once up front.
std::string Utf8ToGbk(std::string_view utf8) {
  const std::string_view text = UpToZero(utf8);
  constexpr std::size_t kSlice = 1 << 16;
  if (text.size() <= kSlice) return WideToMultiByte(MultiByteToWide(text, kUtf8CodePage), kGbkCodePage);

  std::string out(text.size(), '\0');
  std::wstring wide(kSlice, L'\0');
  std::size_t written = 0;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = std::min(at + kSlice, text.size());
    // Never cut a sequence: step back over up to three continuation bytes.
    for (int back = 0; back < 3 && end < text.size() && end > at + 1 &&
                       (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80;
         ++back)
      --end;
    const std::size_t units = ConvertToWide(text.substr(at, end - at), kUtf8CodePage, 0, wide);
    // Should some replacement character take two bytes where its source took
    // one, make room rather than lose text.
    if (out.size() - written < units * 2) out.resize(written + units * 2 + (text.size() - end));
    written += ConvertFromWide(std::wstring_view(wide.data(), units), kGbkCodePage, 0,
                               std::span<char>(out.data() + written, out.size() - written));
    at = end;
  }
  out.resize(written);
  return out;
}

std::string UrlDecode(std::string_view text, bool fromUtf8) {
  std::string decoded = UrlDecode(text);
  return fromUtf8 ? Utf8ToGbk(decoded) : decoded;
}

}  // namespace ornivex
