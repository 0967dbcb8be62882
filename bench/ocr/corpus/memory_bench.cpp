// What the process holds while the built-in engine reads one picture a hundred
// times in a row: working set and private bytes after the first, the tenth and
// the hundredth reading (each through RecogniseFileLocally, file to lines).
// Nothing should grow after the tenth.
//   ocr_memory_bench [picture]   (the bundled sample when none)
#include <cstdio>
#include <string>

#include "bench/process_memory.h"
#include "ocr/local_engine.h"
#include "runtime/codepage.h"

namespace {
using Held = ornivex::bench::ProcessMemory;
Held Now() { return ornivex::bench::MemoryNow(); }
}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring picture = argc > 1 ? argv[1] : ornivex::MultiByteToWide(ORNIVEX_BENCH_SAMPLE, 65001);
  const Held before = Now();
  std::printf("before the engine: private %.1f MB, working set %.1f MB\n", before.committed, before.workingSet);
  Held first, tenth;
  for (int i = 1; i <= 100; ++i) {
    const ornivex::ocr::Recognised read = ornivex::RecogniseFileLocally(picture);
    if (read.failure != ornivex::ocr::Failure::kNone) {
      std::printf("reading %d failed: %s: %s\n", i, ornivex::ocr::FailureName(read.failure), read.detail.c_str());
      return 1;
    }
    if (i == 1 || i == 10 || i == 100) {
      const Held held = Now();
      if (i == 1) first = held;
      if (i == 10) tenth = held;
      std::printf("after reading %3d: private %.1f MB, working set %.1f MB (%zu lines)\n", i, held.committed,
                  held.workingSet, read.lines.size());
      std::fflush(stdout);
    }
  }
  const Held last = Now();
  std::printf("from reading 10 to 100: private %+.2f MB, working set %+.2f MB (goal: no growth)\n",
              last.committed - tenth.committed, last.workingSet - tenth.workingSet);
  std::printf("the engine's share after the first reading: private %.1f MB, working set %.1f MB\n",
              first.committed - before.committed, first.workingSet - before.workingSet);
  return 0;
}
