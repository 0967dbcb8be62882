// A skinned top-level window as the user meets it: its composed picture, the title
// buttons' fade and actions, maximizing, the registry, the button skins and the
// trimming started when the program is deactivated. Real windows under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/working_set.h"
#include "engine_environment.h"
#include "gallery.h"
#include "gfx/gfx.h"
#include "runtime/files.h"
#include "runtime/handles.h"
#include "runtime/subclass.h"
#include "skin/engine.h"
#include "skin/family.h"
#include "tests/support/recording_windir.h"

namespace ornivex::skin {
namespace {

class SkinnedWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    g_ = gallery::Create(*gEngine);
    ASSERT_NE(g_.window, nullptr);
    ASSERT_GE(g_.number, 1);
  }
  void TearDown() override {
    if (IsWindow(g_.window)) DestroyWindow(g_.window);
  }
  SkinWindowRecord& Record() { return *gEngine->Record(gEngine->WindowNumberOf(g_.window)); }
  // A pixel of the composed picture, 0x00RRGGBB.
  COLORREF Composed(int x, int y) { return GetPixel(Record().mainDc.Dc(), x, y) & 0xFFFFFF; }
  POINT CentreOf(int button) {
    const BoundsF& b = Record().titleButtons[button - 1].bounds;
    return POINT{static_cast<LONG>(b.x + b.width / 2), static_cast<LONG>(b.y + b.height / 2)};
  }
  void Send(UINT message, POINT at, WPARAM wparam = 0) {
    SendMessageW(g_.window, message, wparam, MAKELPARAM(at.x, at.y));
  }
  void Tick() { SendMessageW(g_.window, WM_TIMER, reinterpret_cast<WPARAM>(g_.window), 0); }

  gallery::Gallery g_;
};

int RedOf(COLORREF c) { return GetRValue(c); }
int Brightness(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); }
// A pixel of a window's client area as it is on screen.
COLORREF ScreenPixel(HWND window, int x, int y) {
  WindowDc dc = WindowDc::Client(window);
  return GetPixel(dc.Get(), x, y) & 0xFFFFFF;
}

TEST_F(SkinnedWindow, ComposesPictureFrameAndRoundCorners) {
  EXPECT_EQ(Record().captionHeight, 25);
  EXPECT_EQ(WindowProperty(g_.window, L"Hw_lbID"), g_.number);
  EXPECT_TRUE(GetWindowLongPtrW(g_.window, GWL_STYLE) & WS_SYSMENU);
  EXPECT_EQ(Composed(0, 0), RGB(255, 0, 255));  // outside the rounded clip
  const COLORREF inside = Composed(200, 150);
  EXPECT_NE(inside, RGB(255, 0, 255));
  EXPECT_NE(inside, RGB(0, 136, 255));  // the picture covers the theme colour

  // A new size: a new frame bitmap, the old one deleted, the first one kept.
  const auto initial = WindowProperty(g_.window, L"Ck_Ycjdx");
  const auto frame = WindowProperty(g_.window, L"Ck_wtjbdx");
  SetWindowPos(g_.window, nullptr, 0, 0, 500, 320, SWP_NOMOVE | SWP_NOZORDER);
  gallery::Pump(50);
  EXPECT_EQ(WindowProperty(g_.window, L"Ck_Ycjdx"), initial);
  EXPECT_NE(WindowProperty(g_.window, L"Ck_wtjbdx"), frame);
  EXPECT_EQ(GetObjectType(reinterpret_cast<HGDIOBJ>(frame)), 0u);
  EXPECT_EQ(Record().mainDc.Width(), 500);
}

TEST_F(SkinnedWindow, TitleButtonsFadeInAndOutStepByStep) {
  const int close = static_cast<int>(Record().titleButtons.size());
  const POINT at = CentreOf(close);
  const int x = at.x, y = at.y + 5;
  const int plain = RedOf(Composed(x, y));
  Send(WM_MOUSEMOVE, at);
  int last = plain;
  for (int step = 1; step <= 8; ++step) {
    Tick();
    const int red = RedOf(Composed(x, y));
    EXPECT_GT(red, last) << "step " << step;
    last = red;
  }
  EXPECT_FALSE(Record().fade.timerRunning);  // resting on it: the timer is gone
  EXPECT_FALSE(KillTimer(g_.window, reinterpret_cast<UINT_PTR>(g_.window)));

  // Crossing to the neighbour fades both at once.
  const POINT left = CentreOf(close - 1);
  Send(WM_MOUSEMOVE, left);
  const COLORREF neighbourPlain = Composed(left.x, left.y + 5);
  Tick();
  EXPECT_LT(RedOf(Composed(x, y)), last);
  EXPECT_NE(Composed(left.x, left.y + 5), neighbourPlain);

  // Leaving the window: both fade out, back to exactly the plain look, idle.
  SendMessageW(g_.window, WM_MOUSELEAVE, 0, 0);
  for (int i = 0; i < 10; ++i) Tick();
  EXPECT_EQ(RedOf(Composed(x, y)), plain);
  EXPECT_EQ(Record().fade.hoverButton, 0);
  EXPECT_FALSE(Record().fade.timerRunning);
  gallery::Pump(100);
  EXPECT_FALSE(KillTimer(g_.window, reinterpret_cast<UINT_PTR>(g_.window)));
}

TEST_F(SkinnedWindow, NewCaptionIsShownAndAHoveredButtonKeepsTheLookOfItsFade) {
  const int close = static_cast<int>(Record().titleButtons.size());
  const POINT at = CentreOf(close);
  Send(WM_MOUSEMOVE, at);
  for (int i = 0; i < 8; ++i) Tick();
  const COLORREF hot = ScreenPixel(g_.window, at.x, at.y + 5);
  // The caption's text band, on screen.
  auto band = [this] {
    std::vector<COLORREF> pixels;
    for (int y = 8; y < 22; ++y)
      for (int x = 30; x < 300; x += 2) pixels.push_back(ScreenPixel(g_.window, x, y));
    return pixels;
  };
  const std::vector<COLORREF> before = band();
  SetWindowTextW(g_.window, L"\u53e6\u4e00\u4e2a\u6807\u9898 Another caption");
  EXPECT_NE(band(), before);
  EXPECT_EQ(ScreenPixel(g_.window, 100, 15), Composed(100, 15));
  EXPECT_EQ(ScreenPixel(g_.window, at.x, at.y + 5), hot);
  // Leaving, it fades out from there: never brighter than it was.
  SendMessageW(g_.window, WM_MOUSELEAVE, 0, 0);
  Tick();
  EXPECT_LE(RedOf(ScreenPixel(g_.window, at.x, at.y + 5)), RedOf(hot));
}

TEST_F(SkinnedWindow, PressedTitleButtonAndTheFrameOnScreen) {
  // The frame: a dark line along the edge, a light one inside it.
  const int y = 200;
  const COLORREF edge = ScreenPixel(g_.window, 0, y), inner = ScreenPixel(g_.window, 1, y);
  const COLORREF body = ScreenPixel(g_.window, 4, y);
  EXPECT_LT(Brightness(edge), Brightness(body) - 100);
  EXPECT_GT(Brightness(inner), Brightness(body));

  // Pressed, the close button turns red from its top; released elsewhere, plain again.
  const int close = static_cast<int>(Record().titleButtons.size());
  const BoundsF& b = Record().titleButtons[close - 1].bounds;
  const POINT spot{static_cast<LONG>(b.x) + 3, static_cast<LONG>(b.y) + 2};
  const COLORREF plain = ScreenPixel(g_.window, spot.x, spot.y);
  Send(WM_LBUTTONDOWN, CentreOf(close), MK_LBUTTON);
  const COLORREF pressed = ScreenPixel(g_.window, spot.x, spot.y);
  EXPECT_GT(GetRValue(pressed), 200);
  EXPECT_LT(GetGValue(pressed) + GetBValue(pressed), 120);
  Send(WM_LBUTTONUP, POINT{100, 150});
  EXPECT_EQ(ScreenPixel(g_.window, spot.x, spot.y), plain);
}

TEST_F(SkinnedWindow, ClickActsOnlyWhenReleasedOnTheSameButton) {
  const int close = static_cast<int>(Record().titleButtons.size());
  Send(WM_LBUTTONDOWN, CentreOf(close), MK_LBUTTON);
  Send(WM_LBUTTONUP, POINT{100, 150});  // dragged off: nothing
  EXPECT_TRUE(IsWindow(g_.window));
  const int minimize = close - 2;
  // Pressed on one button, moved onto another and released there: neither acts.
  Send(WM_LBUTTONDOWN, CentreOf(minimize), MK_LBUTTON);
  EXPECT_EQ(GetCapture(), g_.window);
  Send(WM_MOUSEMOVE, CentreOf(close), MK_LBUTTON);
  Send(WM_LBUTTONUP, CentreOf(close));
  EXPECT_TRUE(IsWindow(g_.window));
  EXPECT_FALSE(IsIconic(g_.window));
  EXPECT_EQ(GetCapture(), nullptr);
  // The capture taken away mid-press ends the press.
  Send(WM_LBUTTONDOWN, CentreOf(close), MK_LBUTTON);
  ReleaseCapture();
  Send(WM_LBUTTONUP, CentreOf(close));
  EXPECT_TRUE(IsWindow(g_.window));

  Send(WM_LBUTTONDOWN, CentreOf(minimize), MK_LBUTTON);
  Send(WM_LBUTTONUP, CentreOf(minimize));
  EXPECT_TRUE(IsIconic(g_.window));
  ShowWindow(g_.window, SW_RESTORE);
  Send(WM_LBUTTONDOWN, CentreOf(close), MK_LBUTTON);
  Send(WM_LBUTTONUP, CentreOf(close));
  EXPECT_FALSE(IsWindow(g_.window));
}

TEST_F(SkinnedWindow, QuitSentToTheWindowLeavesGdiplusRunning) {
  SendMessageW(g_.window, WM_QUIT, 0, 0);
  EXPECT_TRUE(gfx::GdiplusRunning());
}

TEST_F(SkinnedWindow, DoubleClickInTheCaptionTogglesMaximize) {
  Send(WM_LBUTTONDBLCLK, POINT{60, 100});  // below the caption
  EXPECT_FALSE(IsZoomed(g_.window));

  // The taskbar stays visible below a maximized window.
  WNDCLASSW tray = {};
  tray.lpfnWndProc = DefWindowProcW;
  tray.hInstance = GetModuleHandleW(nullptr);
  tray.lpszClassName = L"Shell_TrayWnd";
  RegisterClassW(&tray);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  UniqueWindow taskbar(CreateWindowExW(WS_EX_TOOLWINDOW, L"Shell_TrayWnd", L"", WS_POPUP, 0, screenHeight - 40,
                                       GetSystemMetrics(SM_CXSCREEN), 40, nullptr, nullptr, tray.hInstance, nullptr));
  ASSERT_EQ(FindWindowW(L"Shell_TrayWnd", nullptr), taskbar.Get()) << "another taskbar window answers first";

  Send(WM_LBUTTONDBLCLK, POINT{60, 10});
  EXPECT_TRUE(IsZoomed(g_.window));
  RECT r;
  GetWindowRect(g_.window, &r);
  EXPECT_EQ(r.bottom - r.top, screenHeight - 40);
  Send(WM_LBUTTONDBLCLK, POINT{60, 10});
  EXPECT_FALSE(IsZoomed(g_.window));

  // Restored from the system menu rather than the caption, it maximizes again
  // on the next double click.
  Send(WM_LBUTTONDBLCLK, POINT{60, 10});
  SendMessageW(g_.window, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(IsZoomed(g_.window));
  Send(WM_LBUTTONDBLCLK, POINT{60, 10});
  EXPECT_TRUE(IsZoomed(g_.window));
  Send(WM_LBUTTONDBLCLK, POINT{60, 10});

  // Without a maximize button the caption ignores double clicks.
  const gallery::Gallery fixed = gallery::Create(*gEngine, 300, 300, false);
  SendMessageW(fixed.window, WM_LBUTTONDBLCLK, 0, MAKELPARAM(60, 10));
  EXPECT_FALSE(IsZoomed(fixed.window));
  DestroyWindow(fixed.window);
}

TEST_F(SkinnedWindow, DestroyingTheFirstWindowRenumbersTheOthers) {
  const gallery::Gallery second = gallery::Create(*gEngine, 300, 300);
  ASSERT_EQ(WindowProperty(second.window, L"Hw_lbID"), g_.number + 1);
  DestroyWindow(g_.window);
  EXPECT_EQ(WindowProperty(second.window, L"Hw_lbID"), g_.number);
  EXPECT_EQ(WindowProperty(second["push"], L"Hw_FuID"), g_.number);
  EXPECT_EQ(WindowProperty(second["checked"], L"Hw_FuID"), g_.number);
  EXPECT_EQ(WindowProperty(second["panel"], L"Hw_FuID"), g_.number);
  EXPECT_EQ(WindowProperty(second["calendar"], L"Kj_FuID"), g_.number);
  EXPECT_NE(FindControlRecord(second["push"], &SkinWindowRecord::buttons), nullptr);
  DestroyWindow(second.window);
  EXPECT_EQ(gEngine->WindowCount(), 0);
}

void Smear(HWND control) {
  WindowDc dc = WindowDc::Client(control);
  RECT client;
  GetClientRect(control, &client);
  UniqueBrush magenta(CreateSolidBrush(RGB(255, 0, 255)));
  FillRect(dc.Get(), &client, magenta.Get());
}

TEST_F(SkinnedWindow, ButtonsEnrolByKindAndRepaintOnlyWhenTheirLookChanges) {
  for (const char* taken : {"push", "default", "disabled", "checked", "unchecked", "radio1", "radio2"})
    EXPECT_NE(FindControlRecord(g_[taken], &SkinWindowRecord::buttons), nullptr) << taken;
  for (const char* left : {"threeState", "plainRadio", "groupBox", "ownerDrawn"})
    EXPECT_EQ(WindowProperty(g_[left], L"Hw_lbID"), 0) << left;

  HWND push = g_["push"];
  SendMessageW(push, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  Smear(push);
  SendMessageW(push, WM_MOUSEMOVE, 0, MAKELPARAM(30, 12));  // still the same button: no repaint
  EXPECT_EQ(ScreenPixel(push, 20, 15), RGB(255, 0, 255));
  SendMessageW(push, WM_MOUSELEAVE, 0, 0);  // leaving repaints the plain look
  EXPECT_NE(ScreenPixel(push, 20, 15), RGB(255, 0, 255));

  HWND box = g_["unchecked"];
  SetFocus(box);
  Smear(box);
  SendMessageW(box, WM_KEYDOWN, VK_SPACE, 0);
  SendMessageW(box, WM_KEYUP, VK_SPACE, 0);
  EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_NE(ScreenPixel(box, 6, 12), RGB(255, 0, 255));  // repainted at once, no WM_PAINT needed

  SendMessageW(box, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(6, 12));
  SendMessageW(box, WM_LBUTTONUP, 0, MAKELPARAM(6, 12));
  EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);  // the double click was swallowed
}

// A skinned window of the test's own class, which records the moves and sizes the
// skin asks of the system and carries none of them out (no modal loop in a test).
std::vector<std::pair<UINT, WPARAM>> gAsked;
LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCLBUTTONDOWN || (message == WM_SYSCOMMAND && (wparam & 0xFFF0) == SC_SIZE)) {
    gAsked.emplace_back(message, wparam);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

HWND RecordingWindow(const SkinWindowOptions& options) {
  static const bool registered = [] {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = RecordingProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"OrnivexRecordingWindow";
    return RegisterClassW(&wc) != 0;
  }();
  if (!registered) return nullptr;
  HWND window = CreateWindowExW(0, L"OrnivexRecordingWindow", L"recording", WS_POPUP | WS_VISIBLE | WS_MINIMIZEBOX,
                                60, 60, 320, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  gEngine->SkinWindow(window, options);
  gallery::Pump(30);
  return window;
}

TEST(SkinnedWindowOptions, WithSizingOffTheEdgesNeitherShowASizingCursorNorSize) {
  for (int sizable : {1, 0}) {
    SCOPED_TRACE(sizable);
    UniqueWindow window(RecordingWindow({.sizable = sizable}));
    RECT client;
    GetClientRect(window.Get(), &client);
    const LPARAM edge = MAKELPARAM(client.right - 1, client.bottom / 2);
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    SendMessageW(window.Get(), WM_MOUSEMOVE, 0, edge);
    EXPECT_EQ(GetCursor() == LoadCursorW(nullptr, IDC_SIZEWE), sizable == 1);
    gAsked.clear();
    SendMessageW(window.Get(), WM_LBUTTONDOWN, MK_LBUTTON, edge);
    ASSERT_EQ(gAsked.size(), 1u);
    if (sizable) EXPECT_EQ(gAsked[0], std::make_pair(UINT{WM_SYSCOMMAND}, WPARAM{SC_SIZE + 2}));
    else EXPECT_EQ(gAsked[0], std::make_pair(UINT{WM_NCLBUTTONDOWN}, WPARAM{HTCAPTION}));  // moves it instead
  }
}

TEST(SkinnedWindowOptions, WithTitleButtonsOffThereIsNoStripNoHitAndNoFade) {
  UniqueWindow window(RecordingWindow({.titleButtonsActive = 0}));
  const int number = gEngine->WindowNumberOf(window.Get());
  SkinWindowRecord& record = *gEngine->Record(number);
  const BoundsF& close = record.titleButtons.back().bounds;
  const int x = static_cast<int>(close.x + close.width / 2), y = static_cast<int>(close.y + close.height / 2);
  // Where the close button would be, the composed picture is the bare background.
  for (int dx : {-8, 0, 8})
    EXPECT_EQ(GetPixel(record.mainDc.Dc(), x + dx, y), GetPixel(record.dc2.Dc(), x + dx, y)) << dx;
  EXPECT_EQ(gEngine->HitTestTitleButton(number, x, y), 0);
  SendMessageW(window.Get(), WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
  EXPECT_EQ(record.fade.hoverButton, 0);
  EXPECT_FALSE(KillTimer(window.Get(), reinterpret_cast<UINT_PTR>(window.Get())));
  SendMessageW(window.Get(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessageW(window.Get(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  EXPECT_TRUE(IsWindow(window.Get()));
}

// A window that cannot be skinned (its procedure cannot be replaced) keeps its
// children as they were: none of them enrolled in a record that is gone.
TEST(SkinWindowFailure, LeavesTheChildrenAsTheyWere) {
  UniqueWindow parent(CreateWindowExW(0, L"Static", L"", WS_POPUP | WS_VISIBLE, 40, 40, 300, 200, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr));
  auto child = [&](const wchar_t* cls, DWORD style, int top) {
    return CreateWindowExW(0, cls, L"c", WS_CHILD | WS_VISIBLE | style, 10, top, 100, 24, parent.Get(), nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  };
  const std::vector<HWND> children{child(L"BUTTON", BS_PUSHBUTTON, 10), child(L"BUTTON", BS_AUTOCHECKBOX, 50),
                                   child(L"Edit", 0, 90)};
  std::vector<LONG_PTR> procedures, styles;
  for (HWND child : children) {
    procedures.push_back(GetWindowLongPtrW(child, GWLP_WNDPROC));
    styles.push_back(GetWindowLongPtrW(child, GWL_STYLE));
  }
  // A procedure already kept under the skin's name: the skin refuses to stack on it.
  SetPropW(parent.Get(), L"Hw_hProc", reinterpret_cast<HANDLE>(GetWindowLongPtrW(parent.Get(), GWLP_WNDPROC)));
  const int windows = gEngine->WindowCount();
  gEngine->SkinWindow(parent.Get(), {});
  EXPECT_EQ(gEngine->WindowCount(), windows);
  for (std::size_t i = 0; i < children.size(); ++i) {
    EXPECT_EQ(GetWindowLongPtrW(children[i], GWLP_WNDPROC), procedures[i]) << i;
    EXPECT_EQ(GetWindowLongPtrW(children[i], GWL_STYLE), styles[i]) << i;
    EXPECT_EQ(WindowProperty(children[i], L"Hw_lbID"), 0) << i;
  }
  RemovePropW(parent.Get(), L"Hw_hProc");
}

// Switching to another program runs the working-set tool with this process's id;
// coming back runs nothing. The tool's place holds a recording stand-in.
TEST_F(SkinnedWindow, DeactivationRunsTheToolWithTheProcessId) {
  const testing::RecordingWindir windir(RECORD_COMMAND_LINE, L"skin");
  ASSERT_TRUE(windir.Ready());
  const std::wstring record = windir.Record();
  gEngine->SetDeactivationRoutine(TrimWorkingSetThread);

  SendMessageW(g_.window, WM_ACTIVATEAPP, 1, 0);
  gallery::Pump(300);
  EXPECT_FALSE(ReadWholeFile(record)) << "activation started the tool";
  SendMessageW(g_.window, WM_ACTIVATEAPP, 0, 0);
  std::optional<std::string> recorded;
  for (int i = 0; i < 100 && !(recorded = ReadWholeFile(record)); ++i) gallery::Pump(50);
  ASSERT_TRUE(recorded);
  const std::wstring line(reinterpret_cast<const wchar_t*>(recorded->data()), recorded->size() / sizeof(wchar_t));
  EXPECT_NE(line.find(L" " + std::to_wstring(GetCurrentProcessId()) + L"\n"), std::wstring::npos);

  gEngine->SetDeactivationRoutine(nullptr);
}

}  // namespace
}  // namespace ornivex::skin
