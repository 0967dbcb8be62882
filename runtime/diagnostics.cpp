#include "runtime/diagnostics.h"

#include <cwchar>
#include <string>

#include "runtime/codepage.h"

namespace ornivex {

namespace {

std::wstring SystemText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length && buffer ? std::wstring(buffer, length) : std::wstring();
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' || text.back() == L'.'))
    text.pop_back();
  return text;
}

void Emit(std::wstring_view what, const wchar_t* codeText, DWORD code, std::string_view gbkDetail = {}) noexcept {
  // Often called where memory has just run out: a line that cannot be built is
  // replaced by a fixed one rather than throwing from the failure path.
  try {
    std::wstring line = L"Ornivex: ";
    line += what;
    if (codeText) {
      wchar_t number[32];
      std::swprintf(number, 32, codeText, static_cast<unsigned long>(code));
      line += L" failed: ";
      line += number;
      const std::wstring text = SystemText(code);
      if (!text.empty()) line += L" (" + text + L")";
    }
    if (!gbkDetail.empty()) line += L": " + GbkToWide(gbkDetail);
    line += L"\n";
    OutputDebugStringW(line.c_str());
  } catch (...) {
    OutputDebugStringW(L"Ornivex: a failure could not be traced (out of memory)\n");
  }
}

}  // namespace

void TraceFailure(std::wstring_view what, DWORD error, std::string_view gbkDetail) noexcept {
  Emit(what, L"error %lu", error, gbkDetail);
}
void TraceHresult(std::wstring_view what, HRESULT hr, std::string_view gbkDetail) noexcept {
  Emit(what, L"HRESULT 0x%08lX", static_cast<DWORD>(hr), gbkDetail);
}
void TraceNote(std::wstring_view what, std::string_view gbkDetail) noexcept { Emit(what, nullptr, 0, gbkDetail); }

}  // namespace ornivex
