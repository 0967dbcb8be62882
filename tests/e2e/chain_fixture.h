#pragma once
// The fixture of the tests that run chains inside the test process: the
// recognition stand-in answers two fixed lines, the activity log is absent at
// the start and removed at the end, and the program is stopped after each test.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "app/application.h"
#include "app/notice.h"
#include "app/texts.h"
#include "runtime/codepage.h"
#include "harness.h"

namespace ornivex::e2e {

// 第一行。 then "second line": the full stop breaks, nothing between lines.
inline constexpr char kTwoLinesJson[] = "\\u7b2c\\u4e00\\u884c\\u3002\\nsecond line";
inline constexpr char kTwoLinesBox[] = "\xB5\xDA\xD2\xBB\xD0\xD0\xA1\xA3\r\n    second line";
inline constexpr char kStale[] = "stale text";

// The text of the notice that shows, empty when none does.
inline std::string ShownNotice() {
  HWND tip = NoticeWindow();
  if (!tip || !IsWindowVisible(tip)) return {};
  wchar_t text[512] = {};
  TOOLINFOW info{};
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  info.hwnd = GetAncestor(MainControl(texts::kResultBox), GA_ROOT);
  info.uId = kNoticeToolId;
  info.lpszText = text;
  SendMessageW(tip, TTM_GETTEXTW, std::size(text), reinterpret_cast<LPARAM>(&info));
  return WideToGbk(text);
}

inline std::wstring ActivityLogPath() { return ExecutableDirectory() + L"\\" + kActivityLogName; }

class ChainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ResetStandins(kTwoLinesJson)) << "stand-ins not reachable at " << OcrBase();
    log_ = ActivityLogPath();
    DeleteFileW(log_.c_str());
    sample_ = UnixPath(ORNIVEX_E2E_PICTURE);
  }
  void TearDown() override {
    StopApplication();
    ResetStandins();
    DeleteFileW(log_.c_str());
  }

  std::wstring log_;
  std::wstring sample_;
};

}  // namespace ornivex::e2e
