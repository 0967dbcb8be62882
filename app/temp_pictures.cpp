#include "app/temp_pictures.h"

#include <windows.h>

#include <mutex>
#include <vector>

#include "app/shell_logic.h"
#include "runtime/diagnostics.h"
#include "runtime/files.h"
#include "runtime/handles.h"
#include "runtime/path_form.h"
#include "runtime/threads.h"

namespace ornivex {

namespace {

struct Written {
  std::wstring path;
  UniqueFile held;  // the file goes when this closes
};

// The pictures of this run. Workers add to it and may still run while the
// program's static objects are destroyed, so it is made once and never
// destroyed. Writing a picture holds the lock, so that deleting waits for a
// picture being written and is never overtaken by one.
struct TemporaryPictures {
  std::mutex mutex;
  std::vector<Written> files;
  bool closed = false;  // after DeleteTemporaryPictures, until SweepTemporaryPictures
};
TemporaryPictures& Pictures() {
  static TemporaryPictures* pictures = new TemporaryPictures;
  return *pictures;
}

DateTime Now() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return DateTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

// %TEMP%\Ornivex, or empty (traced).
std::wstring Folder() {
  wchar_t temp[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  if (length == 0 || length > MAX_PATH) {
    TraceFailure(L"Finding the temporary folder");
    return {};
  }
  return std::wstring(temp, length) + L"Ornivex";
}

// Lets go of the picture; true when it is gone.
bool Delete(Written& picture) {
  picture.held.Reset();
  if (!FileExists(picture.path)) return true;
  // Held by someone else as well: the system deletes it when they let go of
  // it, but its name may stay until then.
  return DeleteFileW(ExtendedLengthPath(picture.path).c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

// 100-nanosecond intervals.
std::int64_t Ticks(const FILETIME& time) {
  return static_cast<std::int64_t>(ULARGE_INTEGER{{time.dwLowDateTime, time.dwHighDateTime}}.QuadPart);
}

void SweepFolder(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  UniqueFind search(FindFirstFileW(ExtendedLengthPath(folder + L"\\*").c_str(), &found));
  if (!search) {
    if (GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND)
      TraceFailure(L"Looking for pictures an earlier run left");
    return;
  }
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const std::int64_t age = (Ticks(now) - Ticks(found.ftLastWriteTime)) / 10'000'000;
    if (!IsStaleTemporaryPicture(found.cFileName, age)) continue;
    // Opened for nobody else, and deleted when closed: a picture a running copy
    // holds cannot be opened so, and stays.
    const std::wstring path = folder + L"\\" + found.cFileName;
    UniqueFile file(CreateFileW(ExtendedLengthPath(path).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!file && GetLastError() != ERROR_SHARING_VIOLATION && GetLastError() != ERROR_FILE_NOT_FOUND)
      TraceFailure(L"Deleting a picture an earlier run left");
  } while (FindNextFileW(search.Get(), &found));
}

}  // namespace

std::wstring WriteTemporaryPicture(std::span<const std::uint8_t> png) {
  const std::wstring folder = Folder();
  if (folder.empty()) return {};
  if (!CreateDirectoryW(ExtendedLengthPath(folder).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    TraceFailure(L"Making the folder for pasted pictures");
    return {};
  }
  TemporaryPictures& pictures = Pictures();
  std::lock_guard lock(pictures.mutex);  // two pastes in one millisecond get two names
  if (pictures.closed) {
    TraceNote(L"A picture is not written: the program is ending");
    return {};
  }
  const DateTime now = Now();
  for (int attempt = 1; attempt <= 100; ++attempt) {
    std::wstring path = folder + L"\\" + PastedPictureName(now, attempt);
    if (FileExists(path)) continue;
    UniqueFile held =
        WriteFileDeletedOnClose(path, std::string_view(reinterpret_cast<const char*>(png.data()), png.size()));
    if (!held) return {};
    pictures.files.push_back({path, std::move(held)});
    return path;
  }
  TraceNote(L"No free name for a pasted picture in " + folder);
  return {};
}

void DeleteTemporaryPictures() {
  TemporaryPictures& pictures = Pictures();
  std::lock_guard lock(pictures.mutex);
  pictures.closed = true;
  for (int attempt = 1; !pictures.files.empty(); ++attempt) {
    std::vector<Written> left;
    for (Written& picture : pictures.files)
      if (!Delete(picture)) left.push_back(std::move(picture));
    pictures.files = std::move(left);
    if (pictures.files.empty()) break;
    if (attempt == 5) {
      TraceFailure(L"Deleting a pasted picture");
      break;
    }
    Sleep(50);
  }
}

void SweepTemporaryPictures() {
  {
    TemporaryPictures& pictures = Pictures();
    std::lock_guard lock(pictures.mutex);
    pictures.closed = false;
  }
  const std::wstring folder = Folder();
  if (!folder.empty()) StartWorker([folder] { SweepFolder(folder); });
}

}  // namespace ornivex
