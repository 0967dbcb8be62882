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

#include "bench/timing.h"
#include "tests/skin/gallery.h"

using namespace ornivex::skin;
using ornivex::bench::MedianOf;
using ornivex::bench::NowMs;

namespace {

double PaintOnce(HWND control) {
  const double start = NowMs();
  RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
  GdiFlush();
  return NowMs() - start;
}

double HoverOnce(HWND control) {
  SendMessageW(control, WM_MOUSELEAVE, 0, 0);
  gallery::Pump(0);
  const double start = NowMs();
  SendMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(6, 6));
  GdiFlush();
  return NowMs() - start;
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
    paints.push_back(MedianOf(100, [&] { return PaintOnce(control); }));
  }
  DestroyWindow(g.window);
  return paints;
}

}  // namespace

int main() {
  SkinEngine engine(StartSkinModule());
  gallery::ApplyProgramTheme(engine);
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
    const double hover = MedianOf(100, [&] { return HoverOnce(control); });
    std::printf("%-14s %-24s %4ldx%-4ld %6.2f ms %6.2f ms %6.2f ms\n", row.family, row.control, r.right - r.left,
                r.bottom - r.top, skinned[i], hover, system[i]);
  }
  DestroyWindow(g.window);
  return 0;
}
