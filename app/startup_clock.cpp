#include "app/startup_clock.h"

#include <windows.h>
#include <psapi.h>

#include <array>

namespace ornivex {

namespace {

std::array<StartupMark, 24> gMarks;
std::size_t gCount = 0;

}  // namespace

void MarkStartup(const char* stage) {
  if (gCount == gMarks.size()) return;
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  gMarks[gCount++] = {stage, now.QuadPart, memory.WorkingSetSize};
}

std::span<const StartupMark> StartupMarks() { return {gMarks.data(), gCount}; }

}  // namespace ornivex
