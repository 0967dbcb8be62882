// Figures for the control families, on the controls gallery under the program's
// theme:
//  1. one paint of a control of each family at its gallery size (the whole
//     control, its frame included, as the system asks for it), median of 100;
//  2. hover-to-repaint: the time from the mouse arriving over the control to its
//     hot look being on screen (the move is answered by painting), median of 100;
//  3. for comparison, one paint of the same control left to the system (a gallery
//     whose child controls are not skinned).
// The goal is under 2 ms for each paint.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string_view>
#include <vector>

#include "tests/skin/gallery.h"

using namespace ornivex::skin;

namespace {

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

template <class Run>
double MedianMs(Run run, int rounds = 100) {
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) times.push_back(run());
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

double PaintOnce(HWND control) {
  const double start = Now();
  RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
  GdiFlush();
  return Now() - start;
}

double HoverOnce(HWND control) {
  SendMessageW(control, WM_MOUSELEAVE, 0, 0);
  gallery::Pump(0);
  const double start = Now();
  SendMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(6, 6));
  GdiFlush();
  return Now() - start;
}

struct Row {
  const char* family;
  const char* control;
  const char* name;  // in the gallery; "listHeader" for the list view's header
};

constexpr Row kRows[] = {
    {"edit box", "edit", "edit"},
    {"edit box", "multi-line, scroll bars", "multiEdit"},
    {"combo box", "drop-down", "dropDown"},
    {"combo box", "drop-down list", "dropList"},
    {"combo box", "simple", "simple"},
    {"list-like", "list box", "list"},
    {"list-like", "list view", "listView"},
    {"list-like", "tree view", "tree"},
    {"list-like", "IP address", "ip"},
    {"list-like", "date-time picker", "date"},
    {"trackbar", "horizontal", "trackbar"},
    {"trackbar", "vertical", "vTrackbar"},
    {"progress bar", "horizontal", "progressMid"},
    {"progress bar", "vertical", "vProgress"},
    {"header", "with buttons", "buttonsHeader"},
    {"header", "of the list view", "listHeader"},
    {"up-down", "vertical", "upDown"},
    {"up-down", "horizontal", "hUpDown"},
    {"edit box", "in the sub-window", "sub.edit"},
    {"list-like", "tree in the sub-window", "sub.tree"},
};

HWND Find(const gallery::Gallery& g, const char* name) {
  if (std::string_view(name) == "listHeader")
    return reinterpret_cast<HWND>(SendMessageW(g["listView"], LVM_GETHEADER, 0, 0));
  return g[name];
}

// The median paint of every row's control in a new gallery.
std::vector<double> Paints(SkinEngine& engine) {
  const gallery::Gallery g = gallery::CreateControls(engine);
  std::vector<double> paints;
  gallery::Pump(200);
  for (const Row& row : kRows) {
    HWND control = Find(g, row.name);
    for (int i = 0; i < 5; ++i) PaintOnce(control);
    paints.push_back(MedianMs([&] { return PaintOnce(control); }));
  }
  DestroyWindow(g.window);
  return paints;
}

}  // namespace

int main() {
  SkinEngine engine(StartSkinModule());
  gallery::ApplyProgramTheme(engine);
  {
    const gallery::Gallery g = gallery::CreateControls(engine);
    gallery::Pump(200);
    HWND c = g["trackbar"];
    std::printf("getwindowdc+1px+release %.3f\n", MedianMs([&] { double t = Now(); { ornivex::WindowDc d = ornivex::WindowDc::Whole(c); SetPixel(d.Get(), 1, 1, 0); } return Now() - t; }));
    std::printf("getdc+fill+release %.3f\n", MedianMs([&] { double t = Now(); { ornivex::WindowDc d = ornivex::WindowDc::Client(c); RECT r{0,0,140,32}; FillRect(d.Get(), &r, (HBRUSH)GetStockObject(WHITE_BRUSH)); } return Now() - t; }));
    std::printf("invalidate+update %.3f\n", MedianMs([&] { double t = Now(); InvalidateRect(c, nullptr, TRUE); UpdateWindow(c); return Now() - t; }));
    std::printf("getprop %.4f\n", MedianMs([&] { double t = Now(); for (int i = 0; i < 100; ++i) GetPropW(c, L"Hw_lbID"); return (Now() - t) / 100; }));
    std::printf("tbm_getpos via subclass %.4f\n", MedianMs([&] { double t = Now(); for (int i = 0; i < 100; ++i) SendMessageW(c, TBM_GETPOS, 0, 0); return (Now() - t) / 100; }));
    HWND e = g["ip"];
    std::printf("wm_null to unsubclassed-ish %.4f\n", MedianMs([&] { double t = Now(); for (int i = 0; i < 100; ++i) SendMessageW(g["sub.hUpDown"], WM_NULL, 0, 0); return (Now() - t) / 100; }));
    std::printf("getwindowlong %.4f\n", MedianMs([&] { double t = Now(); for (int i = 0; i < 100; ++i) GetWindowLongPtrW(e, GWL_STYLE); return (Now() - t) / 100; }));
    std::printf("ncpaint %.3f\n", MedianMs([&] { double t = Now(); SendMessageW(c, WM_NCPAINT, 1, 0); return Now() - t; }));
    DestroyWindow(g.window);
  }
  const std::vector<double> skinned = Paints(engine);
  engine.SetControlSkinning(0);
  const std::vector<double> system = Paints(engine);
  gallery::ApplyProgramTheme(engine);

  const gallery::Gallery g = gallery::CreateControls(engine);
  if (!g.window) {
    std::puts("the gallery could not be created");
    return 1;
  }
  gallery::Pump(200);
  std::printf("%-14s %-24s %9s %9s %9s %9s\n", "family", "control", "size", "paint", "hover", "system");
  for (std::size_t i = 0; i < std::size(kRows); ++i) {
    const Row& row = kRows[i];
    HWND control = Find(g, row.name);
    RECT r;
    GetWindowRect(control, &r);
    const double hover = MedianMs([&] { return HoverOnce(control); });
    std::printf("%-14s %-24s %4ldx%-4ld %6.2f ms %6.2f ms %6.2f ms\n", row.family, row.control, r.right - r.left,
                r.bottom - r.top, skinned[i], hover, system[i]);
  }
  DestroyWindow(g.window);
  return 0;
}
