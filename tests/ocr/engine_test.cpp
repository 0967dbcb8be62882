// The engine with the real models through the Linux build of the same runtime:
// three rendered pictures read line by line, and models or a dictionary that are
// not what they should be refused cleanly. Making and reading pass through every
// entry of the runtime's table the engine declares.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "ocr/engine.h"
#include "ocr/runtime_library.h"

namespace ornivex::ocr {
namespace {

std::vector<std::uint8_t> Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
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
  std::swap(files.detection, files.recognition);  // each model where the other belongs
  EXPECT_FALSE(Engine::Make(runtime_->api, files, 1, failure));
  EXPECT_EQ(failure.failure, Failure::kModelInvalid) << failure.detail;

  files = *files_;
  files.dictionary.resize(files.dictionary.rfind('\n'));  // one symbol short
  EXPECT_FALSE(Engine::Make(runtime_->api, files, 1, failure));
  EXPECT_EQ(failure.failure, Failure::kDictionaryInvalid);
  EXPECT_NE(failure.detail.find("6622"), std::string::npos) << failure.detail;
}

TEST(RuntimeLibrary, MissingLibraryOrNoApiBase) {
  EXPECT_EQ(LoadRuntimeLibrary("/nonexistent/libonnxruntime.so.1").failure, Failure::kRuntimeMissing);
  EXPECT_EQ(RuntimeFromApiBase(nullptr).failure, Failure::kRuntimeUnusable);
}

}  // namespace
}  // namespace ornivex::ocr
