#pragma once
// The fixture of the tests that run chains inside the test process: the
// recognition stand-in answers two fixed lines, the activity log is absent at
// the start and removed at the end, and the program is stopped after each test.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

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

#ifdef ORNIVEX_E2E_RECORDS
// The picture's bytes inside an upload body: after the part's head, before the
// closing delimiter.
inline std::string UploadedFile(const Record& upload) {
  const std::string body = RecordBody(upload);
  const std::size_t start = body.find("\r\n\r\n"), end = body.rfind("\r\n------WebKitFormBoundary");
  if (start == std::string::npos || end == std::string::npos || end < start + 4) return {};
  return body.substr(start + 4, end - start - 4);
}
#endif

// Puts one format on the clipboard, as another program would.
inline void PutOnClipboard(UINT format, const void* data, std::size_t size) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
  ASSERT_NE(memory, nullptr);
  std::memcpy(GlobalLock(memory), data, size);
  GlobalUnlock(memory);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  if (!SetClipboardData(format, memory)) GlobalFree(memory);
  CloseClipboard();
}

inline void ClearClipboard() {
  if (!OpenClipboard(nullptr)) return;
  EmptyClipboard();
  CloseClipboard();
}

// The text on the clipboard; empty when it holds none.
inline std::wstring ClipboardText() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = chars;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

inline void PutTextOnClipboard(const std::wstring& text) {
  PutOnClipboard(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

// Real input, as the system delivers a user's: a chord of keys pressed in
// order and let go in reverse.
inline void PressKeys(std::initializer_list<WORD> keys) {
  std::vector<INPUT> input(keys.size() * 2, INPUT{INPUT_KEYBOARD});
  std::size_t i = 0;
  for (WORD key : keys) input[i++].ki.wVk = key;
  for (auto key = std::rbegin(keys); key != std::rend(keys); ++key) {
    input[i].ki.wVk = *key;
    input[i++].ki.dwFlags = KEYEVENTF_KEYUP;
  }
  SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
}

// The pointer to the middle of a control, a click, then the chord.
inline void ClickAndType(HWND control, std::initializer_list<WORD> keys) {
  RECT r;
  GetWindowRect(control, &r);
  SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  std::vector<INPUT> input(2, INPUT{INPUT_MOUSE});
  input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, input.data(), sizeof(INPUT));
  PumpFor(300);
  PressKeys(keys);
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
