#pragma once
// The benchmarks' clock and their one statistic, the same natively and under Wine.
#include <algorithm>
#include <chrono>
#include <vector>

namespace ornivex::bench {

// Milliseconds on the monotonic clock (the performance counter on Windows).
inline double NowMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The middle value; 0 of none.
inline double Median(std::vector<double> values) {
  if (values.empty()) return 0;
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
