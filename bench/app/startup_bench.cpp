// Measures the start-up of the shell the way the program starts: each run is a
// fresh process (this program started again with --child) that goes through the
// same start-up as Ornivex.exe and reports, from its own clock:
//   - the time from process entry to the end of the main window's first paint,
//     controls included: from the process's creation time (loader included) and
//     from the entry of the program's own code;
//   - its working set once the window is up.
// The parent prints the median of ten runs.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "app/application.h"
#include "runtime/handles.h"

namespace {

constexpr int kRuns = 10;

std::uint64_t FileTimeTicks(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

double MillisecondsSince(const LARGE_INTEGER& start) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return (now.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart;
}

int RunChild(const LARGE_INTEGER& entry) {
  ornivex::SkinStartup();
  if (!ornivex::StartApplication()) return 2;
  // Show() painted the main window itself; let every control paint as well.
  MSG msg;
  while (GetQueueStatus(QS_PAINT | QS_POSTMESSAGE | QS_SENDMESSAGE) != 0 &&
         PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  GdiFlush();
  const double sinceEntryMs = MillisecondsSince(entry);
  FILETIME now, created, exited, kernel, user;
  GetSystemTimePreciseAsFileTime(&now);
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  const double paintedMs = (FileTimeTicks(now) - FileTimeTicks(created)) / 10000.0;

  PROCESS_MEMORY_COUNTERS_EX memory = {};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
  std::printf("%.3f %.3f %llu\n", paintedMs, sinceEntryMs, static_cast<unsigned long long>(memory.WorkingSetSize));
  std::fflush(stdout);
  ornivex::StopApplication();
  ornivex::SkinExit();
  return 0;
}

struct Sample {
  double paintedMs = 0;
  double sinceEntryMs = 0;
  unsigned long long workingSet = 0;
};

bool RunOnce(const std::wstring& self, Sample* sample) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return false;
  ornivex::UniqueHandle readPipe(readEnd), writePipe(writeEnd);
  SetHandleInformation(readPipe.Get(), HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup = {sizeof startup};
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writePipe.Get();
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  std::wstring command = L"\"" + self + L"\" --child";
  PROCESS_INFORMATION info = {};
  const bool started =
      CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
  writePipe.Reset();  // the child holds the only write end now
  if (!started) return false;
  ornivex::UniqueHandle process(info.hProcess), thread(info.hThread);
  std::string output;
  char buffer[256];
  DWORD got = 0;
  while (ReadFile(readPipe.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0) output.append(buffer, got);
  WaitForSingleObject(process.Get(), 30000);
  return std::sscanf(output.c_str(), "%lf %lf %llu", &sample->paintedMs, &sample->sinceEntryMs,
                     &sample->workingSet) == 3;
}

template <typename T>
T Median(std::vector<T> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  LARGE_INTEGER entry;
  QueryPerformanceCounter(&entry);
  if (argc > 1 && std::wcscmp(argv[1], L"--child") == 0) return RunChild(entry);

  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::vector<double> painted, sinceEntry;
  std::vector<unsigned long long> workingSet;
  for (int i = 0; i < kRuns; ++i) {
    Sample sample;
    if (!RunOnce(self, &sample)) {
      std::fprintf(stderr, "run %d failed\n", i + 1);
      return 1;
    }
    painted.push_back(sample.paintedMs);
    workingSet.push_back(sample.workingSet);
    sinceEntry.push_back(sample.sinceEntryMs);
    std::printf("run %2d: first paint done %.1f ms after process creation (%.1f ms after entry of wmain), "
                "working set %.0f KiB\n",
                i + 1, sample.paintedMs, sample.sinceEntryMs, sample.workingSet / 1024.0);
  }
  std::printf("median of %d runs: process creation to end of first paint %.1f ms (min %.1f, max %.1f)\n", kRuns,
              Median(painted), *std::min_element(painted.begin(), painted.end()),
              *std::max_element(painted.begin(), painted.end()));
  std::printf("median of %d runs: entry of the program's code to end of first paint %.1f ms\n", kRuns,
              Median(sinceEntry));
  std::printf("median working set after start-up: %.0f KiB\n", Median(workingSet) / 1024.0);
  return 0;
}
