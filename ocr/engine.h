#pragma once
// The built-in OCR engine: PP-OCRv4 text detection and line recognition run by
// ONNX Runtime, with everything around the two models (scaling, box finding,
// cropping, decoding, reading order) done here. No Windows header: the runtime
// is reached through its C API table, however the platform loaded it.
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "ocr/layout.h"
#include "ocr/ort_api.h"
#include "ocr/recognition.h"
#include "runtime/picture_decode.h"

namespace ornivex::ocr {

enum class Failure {
  kNone,
  kVisualCppMissing,
  kRuntimeMissing,
  kRuntimeUnusable,
  kModelMissing,
  kModelInvalid,
  kDictionaryInvalid,
  kPictureUnreadable,
  kNotAPicture,
  kOutOfMemory,
  kRunFailed
};

struct Recognised {
  std::vector<std::string> lines;  // UTF-8, one per text line, in reading order
  Failure failure = Failure::kNone;
  std::string detail;              // what is missing or broken: a DLL or file name, a status text
};

// A short English name of the failure, for traces ("runtime missing").
const char* FailureName(Failure failure);

// The file names of the engine's folder.
inline constexpr char kDetectionModelName[] = "ch_PP-OCRv4_det_infer.onnx";
inline constexpr char kRecognitionModelName[] = "ch_PP-OCRv4_rec_infer.onnx";
inline constexpr char kDictionaryName[] = "ppocr_keys_v1.txt";

// The models and the dictionary as read from their files.
struct ModelFiles {
  std::vector<std::uint8_t> detection;
  std::vector<std::uint8_t> recognition;
  std::string dictionary;
};

// Figures of the last reading, for benchmarks.
struct ReadingTimes {
  double detectionModelSeconds = 0;
  double recognitionModelSeconds = 0;  // added up over the lines, whichever thread ran them
  double recognitionSeconds = 0;       // from the first line to the last
  double totalSeconds = 0;
  int boxes = 0;
  int recognitionRuns = 0;
  std::int64_t recognitionColumns = 0;  // columns fed to the recogniser, padding included
  int detectionWidth = 0;
  int detectionHeight = 0;
};

class Model;
class Runtime;

class Engine {
 public:
  // Makes the engine: the runtime's environment and one session per model,
  // checked by a first run. The detector splits its run between `threads`
  // threads; the recogniser reads that many lines at once, each on one thread.
  // On failure nothing is returned and `failure` says why (kRuntimeUnusable,
  // kModelInvalid, kDictionaryInvalid, kOutOfMemory).
  static std::unique_ptr<Engine> Make(const ort::Api& api, const ModelFiles& files, int threads, Recognised& failure);
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // The lines of a picture file's bytes (PNG, JPEG or BMP). Thread-safe: readings
  // take turns.
  Recognised ReadFile(std::span<const std::uint8_t> bytes);
  // The lines of a decoded picture (premultiplied BGRA).
  Recognised Read(const Picture& picture);

  ReadingTimes LastTimes() const;

 private:
  Engine();
  Recognised ReadLocked(Picture picture);
  // Reads the crop of each box into its text; a failure of any line is returned.
  Recognised RecogniseLines(const std::vector<Picture>& crops, std::vector<ReadBox>& read);

  std::unique_ptr<Runtime> runtime_;
  std::unique_ptr<Model> detector_;
  std::unique_ptr<Model> recogniser_;
  Dictionary dictionary_;
  int workers_ = 1;
  mutable std::mutex mutex_;
  ReadingTimes times_;
};

// The intra-op thread count: the machine's cores (at least 1).
int DefaultThreadCount();

}  // namespace ornivex::ocr
