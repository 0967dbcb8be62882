// The galleries as proof: every control the two galleries place is seen on screen
// (its rectangle differs from the skin's background under it, by as much as its
// text draws with this machine's fonts in a reference pass) and no key-colour
// pixel shows anywhere, with a drop-down list open too. Then the lengths that
// follow the display scale: the smallest drag size, a sub-window's fill, docked
// children. Run at 100 % and, in a Wine prefix of that scale, at 200 %.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
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

// Whether two pixels differ clearly: by more than 8 in some channel.
bool Differ(std::uint32_t a, std::uint32_t b) {
  for (int shift : {0, 8, 16})
    if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 8) return true;
  return false;
}

// How many pixels of a control's shot differ clearly from the background under it.
int DifferingPixels(HWND control) {
  const DibCanvas shot = Shot(control);
  DibCanvas background = gEngine->BackgroundUnder(control, false, false);
  GdiFlush();
  const int width = std::min(shot.Width(), background.Width()), height = std::min(shot.Height(), background.Height());
  int differing = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) differing += Differ(At(shot, x, y), At(background, x, y));
  return differing;
}

// The reference pass: what the text of the same control draws with the fonts of
// this machine. A twin of it (its class, styles, text, font, size and items) is
// made in a plain window of the system's colours, shot with its text and items
// and again without them; the pixels that differ are its text's ink. A
// control whose text is what shows of it must differ from the skin's background
// under it in about as many pixels: a font that draws lighter here lowers both
// counts alike, and a control the skin blanks shows nothing however its font
// draws. Nothing when the control has no text and no items; 0 when its text
// draws nothing by itself (a button the skin owner-draws).
class ReferencePass {
 public:
  ReferencePass() {
    WNDCLASSEXW wc = {sizeof wc};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"OrnivexProofReference";
    RegisterClassExW(&wc);
    window_.Reset(CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0,
                                  0, S(720), S(560), nullptr, nullptr, wc.hInstance, nullptr));
    gallery::Pump(50);
  }

  std::optional<int> InkOf(HWND control) {
    wchar_t className[64] = {};
    GetClassNameW(control, className, 64);
    std::wstring twinClass = className;
    if (twinClass == L"ComboLBox") twinClass = L"ListBox";  // an open drop-down's list
    RECT r;
    GetWindowRect(control, &r);
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(control, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(control, GWL_EXSTYLE));
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(GetWindowTextW(control, text.data(), static_cast<int>(text.size())));
    UniqueWindow twin(CreateWindowExW(exStyle & ~(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_LAYERED),
                                      twinClass.c_str(), text.c_str(),
                                      (style & ~(WS_POPUP | WS_DISABLED)) | WS_CHILD | WS_VISIBLE, 0, 0,
                                      r.right - r.left, r.bottom - r.top, window_.Get(), nullptr,
                                      GetModuleHandleW(nullptr), nullptr));
    if (!twin) return std::nullopt;
    SendMessageW(twin.Get(), WM_SETFONT, SendMessageW(control, WM_GETFONT, 0, 0), FALSE);
    const bool items = CopyItems(control, twinClass, twin.Get());
    if (text.empty() && !items) return std::nullopt;
    const DibCanvas full = Drawn(twin.Get());
    SetWindowTextW(twin.Get(), L"");
    SendMessageW(twin.Get(), twinClass == L"ComboBox" ? CB_RESETCONTENT : LB_RESETCONTENT, 0, 0);
    const DibCanvas empty = Drawn(twin.Get());
    int ink = 0;
    for (int y = 0; y < full.Height(); ++y)
      for (int x = 0; x < full.Width(); ++x) ink += Differ(At(full, x, y), At(empty, x, y));
    return ink;
  }

 private:
  static DibCanvas Drawn(HWND twin) {
    RedrawWindow(twin, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    gallery::Pump(30);
    return Shot(twin);
  }

  // The strings of a list or a combo box, and which one is chosen; true when
  // there were any.
  static bool CopyItems(HWND from, const std::wstring& twinClass, HWND to) {
    const bool combo = twinClass == L"ComboBox";
    if (!combo && twinClass != L"ListBox") return false;
    const UINT count = combo ? CB_GETCOUNT : LB_GETCOUNT, length = combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN,
               get = combo ? CB_GETLBTEXT : LB_GETTEXT, add = combo ? CB_ADDSTRING : LB_ADDSTRING;
    const LRESULT n = SendMessageW(from, count, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
      std::wstring item(static_cast<std::size_t>(std::max<LRESULT>(0, SendMessageW(from, length, i, 0))) + 1, L'\0');
      SendMessageW(from, get, i, reinterpret_cast<LPARAM>(item.data()));
      SendMessageW(to, add, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }
    const UINT current = combo ? CB_GETCURSEL : LB_GETCURSEL;
    SendMessageW(to, combo ? CB_SETCURSEL : LB_SETCURSEL, SendMessageW(from, current, 0, 0), 0);
    return n > 0;
  }

  UniqueWindow window_;
};

struct Seen {
  std::string name;
  HWND control;
  int area;
  int differing;
};

// Counts what a control shows over the skin's background, and checks that no
// key colour shows in it.
Seen LookAt(HWND control, const std::string& name) {
  RECT r;
  GetWindowRect(control, &r);
  EXPECT_EQ(KeyedPixels(Shot(control)), 0) << name;
  return {name, control, (r.right - r.left) * (r.bottom - r.top), DifferingPixels(control)};
}

// Each control differs from the background under it in a fiftieth of its area
// (never fewer than 10 pixels); one whose text or items draw in the reference
// pass, in no more than half the pixels that ink covers there.
void EachIsSeen(const std::vector<Seen>& looked) {
  ReferencePass reference;
  for (const Seen& seen : looked) {
    const std::optional<int> ink = reference.InkOf(seen.control);
    const int needed = std::max(10, ink.value_or(0) > 0 ? std::min(seen.area / 50, *ink / 2) : seen.area / 50);
    EXPECT_GE(seen.differing, needed) << seen.name << " is not seen over the background (its text's ink: "
                                      << ink.value_or(0) << " pixels)";
  }
}

TEST(Galleries, EveryControlIsSeenAndNoKeyColourShows) {
  for (const bool controls : {false, true}) {
    const gallery::Gallery g = controls ? gallery::CreateControls(*gEngine, 0, 0) : gallery::Create(*gEngine, 0, 0);
    ASSERT_NE(g.window, nullptr);
    RedrawWindow(g.window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    gallery::Pump(200);
    EXPECT_EQ(KeyedPixels(Shot(g.window)), 0) << (controls ? "controls gallery" : "skin gallery");
    std::vector<Seen> looked;
    for (const auto& [name, control] : g.controls) looked.push_back(LookAt(control, name));
    if (controls) {
      // A drop-down list, open, is seen as well: a window of the desktop's.
      HWND combo = g["dropDown"];
      COMBOBOXINFO info{};
      info.cbSize = sizeof info;
      ASSERT_TRUE(GetComboBoxInfo(combo, &info));
      SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
      gallery::Pump(200);
      ASSERT_TRUE(IsWindowVisible(info.hwndList));
      looked.push_back(LookAt(info.hwndList, "the open drop-down list"));
      EachIsSeen(looked);
      SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
    } else {
      EachIsSeen(looked);
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
