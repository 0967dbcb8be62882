// Throughput of Utf8ToGbk and GbkToUtf16 on 16 MB of mixed Chinese and ASCII
// text, against memcpy of the same number of bytes in the same run.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "http/codepage.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kSize = 16u << 20;
constexpr int kRounds = 5;

std::string Repeat(const std::string& unit, std::size_t size) {
  std::string s;
  s.reserve(size + unit.size());
  while (s.size() + unit.size() <= size) s += unit;
  while (s.size() < size) s += ' ';
  return s;
}

// Best of kRounds, in seconds.
template <class F>
double Best(F&& f) {
  double best = 1e9;
  for (int i = 0; i < kRounds; ++i) {
    const auto begin = Clock::now();
    f();
    best = std::min(best, std::chrono::duration<double>(Clock::now() - begin).count());
  }
  return best;
}

volatile std::size_t sink;

}  // namespace

int main() {
  // "OCR 结果：第 1 行，中文与 ASCII 混排。" in both encodings.
  const std::string utf8Unit =
      "{\"words\": \"OCR \xE7\xBB\x93\xE6\x9E\x9C\xEF\xBC\x9A\xE7\xAC\xAC 1 \xE8\xA1\x8C\xEF\xBC\x8C"
      "\xE4\xB8\xAD\xE6\x96\x87\xE4\xB8\x8E ASCII \xE6\xB7\xB7\xE6\x8E\x92\xE3\x80\x82\"}, ";
  const std::string gbkUnit =
      "{\"words\": \"OCR \xBD\xE1\xB9\xFB\xA3\xBA\xB5\xDA 1 \xD0\xD0\xA3\xAC"
      "\xD6\xD0\xCE\xC4\xD3\xEB ASCII \xBB\xEC\xC5\xC5\xA1\xA3\"}, ";
  // Sanity: the two units say the same thing.
  if (ornivex::Utf8ToGbk(utf8Unit) != gbkUnit) {
    std::printf("error: Utf8ToGbk does not give the GBK text\n");
    return 1;
  }
  const std::string utf8 = Repeat(utf8Unit, kSize);
  const std::string gbk = Repeat(gbkUnit, kSize);

  std::vector<char> target(kSize);
  const double copyUtf8 = Best([&] {
    std::memcpy(target.data(), utf8.data(), utf8.size());
    sink = static_cast<unsigned char>(target[kSize / 2]);
  });
  const double copyGbk = Best([&] {
    std::memcpy(target.data(), gbk.data(), gbk.size());
    sink = static_cast<unsigned char>(target[kSize / 3]);
  });
  const double toGbk = Best([&] { sink = ornivex::Utf8ToGbk(utf8).size(); });
  const double toUtf16 = Best([&] { sink = ornivex::GbkToUtf16(gbk).size(); });

  const double mb = static_cast<double>(kSize) / (1 << 20);
  std::printf("input: %zu bytes (16 MB) of mixed Chinese/ASCII text, best of %d rounds\n", kSize, kRounds);
  std::printf("%-12s %10s %12s %16s\n", "routine", "ms", "MB/s", "ratio to memcpy");
  std::printf("%-12s %10.2f %12.1f %16s\n", "memcpy", copyUtf8 * 1e3, mb / copyUtf8, "1");
  std::printf("%-12s %10.2f %12.1f %16.4f\n", "Utf8ToGbk", toGbk * 1e3, mb / toGbk, copyUtf8 / toGbk);
  std::printf("%-12s %10.2f %12.1f %16.4f\n", "GbkToUtf16", toUtf16 * 1e3, mb / toUtf16, copyGbk / toUtf16);
  return 0;
}
