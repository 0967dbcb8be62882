// The main and the about window as the program shows them.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

#include "app/application.h"
#include "app/forms.h"
#include "app/texts.h"
#include "runtime/picture_box.h"
#include "runtime/threads.h"

namespace ornivex {
namespace {

using namespace texts;

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(StartApplication());
    main_ = App().mainWindow->Handle();
  }
  void TearDown() override { StopApplication(); }

  static SIZE SizeOf(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
  }

  HWND main_ = nullptr;
};

std::wstring WindowText(HWND window) {
  wchar_t buffer[512] = {};
  GetWindowTextW(window, buffer, 512);
  return buffer;
}

std::wstring ClassOf(HWND window) {
  wchar_t buffer[64] = {};
  GetClassNameW(window, buffer, 64);
  return buffer;
}

LOGFONTW FontOf(HWND control) {
  LOGFONTW font = {};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font;
}

RECT RectInParent(HWND control) {
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

struct ExpectedControl {
  std::string_view name;
  const wchar_t* windowClass;
  std::string_view parent;  // empty: the main window
  RECT rect;                // left, top, right, bottom
  const wchar_t* text;
  LONG fontHeight;          // 0: the default control font
  const wchar_t* face;
  BYTE charset;
  DWORD requiredStyle;
  DWORD forbiddenStyle;
};

TEST_F(MainWindowTest, EveryControlHasItsPlaceTextFontAndStyle) {
  const DWORD buttonType = BS_PUSHBUTTON;
  const ExpectedControl expected[] = {
      {kGroupBox, L"Button", {}, {3, 29, 312, 504}, L"\u57fa\u7840\u64cd\u4f5c\u533a", 0, L"", GB2312_CHARSET,
       BS_GROUPBOX, 0},
      {kPathBox, L"Edit", kGroupBox, {6, 21, 226, 45}, L"<------\u8bf7\u9009\u62e9\u56fe\u7247------>", -16, L"",
       GB2312_CHARSET, ES_AUTOHSCROLL | ES_READONLY, ES_MULTILINE | ES_NOHIDESEL},
      {kChoosePictureButton, L"Button", kGroupBox, {231, 21, 303, 45}, L"\u9009\u62e9\u56fe\u7247", 0, L"",
       GB2312_CHARSET, buttonType, 0},
      {kResultBox, L"Edit", kGroupBox, {6, 49, 303, 468}, L"", -19, L"\u5fae\u8f6f\u96c5\u9ed1", GB2312_CHARSET,
       WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_READONLY, ES_NOHIDESEL},
      {kSaveResultButton, L"Button", {}, {67, 504, 147, 533}, L"\u4fdd\u5b58\u7ed3\u679c", -16,
       L"YaHei Consolas Hybrid", GB2312_CHARSET, buttonType, 0},
      {kAboutButton, L"Button", {}, {150, 504, 230, 533}, L"\u5173\u4e8e\u8f6f\u4ef6", -16, L"YaHei Consolas Hybrid",
       GB2312_CHARSET, buttonType, 0},
      {kCheckNewVersionButton, L"Button", {}, {232, 504, 312, 533}, L"\u68c0\u67e5\u65b0\u7248\u672c", -13,
       L"YaHei Consolas Hybrid", GB2312_CHARSET, buttonType, 0},
  };
  for (const ExpectedControl& e : expected) {
    SCOPED_TRACE(::testing::Message() << "control " << e.text);
    HWND control = MainControl(e.name);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(_wcsicmp(ClassOf(control).c_str(), e.windowClass), 0) << ClassOf(control);
    EXPECT_EQ(GetParent(control), e.parent.empty() ? main_ : MainControl(e.parent));
    const RECT r = RectInParent(control);
    EXPECT_EQ(r.left, e.rect.left);
    EXPECT_EQ(r.top, e.rect.top);
    EXPECT_EQ(r.right, e.rect.right);
    EXPECT_EQ(r.bottom, e.rect.bottom);
    EXPECT_EQ(WindowText(control), e.text);
    const LOGFONTW font = FontOf(control);
    if (e.fontHeight != 0) {
      EXPECT_EQ(font.lfHeight, e.fontHeight);
      EXPECT_EQ(font.lfWeight, FW_NORMAL);
      EXPECT_STREQ(font.lfFaceName, e.face);
    }
    EXPECT_EQ(font.lfCharSet, e.charset);
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(control, GWL_STYLE));
    if (e.windowClass == std::wstring(L"Button"))
      EXPECT_EQ(style & BS_TYPEMASK, e.requiredStyle);
    else
      EXPECT_EQ(style & e.requiredStyle, e.requiredStyle);
    EXPECT_EQ(style & e.forbiddenStyle, 0u);
    EXPECT_TRUE(style & WS_VISIBLE);
    // Edit boxes have the single-line border (the edit box takes WS_BORDER over
    // and draws it itself), not the sunken client edge.
    EXPECT_FALSE(GetWindowLongPtrW(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  }
  // The result box takes any amount of text.
  EXPECT_GT(SendMessageW(MainControl(kResultBox), EM_GETLIMITTEXT, 0, 0), 1000000);
  // The dialog is no window, but the form keeps it with its filter.
  ASSERT_NE(App().mainWindow->Dialog(kPictureDialog), nullptr);
  EXPECT_EQ(App().mainWindow->Dialog(kPictureDialog)->Filter(), kPictureFilter);
}

// The GUI tests run a second time on a system whose ANSI code page is not the
// Chinese one; make sure that is really the case when asked to.
TEST(CodePage, RunsUnderTheExpectedAnsiCodePage) {
  char expected[16] = {};
  if (!GetEnvironmentVariableA("ORNIVEX_EXPECT_ACP", expected, sizeof expected)) GTEST_SKIP();
  EXPECT_EQ(GetACP(), static_cast<UINT>(atoi(expected)));
}

TEST_F(MainWindowTest, WindowIsBorderlessAtItsPlaceWithCaptionAndIcon) {
  RECT r;
  GetWindowRect(main_, &r);
  EXPECT_EQ(r.left, 50);
  EXPECT_EQ(r.top, 50);
  EXPECT_EQ(SizeOf(main_).cx, 317);
  EXPECT_EQ(SizeOf(main_).cy, 537);
  EXPECT_EQ(WindowText(main_), L"Ornivex");
  EXPECT_TRUE(IsWindowVisible(main_));
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(main_, GWL_STYLE));
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_BORDER), 0u);
  EXPECT_NE(SendMessageW(main_, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(SendMessageW(main_, WM_GETICON, ICON_SMALL, 0), 0);
}

TEST_F(MainWindowTest, WindowIsLayeredWithAlpha220) {
  EXPECT_TRUE(GetWindowLongPtrW(main_, GWL_EXSTYLE) & WS_EX_LAYERED);
  COLORREF key = 0;
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(main_, &key, &alpha, &flags));
  EXPECT_EQ(alpha, 220);
  EXPECT_EQ(flags, static_cast<DWORD>(LWA_ALPHA));
}

TEST_F(MainWindowTest, SizeStaysFixedWhateverResizesIt) {
  SetWindowPos(main_, nullptr, 0, 0, 600, 700, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(SizeOf(main_).cx, 317);
  EXPECT_EQ(SizeOf(main_).cy, 537);
  MoveWindow(main_, 80, 90, 100, 100, TRUE);
  EXPECT_EQ(SizeOf(main_).cx, 317);
  EXPECT_EQ(SizeOf(main_).cy, 537);
  SetWindowPos(main_, nullptr, 0, 0, 317, 900, SWP_NOMOVE | SWP_NOZORDER);  // height only
  EXPECT_EQ(SizeOf(main_).cy, 537);
  SetWindowPos(main_, nullptr, 0, 0, 10, 537, SWP_NOMOVE | SWP_NOZORDER);  // width only
  EXPECT_EQ(SizeOf(main_).cx, 317);
  ShowWindow(main_, SW_MAXIMIZE);
  EXPECT_EQ(SizeOf(main_).cx, 317);
  EXPECT_EQ(SizeOf(main_).cy, 537);
  ShowWindow(main_, SW_RESTORE);
  EXPECT_EQ(SizeOf(main_).cx, 317);
  EXPECT_EQ(SizeOf(main_).cy, 537);
  // Moving is allowed; only the size is fixed.
  RECT r;
  GetWindowRect(main_, &r);
  EXPECT_EQ(r.left, 80);
  EXPECT_EQ(r.top, 90);
}

TEST_F(MainWindowTest, ResultBoxShowsRedTextOnWhite) {
  HDC dc = CreateCompatibleDC(nullptr);
  HWND box = MainControl(kResultBox);
  // A read-only edit box asks its parent, the group box, with WM_CTLCOLORSTATIC.
  auto brush = reinterpret_cast<HBRUSH>(
      SendMessageW(GetParent(box), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(box)));
  ASSERT_NE(brush, nullptr);
  LOGBRUSH logbrush = {};
  GetObjectW(brush, sizeof logbrush, &logbrush);
  EXPECT_EQ(logbrush.lbColor, RGB(255, 255, 255));
  EXPECT_EQ(GetTextColor(dc), static_cast<COLORREF>(255));
  HWND path = MainControl(kPathBox);
  SendMessageW(GetParent(path), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(path));
  EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
  DeleteDC(dc);
}

TEST_F(MainWindowTest, PathBoxShowsThePromptAgainWhenItLosesFocus) {
  HWND path = MainControl(kPathBox);
  SetForegroundWindow(main_);
  SetFocus(path);
  SetWindowTextW(path, L"C:\\\u626b\u63cf\\page1.png");
  SetFocus(MainControl(kChoosePictureButton));
  EXPECT_EQ(WindowText(path), L"<------\u8bf7\u9009\u62e9\u56fe\u7247------>");
  // Every time, also when it showed the prompt already.
  SetFocus(path);
  SetFocus(MainControl(kResultBox));
  EXPECT_EQ(WindowText(path), L"<------\u8bf7\u9009\u62e9\u56fe\u7247------>");
}

TEST_F(MainWindowTest, StartTimeIsRecordedAtStartUp) {
  const std::string& start = App().state.startTime;
  ASSERT_FALSE(start.empty());
  SYSTEMTIME now;
  GetLocalTime(&now);
  EXPECT_EQ(start.rfind(std::to_string(now.wYear) + "/", 0), 0u) << start;
  EXPECT_EQ(start.back(), 's');
  EXPECT_EQ(App().state.pictureNumber, 0);
}

// Watches for about windows while the modal loops run.
struct AboutWatch {
  static inline AboutWatch* current = nullptr;
  HWND main = nullptr;
  std::set<HWND> seen;
  int maxAtOnce = 0;
  bool mainDisabledMeanwhile = true;
  bool ownerless = true;
  bool clickedAgain = false;
  bool contentChecked = false;
  SIZE logoSize{};
  RECT rect{};
  DWORD style = 0;
  std::wstring chinese, english, note;

  static BOOL CALLBACK CollectAbout(HWND window, LPARAM lparam) {
    if (IsWindowVisible(window) && WindowText(window) == L"\u5173\u4e8e\u8f6f\u4ef6" &&
        ClassOf(window) == L"OrnivexForm")
      reinterpret_cast<std::vector<HWND>*>(lparam)->push_back(window);
    return TRUE;
  }

  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    AboutWatch& w = *current;
    std::vector<HWND> open;
    EnumThreadWindows(GetCurrentThreadId(), CollectAbout, reinterpret_cast<LPARAM>(&open));
    w.maxAtOnce = std::max<int>(w.maxAtOnce, static_cast<int>(open.size()));
    for (HWND about : open) {
      w.seen.insert(about);
      if (IsWindowEnabled(w.main)) w.mainDisabledMeanwhile = false;
      if (GetWindow(about, GW_OWNER) != nullptr) w.ownerless = false;
      if (!w.contentChecked && App().aboutWindow) {
        w.contentChecked = true;
        Form& form = *App().aboutWindow;
        w.logoSize = BoxPictureSize(form.Control(kLogoBox));
        GetWindowRect(about, &w.rect);
        w.style = static_cast<DWORD>(GetWindowLongPtrW(about, GWL_STYLE));
        w.chinese = WindowText(form.Control(kChineseLabel));
        w.english = WindowText(form.Control(kEnglishLabel));
        w.note = WindowText(form.Control(kTranslationLabel));
      }
      if (!w.clickedAgain) {
        // A click that reaches the button while the window is up opens no second one.
        w.clickedAgain = true;
        SendMessageW(MainControl(kAboutButton), BM_CLICK, 0, 0);
      }
      PostMessageW(about, WM_CLOSE, 0, 0);
    }
  }
};

TEST_F(MainWindowTest, AboutIsModalAndNeverTwiceAtOnce) {
  AboutWatch watch;
  watch.main = main_;
  AboutWatch::current = &watch;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, &AboutWatch::Tick);
  // Each click returns once its about window is closed.
  SendMessageW(MainControl(kAboutButton), BM_CLICK, 0, 0);
  EXPECT_EQ(watch.seen.size(), 1u);
  EXPECT_TRUE(IsWindowEnabled(main_));
  SendMessageW(MainControl(kAboutButton), BM_CLICK, 0, 0);
  KillTimer(nullptr, timer);
  AboutWatch::current = nullptr;

  EXPECT_EQ(watch.seen.size(), 2u);  // a new window each click
  EXPECT_EQ(watch.maxAtOnce, 1);
  EXPECT_TRUE(watch.mainDisabledMeanwhile);
  EXPECT_TRUE(watch.ownerless);
  EXPECT_TRUE(IsWindowEnabled(main_));
  EXPECT_EQ(App().aboutWindow, nullptr);

  ASSERT_TRUE(watch.contentChecked);
  EXPECT_EQ(watch.logoSize.cx, 550);
  EXPECT_EQ(watch.logoSize.cy, 166);
  EXPECT_EQ(watch.rect.left, 50);
  EXPECT_EQ(watch.rect.top, 50);
  EXPECT_EQ(watch.rect.right - watch.rect.left, 556);
  EXPECT_EQ(watch.rect.bottom - watch.rect.top, 400);
  EXPECT_TRUE(watch.style & WS_CAPTION);
  EXPECT_FALSE(watch.style & WS_THICKFRAME);
  EXPECT_EQ(watch.chinese.rfind(L"Ornivex\uff08\u4ee5\u4e0b\u7b80\u79f0\u672c\u8f6f\u4ef6\uff09\u57fa\u4e8e\u201c"
                                L"\u767e\u5ea6\u4e91\u201d", 0),
            0u);
  EXPECT_NE(watch.chinese.find(L"\u672c\u8f6f\u4ef6\u6c38\u4e45\u514d\u8d39\uff01\r\n\u9996\u53d1\u5e73\u53f0"
                               L"\u2014\u2014"),
            std::wstring::npos);
  EXPECT_EQ(watch.english.rfind(L"Ornivex (hereinafter referred to as the software) based on \"Baidu cloud\" big", 0),
            0u);
  EXPECT_NE(watch.english.find(L"permanently free!\r\nStarting platform - "), std::wstring::npos);
  EXPECT_EQ(watch.note, L"\u8e69\u811a\u7684\u82f1\u6587\u4e0d\u602a\u6211\uff0c\u6765\u81ea\u8c37\u6b4c\u7ffb"
                        L"\u8bd1\u3002\u256e(\u256f\u25bd\u2570)\u256d");
}

// A multi-line edit box sends its parent WM_CLOSE on Escape: the group box
// holding it stays, with everything inside.
TEST_F(MainWindowTest, GroupBoxIgnoresWmClose) {
  HWND group = MainControl(kGroupBox);
  SendMessageW(group, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(group));
  EXPECT_TRUE(IsWindow(MainControl(kResultBox)));
}

TEST_F(MainWindowTest, ClosingTheMainWindowEndsTheMessageLoop) {
  PostMessageW(main_, WM_CLOSE, 0, 0);
  EXPECT_EQ(RunMessageLoop(), 0);
  EXPECT_FALSE(IsWindow(main_));
}

}  // namespace
}  // namespace ornivex
