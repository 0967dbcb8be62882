// Figures for a skinned top-level window of 317 x 537 with the program's theme (the
// 431 x 353 skin picture stretched, mode 3), median of 100 runs each:
//  1. FullPaint, against a plain GDI+ stretch-draw of the same picture at the same
//     size in the same run, as a ratio (goal: at most 1.5);
//  2. RefreshPaint and one fade frame (PaintTitleButton) (goal: under 1 ms each);
//  3. the fade timer: ticks while the fade runs, and ticks once it has finished
//     with the mouse resting on the button (goal: none).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/timing.h"
#include "gfx/gfx.h"
#include "resources/skin_pictures.h"
#include "runtime/handles.h"
#include "skin/background.h"
#include "skin/engine.h"

using namespace ornivex;
using namespace ornivex::skin;
using ornivex::bench::MedianMs;
using ornivex::bench::NowMs;

namespace {

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace

int main() {
  SkinEngine engine(StartSkinModule());
  engine.SetTheme({}, pictures::SkinBackground(0), 0xFF8800, 0xFF8800, 3);
  engine.SetControlSkinning(1, 0);
  WNDCLASSW wc = {};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = L"OrnivexSkinBench";
  RegisterClassW(&wc);
  HWND window = CreateWindowExW(0, wc.lpszClassName, L"Ornivex", WS_POPUP | WS_CLIPCHILDREN | WS_MINIMIZEBOX, 50, 50,
                                317, 537, nullptr, nullptr, wc.hInstance, nullptr);
  ShowWindow(window, SW_SHOWNORMAL);
  engine.SkinWindow(window, {.captionHeight = 20, .helpButton = 0, .menuButton = 0});
  Pump();
  const int number = engine.WindowNumberOf(window);

  // The plain stretch-draw: the same decoded picture, the same size, a memory DC.
  std::unique_ptr<gfx::Bitmap> picture = DecodePicture(pictures::SkinBackground(0));
  DibCanvas target = DibCanvas::Create(317, 537);
  const double plain = MedianMs(100, [&] {
    gfx::Graphics g;
    g.CreateFromHDC(target.Dc());
    g.DrawImageRectRect(*picture, 0.0f, 0.0f, 317.0f, 537.0f);
  });
  const double full = MedianMs(100, [&] { engine.FullPaint(number, nullptr, true); });
  WindowDc screen = WindowDc::ClientWithoutChildren(window);
  const double refresh = MedianMs(100, [&] { engine.RefreshPaint(number, screen.Get()); });
  const int close = static_cast<int>(engine.Record(number)->titleButtons.size());
  int alpha = 0;
  const double frame = MedianMs(100, [&] {
    alpha = (alpha + 30) % 270;
    engine.PaintTitleButton(number, close, false, alpha);
  });

  // The fade under a resting mouse: count the timer's ticks.
  const BoundsF b = engine.Record(number)->titleButtons[close - 1].bounds;
  PostMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(static_cast<int>(b.x + b.width / 2), static_cast<int>(b.y + 9)));
  int ticks = 0, ticksAfterFade = 0;
  const double end = NowMs() + 800;
  MSG msg;
  while (NowMs() < end) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_TIMER && msg.hwnd == window) {
        ++ticks;
        if (engine.Record(number)->fade.fadeIn.step >= kFadeSteps) ++ticksAfterFade;
      }
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }

  std::printf("skinned window 317 x 537, skin picture 431 x 353 stretched (mode 3), median of 100\n");
  std::printf("  plain GDI+ stretch-draw   %7.3f ms\n", plain);
  std::printf("  FullPaint                 %7.3f ms   ratio %.2f (goal <= 1.5)\n", full, full / plain);
  std::printf("  RefreshPaint              %7.3f ms   (goal < 1 ms)\n", refresh);
  std::printf("  one fade frame            %7.3f ms   (goal < 1 ms)\n", frame);
  std::printf("fade under a resting mouse: %d timer ticks, %d after the fade-in ended (goal 0)\n", ticks - ticksAfterFade,
              ticksAfterFade);
  DestroyWindow(window);
  return 0;
}
