// Reads pictures with the built-in engine and writes, per picture, the lines
// read and the times taken, one JSON object a line, for bench/ocr/run.py to
// score. Under Wine every reading goes through RecogniseFileLocally (picture
// file to lines, the process's one engine made by the first reading); natively
// the same pipeline runs over the same runtime version's Linux library, and its
// model times are the floor.
//   ocr_corpus_bench [--rounds=N]
// Takes one picture path a line on standard input and answers each on standard
// output, so that run.py can hand every picture to each reader in turn. The
// first picture is read once cold (its "cold_ms" counts making the engine),
// then every picture N more times (default 3); the figures are their medians.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/timing.h"
#include "ocr/engine.h"
#if defined(_WIN32)
#include "ocr/local_engine.h"
#include "runtime/codepage.h"
#else
#include "ocr/runtime_library.h"
#endif

namespace {

using ornivex::bench::Median;
using ornivex::bench::NowMs;

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string BaseName(const std::string& path) { return path.substr(path.find_last_of("/\\") + 1); }

#if defined(_WIN32)
// One reading, file to lines, through the process's one engine.
struct Reader {
  ornivex::ocr::Recognised Read(const std::string& path) {
    return ornivex::RecogniseFileLocally(ornivex::MultiByteToWide(path, 65001));  // from UTF-8
  }
  ornivex::ocr::ReadingTimes Times() {
    ornivex::ocr::Engine* engine = ornivex::LocalEngine();
    return engine ? engine->LastTimes() : ornivex::ocr::ReadingTimes{};
  }
};
#else
std::vector<std::uint8_t> Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// One reading, file to lines: the engine is made on the first.
struct Reader {
  std::unique_ptr<ornivex::ocr::Engine> engine;
  ornivex::ocr::Recognised failure;

  ornivex::ocr::Recognised Read(const std::string& path) {
    if (!engine && failure.failure == ornivex::ocr::Failure::kNone) Make();
    if (!engine) return failure;
    return engine->ReadFile(Bytes(path));
  }
  ornivex::ocr::ReadingTimes Times() { return engine ? engine->LastTimes() : ornivex::ocr::ReadingTimes{}; }

  void Make() {
    ornivex::ocr::LoadedRuntime runtime = ornivex::ocr::LoadRuntimeLibrary(ORNIVEX_BENCH_ORT_LIBRARY);
    if (runtime.failure != ornivex::ocr::Failure::kNone) {
      failure.failure = runtime.failure;
      failure.detail = runtime.detail;
      return;
    }
    const std::string folder = ORNIVEX_BENCH_OCR_MODELS;
    ornivex::ocr::ModelFiles files;
    files.detection = Bytes(folder + "/" + ornivex::ocr::kDetectionModelName);
    files.recognition = Bytes(folder + "/" + ornivex::ocr::kRecognitionModelName);
    const std::vector<std::uint8_t> keys = Bytes(folder + "/" + ornivex::ocr::kDictionaryName);
    files.dictionary.assign(keys.begin(), keys.end());
    engine = ornivex::ocr::Engine::Make(runtime.api, files, ornivex::ocr::DefaultThreadCount(), failure);
  }
};
#endif

}  // namespace

int main(int argc, char** argv) {
  int rounds = 3;
  for (int i = 1; i < argc; ++i)
    if (!std::strncmp(argv[i], "--rounds=", 9)) rounds = std::max(1, std::atoi(argv[i] + 9));
  Reader reader;
  bool first = true;
  std::string path;
  while (std::getline(std::cin, path)) {
    while (!path.empty() && (path.back() == '\r' || path.back() == ' ')) path.pop_back();
    if (path.empty()) continue;
    double coldMs = -1;
    if (first) {
      const double start = NowMs();
      reader.Read(path);
      coldMs = NowMs() - start;
      first = false;
    }
    // The recognition's figure is its stage on the clock: its lines run side by
    // side, so the model's time added up over them is more than the stage took.
    std::vector<double> total, detection, recognition, recognitionModel;
    ornivex::ocr::Recognised read;
    ornivex::ocr::ReadingTimes times;
    for (int r = 0; r < rounds; ++r) {
      const double start = NowMs();
      read = reader.Read(path);
      total.push_back(NowMs() - start);
      times = reader.Times();
      detection.push_back(times.detectionModelSeconds * 1000);
      recognition.push_back(times.recognitionSeconds * 1000);
      recognitionModel.push_back(times.recognitionModelSeconds * 1000);
    }
    std::string lines;
    for (const std::string& line : read.lines) {
      if (!lines.empty()) lines += ',';
      lines += JsonString(line);
    }
    std::printf("{\"picture\":%s,\"cold_ms\":%.1f,\"threads\":%d,\"ms\":%.1f,\"detection_ms\":%.1f,"
                "\"recognition_ms\":%.1f,\"recognition_model_ms\":%.1f,\"boxes\":%d,\"runs\":%d,\"columns\":%lld,"
                "\"detected_at\":[%d,%d],\"failure\":%s,\"detail\":%s,"
                "\"lines\":[%s]}\n",
                JsonString(BaseName(path)).c_str(), coldMs, ornivex::ocr::DefaultThreadCount(), Median(total),
                Median(detection), Median(recognition), Median(recognitionModel), times.boxes, times.recognitionRuns,
                static_cast<long long>(times.recognitionColumns), times.detectionWidth, times.detectionHeight,
                JsonString(ornivex::ocr::FailureName(read.failure)).c_str(), JsonString(read.detail).c_str(),
                lines.c_str());
    std::fflush(stdout);
  }
  return 0;
}
