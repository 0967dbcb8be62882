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

}  // namespace ornivex
