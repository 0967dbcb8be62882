#include "http/codepage.h"

#include <windows.h>

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

ByteBuffer BytesOf(std::wstring_view wide, bool terminator) {
  ByteBuffer bytes((wide.size() + (terminator ? 1 : 0)) * sizeof(wchar_t), 0);
  if (!wide.empty()) std::memcpy(bytes.data(), wide.data(), wide.size() * sizeof(wchar_t));
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
  return BytesOf(MultiByteToWide(gbk, kGbkCodePage), !dropTerminator);
}

std::string Utf16ToGbk(std::wstring_view utf16) {
  return UpToZero(WideToMultiByte(utf16, kGbkCodePage, WC_COMPOSITECHECK));
}

std::string Utf16ToGbk(std::span<const std::uint8_t> utf16) { return Utf16ToGbk(UnitsOf(utf16)); }

ByteBuffer MultiByteToUtf16(std::string_view text, unsigned codePage) {
  return BytesOf(MultiByteToWide(UpToZero(text), codePage), true);
}

std::string Utf16ToMultiByte(std::span<const std::uint8_t> utf16, unsigned codePage) {
  const std::wstring wide = UnitsOf(utf16);
  return WideToMultiByte(UpToZeroUnit(wide), codePage);
}

std::string Utf8ToGbk(std::string_view utf8) {
  return WideToMultiByte(MultiByteToWide(UpToZero(utf8), kUtf8CodePage), kGbkCodePage);
}

std::string UrlDecode(std::string_view text, bool fromUtf8) {
  std::string decoded = UrlDecode(text);
  return fromUtf8 ? Utf8ToGbk(decoded) : decoded;
}

}  // namespace ornivex
