#pragma once
// What the benchmarks' own process holds: committed private memory and working set.
#include <windows.h>
#include <psapi.h>

namespace ornivex::bench {

struct ProcessMemory {
  double committed = 0;  // MB
  double workingSet = 0;  // MB
};

inline ProcessMemory MemoryNow() {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
  // Windows counts committed private memory in PrivateUsage; Wine leaves it 0
  // and counts it in PagefileUsage.
  const SIZE_T committed = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
  return {committed / 1048576.0, counters.WorkingSetSize / 1048576.0};
}

}  // namespace ornivex::bench
