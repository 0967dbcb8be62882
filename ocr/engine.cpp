#include "ocr/engine.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <thread>

#include "ocr/detection.h"
#include "ocr/layout.h"
#include "ocr/ort_session.h"
#include "ocr/recognition.h"
#include "runtime/resample.h"

namespace ornivex::ocr {

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

Recognised Fail(Failure failure, std::string detail) {
  Recognised result;
  result.failure = failure;
  result.detail = std::move(detail);
  return result;
}

// Lines read with less confidence than this are noise (the models' own limit).
constexpr float kMinLineScore = 0.5f;
constexpr std::size_t kMaxBatch = 8;

}  // namespace

const char* FailureName(Failure failure) {
  switch (failure) {
    case Failure::kNone: return "none";
    case Failure::kVisualCppMissing: return "Visual C++ runtime missing";
    case Failure::kRuntimeMissing: return "runtime missing";
    case Failure::kRuntimeUnusable: return "runtime unusable";
    case Failure::kModelMissing: return "model missing";
    case Failure::kModelInvalid: return "model invalid";
    case Failure::kDictionaryInvalid: return "dictionary invalid";
    case Failure::kPictureUnreadable: return "picture unreadable";
    case Failure::kNotAPicture: return "not a picture";
    case Failure::kOutOfMemory: return "out of memory";
    case Failure::kRunFailed: return "run failed";
  }
  return "unknown";
}

int DefaultThreadCount() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }

Engine::Engine() = default;
Engine::~Engine() {
  // The sessions go before the environment they were made in.
  recogniser_.reset();
  detector_.reset();
  runtime_.reset();
}

std::unique_ptr<Engine> Engine::Make(const ort::Api& api, const ModelFiles& files, int threads, Recognised& failure) {
  failure = {};
  try {
    std::unique_ptr<Engine> engine(new Engine());
    std::optional<Dictionary> dictionary = ParseDictionary(files.dictionary);
    if (!dictionary) {
      failure = Fail(Failure::kDictionaryInvalid, std::string(kDictionaryName) + ": not one symbol a line");
      return nullptr;
    }
    engine->dictionary_ = std::move(*dictionary);
    std::string error;
    engine->runtime_ = Runtime::Make(api, error);
    if (!engine->runtime_) {
      failure = Fail(Failure::kRuntimeUnusable, error);
      return nullptr;
    }
    // The detector's runs on a full-HD picture take some 800 MB at their peak;
    // kept in an arena, that much would stay with the process after one
    // screenshot. The recogniser's many small runs keep theirs.
    engine->detector_ = Model::Make(*engine->runtime_, files.detection, threads, false, error);
    if (!engine->detector_) {
      failure = Fail(Failure::kModelInvalid, std::string(kDetectionModelName) + ": " + error);
      return nullptr;
    }
    engine->recogniser_ = Model::Make(*engine->runtime_, files.recognition, threads, true, error);
    if (!engine->recogniser_) {
      failure = Fail(Failure::kModelInvalid, std::string(kRecognitionModelName) + ": " + error);
      return nullptr;
    }
    // A first run of each: it shows that the two are what they are meant to be
    // (a detector's map the size of its input, a recogniser's classes one more
    // than the dictionary's symbols) and readies the runtime for the first picture.
    std::vector<float> line(static_cast<std::size_t>(3) * kLineHeight * kMinLineWidth, 0.0f);
    const std::int64_t lineShape[4] = {1, 3, kLineHeight, kMinLineWidth};
    std::optional<Tensor> read = engine->recogniser_->Run(line, lineShape, error);
    if (!read) {
      failure = Fail(Failure::kModelInvalid, std::string(kRecognitionModelName) + ": " + error);
      return nullptr;
    }
    if (read->shape.size() != 3 || read->shape[0] != 1) {
      failure = Fail(Failure::kModelInvalid, std::string(kRecognitionModelName) + ": not a line recogniser");
      return nullptr;
    }
    if (read->shape[2] != static_cast<std::int64_t>(engine->dictionary_.symbols.size())) {
      failure = Fail(Failure::kDictionaryInvalid, std::string(kDictionaryName) + " has " +
                                                      std::to_string(engine->dictionary_.symbols.size() - 2) +
                                                      " symbols for a recogniser of " +
                                                      std::to_string(read->shape[2]) + " classes");
      return nullptr;
    }
    std::vector<float> square(static_cast<std::size_t>(3) * 64 * 64, 0.0f);
    const std::int64_t squareShape[4] = {1, 3, 64, 64};
    std::optional<Tensor> map = engine->detector_->Run(square, squareShape, error);
    if (!map || !IsProbabilityMap(map->shape, map->values.size(), {64, 64})) {
      failure = Fail(Failure::kModelInvalid,
                     std::string(kDetectionModelName) + ": " + (map ? "not a text detector" : error));
      return nullptr;
    }
    return engine;
  } catch (const std::bad_alloc&) {
    failure = Fail(Failure::kOutOfMemory, "making the engine");
    return nullptr;
  }
}

Recognised Engine::ReadFile(std::span<const std::uint8_t> bytes) {
  try {
    if (SniffPictureFormat(bytes) == PictureFormat::Unknown) return Fail(Failure::kNotAPicture, "not PNG, JPEG or BMP");
    std::optional<Picture> picture = DecodePictureFile(bytes);
    if (!picture) return Fail(Failure::kNotAPicture, "the picture cannot be decoded");
    std::lock_guard<std::mutex> lock(mutex_);
    return ReadLocked(std::move(*picture));
  } catch (const std::bad_alloc&) {
    return Fail(Failure::kOutOfMemory, "reading the picture");
  }
}

Recognised Engine::Read(const Picture& picture) {
  try {
    std::lock_guard<std::mutex> lock(mutex_);
    return ReadLocked(picture);
  } catch (const std::bad_alloc&) {
    return Fail(Failure::kOutOfMemory, "reading the picture");
  }
}

ReadingTimes Engine::LastTimes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return times_;
}

Recognised Engine::ReadLocked(Picture picture) {
  const Clock::time_point start = Clock::now();
  times_ = {};
  if (picture.width <= 0 || picture.height <= 0 ||
      picture.bgra.size() != static_cast<std::size_t>(picture.width) * picture.height * 4)
    return Fail(Failure::kNotAPicture, "empty picture");
  // Transparent parts read as white paper.
  CompositeOverColour(picture.bgra, 0xFFFFFF);

  const Size size = DetectionSize(picture.width, picture.height);
  std::vector<float> input = DetectionTensor(picture, size);
  if (input.empty()) return Fail(Failure::kOutOfMemory, "scaling for detection");
  const std::int64_t shape[4] = {1, 3, size.height, size.width};
  std::string error;
  Clock::time_point model = Clock::now();
  std::optional<Tensor> map = detector_->Run(input, shape, error);
  times_.detectionModelSeconds = Since(model);
  times_.detectionWidth = size.width;
  times_.detectionHeight = size.height;
  if (!map) return Fail(Failure::kRunFailed, std::string(kDetectionModelName) + ": " + error);
  if (!IsProbabilityMap(map->shape, map->values.size(), size))
    return Fail(Failure::kRunFailed, std::string(kDetectionModelName) + ": unexpected output shape");
  input = {};
  const std::vector<TextBox> found = FindTextBoxes(map->values, size.width, size.height);
  map.reset();
  const std::vector<TextBox> boxes = BoxesOnPicture(found, size, {picture.width, picture.height});
  times_.boxes = static_cast<int>(boxes.size());

  std::vector<Picture> crops;
  std::vector<std::size_t> order;
  crops.reserve(boxes.size());
  for (const TextBox& box : boxes) {
    std::optional<Picture> crop = CropUpright(picture, box.quad);
    if (!crop) crop = Picture{};
    order.push_back(crops.size());
    crops.push_back(std::move(*crop));
  }
  picture = {};
  // Lines of like width go through together, so that little of a batch is padding.
  std::vector<int> widths(crops.size());
  for (std::size_t i = 0; i < crops.size(); ++i) widths[i] = LineWidth(crops[i].width, crops[i].height);
  std::erase_if(order, [&](std::size_t i) { return widths[i] <= 0; });
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return widths[a] < widths[b]; });

  std::vector<ReadBox> read(boxes.size());
  for (std::size_t i = 0; i < boxes.size(); ++i) read[i].quad = boxes[i].quad;
  for (std::size_t first = 0; first < order.size();) {
    std::size_t last = first + 1;
    while (last < order.size() && last - first < kMaxBatch && 2 * widths[order[last]] <= 3 * std::max(widths[order[first]], kMinLineWidth))
      ++last;
    const int batchWidth = std::max(kMinLineWidth, widths[order[last - 1]]);
    std::vector<const Picture*> batch;
    for (std::size_t k = first; k < last; ++k) batch.push_back(&crops[order[k]]);
    std::vector<float> lines = RecognitionTensor(batch, batchWidth);
    if (lines.empty()) return Fail(Failure::kOutOfMemory, "scaling for recognition");
    const std::int64_t lineShape[4] = {static_cast<std::int64_t>(batch.size()), 3, kLineHeight, batchWidth};
    model = Clock::now();
    std::optional<Tensor> output = recogniser_->Run(lines, lineShape, error);
    times_.recognitionModelSeconds += Since(model);
    if (!output) return Fail(Failure::kRunFailed, std::string(kRecognitionModelName) + ": " + error);
    const std::optional<std::size_t> steps =
        RecognitionSteps(output->shape, output->values.size(), batch.size(), dictionary_.symbols.size());
    if (!steps) return Fail(Failure::kRunFailed, std::string(kRecognitionModelName) + ": unexpected output shape");
    for (std::size_t k = first; k < last; ++k) {
      const std::size_t stride = *steps * dictionary_.symbols.size();
      std::optional<DecodedLine> decoded = DecodeCtc(
          std::span<const float>(output->values).subspan((k - first) * stride, stride), *steps, dictionary_.symbols.size(),
          dictionary_);
      if (decoded && decoded->score >= kMinLineScore) read[order[k]].text = std::move(decoded->text);
    }
    first = last;
  }
  Recognised result;
  result.lines = OrderLines(read);
  times_.totalSeconds = Since(start);
  return result;
}

}  // namespace ornivex::ocr
