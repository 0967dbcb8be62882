// Painting again and again leaves nothing behind: every GDI object the engine hands
// to a window (frame bitmaps, control brushes and their bitmaps) is gone once it is
// replaced or its window is, and memory stays flat. (Skinning and destroying a
// hundred windows is proven over the controls gallery, which holds every family.)
#include <windows.h>

#include <gtest/gtest.h>

#include <set>

#include "gallery.h"
#include "gdi_objects.h"
#include "runtime/subclass.h"

namespace ornivex::skin {
namespace {

// The objects the engine has handed to the gallery's windows right now.
void Collect(const gallery::Gallery& g, std::set<std::intptr_t>& seen) {
  seen.insert(WindowProperty(g.window, L"Ck_wtjbdx"));
  for (const auto& [name, control] : g.controls)
    for (const wchar_t* property : {L"Kj_dxjb", L"Kj_wtjb"})
      if (const std::intptr_t handle = WindowProperty(control, property);
          handle && reinterpret_cast<HGDIOBJ>(handle) != GetStockObject(NULL_BRUSH))
        seen.insert(handle);
}

// One round of everything that makes objects: a full paint, a hover, the colour
// messages of a static-like and a button-like child.
void Exercise(SkinEngine& engine, const gallery::Gallery& g, std::set<std::intptr_t>& seen) {
  engine.FullPaint(engine.WindowNumberOf(g.window), nullptr, true);
  SendMessageW(g["push"], WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  SendMessageW(g["push"], WM_MOUSELEAVE, 0, 0);
  HDC dc = GetDC(g["groupBox"]);
  SendMessageW(g.window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(g["groupBox"]));
  SendMessageW(g.window, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(g["threeState"]));
  ReleaseDC(g["groupBox"], dc);
  Collect(g, seen);
}

TEST(SkinLeaks, AThousandFullPaintsLeaveNothingBehind) {
  SkinEngine engine(StartSkinModule());
  gallery::ApplyProgramTheme(engine);
  std::set<std::intptr_t> seen;
  {  // warm-up: caches, fonts and the system's own first-use allocations
    const gallery::Gallery g = gallery::Create(engine);
    Exercise(engine, g, seen);
    DestroyWindow(g.window);
    gallery::Pump(20);
  }
  seen.clear();
  const SIZE_T before = PrivateBytes();
  const int objects = GdiObjects();

  const gallery::Gallery painted = gallery::Create(engine);
  for (int i = 0; i < 1000; ++i) Exercise(engine, painted, seen);
  DestroyWindow(painted.window);
  gallery::Pump(50);

  EXPECT_NEAR(GdiObjects(), objects, 3);  // a late entry in a system cache may show once
  int alive = 0;
  for (const std::intptr_t handle : seen) alive += GetObjectType(reinterpret_cast<HGDIOBJ>(handle)) != 0;
  EXPECT_EQ(alive, 0) << "of " << seen.size() << " objects the engine handed out";
  const SIZE_T after = PrivateBytes();
  EXPECT_LT(after > before ? after - before : 0, 256u * 1024) << before << " -> " << after;
}

}  // namespace
}  // namespace ornivex::skin
