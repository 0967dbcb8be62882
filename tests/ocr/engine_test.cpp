// The engine with the real models through the Linux build of the same runtime:
// three rendered pictures read line by line, and models or a dictionary that are
// not what they should be refused cleanly. Making and reading pass through every
// entry of the runtime's table the engine declares.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <array>
#include <fstream>
#include <iterator>

#include "ocr/engine.h"
#include "ocr/ort_session.h"
#include "ocr/runtime_library.h"

namespace ornivex::ocr {
namespace {

std::vector<std::uint8_t> Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A model whose one input [1, 3, 64, 64] goes out once or twice (Identity nodes),
// in its protobuf encoding: every field and length here is below 128, one byte each.
std::vector<std::uint8_t> IdentityModel(bool twice) {
  auto field = [](int number, const std::string& bytes) {
    return std::string{static_cast<char>(number << 3 | 2), static_cast<char>(bytes.size())} + bytes;
  };
  auto number = [](int field, int value) { return std::string{static_cast<char>(field << 3), static_cast<char>(value)}; };
  std::string shape;
  for (int d : {1, 3, 64, 64}) shape += field(1, number(1, d));
  auto value = [&](const char* name, const std::string& dims) {
    return field(1, name) + field(2, field(1, number(1, 1) + dims));  // a float tensor
  };
  auto identity = [&](const char* out) { return field(1, "x") + field(2, out) + field(4, "Identity"); };
  std::string graph = field(1, identity("y")) + (twice ? field(1, identity("z")) : "") + field(2, "g") +
                      field(11, value("x", field(2, shape))) + field(12, value("y", ""));
  if (twice) graph += field(12, value("z", ""));
  const std::string model = number(1, 7) + field(7, graph) + field(8, number(2, 13));
  return {model.begin(), model.end()};
}

class EngineTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    runtime_ = new LoadedRuntime(LoadRuntimeLibrary(ORNIVEX_TEST_ORT_LIBRARY));
    ASSERT_EQ(runtime_->failure, Failure::kNone) << runtime_->detail;
    files_ = new ModelFiles;
    files_->detection = Bytes(std::string(ORNIVEX_TEST_OCR_MODELS) + "/" + kDetectionModelName);
    files_->recognition = Bytes(std::string(ORNIVEX_TEST_OCR_MODELS) + "/" + kRecognitionModelName);
    const std::vector<std::uint8_t> keys = Bytes(std::string(ORNIVEX_TEST_OCR_MODELS) + "/" + kDictionaryName);
    files_->dictionary.assign(keys.begin(), keys.end());
    Recognised failure{{}, Failure::kRunFailed, "left from before"};
    engine_ = Engine::Make(runtime_->api, *files_, 2, failure).release();
    ASSERT_TRUE(engine_) << FailureName(failure.failure) << ": " << failure.detail;
    ASSERT_EQ(failure.failure, Failure::kNone) << failure.detail;
  }
  static void TearDownTestSuite() {
    delete engine_;
    delete files_;
  }
  static Recognised ReadPicture(const char* name) {
    return engine_->ReadFile(Bytes(std::string(ORNIVEX_TEST_OCR_PICTURES) + "/" + name));
  }
  static inline LoadedRuntime* runtime_ = nullptr;
  static inline ModelFiles* files_ = nullptr;
  static inline Engine* engine_ = nullptr;
};

// Spaces are not scored: the recogniser may or may not see one between scripts.
std::string WithoutSpaces(std::string s) {
  std::erase(s, ' ');
  return s;
}

TEST_F(EngineTest, ReadsChineseEnglishAndMixedLinesInOrder) {
  const struct {
    const char* picture;
    std::vector<std::string> lines;
  } cases[] = {
      {"chinese.png", {"春眠不觉晓，处处闻啼鸟。", "夜来风雨声，花落知多少。"}},
      {"english.png", {"Thequickbrownfoxjumps", "overthelazydog42times."}},
      {"mixed.png", {"版本2.5已发布", "Openthefile设置.inifirst"}},
  };
  for (const auto& c : cases) {
    const Recognised read = ReadPicture(c.picture);
    EXPECT_EQ(read.failure, Failure::kNone) << c.picture << ": " << read.detail;
    std::vector<std::string> lines;
    for (const std::string& line : read.lines) lines.push_back(WithoutSpaces(line));
    EXPECT_EQ(lines, c.lines) << c.picture;
  }
  // Two threads read the lines: the time from the first to the last is at least
  // half the recogniser's, and the whole reading takes longer than its parts.
  const ReadingTimes times = engine_->LastTimes();
  EXPECT_GT(times.detectionModelSeconds, 0);
  EXPECT_GT(times.recognitionModelSeconds, 0);
  EXPECT_GE(times.recognitionSeconds, times.recognitionModelSeconds / 2);
  EXPECT_GE(times.totalSeconds, times.detectionModelSeconds + times.recognitionSeconds);
  // Black text on a transparent page reads as on white paper.
  Picture clear = *DecodePictureFile(Bytes(std::string(ORNIVEX_TEST_OCR_PICTURES) + "/english.png"));
  for (std::size_t i = 0; i < clear.bgra.size(); i += 4) {
    clear.bgra[i + 3] = static_cast<std::uint8_t>(255 - clear.bgra[i + 1]);
    std::fill_n(clear.bgra.begin() + i, 3, std::uint8_t{0});
  }
  std::vector<std::string> lines;
  for (const std::string& line : engine_->Read(clear).lines) lines.push_back(WithoutSpaces(line));
  EXPECT_EQ(lines, cases[1].lines);
}

TEST_F(EngineTest, PicturesThatAreNoneAreRefused) {
  const std::uint8_t text[] = {'h', 'e', 'l', 'l', 'o'};
  EXPECT_EQ(engine_->ReadFile(text).detail, "not PNG, JPEG or BMP");
  std::vector<std::uint8_t> png = Bytes(std::string(ORNIVEX_TEST_OCR_PICTURES) + "/english.png");
  png.resize(png.size() / 2);
  EXPECT_EQ(engine_->ReadFile(png).failure, Failure::kNotAPicture);
  // A blank page has no lines.
  Picture blank{64, 64, std::vector<std::uint8_t>(64 * 64 * 4, 255)};
  const Recognised read = engine_->Read(blank);
  EXPECT_EQ(read.failure, Failure::kNone);
  EXPECT_TRUE(read.lines.empty());
  EXPECT_EQ(engine_->LastTimes().detectionWidth, 64);
  EXPECT_EQ(engine_->LastTimes().boxes, 0);
  EXPECT_EQ(engine_->Read(Picture{}).failure, Failure::kNotAPicture);
  EXPECT_EQ(engine_->Read(Picture{2, 2, std::vector<std::uint8_t>(12, 255)}).failure, Failure::kNotAPicture);
  EXPECT_EQ(engine_->Read(Picture{64, 1, std::vector<std::uint8_t>(64 * 4, 255)}).failure, Failure::kNone);
}

TEST_F(EngineTest, BrokenModelsAndDictionariesAreCleanFailures) {
  Recognised failure;
  ModelFiles files = *files_;
  files.detection.resize(files.detection.size() / 3);  // truncated
  EXPECT_FALSE(Engine::Make(runtime_->api, files, 1, failure));
  EXPECT_EQ(failure.failure, Failure::kModelInvalid);
  EXPECT_NE(failure.detail.find(kDetectionModelName), std::string::npos) << failure.detail;

  files = *files_;
  files.recognition.assign(100, 'x');  // not a model
  EXPECT_FALSE(Engine::Make(runtime_->api, files, 1, failure));
  EXPECT_EQ(failure.failure, Failure::kModelInvalid);

  files = *files_;
  files.detection = IdentityModel(true);
  EXPECT_FALSE(Engine::Make(runtime_->api, files, 1, failure));
  EXPECT_NE(failure.detail.find("1 inputs and 2 outputs"), std::string::npos) << failure.detail;

  files = *files_;
  std::swap(files.detection, files.recognition);  // each model where the other belongs
  EXPECT_FALSE(Engine::Make(runtime_->api, files, 1, failure));
  EXPECT_EQ(failure.failure, Failure::kModelInvalid) << failure.detail;
  files = *files_;
  files.detection = IdentityModel(false);  // its output is the picture, not a map of it
  EXPECT_FALSE(Engine::Make(runtime_->api, files, 1, failure));
  EXPECT_EQ(failure.detail, std::string(kDetectionModelName) + ": not a text detector");

  files = *files_;
  files.dictionary.resize(files.dictionary.rfind('\n'));  // one symbol short
  EXPECT_FALSE(Engine::Make(runtime_->api, files, 1, failure));
  EXPECT_EQ(failure.failure, Failure::kDictionaryInvalid);
  EXPECT_NE(failure.detail.find("6622"), std::string::npos) << failure.detail;
}

// The runtime's own table with one entry that fails: a memory information not
// handed out, or an input name refused with the runtime's own status.
TEST_F(EngineTest, TheRuntimesFailuresAreReported) {
  using Table = std::array<const void*, ort::AddRunConfigEntry::kIndex + 1>;
  static Table real;
  void* library = dlopen(ORNIVEX_TEST_ORT_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
  ASSERT_TRUE(library);
  const auto base = reinterpret_cast<ort::GetApiBaseFunction>(dlsym(library, ort::kGetApiBaseName));
  std::copy_n(static_cast<const void* const*>(base()->GetApi(ort::kApiVersion)), real.size(), real.begin());
  Table table = real;
  table[ort::CreateCpuMemoryInfo::kIndex] = reinterpret_cast<const void*>(
      +[](ort::AllocatorType, ort::MemType, ort::MemoryInfo** out) -> ort::Status* {
        *out = nullptr;
        return nullptr;
      });
  std::string error;
  EXPECT_FALSE(Runtime::Make(ort::Api(table.data()), error));
  EXPECT_EQ(error, "no memory information");
  table = real;
  table[ort::SessionGetInputName::kIndex] = reinterpret_cast<const void*>(
      +[](const ort::Session*, std::size_t, ort::Allocator*, char**) -> ort::Status* {
        using CreateStatus = ort::Status* (*)(ort::ErrorCode, const char*);
        return reinterpret_cast<CreateStatus>(real[0])(ort::kFail, "no name here");
      });
  const std::unique_ptr<Runtime> runtime = Runtime::Make(ort::Api(table.data()), error);
  ASSERT_TRUE(runtime) << error;
  EXPECT_FALSE(Model::Make(*runtime, files_->detection, 1, error));
  EXPECT_EQ(error, "no name here (status 1)");
  static constexpr auto refuse = [](auto...) -> ort::Status* {
    using CreateStatus = ort::Status* (*)(ort::ErrorCode, const char*);
    return reinterpret_cast<CreateStatus>(real[0])(ort::kFail, "refused");
  };
  table[ort::SessionGetInputCount::kIndex] =
      reinterpret_cast<const void*>(static_cast<ort::SessionGetInputCount::Type>(refuse));
  EXPECT_FALSE(Model::Make(*runtime, files_->detection, 1, error));
  EXPECT_EQ(error, "refused (status 1)");

  // A run gives the memory back only when asked; outputs that are no float
  // tensor of a sane shape are refused.
  table = real;
  const std::unique_ptr<Model> model = Model::Make(*runtime, files_->detection, 1, error);
  ASSERT_TRUE(model) << error;
  std::vector<float> input(3 * 64 * 64, 0.0f);
  const std::int64_t shape[4] = {1, 3, 64, 64};
  static const ort::RunOptions* given;
  table[ort::Run::kIndex] = reinterpret_cast<const void*>(+[](ort::Session* session, const ort::RunOptions* options,
                                                              const char* const* inputNames, const ort::Value* const* inputs,
                                                              std::size_t inputCount, const char* const* outputNames,
                                                              std::size_t outputCount, ort::Value** outputs) {
    given = options;
    return reinterpret_cast<ort::Run::Type>(real[ort::Run::kIndex])(session, options, inputNames, inputs, inputCount,
                                                                    outputNames, outputCount, outputs);
  });
  for (Model::Memory memory : {Model::Memory::kKeep, Model::Memory::kGiveBack}) {
    ASSERT_TRUE(model->Run(input, shape, memory, error)) << error;
    EXPECT_EQ(given != nullptr, memory == Model::Memory::kGiveBack);
  }
  using DimensionsCount = ort::GetDimensionsCount::Type;
  using Dimensions = ort::GetDimensions::Type;
  const std::pair<std::pair<std::size_t, const void*>, const char*> outputs[] = {
      {{ort::GetTensorElementType::kIndex,
        reinterpret_cast<const void*>(static_cast<ort::GetTensorElementType::Type>(refuse))}, "refused (status 1)"},
      {{ort::GetDimensionsCount::kIndex, reinterpret_cast<const void*>(static_cast<DimensionsCount>(
            [](const ort::TensorTypeAndShapeInfo*, std::size_t* out) -> ort::Status* { return *out = 9, nullptr; }))},
       "the output is not a float tensor"},
      {{ort::GetDimensions::kIndex, reinterpret_cast<const void*>(static_cast<Dimensions>(
            [](const ort::TensorTypeAndShapeInfo*, std::int64_t* values, std::size_t count) -> ort::Status* {
              std::fill_n(values, count, -1);
              return nullptr;
            }))},
       "the output's shape is out of range"},
      {{ort::GetDimensions::kIndex, reinterpret_cast<const void*>(static_cast<Dimensions>(
            [](const ort::TensorTypeAndShapeInfo*, std::int64_t* values, std::size_t count) -> ort::Status* {
              const std::int64_t large[4] = {1, 2, 1 << 16, 1 << 16};  // 2^33 values
              std::copy_n(large, std::min<std::size_t>(count, 4), values);
              return nullptr;
            }))},
       "the output's shape is out of range"},
  };
  for (const auto& [entry, expected] : outputs) {
    table = real;
    table[entry.first] = entry.second;
    EXPECT_FALSE(model->Run(input, shape, Model::Memory::kKeep, error)) << expected;
    EXPECT_EQ(error, expected);
  }
}

TEST(RuntimeLibrary, MissingLibraryNoApiBaseOrTooOld) {
  const LoadedRuntime missing = LoadRuntimeLibrary("/nonexistent/libonnxruntime.so.1");
  EXPECT_EQ(missing.failure, Failure::kRuntimeMissing);
  EXPECT_NE(missing.detail.find("/nonexistent/libonnxruntime.so.1"), std::string::npos) << missing.detail;
  const LoadedRuntime other = LoadRuntimeLibrary("libm.so.6");  // a library, but not the runtime
  EXPECT_EQ(other.failure, Failure::kRuntimeUnusable);
  EXPECT_EQ(other.detail, "no OrtGetApiBase");
  static const ort::ApiBase old = {[](std::uint32_t) -> const void* { return nullptr; }, [] { return "1.2.3"; }};
  const LoadedRuntime tooOld = RuntimeFromApiBase([] { return &old; });
  EXPECT_EQ(tooOld.failure, Failure::kRuntimeUnusable);
  EXPECT_EQ(tooOld.version, "1.2.3");
  EXPECT_EQ(tooOld.detail, "runtime 1.2.3 has no API version " + std::to_string(ort::kApiVersion));
}

}  // namespace
}  // namespace ornivex::ocr
