// Why no text came back, in the real shell against the loopback stand-ins: each
// way a chain can fail ends with an empty result box, as ever, and the notice
// beside it says why; a picture without text says that. The notice's text is
// read through its own window.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "app/application.h"
#include "app/notice.h"
#include "app/texts.h"
#include "chain_fixture.h"
#include "harness.h"
#include "runtime/codepage.h"
#include "runtime/controls.h"
#include "runtime/files.h"
#include "runtime/threads.h"
#include "ornivex_version.h"

namespace ornivex {
namespace {

using namespace e2e;

class NoticeTest : public ChainTest {
 protected:
  void Start() {
    ASSERT_TRUE(StartApplication());
    box_ = MainControl(texts::kResultBox);
  }
  // One picture through the chain; waits until the stale text in the box is
  // replaced and every worker is done.
  void Recognise(const std::wstring& path) {
    SetControlText(box_, kStale);
    StartChainForPath(path);
    ASSERT_TRUE(PumpUntil([this] { return GetControlText(box_) != kStale && RunningWorkers() == 0; }, 60000));
  }
  HWND box_ = nullptr;
};

TEST_F(NoticeTest, EachFailureEmptiesTheBoxAndSaysWhy) {
  wchar_t temp[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
  const std::wstring notPicture = std::wstring(temp) + L"ornivex-not-a-picture.png";
  ASSERT_TRUE(WriteWholeFile(notPicture, "just some text, saved as .png"));
  const struct {
    const char* what;
    const char* config;
    std::wstring picture;
    std::string_view notice;
    std::size_t uploads, recognitions;
  } rows[] = {
      {"credentials refused", "{\"token_error\": true}", sample_, texts::kNoticeCredentialsRefused, 0, 0},
      {"daily limit", "{\"ocr_error\": 17}", sample_, texts::kNoticeDailyLimit, 1, 1},
      {"service reset", "{\"fault\": \"reset\", \"fault_on\": \"general_basic\"}", sample_,
       texts::kNoticeServiceUnreachable, 1, 1},
      {"upload refused", "{\"upload_status\": 500}", sample_, texts::kNoticeImageHostFailed, 1, 0},
      {"not a picture", "{}", notPicture, texts::kNoticePictureUnreadable, 0, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    ASSERT_TRUE(ResetStandins(kTwoLinesJson));
    ASSERT_TRUE(ConfigureStandins(row.config));
    Start();
    const int before = LastSeq();
    Recognise(row.picture);
    EXPECT_EQ(GetControlText(box_), "");
    EXPECT_EQ(ShownNotice(), row.notice);
    // The chain stopped at the step that failed; the choice is logged as any other.
    EXPECT_EQ(RecordsAfter(L"image-upload", before).size(), row.uploads);
    EXPECT_EQ(RecordsAfter(L"ocr-general_basic", before).size(), row.recognitions);
    const std::string log = ReadWholeFile(log_).value_or("");
    EXPECT_TRUE(log.starts_with(App().state.startTime + "|")) << log;
    EXPECT_NE(log.find("-->" + std::to_string(App().state.pictureNumber) + "\r\n"), std::string::npos);
    StopApplication();
    EXPECT_EQ(NoticeWindow(), nullptr);
  }
  DeleteFileW(notPicture.c_str());
}

TEST_F(NoticeTest, PictureWithoutTextSaysSoAndTheNextChoiceClosesIt) {
  ASSERT_TRUE(ResetStandins(" "));  // a reply whose only line is blank
  Start();
  Recognise(sample_);
  EXPECT_EQ(GetControlText(box_), "");
  EXPECT_EQ(ShownNotice(), texts::kNoticeNoText);
  // It took no focus, and the next picture closes it.
  EXPECT_NE(GetFocus(), NoticeWindow());
  ASSERT_TRUE(ResetStandins(kTwoLinesJson));
  Recognise(sample_);
  EXPECT_EQ(GetControlText(box_), kTwoLinesBox);
  EXPECT_EQ(ShownNotice(), "");
}

// This test program has no engine folder beside it: the built-in engine cannot
// load, the window stays usable, nothing goes on the network, and the notice
// names what is missing.
TEST_F(NoticeTest, BuiltInEngineThatCannotLoadNamesWhatIsMissing) {
  Start();
  App().settings.engine = OcrEngine::kLocal;
  const int before = LastSeq();
  Recognise(sample_);
  EXPECT_EQ(GetControlText(box_), "");
  EXPECT_EQ(ShownNotice(), std::string(texts::kNoticeEngineMissing) + "onnxruntime.dll" + std::string(texts::kFullStop));
  EXPECT_EQ(LastSeq(), before);
  EXPECT_TRUE(IsWindowEnabled(App().mainWindow->Handle()));
  // The next choice tries again, and fails the same way.
  ASSERT_TRUE(ConfigureStandins("{}"));
  Recognise(sample_);
  EXPECT_EQ(ShownNotice(), std::string(texts::kNoticeEngineMissing) + "onnxruntime.dll" + std::string(texts::kFullStop));
}

TEST_F(NoticeTest, NoUpdatePageTellsTheVersion) {
  Start();
  OnCheckNewVersion();
  EXPECT_EQ(ShownNotice(), std::string(texts::kNoticeNoUpdatePagePrefix) + ORNIVEX_VERSION_TEXT +
                               std::string(texts::kNoticeNoUpdatePageSuffix));
  // A key closes it.
  SetForegroundWindow(App().mainWindow->Handle());
  SetFocus(MainControl(texts::kChoosePictureButton));
  INPUT key[2] = {{INPUT_KEYBOARD}, {INPUT_KEYBOARD}};
  key[0].ki.wVk = key[1].ki.wVk = VK_SHIFT;
  key[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, key, sizeof(INPUT));
  EXPECT_TRUE(PumpUntil([] { return ShownNotice().empty(); }, 3000));
}

}  // namespace
}  // namespace ornivex
