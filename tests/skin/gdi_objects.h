#pragma once
// What a test can count of the process's graphics resources under Wine, where
// GetGuiResources answers 0: the live GDI objects, read from the system's shared
// table of GDI handles, and the private bytes.
#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <cstdint>

namespace ornivex::skin {

// The live GDI objects of this process; -1 when the table cannot be found.
inline int GdiObjects() {
  struct Entry {
    std::uint64_t object;
    std::uint32_t owner;
    std::uint16_t unique;
    std::uint8_t type, flags;
    std::uint64_t user;
  };
  PROCESS_BASIC_INFORMATION process{};
  if (NtQueryInformationProcess(GetCurrentProcess(), ProcessBasicInformation, &process, sizeof process, nullptr) != 0)
    return -1;
  const auto* peb = reinterpret_cast<const std::uint8_t*>(process.PebBaseAddress);
  const auto* table = *reinterpret_cast<const Entry* const*>(peb + 0xF8);  // GdiSharedHandleTable
  if (!table) return -1;
  int count = 0;
  for (int i = 0; i < 0x10000; ++i) {
    if ((i * sizeof(Entry)) % 4096 < sizeof(Entry)) {
      MEMORY_BASIC_INFORMATION info;
      if (!VirtualQuery(&table[i], &info, sizeof info) || info.State != MEM_COMMIT) break;
    }
    if (table[i].type) ++count;
  }
  return count;
}

inline SIZE_T PrivateBytes() {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
  return counters.PrivateUsage;
}

}  // namespace ornivex::skin
