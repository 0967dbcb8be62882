#pragma once
// The program keeps its text in GBK (code page 936). Windows is spoken to in
// UTF-16 through the W functions; these two routines are the boundary, and they
// name code page 936 explicitly so the system's ANSI code page never matters.
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace ornivex {

inline constexpr unsigned kGbkCodePage = 936;

std::wstring GbkToWide(std::string_view gbk);
std::string WideToGbk(std::wstring_view wide);

// The conversion core the two above (and the HTTP client's code-page routines)
// use: MultiByteToWideChar / WideCharToMultiByte over explicit lengths, with an
// explicit code page and flags. Empty input or a failed conversion gives "".
std::wstring MultiByteToWide(std::string_view text, unsigned codePage, unsigned long flags = 0);
std::string WideToMultiByte(std::wstring_view wide, unsigned codePage, unsigned long flags = 0);

// The same conversions into memory the caller provides, for callers that keep
// their own buffers. With an empty `out` they only measure. They return the
// number of units (bytes) produced or needed, 0 on failure or when `out` is
// too small.
std::size_t ConvertToWide(std::string_view text, unsigned codePage, unsigned long flags, std::span<wchar_t> out);
std::size_t ConvertFromWide(std::wstring_view wide, unsigned codePage, unsigned long flags, std::span<char> out);

}  // namespace ornivex
