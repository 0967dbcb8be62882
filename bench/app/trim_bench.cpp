// What empty.exe achieves on this system: working sets before and after the tool
// runs, and what a run costs.
//   1. A child process (this program with --child) that has touched 64 MB: its
//      working set before and after `empty.exe <child's id>`, and the tool's run
//      time from start to exit.
//   2. This process through TrimWorkingSet, as the program does it on switching
//      away: working set before and after, the first call (which writes the tool
//      into the Windows folder when it is missing) and the median of later calls.
//   3. The same request made in-process (SetProcessWorkingSetSize with -1, -1),
//      to tell the tool's part from the system's.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/working_set.h"
#include "runtime/handles.h"

namespace {

constexpr size_t kChildBytes = 64u << 20;

double Megabytes(SIZE_T bytes) { return bytes / (1024.0 * 1024.0); }

SIZE_T WorkingSet(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  return GetProcessMemoryInfo(process, &counters, sizeof counters) ? counters.WorkingSetSize : 0;
}

double Milliseconds(const LARGE_INTEGER& start, const LARGE_INTEGER& end) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return (end.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart;
}

template <typename F>
double Time(F&& work) {
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  work();
  QueryPerformanceCounter(&end);
  return Milliseconds(start, end);
}

// The child: touch the memory, tell the parent, then wait to be ended.
int RunChild() {
  auto* memory =
      static_cast<unsigned char*>(VirtualAlloc(nullptr, kChildBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  if (!memory) return 1;
  std::memset(memory, 0x5a, kChildBytes);
  DWORD written;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "R", 1, &written, nullptr);
  Sleep(INFINITE);
  return 0;
}

std::wstring WinePath(const char* path) {
  std::wstring wide(path, path + std::strlen(path));
  for (wchar_t& c : wide)
    if (c == L'/') c = L'\\';
  return wide[0] == L'\\' ? L"Z:" + wide : wide;
}

DWORD RunTool(DWORD pid) {
  const std::wstring tool = WinePath(EMPTY_TOOL);
  std::wstring command = L"\"" + tool + L"\" " + std::to_wstring(pid);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessW(tool.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
    return GetLastError() | 0x80000000u;
  ornivex::UniqueHandle thread(started.hThread), process(started.hProcess);
  WaitForSingleObject(process.Get(), INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.Get(), &code);
  return code;
}

void MeasureChild() {
  SECURITY_ATTRIBUTES inherit = {};
  inherit.nLength = sizeof inherit;
  inherit.bInheritHandle = TRUE;
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return;
  ornivex::UniqueHandle reader(readEnd), writer(writeEnd);
  SetHandleInformation(reader.Get(), HANDLE_FLAG_INHERIT, 0);
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self) + L"\" --child";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writer.Get();
  PROCESS_INFORMATION started = {};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &started)) {
    std::printf("child: cannot start (%lu)\n", GetLastError());
    return;
  }
  ornivex::UniqueHandle thread(started.hThread), child(started.hProcess);
  writer.Reset();
  char ready = 0;
  DWORD got = 0;
  ReadFile(reader.Get(), &ready, 1, &got, nullptr);

  const SIZE_T before = WorkingSet(child.Get());
  DWORD code = 0;
  const double ms = Time([&] { code = RunTool(started.dwProcessId); });
  Sleep(200);
  const SIZE_T after = WorkingSet(child.Get());
  std::printf(
      "child with 64 MB touched: working set %.1f MB before, %.1f MB after empty.exe (exit code %lu, %.1f ms)\n",
      Megabytes(before), Megabytes(after), code, ms);
  TerminateProcess(child.Get(), 0);
  WaitForSingleObject(child.Get(), 5000);
}

void MeasureSelf() {
  HANDLE self = GetCurrentProcess();
  wchar_t windir[MAX_PATH] = {};
  GetEnvironmentVariableW(L"windir", windir, MAX_PATH);
  const bool inPlace = GetFileAttributesW((std::wstring(windir) + L"\\empty.exe").c_str()) != INVALID_FILE_ATTRIBUTES;
  const SIZE_T before = WorkingSet(self);
  const double first = Time(ornivex::TrimWorkingSet);
  const SIZE_T after = WorkingSet(self);
  std::vector<double> later;
  for (int i = 0; i < 9; ++i) later.push_back(Time(ornivex::TrimWorkingSet));
  std::sort(later.begin(), later.end());
  std::printf(
      "this process, TrimWorkingSet: working set %.1f MB before, %.1f MB after; "
      "first call %.1f ms (%s), later calls %.1f ms median of %zu\n",
      Megabytes(before), Megabytes(after), first, inPlace ? "tool already in place" : "tool written",
      later[later.size() / 2], later.size());

  const SIZE_T direct = WorkingSet(self);
  SetProcessWorkingSetSize(self, static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
  std::printf("this process, SetProcessWorkingSetSize(-1, -1) in-process: %.1f MB before, %.1f MB after\n",
              Megabytes(direct), Megabytes(WorkingSet(self)));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc > 1 && std::wcscmp(argv[1], L"--child") == 0) return RunChild();
  MeasureChild();
  MeasureSelf();
  return 0;
}
