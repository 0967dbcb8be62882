#include "app/temp_pictures.h"

#include <windows.h>

#include <mutex>
#include <vector>

#include "app/shell_logic.h"
#include "runtime/diagnostics.h"
#include "runtime/files.h"

namespace ornivex {

namespace {

// The pictures this run wrote, deleted when it ends. Workers add to it and may
// still run while the program's static objects are destroyed, so it is made once
// and never destroyed.
struct TemporaryPictures {
  std::mutex mutex;
  std::vector<std::wstring> paths;
};
TemporaryPictures& Written() {
  static TemporaryPictures* written = new TemporaryPictures;
  return *written;
}

DateTime Now() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return DateTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

}  // namespace

std::wstring WriteTemporaryPicture(std::span<const std::uint8_t> png) {
  wchar_t temp[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  if (length == 0 || length > MAX_PATH) {
    TraceFailure(L"Finding the temporary folder");
    return {};
  }
  const std::wstring folder = std::wstring(temp, length) + L"Ornivex";
  if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    TraceFailure(L"Making the folder for pasted pictures");
    return {};
  }
  TemporaryPictures& written = Written();
  std::lock_guard lock(written.mutex);  // two pastes in one millisecond get two names
  const DateTime now = Now();
  for (int attempt = 1; attempt <= 100; ++attempt) {
    std::wstring path = folder + L"\\" + PastedPictureName(now, attempt);
    if (FileExists(path)) continue;
    if (!WriteWholeFile(path, std::string_view(reinterpret_cast<const char*>(png.data()), png.size()))) return {};
    written.paths.push_back(path);
    return path;
  }
  TraceNote(L"No free name for a pasted picture in " + folder);
  return {};
}

void DeleteTemporaryPictures() {
  TemporaryPictures& written = Written();
  std::lock_guard lock(written.mutex);
  for (const std::wstring& path : written.paths)
    if (!DeleteFileW(path.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
      TraceFailure(L"Deleting a pasted picture");
  written.paths.clear();
}

}  // namespace ornivex
