#pragma once
// The program keeps its text in GBK (code page 936). Windows is spoken to in
// UTF-16 through the W functions; these two routines are the boundary, and they
// name code page 936 explicitly so the system's ANSI code page never matters.
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

}  // namespace ornivex
