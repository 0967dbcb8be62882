// Times the built-in engine: making it, then each picture from file bytes to
// lines (the first reading and the median of the next ones), with the share of
// the two models. Pictures are the arguments (the bundled sample when none);
// -v prints the lines read. The same program runs under Wine and natively, so the
// Wine figures can be set against the native runtime's in the same run.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/timing.h"
#include "ocr/engine.h"
#include "ocr/runtime_library.h"
#if defined(_WIN32)
#include <windows.h>

#include "ocr/local_engine.h"
#else
#include <ctime>
#endif

namespace {

using ornivex::bench::Median;
using ornivex::bench::NowMs;

// The process's processor time, all threads: on a machine shared with other
// work it varies less than the time on the clock.
double CpuMs() {
#if defined(_WIN32)
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  auto ms = [](const FILETIME& t) { return ((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e4; };
  return ms(kernel) + ms(user);
#else
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
#endif
}

std::vector<std::uint8_t> Bytes(std::string path) {
#if defined(_WIN32)
  // Under Wine a Linux path is on drive Z:.
  if (path.starts_with("/")) path = "Z:" + path;
#endif
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::unique_ptr<ornivex::ocr::Engine> MakeEngine(ornivex::ocr::Recognised& failure) {
#if defined(_WIN32)
  return ornivex::MakeEngineFrom(ornivex::EngineFolder(), failure);
#else
  ornivex::ocr::LoadedRuntime runtime = ornivex::ocr::LoadRuntimeLibrary(ORNIVEX_BENCH_ORT_LIBRARY);
  if (runtime.failure != ornivex::ocr::Failure::kNone) {
    failure.failure = runtime.failure;
    failure.detail = runtime.detail;
    return nullptr;
  }
  ornivex::ocr::ModelFiles files;
  const std::string folder = ORNIVEX_BENCH_OCR_MODELS;
  files.detection = Bytes(folder + "/" + ornivex::ocr::kDetectionModelName);
  files.recognition = Bytes(folder + "/" + ornivex::ocr::kRecognitionModelName);
  const std::vector<std::uint8_t> keys = Bytes(folder + "/" + ornivex::ocr::kDictionaryName);
  files.dictionary.assign(keys.begin(), keys.end());
  return ornivex::ocr::Engine::Make(runtime.api, files, ornivex::ocr::DefaultThreadCount(), failure);
#endif
}

}  // namespace

int main(int argc, char** argv) {
  bool verbose = false;
  int rounds = 3;
  std::vector<std::string> pictures;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "-v")) verbose = true;
    else if (!std::strncmp(argv[i], "--rounds=", 9)) rounds = std::max(0, std::atoi(argv[i] + 9));
    else pictures.push_back(argv[i]);
  }
  if (pictures.empty()) pictures.push_back(ORNIVEX_BENCH_SAMPLE);
#if defined(_WIN32)
  const char* platform = "wine";
#else
  const char* platform = "native";
#endif
  const double made = NowMs();
  ornivex::ocr::Recognised failure;
  std::unique_ptr<ornivex::ocr::Engine> engine = MakeEngine(failure);
  if (!engine) {
    std::printf("engine not made: %s: %s\n", ornivex::ocr::FailureName(failure.failure), failure.detail.c_str());
    return 1;
  }
  std::printf("%s: engine made in %.0f ms (goal <= 1000), %d threads\n", platform, NowMs() - made,
              ornivex::ocr::DefaultThreadCount());
  // "first" is the first reading of the picture (det/rec: its two stages), the
  // rest are medians of the readings after it; "rec model" adds up the model's
  // time over the lines, which run side by side on the cores; "cpu" is the
  // processor time of a reading, all threads.
  std::printf("%-28s %6s %4s %4s %5s %7s %4s %4s %9s %5s %5s %6s %11s\n", "picture", "first", "det", "rec", "cpu",
              "median", "det", "rec", "rec model", "cpu", "lines", "cols", "detected at");
  for (const std::string& path : pictures) {
    const std::vector<std::uint8_t> bytes = Bytes(path);
    double start = NowMs();
    const double firstCpuStart = CpuMs();
    ornivex::ocr::Recognised read = engine->ReadFile(bytes);
    const double first = NowMs() - start, firstCpu = CpuMs() - firstCpuStart;
    const ornivex::ocr::ReadingTimes cold = engine->LastTimes();
    std::vector<double> totals, detection, recognition, stage, cpu;
    for (int r = 0; r < rounds; ++r) {
      start = NowMs();
      const double cpuStart = CpuMs();
      read = engine->ReadFile(bytes);
      totals.push_back(NowMs() - start);
      cpu.push_back(CpuMs() - cpuStart);
      const ornivex::ocr::ReadingTimes t = engine->LastTimes();
      detection.push_back(t.detectionModelSeconds * 1000);
      recognition.push_back(t.recognitionModelSeconds * 1000);
      stage.push_back(t.recognitionSeconds * 1000);
    }
    const ornivex::ocr::ReadingTimes t = engine->LastTimes();
    const std::string name = path.substr(path.find_last_of("/\\") + 1);
    std::printf("%-28s %6.0f %4.0f %4.0f %5.0f %7.0f %4.0f %4.0f %9.0f %5.0f %5d %6lld %5dx%-5d\n", name.c_str(), first,
                cold.detectionModelSeconds * 1000, cold.recognitionSeconds * 1000, firstCpu, Median(totals), Median(detection),
                Median(stage), Median(recognition), Median(cpu), t.recognitionRuns, static_cast<long long>(t.recognitionColumns),
                t.detectionWidth, t.detectionHeight);
    if (read.failure != ornivex::ocr::Failure::kNone)
      std::printf("  failed: %s: %s\n", ornivex::ocr::FailureName(read.failure), read.detail.c_str());
    if (verbose)
      for (const std::string& line : read.lines) std::printf("  | %s\n", line.c_str());
    std::fflush(stdout);
  }
  return 0;
}
