#pragma once
// Points "windir" at a folder of its own whose empty.exe is a recording stand-in
// (a program that writes its command line to empty.exe.args), so a test sees
// whether and how the working-set tool was started; "windir" is put back when
// the object goes.
#include <windows.h>

#include <string>
#include <string_view>

namespace ornivex::testing {

class RecordingWindir {
 public:
  // `recorder`: the stand-in's Linux path; `tag` keeps tests' folders apart.
  RecordingWindir(std::string_view recorder, std::wstring_view tag) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"ornivex-" + std::wstring(tag) + L"-windir-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder_.c_str(), nullptr);
    std::wstring source = L"Z:";
    for (char c : recorder) source += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    copied_ = CopyFileW(source.c_str(), (folder_ + L"\\empty.exe").c_str(), FALSE) != FALSE;
    DeleteFileW(Record().c_str());
    GetEnvironmentVariableW(L"windir", saved_, MAX_PATH);
    SetEnvironmentVariableW(L"windir", folder_.c_str());
  }
  ~RecordingWindir() { SetEnvironmentVariableW(L"windir", saved_); }
  RecordingWindir(const RecordingWindir&) = delete;
  RecordingWindir& operator=(const RecordingWindir&) = delete;

  // Whether the stand-in is in place as empty.exe.
  bool Ready() const { return copied_; }
  // The file the stand-in writes when it runs.
  std::wstring Record() const { return folder_ + L"\\empty.exe.args"; }

 private:
  std::wstring folder_;
  bool copied_ = false;
  wchar_t saved_[MAX_PATH] = {};
};

}  // namespace ornivex::testing
