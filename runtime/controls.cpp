#include "runtime/controls.h"

#include "runtime/codepage.h"

namespace ornivex {

std::string GetControlText(HWND control) {
  const int length = GetWindowTextLengthW(control);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(control, text.data(), length + 1);
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return WideToGbk(text);
}

void SetControlText(HWND control, std::string_view gbk) { SetWindowTextW(control, GbkToWide(gbk).c_str()); }

void AppendEditText(HWND edit, std::string_view gbk) {
  const std::wstring text = GbkToWide(gbk);
  const int end = GetWindowTextLengthW(edit);
  SendMessageW(edit, EM_SETSEL, end, end);
  SendMessageW(edit, EM_SCROLLCARET, 0, 0);
  SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

}  // namespace ornivex
