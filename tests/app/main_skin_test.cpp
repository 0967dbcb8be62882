// The main window as the program starts it: with its skin.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/application.h"
#include "app/skin_setup.h"
#include "app/texts.h"
#include "runtime/controls.h"
#include "runtime/files.h"
#include "runtime/handles.h"
#include "runtime/threads.h"
#include "tests/app/skinned_program.h"
#include "tests/support/recording_windir.h"

namespace ornivex {
namespace {

using skin::TitleButtonKind;

using testing::Pump;

class MainSkinTest : public testing::SkinnedProgram {
 protected:
  // A pixel of a control on screen, and the skin's composed picture at the same place.
  COLORREF OnScreen(HWND control, int x, int y) {
    WindowDc dc = WindowDc::Client(control);
    return GetPixel(dc.Get(), x, y) & 0xFFFFFF;
  }
  COLORREF Composed(HWND control, int x, int y) {
    POINT at{x, y};
    MapWindowPoints(control, main_, &at, 1);
    return GetPixel(Record().mainDc.Dc(), at.x, at.y) & 0xFFFFFF;
  }
};

TEST_F(MainSkinTest, CaptionIs25PixelsWithOnlyMinimizeAndClose) {
  ASSERT_GE(Skin()->WindowNumberOf(main_), 1);
  EXPECT_EQ(Record().captionHeight, 25);
  ASSERT_EQ(Record().TitleKinds(), (std::vector{TitleButtonKind::Minimize, TitleButtonKind::Close}));
  // The strip, 26 + 38 + 1 + 3 wide, ends at the client's right edge.
  EXPECT_EQ(Record().stripWidth, 68);
  const skin::BoundsF& minimize = Record().titleButtons[0].bounds;
  const skin::BoundsF& close = Record().titleButtons[1].bounds;
  EXPECT_EQ(minimize.x, 317 - 68 + 1 + 2);
  EXPECT_EQ(minimize.width, 26);
  EXPECT_EQ(close.x, minimize.x + 27);
  EXPECT_EQ(close.width, 40);
  EXPECT_EQ(close.y, 1);
  EXPECT_EQ(close.height, 18);
  EXPECT_EQ(Record().sizable, 1);
}

// The theme the program sets: base and accent 0xFF8800 (a clear blue), the picture
// stretched (mode 3). The caption band is that blue on screen, and a title button
// under the mouse takes on the accent.
TEST_F(MainSkinTest, ThemeIsTheProgramsAndTheCaptionShowsIt) {
  EXPECT_EQ(Skin()->GetThemeColour(), COLORREF{0xFF8800});
  EXPECT_EQ(Skin()->Settings().accent, COLORREF{0xFF8800});
  EXPECT_EQ(Skin()->Settings().defaultBackgroundMode, 3);
  RECT client;
  GetClientRect(main_, &client);
  const COLORREF band = OnScreen(main_, client.right / 2, Record().captionHeight - 3);
  EXPECT_GT(GetBValue(band), GetGValue(band));
  EXPECT_GT(GetGValue(band), GetRValue(band));
  EXPECT_GT(GetBValue(band) - GetRValue(band), 80);

  const skin::BoundsF& minimize = Record().titleButtons[0].bounds;
  const POINT at{static_cast<LONG>(minimize.x) + 3, static_cast<LONG>(minimize.y + minimize.height / 2)};
  const COLORREF plain = OnScreen(main_, at.x, at.y);
  SendMessageW(main_, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
  for (int i = 0; i < 8; ++i) SendMessageW(main_, WM_TIMER, reinterpret_cast<WPARAM>(main_), 0);
  EXPECT_NE(OnScreen(main_, at.x, at.y), plain);
  SendMessageW(main_, WM_MOUSELEAVE, 0, 0);
}

TEST_F(MainSkinTest, StaysLayeredWithAlpha220) {
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(main_, nullptr, &alpha, &flags));
  EXPECT_EQ(alpha, 220);
  EXPECT_EQ(flags, static_cast<DWORD>(LWA_ALPHA));
}

TEST_F(MainSkinTest, ControlsInTheGroupBoxShowThePictureWithoutAVeil) {
  HWND result = MainControl(texts::kResultBox), path = MainControl(texts::kPathBox);
  HWND choose = MainControl(texts::kChoosePictureButton), group = MainControl(texts::kGroupBox);
  ASSERT_EQ(Record().subWindows[0]->window, group);
  RECT r;
  GetClientRect(result, &r);
  for (POINT at : {POINT{20, 200}, POINT{r.right / 2, r.bottom - 10}})
    EXPECT_EQ(OnScreen(result, at.x, at.y), Composed(result, at.x, at.y));
  GetClientRect(path, &r);
  EXPECT_EQ(OnScreen(path, r.right - 3, r.bottom / 2), Composed(path, r.right - 3, r.bottom / 2));
  EXPECT_EQ(OnScreen(choose, 0, 0), Composed(choose, 0, 0));  // outside its rounded corner
  EXPECT_EQ(OnScreen(group, 2, 200), Composed(group, 2, 200));
}

TEST_F(MainSkinTest, RecognisedTextStaysRed) {
  HWND result = MainControl(texts::kResultBox);
  SetWindowTextW(result, L"\u8bc6\u522b\u51fa\u6765\u7684\u6587\u5b57\r\nRecognised text");
  UpdateWindow(result);
  int red = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 200; ++x) {
      const COLORREF c = OnScreen(result, x, y);
      red += GetRValue(c) > 180 && GetGValue(c) < 90 && GetBValue(c) < 90;
    }
  EXPECT_GT(red, 50);
}

// Switching to another program runs the working-set tool; the window closing (it is
// hidden first) does not. The tool's place holds a recording stand-in.
TEST_F(MainSkinTest, DeactivationTrimsOnlyWhileTheWindowIsShown) {
  const testing::RecordingWindir windir(RECORD_COMMAND_LINE, L"main");
  ASSERT_TRUE(windir.Ready());
  const std::wstring record = windir.Record();
  auto recorded = [&] {
    for (int i = 0; i < 40 && !FileExists(record); ++i) Pump(50);
    return FileExists(record);
  };

  ShowWindow(main_, SW_HIDE);
  SendMessageW(main_, WM_ACTIVATEAPP, 0, 0);
  EXPECT_FALSE(recorded());
  ShowWindow(main_, SW_SHOWNOACTIVATE);
  SendMessageW(main_, WM_ACTIVATEAPP, 0, 0);
  EXPECT_TRUE(recorded());
}

// A key pressed on the control that has the keyboard focus, then the program's
// own message loop (with its keyboard navigation) run for a moment.
void PressKey(WPARAM key) {
  const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(static_cast<UINT>(key), MAPVK_VK_TO_VSC)) << 16;
  PostMessageW(GetFocus(), WM_KEYDOWN, key, scan | 1);
  PostMessageW(GetFocus(), WM_KEYUP, key, scan | 0xC0000001);
  const DWORD end = GetTickCount() + 150;
  const UINT_PTR ticking = SetTimer(nullptr, 0, 10, nullptr);  // keeps the loop waking up
  PumpMessagesUntil([end] { return static_cast<int>(end - GetTickCount()) <= 0; });
  KillTimer(nullptr, ticking);
}

// A multi-line edit box sends its parent WM_CLOSE on Escape; the group box
// holding the result box must not go with it.
TEST_F(MainSkinTest, EscapeInTheResultBoxKeepsEveryControlAndTheText) {
  HWND result = MainControl(texts::kResultBox);
  SetControlText(result, "\xCE\xC4\xD7\xD6 text");  // 文字
  SetForegroundWindow(main_);
  SetFocus(result);
  ASSERT_EQ(GetFocus(), result);
  PressKey(VK_ESCAPE);
  for (std::string_view name : {texts::kGroupBox, texts::kPathBox, texts::kChoosePictureButton, texts::kResultBox,
                                texts::kSaveResultButton, texts::kAboutButton, texts::kCheckNewVersionButton})
    EXPECT_TRUE(IsWindow(MainControl(name)) && IsWindowVisible(MainControl(name))) << name;
  EXPECT_EQ(GetControlText(result), "\xCE\xC4\xD7\xD6 text");
  EXPECT_TRUE(IsWindowVisible(main_));
}

// Tab onto each push button, then Enter: the button is clicked, as in a dialog
// (the skin draws them, so they are owner-drawn buttons). Tab goes on past the
// multi-line result box too.
TEST_F(MainSkinTest, EnterClicksTheFocusedButton) {
  const std::string_view buttons[] = {texts::kChoosePictureButton, texts::kSaveResultButton, texts::kAboutButton,
                                      texts::kCheckNewVersionButton};
  std::vector<std::string_view> clicked;
  for (std::string_view name : buttons) {
    ASSERT_TRUE(GetWindowLongPtrW(MainControl(name), GWL_STYLE) & BS_OWNERDRAW);
    App().mainWindow->OnClicked(name, [&clicked, name] { clicked.push_back(name); });
  }
  SetForegroundWindow(main_);
  SetFocus(MainControl(texts::kPathBox));
  std::vector<std::string_view> expected;
  for (int tab = 0; tab < 12 && expected.size() < 4; ++tab) {
    PressKey(VK_TAB);
    for (std::string_view name : buttons)
      if (GetFocus() == MainControl(name)) {
        PressKey(VK_RETURN);
        expected.push_back(name);
      }
  }
  EXPECT_EQ(expected.size(), 4u);
  EXPECT_EQ(clicked, expected);
}

}  // namespace
}  // namespace ornivex
