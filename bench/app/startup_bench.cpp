// Measures the start-up of the program the way it starts, side by side with the
// platform's floor (bare_window.exe: the same window and controls, no skin, no
// GDI+). Each run is a fresh process; runs of the two alternate, so both see the
// same machine. Ornivex runs as this program started again with --child, going
// through the same start-up as Ornivex.exe, and reports from its own clock:
//   - the time from process creation (loader included) and from the entry of its
//     own code to the window complete (skinned, every control painted) and to the
//     end of start-up (access token fetched, message queue empty);
//   - the time of every start-up stage (the marks of app/startup_clock.h);
//   - its working set at the end of start-up, and again after empty.exe ran on it.
// The parent prints every run, the medians of ten, the ratios to the bare window
// and the stages. A third series runs Ornivex with the built-in engine
// (Ornivex.ini beside this program says engine=local for its runs; the engine's
// folder is beside it): the engine is warmed on a low-priority thread after the
// first paint, so the window's figures should be those of the cloud engine; the
// child then waits for the engine and reports when it was made.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/startup_clock.h"
#include "app/working_set.h"
#include "ocr/local_engine.h"
#include "runtime/files.h"
#include "runtime/handles.h"
#include "runtime/threads.h"

namespace {

constexpr int kRuns = 10;
constexpr char kWindowComplete[] = "skinned window painted";
constexpr char kEngineWarmed[] = "built-in engine made (after start-up)";

std::uint64_t FileTimeTicks(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

double Milliseconds(std::int64_t ticks) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(ticks) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

SIZE_T WorkingSet() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  return GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters) ? counters.WorkingSetSize : 0;
}

int RunChild(const LARGE_INTEGER& entry, bool local) {
  ornivex::MarkStartup("entry (imported DLLs loaded)");
  ornivex::SkinStartup();
  if (!ornivex::StartApplication()) return 2;
  MSG msg;
  while (GetQueueStatus(QS_PAINT | QS_POSTMESSAGE | QS_SENDMESSAGE) != 0 &&
         PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  GdiFlush();
  LARGE_INTEGER done;
  QueryPerformanceCounter(&done);
  FILETIME now, created, exited, kernel, user;
  GetSystemTimePreciseAsFileTime(&now);
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  const double sinceEntryMs = Milliseconds(done.QuadPart - entry.QuadPart);
  const double fromCreationMs = static_cast<double>(FileTimeTicks(now) - FileTimeTicks(created)) / 10000.0;
  const SIZE_T workingSet = WorkingSet();
  ornivex::TrimWorkingSet();
  const SIZE_T trimmed = WorkingSet();
  std::printf("%.3f %.3f %llu %llu\n", fromCreationMs, sinceEntryMs, static_cast<unsigned long long>(workingSet),
              static_cast<unsigned long long>(trimmed));
  for (const ornivex::StartupMark& mark : ornivex::StartupMarks())
    std::printf("%s\t%.3f\t%llu\n", mark.stage, Milliseconds(mark.ticks - entry.QuadPart),
                static_cast<unsigned long long>(mark.workingSet));
  if (local) {
    // The warming thread's end: the engine is there once no worker runs.
    while (ornivex::RunningWorkers() > 0) {
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    LARGE_INTEGER warmed;
    QueryPerformanceCounter(&warmed);
    std::printf("%s\t%.3f\t%llu\n", kEngineWarmed, Milliseconds(warmed.QuadPart - entry.QuadPart),
                static_cast<unsigned long long>(WorkingSet()));
  }
  std::fflush(stdout);
  ornivex::StopApplication();
  ornivex::SkinExit();
  return 0;
}

struct Sample {
  double fromCreationMs = 0;  // to the end of the first paint (bare) or of start-up (Ornivex)
  double sinceEntryMs = 0;
  unsigned long long workingSet = 0;
  unsigned long long trimmed = 0;
  struct Stage {
    std::string name;
    double ms;  // since entry
    double workingSet;
  };
  std::vector<Stage> stages;  // Ornivex's marks

  double LoaderMs() const { return fromCreationMs - sinceEntryMs; }
  double StageMs(const std::string& name) const {
    for (const Stage& stage : stages)
      if (stage.name == name) return stage.ms;
    return sinceEntryMs;
  }
  double StageWorkingSet(const std::string& name) const {
    for (const Stage& stage : stages)
      if (stage.name == name) return stage.workingSet;
    return static_cast<double>(workingSet);
  }
};

std::wstring WinePath(const char* path) {
  std::wstring wide(path, path + std::strlen(path));
  for (wchar_t& c : wide)
    if (c == L'/') c = L'\\';
  return wide[0] == L'\\' ? L"Z:" + wide : wide;
}

bool Run(std::wstring command, Sample* sample) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return false;
  ornivex::UniqueHandle readPipe(readEnd), writePipe(writeEnd);
  SetHandleInformation(readPipe.Get(), HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup = {sizeof startup};
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writePipe.Get();
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION info = {};
  const bool started =
      CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
  writePipe.Reset();  // the child holds the only write end now
  if (!started) return false;
  ornivex::UniqueHandle process(info.hProcess), thread(info.hThread);
  std::string output;
  char buffer[512];
  DWORD got = 0;
  while (ReadFile(readPipe.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0) output.append(buffer, got);
  WaitForSingleObject(process.Get(), 60000);
  std::istringstream lines(output);
  std::string line;
  if (!std::getline(lines, line) || std::sscanf(line.c_str(), "%lf %lf %llu %llu", &sample->fromCreationMs,
                                                &sample->sinceEntryMs, &sample->workingSet, &sample->trimmed) != 4)
    return false;
  while (std::getline(lines, line)) {
    const std::size_t tab = line.find('\t');
    double ms = 0, bytes = 0;
    if (tab != std::string::npos && std::sscanf(line.c_str() + tab + 1, "%lf %lf", &ms, &bytes) == 2)
      sample->stages.push_back({line.substr(0, tab), ms, bytes});
  }
  return true;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

template <class F>
double MedianOf(const std::vector<Sample>& samples, F value) {
  std::vector<double> values;
  for (const Sample& s : samples) values.push_back(value(s));
  return Median(values);
}

double Mb(double bytes) { return bytes / (1024.0 * 1024.0); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  LARGE_INTEGER entry;
  QueryPerformanceCounter(&entry);
  if (argc > 1 && std::wcscmp(argv[1], L"--child") == 0) return RunChild(entry, argc > 2);

  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring bare = L"\"" + WinePath(BARE_WINDOW) + L"\" \"" + WinePath(EMPTY_TOOL) + L"\"";
  const std::wstring ours = L"\"" + std::wstring(self) + L"\" --child";
  const std::wstring settings = ornivex::ExecutableDirectory() + L"\\Ornivex.ini";
  auto runLocal = [&](Sample* sample) {
    const std::string text = "[ocr]\r\nengine=local\r\n";
    if (!ornivex::WriteWholeFile(settings, text)) return false;
    const bool ran = Run(ours + L" --local", sample);
    DeleteFileW(settings.c_str());
    return ran;
  };
  std::vector<Sample> bares, ourses, locals;
  for (int i = 0; i < kRuns; ++i) {
    Sample b, o, l;
    if (!Run(bare, &b) || !Run(ours, &o) || !runLocal(&l)) {
      std::fprintf(stderr, "run %d failed\n", i + 1);
      return 1;
    }
    std::printf("run %2d: bare window painted %.1f ms, %.1f MB | Ornivex window complete %.1f ms, "
                "start-up done %.1f ms, %.1f MB | engine=local: window complete %.1f ms, %.1f MB\n",
                i + 1, b.fromCreationMs, Mb(b.workingSet), o.LoaderMs() + o.StageMs(kWindowComplete), o.fromCreationMs,
                Mb(o.workingSet), l.LoaderMs() + l.StageMs(kWindowComplete), Mb(l.StageWorkingSet(kWindowComplete)));
    bares.push_back(b);
    ourses.push_back(o);
    locals.push_back(l);
  }

  const double bareMs = MedianOf(bares, [](const Sample& s) { return s.fromCreationMs; });
  const double completeMs = MedianOf(ourses, [](const Sample& s) { return s.LoaderMs() + s.StageMs(kWindowComplete); });
  const double doneMs = MedianOf(ourses, [](const Sample& s) { return s.fromCreationMs; });
  std::printf("\nmedians of %d runs each, from process creation:\n", kRuns);
  const double bareEntryMs = MedianOf(bares, [](const Sample& s) { return s.sinceEntryMs; });
  const double completeEntryMs = MedianOf(ourses, [](const Sample& s) { return s.StageMs(kWindowComplete); });
  const double doneEntryMs = MedianOf(ourses, [](const Sample& s) { return s.sinceEntryMs; });
  std::printf("  %-40s %7.1f ms               from entry %7.1f ms\n", "bare window, first paint done", bareMs,
              bareEntryMs);
  std::printf("  %-40s %7.1f ms  ratio %.2f   from entry %7.1f ms  ratio %.2f\n", "Ornivex, skinned window complete",
              completeMs, completeMs / bareMs, completeEntryMs, completeEntryMs / bareEntryMs);
  std::printf("  %-40s %7.1f ms  ratio %.2f   from entry %7.1f ms  ratio %.2f\n",
              "Ornivex, start-up done (token fetched)", doneMs, doneMs / bareMs, doneEntryMs,
              doneEntryMs / bareEntryMs);

  const double bareWs = MedianOf(bares, [](const Sample& s) { return static_cast<double>(s.workingSet); });
  const double oursWs = MedianOf(ourses, [](const Sample& s) { return static_cast<double>(s.workingSet); });
  std::printf("working set, median:\n");
  std::printf("  bare window after its first paint        %7.1f MB\n", Mb(bareWs));
  const double oursPaintedWs = MedianOf(ourses, [](const Sample& s) {
    for (const Sample::Stage& stage : s.stages)
      if (stage.name == kWindowComplete) return stage.workingSet;
    return static_cast<double>(s.workingSet);
  });
  std::printf("  Ornivex at the end of its first paint    %7.1f MB  (%+.1f MB)\n", Mb(oursPaintedWs),
              Mb(oursPaintedWs - bareWs));
  std::printf("  Ornivex at the end of start-up           %7.1f MB  (%+.1f MB)\n", Mb(oursWs), Mb(oursWs - bareWs));
  std::printf("  after empty.exe ran on it: bare %.1f MB, Ornivex %.1f MB\n",
              Mb(MedianOf(bares, [](const Sample& s) { return static_cast<double>(s.trimmed); })),
              Mb(MedianOf(ourses, [](const Sample& s) { return static_cast<double>(s.trimmed); })));

  std::printf("Ornivex by stage, medians of each stage's time and of the working set it adds:\n");
  std::printf("  %-36s %7.1f ms\n", "loader (process creation to entry)",
              MedianOf(ourses, [](const Sample& s) { return s.LoaderMs(); }));
  const std::vector<Sample::Stage>& names = ourses.front().stages;
  for (std::size_t i = 0; i < names.size(); ++i) {
    auto at = [i](const Sample& s) { return i < s.stages.size() ? s.stages[i] : Sample::Stage{}; };
    const double ms = MedianOf(ourses, [&](const Sample& s) { return at(s).ms - (i ? s.stages[i - 1].ms : 0); });
    const double added = MedianOf(ourses, [&](const Sample& s) {
      return i ? at(s).workingSet - s.stages[i - 1].workingSet : 0;
    });
    if (i == 0)
      std::printf("  %-36s %7.1f ms  working set then %.1f MB\n", names[i].name.c_str(), ms,
                  Mb(MedianOf(ourses, [&](const Sample& s) { return at(s).workingSet; })));
    else
      std::printf("  %-36s %7.1f ms  %+6.1f MB\n", names[i].name.c_str(), ms, Mb(added));
  }
  std::printf("  %-36s %7.1f ms\n", "rest (queue emptied)", MedianOf(ourses, [](const Sample& s) {
                return s.sinceEntryMs - (s.stages.empty() ? 0 : s.stages.back().ms);
              }));

  // The built-in engine's series beside the cloud engine's (goal: no difference
  // at the first paint).
  const double localCompleteMs =
      MedianOf(locals, [](const Sample& s) { return s.LoaderMs() + s.StageMs(kWindowComplete); });
  const double localEntryMs = MedianOf(locals, [](const Sample& s) { return s.StageMs(kWindowComplete); });
  const double localPaintedWs = MedianOf(locals, [](const Sample& s) { return s.StageWorkingSet(kWindowComplete); });
  std::printf("with engine = local (medians; beside the cloud engine's):\n");
  std::printf("  %-40s %7.1f ms  ratio %.2f   from entry %7.1f ms  (cloud %7.1f, %+.1f ms)\n",
              "Ornivex, skinned window complete", localCompleteMs, localCompleteMs / bareMs, localEntryMs,
              completeEntryMs, localEntryMs - completeEntryMs);
  std::printf("  %-40s %7.1f MB  (cloud %.1f MB, %+.1f MB)\n", "working set at the end of the first paint",
              Mb(localPaintedWs), Mb(oursPaintedWs), Mb(localPaintedWs - oursPaintedWs));
  std::printf("  %-40s %7.1f ms  from entry %7.1f ms\n", "start-up done (no token to fetch)",
              MedianOf(locals, [](const Sample& s) { return s.fromCreationMs; }),
              MedianOf(locals, [](const Sample& s) { return s.sinceEntryMs; }));
  std::printf("  %-40s %7.1f ms  from entry, working set then %.1f MB\n", "built-in engine made",
              MedianOf(locals, [](const Sample& s) { return s.StageMs(kEngineWarmed); }),
              Mb(MedianOf(locals, [](const Sample& s) { return s.StageWorkingSet(kEngineWarmed); })));
  return 0;
}
