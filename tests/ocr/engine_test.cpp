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

// A model whose one input goes out twice (two Identity nodes), in its protobuf
// encoding: every field and length here is below 128, one byte each.
std::vector<std::uint8_t> TwoOutputModel() {
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
  const std::string graph = field(1, identity("y")) + field(1, identity("z")) + field(2, "g") +
                            field(11, value("x", field(2, shape))) + field(12, value("y", "")) + field(12, value("z", ""));
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
    Recognised failure;
    engine_ = Engine::Make(runtime_->api, *files_, 2, failure).release();
    ASSERT_TRUE(engine_) << FailureName(failure.failure) << ": " << failure.detail;
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
  EXPECT_GT(engine_->LastTimes().recognitionModelSeconds, 0);
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
  EXPECT_EQ(engine_->ReadFile(text).failure, Failure::kNotAPicture);
  std::vector<std::uint8_t> png = Bytes(std::string(ORNIVEX_TEST_OCR_PICTURES) + "/english.png");
  png.resize(png.size() / 2);
  EXPECT_EQ(engine_->ReadFile(png).failure, Failure::kNotAPicture);
  // A blank page has no lines.
  Picture blank{64, 64, std::vector<std::uint8_t>(64 * 64 * 4, 255)};
  const Recognised read = engine_->Read(blank);
  EXPECT_EQ(read.failure, Failure::kNone);
  EXPECT_TRUE(read.lines.empty());
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
  files.detection = TwoOutputModel();
  EXPECT_FALSE(Engine::Make(runtime_->api, files, 1, failure));
  EXPECT_NE(failure.detail.find("1 inputs and 2 outputs"), std::string::npos) << failure.detail;

  files = *files_;
  std::swap(files.detection, files.recognition);  // each model where the other belongs
  EXPECT_FALSE(Engine::Make(runtime_->api, files, 1, failure));
  EXPECT_EQ(failure.failure, Failure::kModelInvalid) << failure.detail;

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
