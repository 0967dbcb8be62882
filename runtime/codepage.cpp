#include "runtime/codepage.h"

#include <windows.h>

#include <climits>

namespace ornivex {

std::size_t ConvertToWide(std::string_view text, unsigned codePage, unsigned long flags, std::span<wchar_t> out) {
  if (text.empty() || text.size() > INT_MAX || out.size() > INT_MAX) return 0;
  const int n = MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()),
                                    out.empty() ? nullptr : out.data(), static_cast<int>(out.size()));
  return n > 0 ? static_cast<std::size_t>(n) : 0;
}

std::size_t ConvertFromWide(std::wstring_view wide, unsigned codePage, unsigned long flags, std::span<char> out) {
  if (wide.empty() || wide.size() > INT_MAX || out.size() > INT_MAX) return 0;
  const int n = WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()),
                                    out.empty() ? nullptr : out.data(), static_cast<int>(out.size()), nullptr, nullptr);
  return n > 0 ? static_cast<std::size_t>(n) : 0;
}

// Measure, then convert into a buffer of exactly that size: fresh memory is the
// expensive part of converting large texts, so none is allocated in excess.

std::wstring MultiByteToWide(std::string_view text, unsigned codePage, unsigned long flags) {
  const std::size_t n = ConvertToWide(text, codePage, flags, {});
  if (n == 0) return {};
  std::wstring out(n, L'\0');
  out.resize(ConvertToWide(text, codePage, flags, out));
  return out;
}

std::string WideToMultiByte(std::wstring_view wide, unsigned codePage, unsigned long flags) {
  const std::size_t n = ConvertFromWide(wide, codePage, flags, {});
  if (n == 0) return {};
  std::string out(n, '\0');
  out.resize(ConvertFromWide(wide, codePage, flags, out));
  return out;
}

std::wstring GbkToWide(std::string_view gbk) { return MultiByteToWide(gbk, kGbkCodePage); }

std::string WideToGbk(std::wstring_view wide) { return WideToMultiByte(wide, kGbkCodePage); }

}  // namespace ornivex
