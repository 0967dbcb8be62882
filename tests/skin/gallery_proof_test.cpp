// The galleries as proof: every control the two galleries place is seen on screen
// (its rectangle differs from the skin's background under it) and no key-colour
// pixel shows anywhere, with a drop-down list open too. Then the lengths that
// follow the display scale: the smallest drag size, a sub-window's fill, docked
// children. Run at 100 % and, in a Wine prefix of that scale, at 200 %.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine_environment.h"
#include "gallery.h"
#include "runtime/dpi.h"
#include "runtime/handles.h"
#include "skin/engine.h"

namespace ornivex::skin {
namespace {

int S(int length96) { return ScaleForDpi(length96, WindowDpi(nullptr)); }

// A window's whole rectangle as it is on screen.
DibCanvas Shot(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  DibCanvas shot = DibCanvas::Create(r.right - r.left, r.bottom - r.top);
  WindowDc dc = WindowDc::Whole(window);
  if (shot && dc) BitBlt(shot.Dc(), 0, 0, shot.Width(), shot.Height(), dc.Get(), 0, 0, SRCCOPY);
  GdiFlush();
  return shot;
}

std::uint32_t At(const DibCanvas& canvas, int x, int y) {
  return canvas.Bits()[static_cast<std::size_t>(y) * canvas.Width() + x] & 0xFFFFFF;
}

// Pixels of the key colour, or blended towards it, in a shot.
int KeyedPixels(const DibCanvas& shot) {
  int keyed = 0;
  for (int y = 0; y < shot.Height(); ++y)
    for (int x = 0; x < shot.Width(); ++x) {
      const std::uint32_t c = At(shot, x, y);  // 0x00RRGGBB
      const int r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
      keyed += r > 160 && b > 160 && g < 90;
    }
  return keyed;
}

// How many pixels of a control's shot differ clearly from the background under it.
int DifferingPixels(HWND control) {
  const DibCanvas shot = Shot(control);
  DibCanvas background = gEngine->BackgroundUnder(control, false, false);
  GdiFlush();
  const int width = std::min(shot.Width(), background.Width()), height = std::min(shot.Height(), background.Height());
  int differing = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const std::uint32_t a = At(shot, x, y), b = At(background, x, y);
      int most = 0;
      for (int shift : {0, 8, 16}) most = std::max(most, std::abs(static_cast<int>((a >> shift) & 0xFF) -
                                                                   static_cast<int>((b >> shift) & 0xFF)));
      differing += most > 8;
    }
  return differing;
}

void ShowsAndHasNoKeyColour(HWND control, const std::string& name) {
  RECT r;
  GetWindowRect(control, &r);
  const int area = (r.right - r.left) * (r.bottom - r.top);
  const int differing = DifferingPixels(control);
  EXPECT_GE(differing, std::max(10, area / 50)) << name << " is not seen over the background";
  EXPECT_EQ(KeyedPixels(Shot(control)), 0) << name;
}

TEST(Galleries, EveryControlIsSeenAndNoKeyColourShows) {
  for (const bool controls : {false, true}) {
    const gallery::Gallery g = controls ? gallery::CreateControls(*gEngine, 0, 0) : gallery::Create(*gEngine, 0, 0);
    ASSERT_NE(g.window, nullptr);
    RedrawWindow(g.window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    gallery::Pump(200);
    EXPECT_EQ(KeyedPixels(Shot(g.window)), 0) << (controls ? "controls gallery" : "skin gallery");
    for (const auto& [name, control] : g.controls) ShowsAndHasNoKeyColour(control, name);
    if (controls) {
      // A drop-down list, open, is seen as well: a window of the desktop's.
      HWND combo = g["dropDown"];
      COMBOBOXINFO info{};
      info.cbSize = sizeof info;
      ASSERT_TRUE(GetComboBoxInfo(combo, &info));
      SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
      gallery::Pump(200);
      ASSERT_TRUE(IsWindowVisible(info.hwndList));
      ShowsAndHasNoKeyColour(info.hwndList, "the open drop-down list");
      SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
    }
    DestroyWindow(g.window);
  }
}

// --- lengths that follow the display scale ------------------------------------

class Scaled : public ::testing::Test {
 protected:
  void SetUp() override {
    g_ = gallery::Create(*gEngine, 0, 0);
    ASSERT_NE(g_.window, nullptr);
  }
  void TearDown() override {
    if (IsWindow(g_.window)) DestroyWindow(g_.window);
  }
  SkinWindowRecord& Record() { return *gEngine->Record(gEngine->WindowNumberOf(g_.window)); }
  MINMAXINFO MinMax() {
    MINMAXINFO info{};
    SendMessageW(g_.window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    return info;
  }

  gallery::Gallery g_;
};

// The smallest size a window can be dragged to is its scale's, and a five-button
// window made that small keeps every title button clear of its icon; the largest
// is the screen, or the screen above the taskbar once maximized.
TEST_F(Scaled, MinimumAndMaximumTrackSizes) {
  const MINMAXINFO info = MinMax();
  EXPECT_EQ(info.ptMinTrackSize.x, S(200));
  EXPECT_EQ(info.ptMinTrackSize.y, S(150));
  EXPECT_EQ(info.ptMaxTrackSize.x, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(info.ptMaxTrackSize.y, GetSystemMetrics(SM_CYSCREEN));
  ASSERT_EQ(Record().titleButtons.size(), 5u);
  SetWindowPos(g_.window, nullptr, 0, 0, info.ptMinTrackSize.x, info.ptMinTrackSize.y, SWP_NOMOVE | SWP_NOZORDER);
  gallery::Pump(50);
  const int iconRight = Record().metrics.margin + S(6) + S(17);
  EXPECT_GT(Record().titleButtons.front().bounds.x, static_cast<float>(iconRight));

  RECT taskbar{};
  HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
  if (tray) GetWindowRect(tray, &taskbar);
  gEngine->TitleButtonAction(g_.number, gEngine->FindMaximizeButton(g_.number));
  EXPECT_EQ(MinMax().ptMaxTrackSize.y, GetSystemMetrics(SM_CYSCREEN) - (taskbar.bottom - taskbar.top));
}

// A group box filled with its colour: the fill ends above the frame's bottom by the
// same share of the scale as at 100 %. A docked child keeps its scaled distance
// from the edges.
TEST_F(Scaled, SubWindowFillAndDockedChildrenFollowTheScale) {
  HWND box = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, S(40), S(200), S(160), S(80),
                             g_.window, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_GE(gEngine->AddSubWindow(box, 1, RGB(255, 0, 0), 255), 1);
  RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  RECT r;
  GetClientRect(box, &r);
  WindowDc dc = WindowDc::Client(box);
  auto red = [&](int y) { return (GetPixel(dc.Get(), r.right / 2, y) & 0xFFFFFF) == RGB(255, 0, 0); };
  EXPECT_TRUE(red(r.bottom - S(8)));
  EXPECT_FALSE(red(r.bottom - S(4)));

  HWND child = CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, g_.window, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  Record().dockedChildren.emplace_back(child, S(30));
  gEngine->AfterSize(g_.window);
  RECT docked, client;
  GetWindowRect(child, &docked);
  MapWindowPoints(nullptr, g_.window, reinterpret_cast<POINT*>(&docked), 2);
  GetClientRect(g_.window, &client);
  EXPECT_EQ(docked.left, S(2));
  EXPECT_EQ(client.right - docked.right, S(2));
  EXPECT_EQ(client.bottom - docked.bottom, S(3));
  Record().dockedChildren.clear();
}

}  // namespace
}  // namespace ornivex::skin
