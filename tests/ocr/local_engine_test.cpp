// The built-in engine as the program makes it: from the `ocr` folder beside the
// test program, the real onnxruntime.dll under Wine. It reads the bundled sample,
// is made once and shared, and a missing DLL, a missing model or a truncated
// model is a traced failure, never a crash.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <thread>

#include "ocr/local_engine.h"
#include "runtime/codepage.h"
#include "runtime/files.h"
#include "tests/support/debug_output.h"

namespace ornivex {
namespace {

std::wstring Wide(const char* path) {
  std::wstring w = MultiByteToWide(path, CP_UTF8);
  if (w.starts_with(L"/")) w = L"Z:" + w;
  std::replace(w.begin(), w.end(), L'/', L'\\');
  return w;
}

// Levenshtein distance over code points.
std::size_t Distance(const std::wstring& a, const std::wstring& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
      diagonal = up;
    }
  }
  return row[b.size()];
}

std::wstring WithoutSpace(std::wstring s) {
  std::erase_if(s, [](wchar_t c) { return c == L' ' || c == L'\r' || c == L'\n'; });
  return s;
}

TEST(LocalEngine, ReadsTheSampleAndIsMadeOnce) {
  ASSERT_TRUE(EngineFolder().ends_with(L"\\ocr"));
  const std::wstring sample = Wide(ORNIVEX_TEST_SAMPLE);
  const ocr::Recognised read = RecogniseFileLocally(sample);
  ASSERT_EQ(read.failure, ocr::Failure::kNone) << read.detail;
  std::wstring text;
  for (const std::string& line : read.lines) text += MultiByteToWide(line, CP_UTF8) + L"\n";
  std::string truth = ReadWholeFile(sample.substr(0, sample.size() - 3) + L"txt").value_or("");
  const std::wstring expected = WithoutSpace(MultiByteToWide(truth, CP_UTF8));
  const std::wstring got = WithoutSpace(text);
  ASSERT_FALSE(expected.empty());
  EXPECT_GE(1.0 - static_cast<double>(Distance(got, expected)) / expected.size(), 0.97) << WideToGbk(text);
  EXPECT_EQ(read.lines.size(), 3u);

  // Later calls, from other threads too, share the one engine.
  ocr::Engine* engine = LocalEngine();
  ASSERT_NE(engine, nullptr);
  ocr::Recognised again;
  std::thread other([&] { again = RecogniseFileLocally(sample); });
  other.join();
  EXPECT_EQ(again.lines, read.lines);
  EXPECT_EQ(LocalEngine(), engine);
  WarmLocalEngine();  // made already: nothing to do
  EXPECT_EQ(RecogniseFileLocally(sample + L".none").failure, ocr::Failure::kPictureUnreadable);
}

// A copy of the engine's folder without some files, or with one cut short.
class BrokenFolder : public ::testing::Test {
 protected:
  // Beside the program. The DLL loaded from it stays in use until the process
  // ends, so what a run leaves is cleared by the next one.
  void SetUp() override {
    folder_ = ExecutableDirectory() + L"\\ocr-broken";
    CreateDirectoryW(folder_.c_str(), nullptr);
    for (const wchar_t* name : kFiles) DeleteFileW((folder_ + L"\\" + name).c_str());
  }
  void Copy(const wchar_t* name, std::size_t keep = std::string::npos) {
    std::string bytes = ReadWholeFile(EngineFolder() + L"\\" + name).value_or("");
    ASSERT_FALSE(bytes.empty());
    if (keep < bytes.size()) bytes.resize(keep);
    ASSERT_TRUE(WriteWholeFile(folder_ + L"\\" + name, bytes));
  }
  ocr::Recognised Make() {
    testing::DebugOutput traces;
    ocr::Recognised failure;
    EXPECT_FALSE(MakeEngineFrom(folder_, failure));
    const std::vector<std::string> lines = traces.Lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
      return line.find("built-in OCR engine: ") != std::string::npos;
    }));
    return failure;
  }
  static constexpr const wchar_t* kFiles[] = {L"onnxruntime.dll", L"ch_PP-OCRv4_det_infer.onnx",
                                              L"ch_PP-OCRv4_rec_infer.onnx", L"ppocr_keys_v1.txt"};
  std::wstring folder_;
};

TEST_F(BrokenFolder, MissingDllMissingModelTruncatedModel) {
  Copy(L"ch_PP-OCRv4_det_infer.onnx");
  Copy(L"ch_PP-OCRv4_rec_infer.onnx", 4096);
  Copy(L"ppocr_keys_v1.txt");
  ocr::Recognised failure = Make();
  EXPECT_EQ(failure.failure, ocr::Failure::kRuntimeMissing);
  EXPECT_NE(failure.detail.find("onnxruntime.dll"), std::string::npos) << failure.detail;

  Copy(L"onnxruntime.dll");
  failure = Make();
  EXPECT_EQ(failure.failure, ocr::Failure::kModelInvalid);
  EXPECT_NE(failure.detail.find("ch_PP-OCRv4_rec_infer.onnx"), std::string::npos) << failure.detail;

  DeleteFileW((folder_ + L"\\ch_PP-OCRv4_det_infer.onnx").c_str());
  failure = Make();
  EXPECT_EQ(failure.failure, ocr::Failure::kModelMissing);
  EXPECT_EQ(failure.detail, "ch_PP-OCRv4_det_infer.onnx");
}

// Run by itself with a Visual C++ runtime DLL disabled in Wine (the test's
// registration names it in ORNIVEX_MISSING_DLL).
TEST(MissingVisualCpp, IsNamed) {
  const char* missing = std::getenv("ORNIVEX_MISSING_DLL");
  if (!missing) GTEST_SKIP() << "needs a Visual C++ runtime DLL disabled";
  ocr::LoadedRuntime loaded = LoadRuntimeFrom(EngineFolder());
  EXPECT_EQ(loaded.failure, ocr::Failure::kVisualCppMissing);
  EXPECT_EQ(loaded.detail, missing);
  // The one engine is not made, and says why.
  ocr::Recognised failure;
  EXPECT_EQ(LocalEngine(&failure), nullptr);
  EXPECT_EQ(failure.failure, ocr::Failure::kVisualCppMissing);
}

}  // namespace
}  // namespace ornivex
