// The capture on the real screen, driven with real input (SendInput and
// SetCursorPos): a window with known pixels, a drag or a click over it, and the
// picture compared with what the window drew. Run again in a prefix at 144 DPI,
// where the picture must still hold the screen's physical pixels.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "capture/capture.h"
#include "capture/hotkey_listener.h"
#include "capture/own_windows.h"
#include "capture/screen.h"
#include "runtime/dpi.h"
#include "runtime/form.h"
#include "runtime/handles.h"
#include "runtime/threads.h"
#include "tests/skin/gdi_objects.h"
#include "tests/support/pump.h"

namespace ornivex::capture {
namespace {

using ornivex::testing::Pump;

constexpr Rect kPatternPlace{200, 150, 320, 240};

// A colour for every pixel of the pattern window, unlike its neighbours'.
std::uint32_t PatternPixel(int x, int y) {
  return static_cast<std::uint32_t>(((x * 7 + y * 3) & 255) << 16 | ((x * 5 ^ y * 11) & 255) << 8 | ((x + y * 13) & 255));
}

LRESULT CALLBACK PatternProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_PAINT) {
    PaintDc paint(window);
    DibCanvas canvas = DibCanvas::Create(kPatternPlace.width, kPatternPlace.height);
    for (int y = 0; y < kPatternPlace.height; ++y)
      for (int x = 0; x < kPatternPlace.width; ++x) canvas.Bits()[y * kPatternPlace.width + x] = PatternPixel(x, y);
    BitBlt(paint.Get(), 0, 0, kPatternPlace.width, kPatternPlace.height, canvas.Dc(), 0, 0, SRCCOPY);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

COLORREF ScreenPixel(int x, int y) {
  WindowDc screen = WindowDc::Client(nullptr);
  return GetPixel(screen.Get(), x, y);
}

COLORREF AsColorref(std::uint32_t pixel) { return RGB(pixel >> 16 & 255, pixel >> 8 & 255, pixel & 255); }

void MoveTo(int x, int y) {
  SetCursorPos(x, y);
  Pump(40);
}

void Send(DWORD mouseFlags) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = mouseFlags;
  SendInput(1, &input, sizeof input);
  Pump(60);
}

void SendKeys(std::initializer_list<WORD> keys) {
  std::vector<INPUT> input;
  for (WORD key : keys) {
    INPUT down{};
    down.type = INPUT_KEYBOARD;
    down.ki.wVk = key;
    input.push_back(down);
  }
  for (auto key = std::rbegin(keys); key != std::rend(keys); ++key) {
    INPUT up{};
    up.type = INPUT_KEYBOARD;
    up.ki.wVk = *key;
    up.ki.dwFlags = KEYEVENTF_KEYUP;
    input.push_back(up);
  }
  SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
}

void Keys(std::initializer_list<WORD> keys) {
  SendKeys(keys);
  Pump(100);
}

class CaptureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static const bool registered = RegisterWindowClass(L"CapturePattern", &PatternProc, 0);
    ASSERT_TRUE(registered);
    pattern_.Reset(CreateWindowExW(WS_EX_TOPMOST, L"CapturePattern", L"pattern", WS_POPUP | WS_VISIBLE,
                                   kPatternPlace.left, kPatternPlace.top, kPatternPlace.width, kPatternPlace.height,
                                   nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(pattern_);
    Pump(300);
    ASSERT_EQ(ScreenPixel(kPatternPlace.left + 5, kPatternPlace.top + 9), AsColorref(PatternPixel(5, 9)))
        << "the pattern window is not on the screen";
    const char* logPixels = std::getenv("ORNIVEX_LOGPIXELS");
    dpi_ = logPixels ? std::atoi(logPixels) : 96;
  }

  void TearDown() override {
    if (CaptureRunning()) Keys({VK_ESCAPE});
    EXPECT_FALSE(CaptureRunning());
  }

  void Start() {
    result_.reset();
    ended_ = false;
    ASSERT_TRUE(StartCapture(nullptr, [this](std::optional<Picture> picture) {
      ended_ = true;
      result_ = std::move(picture);
    }));
    ASSERT_TRUE(CaptureRunning());
    Pump(100);
  }

  bool WaitForEnd() {
    for (int i = 0; i < 50 && !ended_; ++i) Pump(20);
    return ended_;
  }

  // The picture's pixel at (x, y) against the pattern's at the screen place.
  void ExpectPatternAt(const Picture& picture, int pictureX, int pictureY, int screenX, int screenY, int width,
                       int height) {
    int wrong = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const std::uint8_t* p = &picture.bgra[((pictureY + y) * static_cast<std::size_t>(picture.width) + pictureX + x) * 4];
        const std::uint32_t want = PatternPixel(screenX + x - kPatternPlace.left, screenY + y - kPatternPlace.top);
        const std::uint32_t got = static_cast<std::uint32_t>(p[2] << 16 | p[1] << 8 | p[0]);
        if (got != want || p[3] != 255) {
          if (++wrong <= 3) ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << got << " not " << want;
        }
      }
    EXPECT_EQ(wrong, 0);
  }

  PerMonitorDpiScope perMonitor_;  // the test's coordinates are physical, as the overlay's
  UniqueWindow pattern_;
  int dpi_ = 96;
  bool ended_ = false;
  std::optional<Picture> result_;
};

TEST_F(CaptureTest, ADragTakesTheScreensPixelsAndShowsTheSelectionWhileItRuns) {
  Start();
  HWND overlay = CaptureOverlay();
  ASSERT_TRUE(overlay);
  EXPECT_EQ(WindowDpi(overlay), dpi_);
  RECT bounds;
  GetWindowRect(overlay, &bounds);
  EXPECT_EQ(bounds.right - bounds.left, GetSystemMetrics(SM_CXVIRTUALSCREEN));
  EXPECT_EQ(bounds.bottom - bounds.top, GetSystemMetrics(SM_CYVIRTUALSCREEN));
  // All of the screen dimmed before the drag.
  EXPECT_EQ(ScreenPixel(300, 200), AsColorref(DimmedPixel(PatternPixel(100, 50))));

  MoveTo(230, 170);
  Send(MOUSEEVENTF_LEFTDOWN);
  MoveTo(300, 250);
  MoveTo(429, 329);
  // Bright inside, dimmed outside, the frame around, the label below.
  const OverlayMetrics m = ScaledOverlayMetrics(dpi_);
  EXPECT_EQ(ScreenPixel(300, 250), AsColorref(PatternPixel(100, 100)));
  EXPECT_EQ(ScreenPixel(429, 329), AsColorref(PatternPixel(229, 179)));
  EXPECT_EQ(ScreenPixel(215, 250), AsColorref(DimmedPixel(PatternPixel(15, 100))));
  const int belowLabel = 340 + m.frame + m.labelGap + 30;
  EXPECT_EQ(ScreenPixel(300, belowLabel), AsColorref(DimmedPixel(PatternPixel(100, belowLabel - kPatternPlace.top))));
  EXPECT_EQ(ScreenPixel(230 - m.frame, 250), RGB(0, 120, 215));
  EXPECT_EQ(ScreenPixel(300, 330 + m.frame - 1), RGB(0, 120, 215));
  EXPECT_EQ(ScreenPixel(230, 330 + m.frame + m.labelGap), RGB(32, 32, 32));
  // Back: what the selection gave up is dimmed again.
  MoveTo(329, 279);
  EXPECT_EQ(ScreenPixel(400, 300), AsColorref(DimmedPixel(PatternPixel(200, 150))));
  MoveTo(429, 329);
  Send(MOUSEEVENTF_LEFTUP);

  ASSERT_TRUE(WaitForEnd());
  EXPECT_FALSE(CaptureRunning());
  EXPECT_FALSE(IsWindow(overlay));
  ASSERT_TRUE(result_);
  ASSERT_EQ(result_->width, 200);
  ASSERT_EQ(result_->height, 160);
  ExpectPatternAt(*result_, 0, 0, 230, 170, 200, 160);
  // The overlay is gone from the screen.
  EXPECT_EQ(ScreenPixel(300, 200), AsColorref(PatternPixel(100, 50)));
}

TEST_F(CaptureTest, AClickWithoutADragTakesTheWholeMonitor) {
  Start();
  MoveTo(300, 200);
  Send(MOUSEEVENTF_LEFTDOWN);
  MoveTo(301, 201);  // within the threshold
  Send(MOUSEEVENTF_LEFTUP);
  ASSERT_TRUE(WaitForEnd());
  ASSERT_TRUE(result_);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoW(MonitorFromPoint(POINT{300, 200}, MONITOR_DEFAULTTONEAREST), &info);
  EXPECT_EQ(result_->width, info.rcMonitor.right - info.rcMonitor.left);
  EXPECT_EQ(result_->height, info.rcMonitor.bottom - info.rcMonitor.top);
  ExpectPatternAt(*result_, kPatternPlace.left - info.rcMonitor.left, kPatternPlace.top - info.rcMonitor.top,
                  kPatternPlace.left, kPatternPlace.top, kPatternPlace.width, kPatternPlace.height);
}

TEST_F(CaptureTest, EscAndTheRightButtonCancelAndLeaveNothingBehind) {
  // The first capture makes what stays for the process (the window class, the
  // system's cursor); later ones leave no GDI object. Its Esc goes through the
  // program's own message loop, whose dialog navigation sees every key first.
  Start();
  SendKeys({VK_ESCAPE});
  const DWORD deadline = GetTickCount() + 3000;
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, nullptr);
  PumpMessagesUntil([&] { return ended_ || static_cast<int>(deadline - GetTickCount()) < 0; });
  KillTimer(nullptr, timer);
  ASSERT_TRUE(ended_);
  EXPECT_FALSE(result_);
  const int gdiObjects = skin::GdiObjects();

  Start();  // Esc in the middle of a drag
  MoveTo(240, 180);
  Send(MOUSEEVENTF_LEFTDOWN);
  MoveTo(300, 260);
  Keys({VK_ESCAPE});
  ASSERT_TRUE(WaitForEnd());
  EXPECT_FALSE(result_);
  Send(MOUSEEVENTF_LEFTUP);

  Start();
  MoveTo(300, 200);
  Send(MOUSEEVENTF_RIGHTDOWN);
  ASSERT_TRUE(WaitForEnd());
  EXPECT_FALSE(result_);
  Send(MOUSEEVENTF_RIGHTUP);
  EXPECT_FALSE(CaptureRunning());
  EXPECT_EQ(ScreenPixel(300, 200), AsColorref(PatternPixel(100, 50)));
  EXPECT_EQ(skin::GdiObjects(), gdiObjects);

  // One at a time.
  Start();
  EXPECT_FALSE(StartCapture(nullptr, [](std::optional<Picture>) { ADD_FAILURE() << "a second capture ran"; }));
  Keys({VK_ESCAPE});
  ASSERT_TRUE(WaitForEnd());
}

TEST_F(CaptureTest, HiddenWindowsComeBackAsTheyWereAndTheMinimisedMainOneRestored) {
  UniqueWindow main(CreateWindowExW(0, L"CapturePattern", L"main", WS_OVERLAPPEDWINDOW, 600, 100, 200, 150, nullptr,
                                    nullptr, GetModuleHandleW(nullptr), nullptr));
  ShowWindow(main.Get(), SW_SHOWMINIMIZED);
  Pump(100);
  ASSERT_TRUE(IsIconic(main.Get()));
  {
    HiddenWindows hidden = HiddenWindows::HideAll();
    EXPECT_GE(hidden.Count(), 2u);
    EXPECT_FALSE(IsWindowVisible(main.Get()));
    EXPECT_FALSE(IsWindowVisible(pattern_.Get()));
    Pump(100);
    EXPECT_NE(ScreenPixel(kPatternPlace.left + 5, kPatternPlace.top + 9), AsColorref(PatternPixel(5, 9)));
    hidden.Restore(main.Get());
  }
  Pump(100);
  EXPECT_TRUE(IsWindowVisible(main.Get()));
  EXPECT_FALSE(IsIconic(main.Get()));
  EXPECT_TRUE(IsWindowVisible(pattern_.Get()));
  {
    ShowWindow(main.Get(), SW_SHOWMINIMIZED);
    HiddenWindows hidden = HiddenWindows::HideAll();
  }  // restored without a main window: each as it was
  EXPECT_TRUE(IsWindowVisible(main.Get()));
  EXPECT_TRUE(IsIconic(main.Get()));

  // A capture without them: not in the picture; handed over while they are
  // still hidden, and back, the main one restored, as soon as that is done.
  bool hiddenWhenHandedOver = false;
  ASSERT_TRUE(StartCaptureWithoutOwnWindows(main.Get(), [&](std::optional<Picture> picture) {
    ended_ = true;
    result_ = std::move(picture);
    hiddenWhenHandedOver = !IsWindowVisible(pattern_.Get());
  }));
  EXPECT_FALSE(IsWindowVisible(pattern_.Get()));
  Pump(100);
  MoveTo(300, 200);
  Send(MOUSEEVENTF_LEFTDOWN);
  Send(MOUSEEVENTF_LEFTUP);
  ASSERT_TRUE(WaitForEnd());
  EXPECT_TRUE(hiddenWhenHandedOver);
  EXPECT_TRUE(IsWindowVisible(pattern_.Get()));
  EXPECT_FALSE(IsIconic(main.Get()));
  ASSERT_TRUE(result_);
  const std::uint8_t* p = &result_->bgra[(kPatternPlace.top * static_cast<std::size_t>(result_->width) + kPatternPlace.left + 40) * 4];
  EXPECT_NE(static_cast<std::uint32_t>(p[2] << 16 | p[1] << 8 | p[0]), PatternPixel(40, 0));
}

// The holder program keeps a chord registered until told to let it go.
class HotkeyTest : public CaptureTest {};

TEST_F(HotkeyTest, AChordAnotherProgramHoldsIsTakenAndFreeOnceItLetsGo) {
  const Hotkey chord = *ParseHotkey(u"Ctrl+Alt+Shift+F9");
  const std::wstring ready = L"OrnivexHotkeyHolderReady" + std::to_wstring(GetCurrentProcessId());
  const std::wstring release = L"OrnivexHotkeyHolderRelease" + std::to_wstring(GetCurrentProcessId());
  UniqueHandle readyEvent(CreateEventW(nullptr, TRUE, FALSE, ready.c_str()));
  UniqueHandle releaseEvent(CreateEventW(nullptr, TRUE, FALSE, release.c_str()));
  // The build gives the Linux path; Wine sees the Linux root as drive Z:.
  const std::string holderPath = HOTKEY_HOLDER;
  std::wstring command = L"\"Z:" + std::wstring(holderPath.begin(), holderPath.end()) + L"\" Ctrl+Alt+Shift+F9 " +
                         ready + L" " + release;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  UniqueHandle holder(process.hProcess);
  CloseHandle(process.hThread);
  ASSERT_EQ(WaitForSingleObject(readyEvent.Get(), 30000), WAIT_OBJECT_0);

  int presses = 0;
  HotkeyStatus status = HotkeyStatus::kRegistered;
  EXPECT_FALSE(HotkeyListener::Register(chord, [&] { ++presses; }, status));
  EXPECT_EQ(status, HotkeyStatus::kTaken);

  SetEvent(releaseEvent.Get());
  ASSERT_EQ(WaitForSingleObject(holder.Get(), 30000), WAIT_OBJECT_0);
  auto listener = HotkeyListener::Register(chord, [&] { ++presses; }, status);
  ASSERT_TRUE(listener);
  EXPECT_EQ(status, HotkeyStatus::kRegistered);
  // A press while one of the program's windows has the focus (Wine's rule).
  MoveTo(kPatternPlace.left + 10, kPatternPlace.top + 10);
  Send(MOUSEEVENTF_LEFTDOWN);
  Send(MOUSEEVENTF_LEFTUP);
  Keys({VK_CONTROL, VK_MENU, VK_SHIFT, VK_F9});
  EXPECT_EQ(presses, 1);
  // Unregistered with the listener: the chord is free again, for this process
  // or any other.
  listener.reset();
  Keys({VK_CONTROL, VK_MENU, VK_SHIFT, VK_F9});
  EXPECT_EQ(presses, 1);
  EXPECT_TRUE(HotkeyListener::Register(chord, [] {}, status));
}

}  // namespace
}  // namespace ornivex::capture
