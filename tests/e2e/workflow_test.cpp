// The OCR workflow inside the real shell, against the loopback stand-ins: the
// dialog is answered by another thread as a user would (a typed path, or Cancel), the chain runs on its
// worker threads, and the result box, AppState, the log and the requests the
// stand-ins received are checked. Recognition replies fixed lines here
// (real recognition is covered by the end-to-end job test).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "app/application.h"
#include "app/ocr_protocol.h"
#include "app/texts.h"
#include "chain_fixture.h"
#include "harness.h"
#include "runtime/controls.h"
#include "runtime/files.h"
#include "runtime/threads.h"
#include "tests/app/message_box_catcher.h"
#include "tests/http/support/loopback_server.h"
#include "tests/support/failing_allocations.h"

namespace ornivex {
namespace {

using namespace e2e;

class WorkflowTest : public ChainTest {
 protected:

  void Start() {
    ASSERT_TRUE(StartApplication());
    box_ = MainControl(texts::kResultBox);
    path_ = MainControl(texts::kPathBox);
  }
  // The picture the user types into the dialog at the next click.
  void Pick(const std::wstring& path) { pick_ = path; }
  // One click on 选择图片 with that picture chosen; waits until the chain has
  // replaced the stale text in the result box.
  bool ChooseAndWait(int timeoutMs = 30000) {
    SetControlText(box_, kStale);
    {
      DialogAnswerer answerer(GetCurrentThreadId(), pick_);
      OnChoosePicture();
    }
    return PumpUntil([this] { return GetControlText(box_) != kStale; }, timeoutMs);
  }
  std::string BoxText() const { return GetControlText(box_); }

  std::wstring pick_;
  HWND box_ = nullptr;
  HWND path_ = nullptr;
};

TEST_F(WorkflowTest, BothReplyLayoutsGiveTheTokenAndTheLines) {
  for (const bool compact : {false, true}) {
    SCOPED_TRACE(compact ? "compact layout" : "default layout");
    ASSERT_TRUE(ConfigureStandins(compact ? "{\"compact\": true}" : "{\"compact\": false}"));
    Start();
    const std::string token = App().state.accessToken;
    EXPECT_EQ(token.rfind("24.", 0), 0u) << token;  // the service's token shape
    Pick(sample_);
    const int before = LastSeq();
    ASSERT_TRUE(ChooseAndWait());
    EXPECT_EQ(BoxText(), kTwoLinesBox);

    // The recognition request carried the token unchanged and the form body.
    const auto recognitions = RecordsAfter(L"ocr-general_basic", before);
    ASSERT_EQ(recognitions.size(), 1u);
    const std::string n = PictureNumberText(App().state.pictureNumber);
    EXPECT_EQ(RecordBody(recognitions[0]), "url=" + ImageBase() + "/photo/" + n + ".png");
    EXPECT_EQ(App().state.pictureUrl, ImageBase() + "/photo/" + n + ".png");
    EXPECT_NE(App().state.ocrReplyText.find("words_result"), std::string::npos);
    StopApplication();
  }
}

TEST_F(WorkflowTest, SlowTokenServiceKeepsTheWindowResponsive) {
  ASSERT_TRUE(ConfigureStandins("{\"token_delay\": 2.0}"));
  GapMeter gaps;
  const DWORD started = GetTickCount();
  Start();
  const DWORD took = GetTickCount() - started;
  EXPECT_GE(took, 1900u);  // start-up really waited for the token
  EXPECT_GT(gaps.Ticks(), 50);
  EXPECT_LT(gaps.LongestMs(), 500.0) << "the UI thread stopped dispatching during the token fetch";
  EXPECT_FALSE(App().state.accessToken.empty());
}

// The window is live while the start-up token fetch waits, so a picture can be
// chosen before the token has arrived: its recognition must wait for the token
// instead of going to the service without one.
TEST_F(WorkflowTest, PictureChosenDuringTheTokenFetchGetsTheToken) {
  ASSERT_TRUE(ConfigureStandins("{\"token_delay\": 2.0}"));
  static std::wstring picture;
  static bool clicked;
  picture = sample_;
  clicked = false;
  const int before = LastSeq();
  // Fires while the fetch dispatches messages inside start-up, like a click.
  const UINT_PTR timer = SetTimer(nullptr, 0, 400, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (clicked || !ApplicationRunning() || App().state.accessToken != "") return;
    clicked = true;
    SetControlText(MainControl(texts::kResultBox), kStale);
    DialogAnswerer answerer(GetCurrentThreadId(), picture);
    OnChoosePicture();
  });
  ASSERT_NE(timer, 0u);
  Start();
  ASSERT_TRUE(clicked) << "the click did not land during the token fetch";
  ASSERT_FALSE(App().state.accessToken.empty());
  ASSERT_TRUE(PumpUntil([this] { return BoxText() != kStale; }, 30000));
  EXPECT_EQ(BoxText(), kTwoLinesBox);

  const auto recognitions = RecordsAfter(L"ocr-general_basic", before);
  ASSERT_EQ(recognitions.size(), 1u);
  std::wstring headPath = recognitions[0].bodyPath;
  headPath.replace(headPath.size() - 5, 5, L".head");
  const std::string head = ReadWholeFile(headPath).value_or(std::string());
  EXPECT_NE(head.find("access_token=" + App().state.accessToken), std::string::npos) << head;
  // Logged with the start time, which is there before the fetch begins.
  const std::string log = ReadWholeFile(log_).value_or("");
  EXPECT_TRUE(log.starts_with(App().state.startTime + "|sample.png-->")) << log;
  EXPECT_FALSE(App().state.startTime.empty());
}

TEST_F(WorkflowTest, RefusedTokenSendsNothingAndErrorRepliesLeaveTheBoxEmpty) {
  ASSERT_TRUE(ConfigureStandins("{\"token_error\": true}"));
  Start();
  EXPECT_EQ(App().state.accessToken, "");
  Pick(sample_);
  const int before = LastSeq();
  ASSERT_TRUE(ChooseAndWait());
  EXPECT_EQ(BoxText(), "");
  // No token: the chain fetched once more, was refused, and sent nothing else.
  EXPECT_EQ(RecordsAfter(L"ocr-token", before).size(), 1u);
  EXPECT_EQ(LastSeq(), before + 1);
  StopApplication();

  ASSERT_TRUE(ConfigureStandins("{\"token_error\": false}"));
  Start();
  Pick(sample_);
  for (const char* code : {"216201", "282000", "17"}) {
    SCOPED_TRACE(code);
    ASSERT_TRUE(ConfigureStandins(std::string("{\"ocr_error\": ") + code + "}"));
    ASSERT_TRUE(ChooseAndWait());
    EXPECT_EQ(BoxText(), "");
    EXPECT_NE(App().state.ocrReplyText.find(code), std::string::npos);
  }
  // The service answering again fills the box again.
  ASSERT_TRUE(ConfigureStandins("{\"ocr_error\": 0}"));
  ASSERT_TRUE(ChooseAndWait());
  EXPECT_EQ(BoxText(), kTwoLinesBox);
}

TEST_F(WorkflowTest, SaveNamesTheFileAfterThePictureTheBoxShows) {
  Start();
  Pick(sample_);
  ASSERT_TRUE(ChooseAndWait());
  const std::int32_t shown = App().state.pictureNumber;
  // The next picture is chosen; its recognition is held at the service while
  // the box still shows the first picture's text.
  ASSERT_TRUE(ConfigureStandins("{\"ocr_delay\": 3.0}"));
  Sleep(50);  // a later tick count: another number
  {
    DialogAnswerer answerer(GetCurrentThreadId(), sample_);
    OnChoosePicture();
  }
  ASSERT_NE(App().state.pictureNumber, shown);
  const std::wstring desktop = DesktopDirectory();
  const std::wstring right = desktop + L"\\" + std::to_wstring(shown) + L".txt";
  const std::wstring wrong = desktop + L"\\" + std::to_wstring(App().state.pictureNumber) + L".txt";
  {
    testing::MessageBoxCatcher catcher(App().mainWindow->Handle());
    OnSaveResult();
    EXPECT_EQ(catcher.Boxes().size(), 1u);
  }
  EXPECT_EQ(ReadWholeFile(right), kTwoLinesBox);
  EXPECT_FALSE(FileExists(wrong));
  DeleteFileW(right.c_str());
  DeleteFileW(wrong.c_str());
  EXPECT_TRUE(PumpUntil([] { return RunningWorkers() == 0; }, 30000));
}

TEST_F(WorkflowTest, WorkerOutOfMemoryEndsOnlyItsChain) {
  Start();
  Pick(sample_);
  SetControlText(box_, "");
  {
    // Every allocation off the UI thread fails: the chain's first step cannot go on.
    testing::FailingAllocations failing(1, true);
    DialogAnswerer answerer(GetCurrentThreadId(), sample_);
    OnChoosePicture();
    ASSERT_TRUE(PumpUntil([] { return RunningWorkers() == 0; }, 30000));
    EXPECT_GT(failing.Failed(), 0);
  }
  PumpFor(200);
  EXPECT_EQ(BoxText(), "");
  // The program is still there and the next choice gives its text.
  ASSERT_TRUE(ChooseAndWait());
  EXPECT_EQ(BoxText(), kTwoLinesBox);
}

TEST_F(WorkflowTest, PictureInAFolderGbkCannotNameIsRead) {
  wchar_t temp[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
  const std::wstring folder = std::wstring(temp) + L"R\u00e9sum\u00e9 \u00f1 \ud55c\uad6d";
  const std::wstring picture = folder + L"\\sample.png";
  CreateDirectoryW(folder.c_str(), nullptr);
  ASSERT_TRUE(CopyFileW(sample_.c_str(), picture.c_str(), FALSE));
  Start();
  Pick(picture);
  ASSERT_TRUE(ChooseAndWait());
  EXPECT_EQ(BoxText(), kTwoLinesBox);
  EXPECT_EQ(App().state.pictureFileName, "sample.png");
  DeleteFileW(picture.c_str());
  RemoveDirectoryW(folder.c_str());
}

// The dialog only lets an existing file be chosen; this one is gone by the
// time the chain reads it: nothing is sent anywhere.
TEST_F(WorkflowTest, MissingPictureIsLoggedAndSentNowhere) {
  Start();
  const int before = LastSeq();
  SetControlText(box_, kStale);
  StartChainForPath(L"Z:\\nonexistent-ornivex\\\x6DFA.png");  // 淺.png: GBK trail byte 0x5C
  ASSERT_TRUE(PumpUntil([this] { return BoxText() != kStale; }, 30000));
  EXPECT_EQ(BoxText(), "");
  EXPECT_EQ(ShownNotice(), texts::kNoticePictureUnreadable);
  EXPECT_EQ(App().state.pictureFileName, "\x9C\x5C.png");
  EXPECT_EQ(LastSeq(), before);
  // Logged like any other choice.
  const std::string n = PictureNumberText(App().state.pictureNumber);
  const std::string log = ReadWholeFile(log_).value_or("");
  EXPECT_NE(log.find("|\x9C\x5C.png-->" + n + "\r\n"), std::string::npos) << log;
}

TEST_F(WorkflowTest, TwentyMegabytePictureIsSentWhole) {
  wchar_t temp[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
  const std::wstring big = std::wstring(temp) + L"ornivex-20mb.png";
  std::string bytes(20 * 1024 * 1024, '\0');
  const std::string signature = "\x89PNG\r\n\x1a\n";
  bytes.replace(0, signature.size(), signature);
  for (std::size_t i = signature.size(); i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 131 >> 7);
  ASSERT_TRUE(WriteWholeFile(big, bytes));

  Start();
  const int before = LastSeq();
  SetControlText(box_, kStale);
  {
    DialogAnswerer answerer(GetCurrentThreadId(), big);
    OnChoosePicture();
  }
  GapMeter gaps;  // from the chosen picture on, the dialog's own work apart
  ASSERT_TRUE(PumpUntil([this] { return BoxText() != kStale; }, 120000));
  EXPECT_LT(gaps.LongestMs(), 500.0) << "the UI thread stalled while 20 MB went out";
  // Above the service's size limit: an error reply, nothing shown.
  EXPECT_EQ(BoxText(), "");
  EXPECT_NE(App().state.ocrReplyText.find("216202"), std::string::npos);

  const auto uploads = RecordsAfter(L"image-upload", before);
  ASSERT_EQ(uploads.size(), 1u);
  const std::string sent = RecordBody(uploads[0]);
  const std::string want = BuildUploadBody(PictureNumberText(App().state.pictureNumber), bytes);
  EXPECT_EQ(sent.size(), want.size());
  EXPECT_TRUE(sent == want) << "the upload body differs from the file's bytes";
  DeleteFileW(big.c_str());
}

TEST_F(WorkflowTest, TenChainsAtOnceEndWithTheLastChainsLines) {
  // Many lines, each naming the chain's picture, so that lines of two chains
  // in the box, or a box that belongs to another number than the saved file's,
  // would show.
  std::string json;
  for (int i = 0; i < 60; ++i)
    json += "\\u7b2c" + std::to_string(i) + "\\u884c\\u3002 {picture} " + std::to_string(i) + "\\n";
  ASSERT_TRUE(ResetStandins(json));
  ASSERT_TRUE(ConfigureStandins("{\"ocr_delay\": 1.5}"));
  Start();
  Pick(sample_);
  const int before = LastSeq();
  SetControlText(box_, kStale);
  {
    DialogAnswerer answerer(GetCurrentThreadId(), sample_);
    for (int i = 0; i < 9; ++i) OnChoosePicture();
    // The nine are held at the service; the last choice overtakes them.
    ASSERT_TRUE(PumpUntil([&] { return RecordsAfter(L"ocr-general_basic", before).size() == 9; }, 60000));
    ASSERT_TRUE(ConfigureStandins("{\"ocr_delay\": 0}"));
    OnChoosePicture();
    EXPECT_EQ(answerer.Answered(), 10);
  }
  ASSERT_TRUE(PumpUntil([&] { return RecordsAfter(L"ocr-general_basic", before).size() == 10; }, 60000));
  PumpFor(2500);  // the held replies arrive and are shown or dropped
  EXPECT_EQ(RecordsAfter(L"image-upload", before).size(), 10u);

  // The box holds the last choice's lines exactly once, and the shared record
  // the last choice's values.
  const std::string n = PictureNumberText(App().state.pictureNumber);
  std::string box;
  for (int i = 0; i < 60; ++i)
    box += "\xB5\xDA" + std::to_string(i) + "\xD0\xD0\xA1\xA3\r\n     " + n + ".png " + std::to_string(i);
  EXPECT_EQ(BoxText(), box);
  EXPECT_EQ(App().state.pictureUrl, ImageBase() + "/photo/" + n + ".png");
  EXPECT_NE(App().state.ocrReplyText.find(n + ".png 59"), std::string::npos);
}

TEST_F(WorkflowTest, CancelStartsNothingBeforeOrAfterAChoice) {
  Start();
  auto cancel = [this] {
    const int before = LastSeq();
    const std::int32_t number = App().state.pictureNumber;
    const std::string path = GetControlText(path_), box = BoxText();
    const std::string log = ReadWholeFile(log_).value_or("none");
    {
      DialogAnswerer answerer(GetCurrentThreadId());  // Cancel
      OnChoosePicture();
    }
    PumpFor(500);
    EXPECT_EQ(App().state.pictureNumber, number);
    EXPECT_EQ(ReadWholeFile(log_).value_or("none"), log);
    EXPECT_EQ(LastSeq(), before);
    EXPECT_EQ(GetControlText(path_), path);
    EXPECT_EQ(BoxText(), box);
  };
  {
    SCOPED_TRACE("before any choice");
    cancel();
  }
  Pick(sample_);
  ASSERT_TRUE(ChooseAndWait());
  ASSERT_EQ(BoxText(), kTwoLinesBox);
  ASSERT_EQ(GetControlText(path_), WideToGbk(sample_));
  SCOPED_TRACE("after a choice");
  cancel();
}

// The service forgets its tokens between two choices (a restart); later, it
// refuses every token. Each chain renews the token once, through one fetch that
// chains refused together share, and sends its recognition once more.
TEST_F(WorkflowTest, TokenTheServiceRefusesIsRenewedOncePerChain) {
  Start();
  Pick(sample_);
  ASSERT_TRUE(ChooseAndWait());
  const std::string first = App().state.accessToken;
  auto requestsAfter = [](int before) {
    return std::pair(RecordsAfter(L"ocr-token", before).size(), RecordsAfter(L"ocr-general_basic", before).size());
  };

  ASSERT_TRUE(ForgetTokens());
  int before = LastSeq();
  ASSERT_TRUE(ChooseAndWait());
  EXPECT_EQ(BoxText(), kTwoLinesBox);
  EXPECT_EQ(requestsAfter(before), std::pair(std::size_t{1}, std::size_t{2}));
  EXPECT_TRUE(PumpUntil([&] { return App().state.accessToken != first; }, 5000));

  // Three chains held at the service and refused together: one new token for all.
  ASSERT_TRUE(ForgetTokens());
  ASSERT_TRUE(ConfigureStandins("{\"ocr_delay\": 2.0}"));
  before = LastSeq();
  {
    DialogAnswerer answerer(GetCurrentThreadId(), sample_);
    for (int i = 0; i < 3; ++i) OnChoosePicture();
  }
  ASSERT_TRUE(PumpUntil([] { return RunningWorkers() == 0; }, 60000));
  EXPECT_EQ(requestsAfter(before).first, 1u);
  EXPECT_GE(requestsAfter(before).second, 5u);  // at least two chains were refused
  EXPECT_EQ(BoxText(), kTwoLinesBox);

  // A service that refuses every token cannot make a chain loop.
  ASSERT_TRUE(ConfigureStandins("{\"ocr_delay\": 0, \"ocr_error\": 110}"));
  before = LastSeq();
  ASSERT_TRUE(ChooseAndWait());
  EXPECT_EQ(BoxText(), "");
  ASSERT_TRUE(PumpUntil([] { return RunningWorkers() == 0; }, 30000));
  EXPECT_EQ(requestsAfter(before), std::pair(std::size_t{1}, std::size_t{2}));
}

// A result longer than the box opens at its first line, also when the box
// showed the end of a long earlier text.
TEST_F(WorkflowTest, LongResultOpensAtItsFirstLine) {
  std::string json;
  for (int i = 1; i <= 30; ++i) json += "line " + std::to_string(i) + "\\u3002\\n";
  ASSERT_TRUE(ResetStandins(json));
  Start();
  Pick(sample_);
  ASSERT_TRUE(ChooseAndWait());
  ASSERT_GE(SendMessageW(box_, EM_GETLINECOUNT, 0, 0), 30);
  SendMessageW(box_, WM_VSCROLL, SB_BOTTOM, 0);  // the user read to the end
  ASSERT_GT(SendMessageW(box_, EM_GETFIRSTVISIBLELINE, 0, 0), 10);

  ASSERT_TRUE(ChooseAndWait());
  EXPECT_EQ(SendMessageW(box_, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  SCROLLINFO bar = {sizeof bar, SIF_POS};
  ASSERT_TRUE(GetScrollInfo(box_, SB_VERT, &bar));
  EXPECT_EQ(bar.nPos, 0);
}

// Run on its own, before the stand-ins start: nothing listens on their ports.
TEST(StandinsDown, StartUpAndAChoiceEndWithAnEmptyBoxAndTheReason) {
  std::string status;
  SendHttpRequest(OcrBase() + "/__config", {.statusText = &status});
  if (status.rfind("200", 0) == 0) GTEST_SKIP() << "something answers on " << OcrBase();
  GapMeter gaps;
  ASSERT_TRUE(StartApplication());
  EXPECT_EQ(App().state.accessToken, "");
  EXPECT_LT(gaps.LongestMs(), 500.0);
  HWND box = MainControl(texts::kResultBox);
  SetControlText(box, kStale);
  {
    DialogAnswerer answerer(GetCurrentThreadId(), UnixPath(ORNIVEX_E2E_PICTURE));
    OnChoosePicture();
  }
  gaps.Restart();
  EXPECT_TRUE(PumpUntil([&] { return GetControlText(box).empty(); }, 60000));
  EXPECT_LT(gaps.LongestMs(), 500.0);
  EXPECT_EQ(App().state.ocrReplyText, "");
  EXPECT_EQ(ShownNotice(), texts::kNoticeTokenUnreachable);
  EXPECT_TRUE(IsWindowEnabled(App().mainWindow->Handle()));
  StopApplication();
  DeleteFileW(ActivityLogPath().c_str());
}

// Run on its own too: the services are out of reach at start-up and answer
// later (servers of this test on their ports); the first choice fetches the
// token itself and gets its text.
TEST(StandinsDown, TokenIsFetchedByTheFirstChoiceOnceTheServiceAnswers) {
  std::string status;
  SendHttpRequest(OcrBase() + "/__config", {.statusText = &status});
  if (status.rfind("200", 0) == 0) GTEST_SKIP() << "something answers on " << OcrBase();
  ASSERT_TRUE(StartApplication());
  EXPECT_EQ(App().state.accessToken, "");

  using testing::RecordedRequest;
  using testing::Reply;
  testing::LoopbackServer ocr(
      [](const RecordedRequest& r) {
        if (r.requestLine.starts_with("GET /oauth/2.0/token"))
          return Reply("200 OK", "", "{\"access_token\":\"24.back\",\"expires_in\":2592000}");
        if (r.requestLine.find("access_token=24.back ") == std::string::npos)
          return Reply("200 OK", "", "{\"error_code\": 110}");
        return Reply("200 OK", "", "{\"log_id\": 1, \"words_result\": [{\"words\": \"back again\"}]}");
      },
      ORNIVEX_E2E_OCR_PORT);
  testing::LoopbackServer images([](const RecordedRequest&) { return Reply("200 OK", "", "{\"code\": 0}"); },
                                 ORNIVEX_E2E_IMAGE_PORT);
  HWND box = MainControl(texts::kResultBox);
  SetControlText(box, kStale);
  {
    DialogAnswerer answerer(GetCurrentThreadId(), UnixPath(ORNIVEX_E2E_PICTURE));
    OnChoosePicture();
  }
  EXPECT_TRUE(PumpUntil([&] { return GetControlText(box) != kStale; }, 60000));
  EXPECT_EQ(GetControlText(box), "back again");
  EXPECT_EQ(App().state.accessToken, "24.back");
  StopApplication();
  DeleteFileW(ActivityLogPath().c_str());
}

}  // namespace
}  // namespace ornivex
