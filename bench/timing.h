#pragma once
// The benchmarks' clock and their one statistic.
#include <windows.h>

#include <algorithm>
#include <vector>

namespace ornivex::bench {

// Milliseconds on the performance counter.
inline double NowMs() {
  static const LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The median of what `sample` returns over `rounds` calls.
template <class Sample>
double MedianOf(int rounds, Sample&& sample) {
  std::vector<double> values;
  for (int i = 0; i < rounds; ++i) values.push_back(sample());
  return Median(std::move(values));
}

// Median milliseconds of `rounds` runs of `work`, after one untimed run.
template <class Work>
double MedianMs(int rounds, Work&& work) {
  work();
  return MedianOf(rounds, [&] {
    const double start = NowMs();
    work();
    return NowMs() - start;
  });
}

}  // namespace ornivex::bench
