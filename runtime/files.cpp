#include "runtime/files.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <exception>

#include "runtime/diagnostics.h"
#include "runtime/handles.h"
#include "runtime/path_form.h"

namespace ornivex {

namespace {

// Fills `out` from the file's current position; false on a read error or when
// the file ends first.
bool ReadExactly(HANDLE file, std::span<std::uint8_t> out) {
  std::size_t done = 0;
  while (done < out.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(out.size() - done, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(file, out.data() + done, chunk, &got, nullptr)) return false;
    if (got == 0) {
      SetLastError(ERROR_HANDLE_EOF);  // the file shrank while it was read
      return false;
    }
    done += got;
  }
  return true;
}

bool WriteAll(HANDLE file, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr)) return false;
    if (written == 0) {
      SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    done += written;
  }
  return true;
}

}  // namespace

bool ReadWholeFileInto(const std::wstring& path,
                       const std::function<std::span<std::uint8_t>(std::uint64_t size)>& place) {
  UniqueFile file(CreateFileW(ExtendedLengthPath(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    TraceFailure(L"Opening a file to read");
    return false;
  }
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0) {
    TraceFailure(L"Reading a file's size");
    return false;
  }
  const std::span<std::uint8_t> out = place(static_cast<std::uint64_t>(size.QuadPart));
  if (out.size() != static_cast<std::uint64_t>(size.QuadPart)) {
    TraceNote(L"Reading a file failed: no room for its bytes");
    return false;
  }
  if (!ReadExactly(file.Get(), out)) {
    TraceFailure(L"Reading a file");
    return false;
  }
  return true;
}

std::optional<std::string> ReadWholeFile(const std::wstring& path) {
  std::string bytes;
  const bool read = ReadWholeFileInto(path, [&](std::uint64_t size) -> std::span<std::uint8_t> {
    try {
      bytes.resize(static_cast<std::size_t>(size));
    } catch (const std::exception&) {  // more than memory holds
      return {};
    }
    return {reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size()};
  });
  if (!read) return std::nullopt;
  return bytes;
}

bool WriteWholeFile(const std::wstring& given, std::string_view bytes) {
  const std::wstring path = ExtendedLengthPath(given);
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
    TraceFailure(L"Writing a file (read-only or a folder)", ERROR_ACCESS_DENIED);
    return false;
  }

  // One temporary name per process: a file left by a crashed earlier run with the
  // same id is simply overwritten, and two running copies never share one.
  const std::wstring temp = ExtendedLengthPath(given + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp");
  {
    UniqueFile file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
      TraceFailure(L"Creating a file");
      return false;
    }
    bool written = WriteAll(file.Get(), bytes) && FlushFileBuffers(file.Get());
    if (!written) TraceFailure(L"Writing a file");
    if (!CloseHandle(file.Release()) && written) {
      TraceFailure(L"Closing a written file");
      written = false;
    }
    if (!written) {
      DeleteFileW(temp.c_str());
      return false;
    }
  }
  if (!MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    TraceFailure(L"Moving a written file into place");
    DeleteFileW(temp.c_str());
    return false;
  }
  return true;
}

UniqueFile WriteFileDeletedOnClose(const std::wstring& path, std::string_view bytes) {
  UniqueFile file(CreateFileW(ExtendedLengthPath(path).c_str(), GENERIC_WRITE | DELETE,
                              FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  if (!file) {
    TraceFailure(L"Creating a file");
    return {};
  }
  if (!WriteAll(file.Get(), bytes) || !FlushFileBuffers(file.Get())) {
    TraceFailure(L"Writing a file");
    return {};  // closed, and with that deleted
  }
  return file;
}

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(ExtendedLengthPath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::wstring ExecutableDirectory() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring DesktopDirectory() {
  wchar_t buffer[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_DESKTOPDIRECTORY, FALSE)) {
    TraceNote(L"The shell named no desktop folder");
    return {};
  }
  return buffer;
}

}  // namespace ornivex
