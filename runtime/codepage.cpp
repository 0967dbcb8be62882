#include "runtime/codepage.h"

#include <windows.h>

#include <climits>

namespace ornivex {

std::wstring MultiByteToWide(std::string_view text, unsigned codePage, unsigned long flags) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int len = static_cast<int>(text.size());
  const int n = MultiByteToWideChar(codePage, flags, text.data(), len, nullptr, 0);
  if (n <= 0) return {};
  std::wstring out(static_cast<size_t>(n), L'\0');
  const int done = MultiByteToWideChar(codePage, flags, text.data(), len, out.data(), n);
  out.resize(done > 0 ? static_cast<size_t>(done) : 0);
  return out;
}

std::string WideToMultiByte(std::wstring_view wide, unsigned codePage, unsigned long flags) {
  if (wide.empty() || wide.size() > INT_MAX) return {};
  const int len = static_cast<int>(wide.size());
  const int n = WideCharToMultiByte(codePage, flags, wide.data(), len, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  const int done = WideCharToMultiByte(codePage, flags, wide.data(), len, out.data(), n, nullptr, nullptr);
  out.resize(done > 0 ? static_cast<size_t>(done) : 0);
  return out;
}

std::wstring GbkToWide(std::string_view gbk) { return MultiByteToWide(gbk, kGbkCodePage); }

std::string WideToGbk(std::wstring_view wide) { return WideToMultiByte(wide, kGbkCodePage); }

}  // namespace ornivex
