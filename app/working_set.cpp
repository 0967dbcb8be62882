#include "app/working_set.h"

#include <cstddef>
#include <string>

#include "runtime/diagnostics.h"
#include "runtime/files.h"
#include "runtime/handles.h"

namespace ornivex {

// The image of tools/empty, embedded by the build.
extern const unsigned char kEmptyToolImage[];
extern const std::size_t kEmptyToolImageSize;

namespace {

// The value of "windir"; empty when it is missing (or set to nothing, which must
// not turn the tool's path into one at the root of the current drive).
std::wstring WindowsFolder() {
  std::wstring value(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetEnvironmentVariableW(L"windir", value.data(), static_cast<DWORD>(value.size()));
    if (n == 0) return {};
    if (n < value.size()) {
      value.resize(n);
      return value;
    }
    value.resize(n);  // n counts the terminating zero when the buffer was too small
  }
}

// Puts the tool at `path`, where no file was a moment ago. The image goes to a
// temporary file of this thread's own beside it, is flushed, and only then moved
// to the tool's name, without replacing anything: a crash or a full disk leaves at
// worst a stray temporary file, never a torn empty.exe that every later run would
// find in place and keep starting. When another thread
// or process placed the tool meanwhile, theirs is complete and stays.
bool PlaceTool(const std::wstring& path) {
  const std::wstring temp =
      path + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetCurrentThreadId()) + L".tmp";
  {
    UniqueFile file(
        CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
      TraceFailure(L"Creating the working-set tool " + temp);
      return false;
    }
    const DWORD size = static_cast<DWORD>(kEmptyToolImageSize);
    DWORD written = 0;
    const bool complete = WriteFile(file.Get(), kEmptyToolImage, size, &written, nullptr) && written == size &&
                          FlushFileBuffers(file.Get());
    const DWORD error = GetLastError();
    if (!CloseHandle(file.Release()) || !complete) {
      TraceFailure(L"Writing the working-set tool " + temp, error);
      DeleteFileW(temp.c_str());
      return false;
    }
  }
  if (MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
  const DWORD error = GetLastError();
  DeleteFileW(temp.c_str());
  if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) return true;
  TraceFailure(L"Moving the working-set tool to " + path, error);
  return false;
}

}  // namespace

void TrimWorkingSet() {
  const std::wstring folder = WindowsFolder();
  if (folder.empty()) {
    TraceNote(L"Working-set trimming: \"windir\" is not set");
    return;
  }
  const std::wstring path = folder + L"\\empty.exe";
  // An existing file is used as it is, whatever it holds.
  if (!FileExists(path)) PlaceTool(path);

  // The tool is named as the application to start and quoted on its command
  // line, so a Windows folder with a space in its name can neither start another
  // program ("C:\My.exe" for "C:\My Windows\empty.exe") nor split the tool's
  // own arguments.
  std::wstring command = L"\"" + path + L"\" " + std::to_wstring(GetCurrentProcessId());
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessW(path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
    TraceFailure(L"Starting " + path);
    return;
  }
  UniqueHandle thread(started.hThread);
  UniqueHandle process(started.hProcess);
  if (WaitForSingleObject(process.Get(), INFINITE) == WAIT_FAILED) TraceFailure(L"Waiting for " + path);
}

DWORD WINAPI TrimWorkingSetThread(void*) {
  // A thread of its own: nothing may escape it and end the program.
  try {
    TrimWorkingSet();
  } catch (...) {
    TraceNote(L"Trimming the working set ended early");
  }
  return 0;
}

}  // namespace ornivex
