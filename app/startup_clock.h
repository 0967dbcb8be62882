#pragma once
// Marks passed during start-up, read by the start-up benchmark: each stage's name,
// the performance counter at its end and the working set then. A mark costs two
// readings of the system's counters; marks beyond the first 24 are dropped.
#include <cstdint>
#include <span>

namespace ornivex {

struct StartupMark {
  const char* stage;  // a string literal
  std::int64_t ticks;  // QueryPerformanceCounter
  std::size_t workingSet;  // bytes
};

void MarkStartup(const char* stage);
std::span<const StartupMark> StartupMarks();

}  // namespace ornivex
