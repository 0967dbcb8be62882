#pragma once
// Message boxes and the open-file common dialog, both taking GBK text.
#include <windows.h>

#include <string>
#include <string_view>

namespace ornivex {

// MessageBoxW with the GBK text and caption converted through code page 936.
// `flags` are the MB_* bits exactly as given; returns the button pressed.
int ShowMessageBox(std::string_view gbkText, std::string_view gbkCaption, UINT flags, HWND owner = nullptr);

// The open-file dialog of a form. It remembers its file name: the dialog starts
// with it, OK replaces it with the chosen path, Cancel leaves it as it was. The
// name stays in UTF-16 as the system gives it, so a path with characters GBK
// lacks (é, ñ, Hangul) still names its file.
class OpenFileDialog {
 public:
  // `gbkFilter` is "description|patterns|description|patterns...".
  explicit OpenFileDialog(std::string_view gbkFilter = {}) : filter_(gbkFilter) {}

  // Shows the dialog modally; true when the user chose a file.
  bool Show(HWND owner);

  const std::wstring& FileName() const { return fileName_; }
  void SetFileName(std::wstring fileName) { fileName_ = std::move(fileName); }
  const std::string& Filter() const { return filter_; }

 private:
  std::string filter_;
  std::wstring fileName_;
};

// The filter in the form GetOpenFileNameW takes: the bars become zero characters
// and the list ends with two of them.
std::wstring DialogFilter(std::string_view gbkFilter);

}  // namespace ornivex
