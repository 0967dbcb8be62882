// The theme (where the theme and accent colours come from, what a picture file is
// kept as, which windows repaint), and the sub-windows and transparent controls of
// the skin gallery: what they show on screen against the skin's composed
// background, what they answer to their children's colour messages, and how they
// are registered. Real windows under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine_environment.h"
#include "gallery.h"
#include "gfx/gfx.h"
#include "runtime/codepage.h"
#include "runtime/files.h"
#include "runtime/handles.h"
#include "runtime/subclass.h"
#include "skin/background.h"
#include "skin/engine.h"
#include "skin/families.h"
#include "skin/family.h"
#include "tests/support/debug_output.h"

namespace ornivex::skin {
namespace {

// A pixel as it is on screen, 0x00BBGGRR.
COLORREF ScreenPixel(HWND window, int x, int y) {
  WindowDc dc = WindowDc::Client(window);
  return GetPixel(dc.Get(), x, y) & 0xFFFFFF;
}
// The composed background under a window's client area (veiled or not), at (x, y).
COLORREF BackgroundPixel(HWND window, int x, int y, bool veil) {
  DibCanvas background = gEngine->BackgroundUnder(window, true, veil);
  return GetPixel(background.Dc(), x, y) & 0xFFFFFF;
}
int Brightness(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); }

class Containers : public ::testing::Test {
 protected:
  void SetUp() override {
    g_ = gallery::Create(*gEngine);
    ASSERT_NE(g_.window, nullptr);
    RedrawWindow(g_.window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    gallery::Pump(100);
  }
  void TearDown() override {
    gEngine->SetControlSkinning(1, 0);
    if (IsWindow(g_.window)) DestroyWindow(g_.window);
  }
  SkinWindowRecord& Record() { return *gEngine->Record(g_.number); }
  HWND Child(HWND parent, const wchar_t* cls, DWORD style, int x, int y, int w, int h) {
    return CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  }

  gallery::Gallery g_;
};

TEST_F(Containers, SubWindowsTakeThePlaceholderRegisterOnceAndEnrolTheirChildren) {
  const auto& subs = Record().subWindows;
  ASSERT_EQ(subs.size(), 3u);
  EXPECT_EQ(subs[0]->window, g_["panel"]);
  EXPECT_EQ(gEngine->AddSubWindow(g_["framedPanel"], 1, 0), 2);
  EXPECT_EQ(subs.size(), 3u);
  EXPECT_EQ(subs[1]->alpha, 90);
  EXPECT_EQ(subs[1]->frame, 1);
  EXPECT_EQ(subs[2]->groupBox, 1);
  EXPECT_FALSE(subs[2]->fontFace.empty());
  EXPECT_GT(subs[2]->fontSize, 0.0f);
  EXPECT_NE(FindControlRecord(g_["panelPush"], &SkinWindowRecord::buttons), nullptr);
  EXPECT_NE(FindControlRecord(g_["groupCheck"], &SkinWindowRecord::buttons), nullptr);
  EXPECT_EQ(gEngine->AddSubWindow(GetDesktopWindow(), 1, 0), 0);  // in no skinned window
  // A control a family already paints stays the family's, and the refusal is traced.
  testing::DebugOutput output;
  EXPECT_EQ(gEngine->AddSubWindow(g_["push"], 1, 0), 0);
  EXPECT_NE(FindControlRecord(g_["push"], &SkinWindowRecord::buttons), nullptr);
  const std::vector<std::string> lines = output.Lines();
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                          [](const std::string& line) { return line.find("sub-window") != std::string::npos; }));
}

// A container without WS_CLIPCHILDREN: painted again on its own (its children
// not asked to paint after it), it leaves them as they are.
TEST_F(Containers, ContainerPaintedAgainLeavesItsChildren) {
  HWND box = Child(g_.window, L"Static", 0, 30, 160, 120, 60);
  HWND inner = Child(box, L"Static", SS_BLACKRECT, 10, 10, 40, 20);
  ASSERT_FALSE(GetWindowLongPtrW(box, GWL_STYLE) & WS_CLIPCHILDREN);
  ASSERT_GE(gEngine->AddSubWindow(box, 1, 0, 0), 1);
  RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  const COLORREF shown = ScreenPixel(inner, 20, 10);  // the dark rectangle
  ASSERT_LT(Brightness(shown), 400);
  RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_NOCHILDREN | RDW_UPDATENOW);
  EXPECT_EQ(ScreenPixel(inner, 20, 10), shown);
  RECT r;
  GetClientRect(box, &r);
  EXPECT_EQ(ScreenPixel(box, r.right - 10, r.bottom - 10), BackgroundPixel(box, r.right - 10, r.bottom - 10, false));
}

TEST_F(Containers, SubWindowsShowTheBackgroundWithTheirFillFrameAndCaption) {
  HWND panel = g_["panel"], framed = g_["framedPanel"], group = g_["groupPanel"];
  RECT r;
  GetClientRect(panel, &r);
  EXPECT_EQ(ScreenPixel(panel, r.right - 20, r.bottom / 2), BackgroundPixel(panel, r.right - 20, r.bottom / 2, false));

  // The white fill at alpha 90 lightens the window's background; the soft frame darkens it.
  GetClientRect(framed, &r);
  POINT inside{r.right - 20, r.bottom - 20};
  MapWindowPoints(framed, g_.window, &inside, 1);
  const COLORREF bare = GetPixel(Record().mainDc.Dc(), inside.x, inside.y) & 0xFFFFFF;
  EXPECT_GT(Brightness(ScreenPixel(framed, r.right - 20, r.bottom - 20)), Brightness(bare));
  EXPECT_LT(Brightness(ScreenPixel(framed, 0, r.bottom / 2)),
            Brightness(BackgroundPixel(framed, 0, r.bottom / 2, false)));

  // The group box's caption is centred, as its style asks: dark text about the middle, none at the left.
  GetClientRect(group, &r);
  int darkMiddle = 0, darkLeft = 0;
  for (int y = 0; y < 16; ++y) {
    for (int x = r.right / 2 - 20; x < r.right / 2 + 20; ++x) darkMiddle += Brightness(ScreenPixel(group, x, y)) < 300;
    for (int x = 4; x < 40; ++x) darkLeft += Brightness(ScreenPixel(group, x, y)) < 300;
  }
  EXPECT_GT(darkMiddle, 10);
  EXPECT_EQ(darkLeft, 0);
}

TEST_F(Containers, ASubWindowKeepsTheItemsItPaintedAndPassesOnTheRest) {
  // Passed on, a painted button would reach a parent that hands items up and be
  // painted a second time.
  HWND panel = g_["panel"];
  HDC dc = GetDC(panel);
  auto answer = [&](UINT type, HWND item) {
    DRAWITEMSTRUCT draw{.CtlType = type, .itemAction = ODA_DRAWENTIRE, .hwndItem = item, .hDC = dc,
                        .rcItem = {0, 0, 96, 28}};
    return SendMessageW(panel, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw));
  };
  EXPECT_EQ(answer(ODT_BUTTON, g_["panelPush"]), TRUE);
  EXPECT_EQ(answer(ODT_BUTTON, g_["panelCheck"]), DefWindowProcW(panel, WM_DRAWITEM, 0, 0));
  EXPECT_EQ(answer(ODT_LISTBOX, g_["panelPush"]), DefWindowProcW(panel, WM_DRAWITEM, 0, 0));
  ReleaseDC(panel, dc);
}

TEST_F(Containers, OpaqueSubWindowIsNotRepaintedWhenItMoves) {
  HWND panel = g_["panel"];
  auto moved = [&](int alpha) {
    gEngine->SetSubWindowAlpha(panel, alpha);
    ValidateRect(panel, nullptr);
    RECT r;
    GetWindowRect(panel, &r);
    MapWindowPoints(nullptr, g_.window, reinterpret_cast<POINT*>(&r), 2);
    SetWindowPos(panel, nullptr, r.left + 1, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW);
    return GetUpdateRect(panel, nullptr, FALSE) != FALSE;
  };
  EXPECT_FALSE(moved(255));
  EXPECT_TRUE(moved(128));
}

TEST_F(Containers, ChildColourMessagesFollowTheSwitchesAndTheControlKind) {
  HWND panel = g_["panel"];
  HWND list = Child(panel, L"LISTBOX", 0, 120, 10, 60, 40);
  HWND ownerDrawn = Child(panel, L"LISTBOX", LBS_OWNERDRAWFIXED, 120, 60, 60, 40);
  HWND edit = Child(panel, L"EDIT", 0, 10, 100, 80, 20);
  HDC dc = GetDC(edit);
  auto answer = [&](HWND parent, UINT message, HWND control) {
    return reinterpret_cast<HGDIOBJ>(
        SendMessageW(parent, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
  };
  HGDIOBJ hollow = GetStockObject(NULL_BRUSH);
  EXPECT_EQ(answer(panel, WM_CTLCOLORLISTBOX, list), hollow);
  for (HWND parent : {panel, g_.window}) EXPECT_NE(answer(parent, WM_CTLCOLORLISTBOX, ownerDrawn), hollow);
  HGDIOBJ picture = answer(panel, WM_CTLCOLOREDIT, edit);
  EXPECT_EQ(picture, reinterpret_cast<HGDIOBJ>(WindowProperty(edit, L"Kj_dxjb")));
  EXPECT_EQ(GetObjectType(picture), static_cast<DWORD>(OBJ_BRUSH));
  answer(panel, WM_CTLCOLOREDIT, edit);
  EXPECT_EQ(GetObjectType(picture), 0u) << "the previous brush is deleted";

  // Enabled without a veil: edit boxes, list boxes and static texts keep their own colours.
  EXPECT_EQ(gEngine->SetControlSkinning(1, 0, 0), 0);  // the trackbar style flag
  EXPECT_EQ(gEngine->SetControlSkinning(1), 1);
  auto unskinned = [&](HWND parent, UINT message, HWND control) {
    return reinterpret_cast<HGDIOBJ>(
        DefWindowProcW(parent, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
  };
  for (HWND parent : {panel, g_.window}) {
    EXPECT_EQ(answer(parent, WM_CTLCOLORLISTBOX, list), unskinned(parent, WM_CTLCOLORLISTBOX, list));
    EXPECT_EQ(answer(parent, WM_CTLCOLOREDIT, edit), unskinned(parent, WM_CTLCOLOREDIT, edit));
    HWND text = g_["panelText"];
    EXPECT_EQ(answer(parent, WM_CTLCOLORSTATIC, text), unskinned(parent, WM_CTLCOLORSTATIC, text));
  }
  ReleaseDC(edit, dc);
}

TEST_F(Containers, TextColourOfAComboBoxGoesToItsEdit) {
  HWND combo = Child(g_.window, L"COMBOBOX", CBS_DROPDOWN, 10, 10, 100, 120);
  HWND edit = FirstChildOfClass(combo, L"Edit");
  ASSERT_NE(edit, nullptr);
  gEngine->SetControlTextColour(combo, RGB(1, 2, 3));
  EXPECT_EQ(WindowProperty(edit, L"Kj_Ztys"), static_cast<std::intptr_t>(RGB(1, 2, 3)));
  EXPECT_EQ(WindowProperty(combo, L"Kj_Ztys"), 0);
}

TEST_F(Containers, TransparentControlsRegisterOnceAndAControlWithChildrenBecomesASubWindow) {
  const auto& list = Record().transparentControls;
  ASSERT_EQ(list.size(), 7u);
  EXPECT_EQ(list[0]->window, g_["calendar"]);
  EXPECT_EQ(list[0]->keyColour, GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(WindowProperty(g_["calendar"], L"Kj_FuID"), g_.number);
  EXPECT_EQ(gEngine->AddTransparentControl(g_["tabs"]), 2);
  EXPECT_EQ(list.size(), 7u);

  HWND combo = Child(g_.window, L"COMBOBOX", CBS_DROPDOWN, 10, 10, 100, 120);
  EXPECT_EQ(gEngine->AddTransparentControl(combo, RGB(0, 0, 0), RGB(255, 255, 255), 50), 8);
  SubWindowRecord* sub = FindControlRecord(combo, &SkinWindowRecord::subWindows);
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(sub->transparentBackground, 0);
  EXPECT_EQ(sub->alpha, 50);
}

// A control of a class the skin does not know, painting itself on screen: the
// button face, with a black square in the middle.
LRESULT CALLBACK FacePainter(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT r;
    GetClientRect(window, &r);
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    const RECT square{r.right / 2 - 5, r.bottom / 2 - 5, r.right / 2 + 5, r.bottom / 2 + 5};
    FillRect(dc, &square, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EndPaint(window, &paint);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// A control a family paints and that is registered as transparent too paints into
// the canvas the transparent paint hands it, so it is seen over the background.
TEST_F(Containers, FamilyControlsRegisteredAsTransparentStillShow) {
  for (const char* name : {"trackbar", "panelCheck"}) {
    HWND control = g_[name];
    RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    RECT r;
    GetClientRect(control, &r);
    WindowDc screen = WindowDc::Client(control);
    DibCanvas background = gEngine->BackgroundUnder(control, true, true);
    int differing = 0;
    for (int y = 0; y < r.bottom; ++y)
      for (int x = 0; x < r.right; ++x)
        differing += (GetPixel(screen.Get(), x, y) & 0xFFFFFF) != (GetPixel(background.Dc(), x, y) & 0xFFFFFF);
    EXPECT_GT(differing, r.right * r.bottom / 20) << name;
  }
}

TEST_F(Containers, TransparentControlsShowTheBackgroundWhereTheyPaintTheKeyColour) {
  // One the skin hands a DC to, and one of any other class that paints on screen.
  WNDCLASSW wc = {};
  wc.lpfnWndProc = FacePainter;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"OrnivexFacePainter";
  RegisterClassW(&wc);
  HWND painter = Child(g_.window, wc.lpszClassName, 0, 30, 160, 80, 40);
  gEngine->AddTransparentControl(painter);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  for (HWND control : {g_["status"], painter}) {
    SCOPED_TRACE(control == painter ? "any other class" : "status bar");
    InvalidateRect(control, nullptr, TRUE);
    UpdateWindow(control);
    RECT r;
    GetClientRect(control, &r);
    const COLORREF plain = ScreenPixel(control, r.right - 12, r.bottom / 2);
    EXPECT_NE(plain, face);
    EXPECT_EQ(plain, BackgroundPixel(control, r.right - 12, r.bottom / 2, true));
  }
  EXPECT_EQ(ScreenPixel(painter, 40, 20), RGB(0, 0, 0));

  // Switched off, controls paint as they always do.
  gEngine->SetControlSkinning(0, 0);
  InvalidateRect(painter, nullptr, TRUE);
  UpdateWindow(painter);
  EXPECT_EQ(ScreenPixel(painter, 2, 2), face);
}

// The theme tests change the theme every window is painted with, and put the
// program's back.
class Theme : public ::testing::Test {
 protected:
  void TearDown() override { gallery::ApplyProgramTheme(*gEngine); }
};

constexpr char kJpegFormat[] = "{B96B3CAE-0728-11D3-9D7B-0000F81EF32E}";

// A 40 x 30 picture of one colour, encoded in `format`.
std::vector<std::uint8_t> SolidPicture(COLORREF colour, const char* format) {
  std::vector<std::uint32_t> pixels(40 * 30, 0xFF000000u | (GetRValue(colour) << 16) | (GetGValue(colour) << 8) |
                                                 GetBValue(colour));
  gfx::Bitmap bitmap;
  if (!bitmap.CreateBitmapFromScan0(40, 30, 40 * 4, PixelFormat32bppARGB, reinterpret_cast<BYTE*>(pixels.data())))
    return {};
  std::vector<BYTE> encoded = bitmap.SaveImageToStream(format);
  return {encoded.begin(), encoded.end()};
}

HWND SkinnedWindow(bool visible) {
  static const bool registered = [] {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"OrnivexThemeTest";
    return RegisterClassW(&wc) != 0;
  }();
  if (!registered) return nullptr;
  HWND window = CreateWindowExW(0, L"OrnivexThemeTest", L"theme", WS_POPUP | (visible ? WS_VISIBLE : 0), 20, 20, 200,
                                150, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  gEngine->SkinWindow(window, {});
  return window;
}

COLORREF ComposedCentre(HWND window) {
  return GetPixel(gEngine->Record(gEngine->WindowNumberOf(window))->mainDc.Dc(), 100, 75) & 0xFFFFFF;
}

TEST_F(Theme, AccentMinusOneFollowsThePicturesAverageColour) {
  const COLORREF colour = RGB(30, 140, 200);
  const std::vector<std::uint8_t> picture = SolidPicture(colour, gfx::kPngFormat);
  ASSERT_FALSE(picture.empty());
  gEngine->SetTheme({}, picture, std::nullopt, -1);
  EXPECT_EQ(gEngine->GetThemeColour(), colour);
  EXPECT_EQ(gEngine->Settings().accent, colour);
  EXPECT_EQ(gEngine->Settings().themePicture, picture);  // mode 4: the bytes as given
  gEngine->SetTheme({}, picture, RGB(1, 2, 3));
  EXPECT_EQ(gEngine->GetThemeColour(), RGB(1, 2, 3));
  EXPECT_EQ(gEngine->Settings().accent, kDefaultAccent);
}

TEST_F(Theme, BaseColourAloneClearsThePictureAndRepaintsTheVisibleWindows) {
  UniqueWindow first(SkinnedWindow(true)), second(SkinnedWindow(true)), hidden(SkinnedWindow(false));
  gallery::Pump(50);
  const COLORREF pictured = ComposedCentre(hidden.Get());
  const COLORREF green = RGB(10, 120, 30);
  gEngine->SetTheme({}, {}, green);
  gallery::Pump(100);
  EXPECT_TRUE(gEngine->Settings().themePicture.empty());
  for (HWND window : {first.Get(), second.Get()}) {
    EXPECT_EQ(ComposedCentre(window), green);
    WindowDc dc = WindowDc::Client(window);
    EXPECT_EQ(GetPixel(dc.Get(), 100, 75) & 0xFFFFFF, green);
  }
  EXPECT_EQ(ComposedCentre(hidden.Get()), pictured);
}

TEST_F(Theme, PictureFileOfAnyFormatIsKeptAsPng) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring path = std::wstring(temp) + L"ornivex-theme-" + std::to_wstring(GetCurrentProcessId());
  for (const char* format : {gfx::kBmpFormat, kJpegFormat}) {
    const std::vector<std::uint8_t> file = SolidPicture(RGB(200, 40, 90), format);
    ASSERT_FALSE(file.empty());
    ASSERT_TRUE(WriteWholeFile(path, {reinterpret_cast<const char*>(file.data()), file.size()}));
    for (int mode : {2, 3, 4}) {
      SCOPED_TRACE(::testing::Message() << format << " mode " << mode);
      gEngine->SetTheme(WideToGbk(path), {}, std::nullopt, std::nullopt, mode);
      const Bytes& kept = gEngine->Settings().themePicture;
      ASSERT_GT(kept.size(), 8u);
      EXPECT_EQ(std::memcmp(kept.data(), "\x89PNG\r\n\x1a\n", 8), 0);
      const std::unique_ptr<gfx::Bitmap> decoded = DecodePicture(kept);
      ASSERT_NE(decoded, nullptr);
      EXPECT_EQ(decoded->GetImageWidth(), 40u);
    }
  }
  // A file the decoder cannot read leaves no picture.
  ASSERT_TRUE(WriteWholeFile(path, "not a picture"));
  gEngine->SetTheme(WideToGbk(path), {}, std::nullopt, std::nullopt, 3);
  EXPECT_TRUE(gEngine->Settings().themePicture.empty());
  DeleteFileW(path.c_str());
}

TEST_F(Theme, UnreadableFileWithoutBaseColourLeavesTheThemeAsItWas) {
  const std::vector<std::uint8_t> picture = SolidPicture(RGB(30, 140, 200), gfx::kPngFormat);
  gEngine->SetTheme({}, picture, std::nullopt, RGB(5, 6, 7));
  gEngine->SetTheme("C:\\no-such-folder\\no-such-picture.png", {}, std::nullopt, std::nullopt, 1);
  EXPECT_EQ(gEngine->GetThemeColour(), RGB(30, 140, 200));
  EXPECT_EQ(gEngine->Settings().themePicture, picture);
  EXPECT_EQ(gEngine->Settings().accent, RGB(5, 6, 7));
}

}  // namespace
}  // namespace ornivex::skin
