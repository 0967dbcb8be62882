// Time of TextBetween and MergeCookies on inputs from 1 KB to 4 MB. Both should
// grow linearly: the time per byte column should stay flat.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "http/text.h"

namespace {

using Clock = std::chrono::steady_clock;

// Mixed ASCII and GBK filler without the markers used below.
std::string Filler(std::size_t size) {
  static const std::string unit = "abc \xD6\xD0\xB9\xFA\xA1\xA3 DEF\x81\x41 xyz_";  // ... 中国。 ...
  std::string s;
  s.reserve(size + unit.size());
  while (s.size() < size) s += unit;
  s.resize(size);
  if (s.size() >= 2 && static_cast<unsigned char>(s.back()) >= 0x81) s.back() = 'x';
  return s;
}

// "n0=v; n1=v; ..." of about `size` bytes.
std::string CookieText(std::size_t size, std::size_t firstName) {
  std::string s;
  for (std::size_t i = firstName; s.size() < size; ++i) {
    if (!s.empty()) s += "; ";
    s += "name" + std::to_string(i) + "=value" + std::to_string(i * 7);
  }
  return s;
}

// Seconds per call: the best of five batches, each repeating the call until at
// least 40 ms have passed (the best batch is the one least disturbed by other
// work on the machine).
template <class F>
double TimePerCall(F&& f) {
  double best = 1e9;
  for (int batch = 0; batch < 5; ++batch) {
    std::size_t calls = 0;
    const auto begin = Clock::now();
    std::chrono::duration<double> spent{};
    do {
      f();
      ++calls;
      spent = Clock::now() - begin;
    } while (spent.count() < 0.04);
    best = std::min(best, spent.count() / static_cast<double>(calls));
  }
  return best;
}

volatile std::size_t sink;

void Row(const char* what, std::size_t size, double seconds) {
  std::printf("%-34s %9zu B %12.1f us %8.2f ns/B\n", what, size, seconds * 1e6, seconds * 1e9 / size);
}

}  // namespace

int main() {
  std::printf("%-34s %11s %15s %11s\n", "case", "input", "time/call", "time/size");
  for (std::size_t size = 1024; size <= 4u << 20; size *= 4) {
    // Left marker at the start, right marker at the very end: the whole text is walked.
    const std::string text = "<token>" + Filler(size) + "</token>";
    Row("TextBetween exact case", text.size(), TimePerCall([&] { sink = ornivex::TextBetween(text, "<token>", "</token>").size(); }));
    Row("TextBetween ignoring case", text.size(),
        TimePerCall([&] { sink = ornivex::TextBetween(text, "<TOKEN>", "</TOKEN>", 0, true).size(); }));
  }
  for (std::size_t size = 1024; size <= 4u << 20; size *= 4) {
    // Half of the new names replace old ones.
    const std::string oldCookies = CookieText(size / 2, 0);
    const std::string newCookies = CookieText(size / 2, oldCookies.size() / 40);
    Row("MergeCookies", oldCookies.size() + newCookies.size(),
        TimePerCall([&] { sink = ornivex::MergeCookies(oldCookies, newCookies).size(); }));
  }
  return 0;
}
