#pragma once
// Code-page conversions between the program's GBK text, UTF-16 and other code
// pages, over MultiByteToWideChar / WideCharToMultiByte (Windows only). UTF-16
// results are byte buffers of little-endian code units.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "http/encoding.h"

namespace ornivex {

inline constexpr unsigned kUtf8CodePage = 65001;

// UTF-16 of the GBK text (up to its first zero byte), ending with the two-byte
// zero terminator unless `dropTerminator`. Empty text gives an empty buffer.
ByteBuffer GbkToUtf16(std::string_view text, bool dropTerminator = false);

// GBK of the UTF-16 code units in `utf16` (an odd last byte is ignored); a zero
// unit inside ends the text.
std::string Utf16ToGbk(std::span<const std::uint8_t> utf16);
std::string Utf16ToGbk(std::wstring_view utf16);

// UTF-16 (with terminator) of `text` (up to its first zero byte) in `codePage`.
ByteBuffer MultiByteToUtf16(std::string_view text, unsigned codePage = kUtf8CodePage);

// Text in `codePage` (0: the system's ANSI code page) of the UTF-16 in `utf16`,
// up to its first zero unit.
std::string Utf16ToMultiByte(std::span<const std::uint8_t> utf16, unsigned codePage = 0);

// GBK of UTF-8 text (up to its first zero byte). Invalid UTF-8 becomes U+FFFD
// and then GBK's default character; it never fails.
std::string Utf8ToGbk(std::string_view utf8);

// UrlDecode(text), then, with `fromUtf8`, Utf8ToGbk of the decoded bytes.
std::string UrlDecode(std::string_view text, bool fromUtf8);

}  // namespace ornivex
