#include "runtime/dialogs.h"

#include <commdlg.h>

#include <vector>

#include "runtime/codepage.h"
#include "runtime/diagnostics.h"

namespace ornivex {

int ShowMessageBox(std::string_view gbkText, std::string_view gbkCaption, UINT flags, HWND owner) {
  const std::wstring text = GbkToWide(gbkText);
  const std::wstring caption = GbkToWide(gbkCaption);
  return MessageBoxW(owner, text.c_str(), caption.c_str(), flags);
}

std::wstring DialogFilter(std::string_view gbkFilter) {
  // Split after the conversion: in GBK a trail byte may equal '|', in UTF-16 no
  // unit of another character can.
  std::wstring filter = GbkToWide(gbkFilter);
  for (wchar_t& c : filter)
    if (c == L'|') c = L'\0';
  filter.append(2, L'\0');
  return filter;
}

bool OpenFileDialog::Show(HWND owner) {
  const std::wstring filter = DialogFilter(filter_);
  // Room for a long path; the remembered name seeds the dialog.
  std::vector<wchar_t> buffer(32768, L'\0');
  fileName_.copy(buffer.data(), std::min(fileName_.size(), buffer.size() - 1));

  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!GetOpenFileNameW(&ofn)) {
    // Zero is Cancel; anything else is a failure of the dialog itself.
    if (const DWORD error = CommDlgExtendedError()) TraceNote(L"The open-file dialog failed", std::to_string(error));
    return false;
  }
  fileName_ = buffer.data();
  return true;
}

}  // namespace ornivex
