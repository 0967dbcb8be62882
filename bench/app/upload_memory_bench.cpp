// Memory of one chain for a large picture, in the real shell against the loopback
// stand-ins (running on the ports this build was configured with, its
// standins.env): a 200 MB file is chosen and the chain runs to its end, while
// a thread samples the process's committed private memory and working set every
// 2 ms. Prints the peaks above the level before the choice, as megabytes and as
// multiples of the file's size, beside the goal of 1.5 times the file plus 20 MB.
//   app_upload_memory_bench [megabytes]
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "app/application.h"
#include "app/texts.h"
#include "bench/process_memory.h"
#include "runtime/files.h"
#include "runtime/threads.h"
#include "tests/e2e/harness.h"

namespace {

using namespace ornivex;
using namespace ornivex::e2e;

using Memory = bench::ProcessMemory;

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  const std::size_t megabytes = argc > 1 ? std::wcstoul(argv[1], nullptr, 10) : 200;
  if (!StandinsAnswer()) return 1;
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring picture = std::wstring(temp) + L"ornivex-memory-bench.png";
  {
    std::string bytes(megabytes << 20, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 131 >> 7);
    if (!WriteWholeFile(picture, bytes)) return 2;
  }

  SkinStartup();
  ResetStandins();
  if (!StartApplication()) return 3;
  App().mainWindow->Dialog(texts::kPictureDialog)->SetFileName(picture);
  PumpFor(500);

  const Memory before = bench::MemoryNow();
  std::atomic<bool> sampling{true};
  Memory peak = before;
  std::thread sampler([&] {
    while (sampling) {
      const Memory m = bench::MemoryNow();
      peak.committed = std::max(peak.committed, m.committed);
      peak.workingSet = std::max(peak.workingSet, m.workingSet);
      Sleep(2);
    }
  });
  {
    DialogAnswerer answerer(GetCurrentThreadId(), picture);
    OnChoosePicture();
  }
  PumpUntil([] { return RunningWorkers() == 0; }, 180000);
  sampling = false;
  sampler.join();

  const double size = static_cast<double>(megabytes);
  const double committed = peak.committed - before.committed, workingSet = peak.workingSet - before.workingSet;
  std::printf("picture %zu MB; before the choice: committed %.1f MB, working set %.1f MB\n", megabytes,
              before.committed, before.workingSet);
  std::printf("peak above it: committed %.1f MB (%.2f x the file), working set %.1f MB (%.2f x the file)\n",
              committed, committed / size, workingSet, workingSet / size);
  std::printf("goal: at most %.1f MB (1.5 x the file + 20 MB)\n", 1.5 * size + 20);

  StopApplication();
  SkinExit();
  DeleteFileW(picture.c_str());
  DeleteFileW((ExecutableDirectory() + L"\\ZezAziz.log").c_str());
  return 0;
}
