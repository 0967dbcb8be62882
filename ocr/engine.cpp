#include "ocr/engine.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
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
    // Every reading gives back the memory its runs took: the detector's on a
    // full-HD picture peaks at some 800 MB, and the recogniser's, two lines at
    // once, grew by another 8 MB over a hundred readings before it settled.
    engine->detector_ = Model::Make(*engine->runtime_, files.detection, threads, error);
    if (!engine->detector_) {
      failure = Fail(Failure::kModelInvalid, std::string(kDetectionModelName) + ": " + error);
      return nullptr;
    }
    // The recogniser runs each line on one thread, as many lines at once as there
    // are threads; the detector's one large run is split between them.
    engine->workers_ = std::max(1, threads);
    engine->recogniser_ = Model::Make(*engine->runtime_, files.recognition, 1, error);
    if (!engine->recogniser_) {
      failure = Fail(Failure::kModelInvalid, std::string(kRecognitionModelName) + ": " + error);
      return nullptr;
    }
    // A first run of each: it shows that the two are what they are meant to be
    // (a detector's map the size of its input, a recogniser's classes one more
    // than the dictionary's symbols) and readies the runtime for the first picture.
    std::vector<float> line(static_cast<std::size_t>(3) * kLineHeight * kMinLineWidth, 0.0f);
    const std::int64_t lineShape[4] = {1, 3, kLineHeight, kMinLineWidth};
    std::optional<Tensor> read = engine->recogniser_->Run(line, lineShape, Model::Memory::kGiveBack, error);
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
    std::optional<Tensor> map = engine->detector_->Run(square, squareShape, Model::Memory::kGiveBack, error);
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

Recognised Engine::RecogniseLines(const std::vector<Picture>& crops, std::vector<ReadBox>& read) {
  // Each line is one run of the recogniser on one core. The model's time is its
  // columns whatever the batch (batches of lines of like width took as long per
  // column here, and more once padded to their widest), and lines run side by
  // side on the cores without the waits of a run split between threads.
  std::vector<int> widths(crops.size());
  std::vector<std::size_t> order;
  for (std::size_t i = 0; i < crops.size(); ++i) {
    widths[i] = LineWidth(crops[i].width, crops[i].height);
    if (widths[i] > 0) order.push_back(i);
  }
  // The widest first, so that no core is left with a long line at the end.
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return widths[a] > widths[b]; });

  struct Share {
    double modelSeconds = 0;
    std::int64_t columns = 0;
    int runs = 0;
    Recognised failure;
  };
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stop{false};
  const std::size_t workers = static_cast<std::size_t>(workers_);
  auto work = [&](Share& share) {
    try {
      std::string error;
      for (std::size_t k; !stop.load() && (k = next.fetch_add(1)) < order.size();) {
        const std::size_t i = order[k];
        const Picture* crop = &crops[i];
        const int width = std::max(kMinLineWidth, widths[i]);
        std::vector<float> line = RecognitionTensor(std::span<const Picture* const>(&crop, 1), width);
        if (line.empty()) {
          share.failure = Fail(Failure::kOutOfMemory, "scaling for recognition");
          break;
        }
        const std::int64_t shape[4] = {1, 3, kLineHeight, width};
        // The last line each thread reads gives the arena back.
        const Model::Memory memory = k + workers >= order.size() ? Model::Memory::kGiveBack : Model::Memory::kKeep;
        const Clock::time_point start = Clock::now();
        std::optional<Tensor> output = recogniser_->Run(line, shape, memory, error);
        share.modelSeconds += Since(start);
        ++share.runs;
        share.columns += width;
        if (!output) {
          share.failure = Fail(Failure::kRunFailed, std::string(kRecognitionModelName) + ": " + error);
          break;
        }
        const std::optional<std::size_t> steps =
            RecognitionSteps(output->shape, output->values.size(), 1, dictionary_.symbols.size());
        if (!steps) {
          share.failure = Fail(Failure::kRunFailed, std::string(kRecognitionModelName) + ": unexpected output shape");
          break;
        }
        std::optional<DecodedLine> decoded = DecodeCtc(output->values, *steps, dictionary_.symbols.size(), dictionary_);
        if (decoded && decoded->score >= kMinLineScore) read[i].text = std::move(decoded->text);
      }
    } catch (const std::bad_alloc&) {
      share.failure = Fail(Failure::kOutOfMemory, "recognising a line");
    }
    if (share.failure.failure != Failure::kNone) stop = true;
  };

  const std::size_t helpers = order.empty() ? 0 : std::min(order.size(), workers) - 1;
  std::vector<Share> shares(helpers + 1);
  std::vector<std::thread> threads;
  for (std::size_t h = 0; h < helpers; ++h) {
    try {
      threads.emplace_back(work, std::ref(shares[h + 1]));
    } catch (const std::exception&) {
      break;  // the lines left are read by the threads there are
    }
  }
  work(shares[0]);
  for (std::thread& thread : threads) thread.join();
  Recognised failure;
  for (const Share& share : shares) {
    times_.recognitionModelSeconds += share.modelSeconds;
    times_.recognitionColumns += share.columns;
    times_.recognitionRuns += share.runs;
    if (failure.failure == Failure::kNone) failure = share.failure;
  }
  return failure;
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
  std::optional<Tensor> map = detector_->Run(input, shape, Model::Memory::kGiveBack, error);
  times_.detectionModelSeconds = Since(model);
  times_.detectionWidth = size.width;
  times_.detectionHeight = size.height;
  if (!map) return Fail(Failure::kRunFailed, std::string(kDetectionModelName) + ": " + error);
  if (!IsProbabilityMap(map->shape, map->values.size(), size))
    return Fail(Failure::kRunFailed, std::string(kDetectionModelName) + ": unexpected output shape");
  input = {};
  const std::vector<TextBox> found = FindTextBoxes(map->values, size.width, size.height);
  map.reset();
  const std::vector<TextBox> boxes =
      FitGlyphBoxes(BoxesOnPicture(found, size, {picture.width, picture.height}), {picture.width, picture.height});
  times_.boxes = static_cast<int>(boxes.size());

  std::vector<Picture> crops;
  crops.reserve(boxes.size());
  for (const TextBox& box : boxes) {
    std::optional<Picture> crop = CropUpright(picture, box.quad);
    crops.push_back(crop ? std::move(*crop) : Picture{});
  }
  picture = {};
  std::vector<ReadBox> read(boxes.size());
  for (std::size_t i = 0; i < boxes.size(); ++i) read[i].quad = boxes[i].quad;
  model = Clock::now();
  Recognised failed = RecogniseLines(crops, read);
  times_.recognitionSeconds = Since(model);
  if (failed.failure != Failure::kNone) return failed;
  Recognised result;
  result.lines = OrderLines(read);
  times_.totalSeconds = Since(start);
  return result;
}

}  // namespace ornivex::ocr
