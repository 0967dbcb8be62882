// Figures for a capture of the whole virtual screen, each beside its floor in
// the same run. The capture module alone:
//  1. from the StartCapture call to the overlay painted (goal: at most 150 ms at
//     1920 x 1200), beside copying the screen alone and a bare topmost window of
//     the same size shown and painted with one copy;
//  2. one frame of a drag, the selection growing over most of the screen (goal:
//     under 16 ms), beside repainting the whole overlay once;
//  3. from the release to the picture handed over, and what the caller's PNG
//     encoding of it then costs;
//  4. a hundred captures in a row: handles, GDI and USER objects, threads and
//     private bytes after the 10th and the 100th (goal: none more, private bytes
//     within 1 MB).
// The screen is covered with copies of the sample picture first, for pictures
// as a page of text makes them. Then through the real main window, against the loopback stand-ins (this
// build's ports; recognition replies fixed lines), with 1 and 3 as the floors:
//  5. from the capture key pressed (real input, the window focused) to the
//     overlay on the screen, the program's windows hidden first (goal: at most
//     150 ms);
//  6. one drag frame over most of the screen (goal: under 16 ms);
//  7. from the release to the chain started, its picture written (goal: at most
//     100 ms), for an 800 x 600 region and for the whole monitor;
//  8. a hundred captures in a row, each to its text in the result box: the
//     census after the 10th and the 100th (goal as in 4).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include "app/application.h"
#include "app/ocr_protocol.h"
#include "app/skin_setup.h"
#include "app/texts.h"
#include "bench/timing.h"
#include "capture/capture.h"
#include "capture/own_windows.h"
#include "capture/screen.h"
#include "runtime/codepage.h"
#include "runtime/controls.h"
#include "runtime/form.h"
#include "runtime/picture_encode.h"
#include "runtime/threads.h"
#include "tests/e2e/soak.h"

using namespace ornivex;
using namespace ornivex::capture;
using ornivex::bench::Median;
using ornivex::bench::MedianMs;
using ornivex::bench::NowMs;

namespace {

constexpr int kRounds = 10;

// The sample picture, painted over the screen before each capture.
Picture gDesktop;
void PaintDesktop(const Picture& tile);

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

// What was drawn is on the screen: the thread goes idle once (where Wine
// copies its windows' drawing out to the X server), the drawing calls are
// flushed, and one pixel is read back from the screen, which waits for the
// display to have done everything asked of it before.
void ToScreen() {
  MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
  GdiFlush();
  WindowDc screen = WindowDc::Client(nullptr);
  GetPixel(screen.Get(), 0, 0);
}

// The floor of showing: a bare topmost popup of the screen's size painted with
// one copy of a bitmap of that size.
LRESULT CALLBACK BareProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_PAINT) {
    PaintDc paint(window);
    auto* canvas = reinterpret_cast<DibCanvas*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    BitBlt(paint.Get(), 0, 0, canvas->Width(), canvas->Height(), canvas->Dc(), 0, 0, SRCCOPY);
    return 0;
  }
  if (message == WM_ERASEBKGND) return 1;
  return DefWindowProcW(window, message, wparam, lparam);
}

struct Capture {
  bool ended = false;
  std::optional<Picture> picture;
  bool Start() {
    ended = false;
    picture.reset();
    PaintDesktop(gDesktop);
    return StartCapture(nullptr, [this](std::optional<Picture> p) {
      ended = true;
      picture = std::move(p);
    });
  }
};

// One capture dragged from (x0, y0) to (x1, y1) in `steps` moves, each move's
// time (with the drawing flushed) added to `frames`.
bool DragOnce(Capture& capture, int x0, int y0, int x1, int y1, int steps, std::vector<double>* frames,
              double* releaseMs) {
  if (!capture.Start()) return false;
  HWND overlay = CaptureOverlay();
  SendMessageW(overlay, WM_LBUTTONDOWN, MK_LBUTTON, At(x0, y0));
  for (int i = 1; i <= steps; ++i) {
    const double start = NowMs();
    SendMessageW(overlay, WM_MOUSEMOVE, MK_LBUTTON, At(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps));
    ToScreen();
    if (frames) frames->push_back(NowMs() - start);
  }
  const double start = NowMs();
  SendMessageW(overlay, WM_LBUTTONUP, 0, At(x1, y1));
  if (releaseMs) *releaseMs = NowMs() - start;
  Pump();
  return capture.ended && capture.picture;
}

void PrintCensus(const char* when, const e2e::Census& c) {
  std::printf("   %-16s private %.2f MB, handles %ld, GDI objects %d, USER objects %d, threads %d\n", when, c.privateMb,
              c.handles, c.gdiObjects, c.userObjects, c.threads);
}

bool Steady(const e2e::Census& tenth, const e2e::Census& hundredth) {
  const bool steady = hundredth.handles <= tenth.handles && hundredth.gdiObjects <= tenth.gdiObjects &&
                      hundredth.userObjects <= tenth.userObjects && hundredth.threads <= tenth.threads &&
                      hundredth.privateMb - tenth.privateMb <= 1.0;
  std::printf("   %s\n", steady ? "nothing more (goal met)" : "MORE after the 100th than after the 10th");
  if (!steady && hundredth.handles != tenth.handles)
    std::printf("   handles changed: %s\n", e2e::HandleKindsChanged(tenth.handleKinds, hundredth.handleKinds).c_str());
  return steady;
}

// Real input: a click into the result box (the window's keyboard focus), and
// the capture key, Win+Shift+O.
void Click(int x, int y) {
  SetCursorPos(x, y);
  INPUT input[2] = {{INPUT_MOUSE}, {INPUT_MOUSE}};
  input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, input, sizeof(INPUT));
  e2e::PumpFor(200);
}
void PressCaptureKey() {
  const WORD keys[] = {VK_LWIN, VK_SHIFT, 'O'};
  INPUT input[6] = {};
  for (int i = 0; i < 3; ++i) {
    input[i].type = input[5 - i].type = INPUT_KEYBOARD;
    input[i].ki.wVk = input[5 - i].ki.wVk = keys[i];
    input[5 - i].ki.dwFlags = KEYEVENTF_KEYUP;
  }
  SendInput(6, input, sizeof(INPUT));
}

// Something to capture: the screen's own surface covered with copies of the
// sample picture, black text on white, as a page of a document looks. Painted
// again before each capture: where a window went, the system repaints it.
void PaintDesktop(const Picture& tile) {
  if (tile.width <= 0) return;
  WindowDc screen = WindowDc::Client(nullptr);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof info.bmiHeader, tile.width, -tile.height, 1, 32, BI_RGB};
  const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN), height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  for (int y = 0; y < height; y += tile.height)
    for (int x = 0; x < width; x += tile.width)
      SetDIBitsToDevice(screen.Get(), x, y, tile.width, tile.height, 0, 0, 0, tile.height, tile.bgra.data(), &info,
                        DIB_RGB_COLORS);
  GdiFlush();
}

bool OverlayShown() { return CaptureOverlay() && IsWindowVisible(CaptureOverlay()); }

// The capture key pressed until the overlay is on the screen: its time, or a
// negative one when none showed.
double KeyToOverlay() {
  PaintDesktop(gDesktop);
  const double start = NowMs();
  PressCaptureKey();
  if (!e2e::PumpUntil(OverlayShown, 3000)) return -1;
  ToScreen();
  return NowMs() - start;
}

// Through the main window: the release (or a click, `x1` < 0) over the overlay
// to the chain started, its path in the path box, then on to the text. The
// first time, or a negative one when the chain did not start or end.
double ReleaseToChain(int x0, int y0, int x1, int y1, int steps, std::vector<double>* frames) {
  HWND overlay = CaptureOverlay();
  HWND path = MainControl(texts::kPathBox), box = MainControl(texts::kResultBox);
  SetControlText(box, "");
  const std::string before = GetControlText(path);
  SendMessageW(overlay, WM_LBUTTONDOWN, MK_LBUTTON, At(x0, y0));
  for (int i = 1; x1 >= 0 && i <= steps; ++i) {
    const double start = NowMs();
    SendMessageW(overlay, WM_MOUSEMOVE, MK_LBUTTON, At(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps));
    ToScreen();
    if (frames) frames->push_back(NowMs() - start);
  }
  const double start = NowMs();
  SendMessageW(overlay, WM_LBUTTONUP, 0, x1 >= 0 ? At(x1, y1) : At(x0, y0));
  if (!e2e::PumpUntil([&] { return GetControlText(path) != before; }, 5000)) return -1;
  const double started = NowMs() - start;
  const bool ended = e2e::PumpUntil([&] { return !GetControlText(box).empty() && RunningWorkers() == 0; }, 20000);
  return ended ? started : -1;
}

}  // namespace

int wmain() {
  PerMonitorDpiScope perMonitor;
  const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN), height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  std::printf("virtual screen %d x %d, %zu monitor(s)\n", width, height, DisplayMonitors().size());
  bool met = true;

  // 1. Start to overlay on screen.
  if (const auto file = ReadWholeFile(e2e::UnixPath(ORNIVEX_E2E_PICTURE)))
    gDesktop = DecodePng({reinterpret_cast<const std::uint8_t*>(file->data()), file->size()}, Alpha::Straight)
                   .value_or(Picture{});
  PaintDesktop(gDesktop);
  const double copyMs = MedianMs(kRounds, [] { FreezeScreen(); });
  RegisterWindowClass(L"OrnivexBareOverlay", &BareProc, 0);
  DibCanvas bareCanvas = DibCanvas::Create(width, height);
  const double bareMs = MedianMs(kRounds, [&] {
    HWND bare = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"OrnivexBareOverlay", L"", WS_POPUP,
                                GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN), width,
                                height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(bare, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&bareCanvas));
    ShowWindow(bare, SW_SHOW);
    UpdateWindow(bare);
    ToScreen();
    DestroyWindow(bare);
  });
  Pump();
  Capture capture;
  std::vector<double> starts;
  for (int i = 0; i <= kRounds; ++i) {
    const double start = NowMs();
    if (!capture.Start()) {
      std::printf("StartCapture failed\n");
      return 1;
    }
    ToScreen();
    if (i > 0) starts.push_back(NowMs() - start);  // the first warms up
    SendMessageW(CaptureOverlay(), WM_KEYDOWN, VK_ESCAPE, 0);
    Pump();
  }
  const double startMs = Median(starts);
  std::printf("1. start to overlay painted: median %.1f ms (goal <= 150), worst %.1f ms\n", startMs,
              *std::max_element(starts.begin(), starts.end()));
  std::printf("   floors: copying the screen %.1f ms; a bare topmost window of that size shown and painted %.1f ms\n",
              copyMs, bareMs);
  met &= startMs <= 150;

  // 2. Drag frames: the selection grows from near the top-left to near the
  // bottom-right corner in 300 moves.
  std::vector<double> frames;
  double releaseMs = 0;
  if (!DragOnce(capture, 20, 20, width - 40, height - 40, 300, &frames, &releaseMs)) {
    std::printf("the drag took no picture\n");
    return 1;
  }
  const Picture big = *capture.picture;
  std::sort(frames.begin(), frames.end());
  const double frameMedian = frames[frames.size() / 2];
  const double frameP95 = frames[frames.size() * 95 / 100];
  const double frameWorst = frames.back();
  // The floor: the whole overlay repainted from the dimmed copy, once.
  std::optional<FrozenScreen> frozen = FreezeScreen();
  HWND bare = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"OrnivexBareOverlay", L"", WS_POPUP, 0, 0, width,
                              height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(bare, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&bareCanvas));
  ShowWindow(bare, SW_SHOW);
  UpdateWindow(bare);
  const double fullMs = MedianMs(30, [&] {
    WindowDc dc = WindowDc::Client(bare);
    BitBlt(dc.Get(), 0, 0, width, height, frozen->pixels.Dc(), 0, 0, SRCCOPY);
    ToScreen();
  });
  DestroyWindow(bare);
  frozen.reset();
  Pump();
  std::printf("2. drag frame: median %.2f ms, 95th %.2f ms, worst %.2f ms (goal < 16)\n", frameMedian, frameP95,
              frameWorst);
  std::printf("   floor: the whole overlay painted once %.2f ms\n", fullMs);
  met &= frameP95 < 16;

  // 3. Release to picture, and the caller's PNG of it.
  // The PNG as the program writes a capture's, and the smallest one.
  const double pngMs = MedianMs(3, [&] { EncodePng(big, PngEffort::kFastest); });
  const double smallestPngMs = MedianMs(3, [&] { EncodePng(big); });
  const std::size_t pngBytes = EncodePng(big, PngEffort::kFastest).value_or(std::vector<std::uint8_t>()).size();
  const std::size_t smallestBytes = EncodePng(big).value_or(std::vector<std::uint8_t>()).size();
  Picture window;
  DragOnce(capture, 300, 200, 1099, 799, 5, nullptr, nullptr);
  if (capture.picture) window = *capture.picture;
  const double windowPngMs = MedianMs(5, [&] { EncodePng(window, PngEffort::kFastest); });
  std::printf("3. release to picture (%d x %d): %.1f ms; its PNG %.1f ms, %zu bytes (the smallest %.1f ms, %zu "
              "bytes); an 800 x 600 region's PNG %.1f ms\n",
              big.width, big.height, releaseMs, pngMs, pngBytes, smallestPngMs, smallestBytes, windowPngMs);

  // 4. A hundred captures in a row.
  e2e::Census tenth, hundredth;
  for (int i = 1; i <= 100; ++i) {
    if (!DragOnce(capture, 100 + i, 100, 700 + i, 500, 8, nullptr, nullptr)) {
      std::printf("capture %d took no picture\n", i);
      return 1;
    }
    capture.picture.reset();
    if (i == 10) tenth = e2e::TakeCensus();
    if (i == 100) hundredth = e2e::TakeCensus();
  }
  std::printf("4. a hundred captures in a row:\n");
  PrintCensus("after the 10th:", tenth);
  PrintCensus("after the 100th:", hundredth);
  met &= Steady(tenth, hundredth);

  // Through the main window.
  if (!e2e::StandinsAnswer() || !e2e::ResetStandins("\\u7b2c\\u4e00\\u884c\\u3002\\nsecond line")) return 1;
  const std::wstring log = ExecutableDirectory() + L"\\" + kActivityLogName;
  SkinStartup();
  if (!StartApplication()) {
    std::printf("the main window did not start\n");
    return 1;
  }
  e2e::PumpFor(500);
  Click(200, 300);  // into the result box
  // What hiding the program's windows and showing them again cost alone.
  std::vector<double> hideTimes, showTimes;
  for (int i = 0; i < 5; ++i) {
    double start = NowMs();
    HiddenWindows hidden = HiddenWindows::HideAll();
    hideTimes.push_back(NowMs() - start);
    start = NowMs();
    hidden.Restore(App().mainWindow->Handle());
    ToScreen();
    showTimes.push_back(NowMs() - start);
    e2e::PumpFor(150);
  }
  std::vector<double> keyTimes;
  for (int i = 0; i <= kRounds; ++i) {
    const double ms = KeyToOverlay();
    if (ms < 0) {
      std::printf("the capture key showed no overlay\n");
      return 1;
    }
    if (i > 0) keyTimes.push_back(ms);
    SendMessageW(CaptureOverlay(), WM_KEYDOWN, VK_ESCAPE, 0);
    e2e::PumpFor(150);
  }
  const double keyMs = Median(keyTimes);
  std::printf("5. capture key to overlay on screen, the windows hidden first: median %.1f ms (goal <= 150), worst "
              "%.1f ms\n   floors: 1. above, %.1f ms; hiding the program's windows alone %.1f ms\n",
              keyMs, *std::max_element(keyTimes.begin(), keyTimes.end()), startMs, Median(hideTimes));
  met &= keyMs <= 150;

  std::vector<double> appFrames;
  std::vector<double> regionTimes, monitorTimes;
  for (int i = 0; i < 6; ++i) {
    if (KeyToOverlay() < 0) return 1;
    const double region = i == 0 ? ReleaseToChain(20, 20, width - 40, height - 40, 300, &appFrames)
                                 : ReleaseToChain(300, 200, 1099, 799, 5, nullptr);
    if (KeyToOverlay() < 0) return 1;
    const double monitor = ReleaseToChain(600, 400, -1, -1, 0, nullptr);
    if (region < 0 || monitor < 0) {
      std::printf("a capture's chain did not start or end\n");
      return 1;
    }
    if (i > 0) {
      regionTimes.push_back(region);
      monitorTimes.push_back(monitor);
    }
  }
  std::sort(appFrames.begin(), appFrames.end());
  const double appFrameP95 = appFrames[appFrames.size() * 95 / 100];
  std::printf("6. drag frame: median %.2f ms, 95th %.2f ms, worst %.2f ms (goal < 16)\n",
              appFrames[appFrames.size() / 2], appFrameP95, appFrames.back());
  met &= appFrameP95 < 16;
  const double regionMs = Median(regionTimes), monitorMs = Median(monitorTimes);
  std::printf("7. release to chain started: an 800 x 600 region median %.1f ms, the whole monitor %.1f ms (goal <= "
              "100)\n   floors: the PNG alone of an 800 x 600 region %.1f ms, of %d x %d %.1f ms (3. above); showing the "
              "program's windows again alone %.1f ms\n",
              regionMs, monitorMs, windowPngMs, big.width, big.height, pngMs, Median(showTimes));
  met &= regionMs <= 100 && monitorMs <= 100;

  e2e::Census appTenth, appHundredth;
  double bodyBytes = 0;  // uploaded after the 10th
  for (int i = 1; i <= 100; ++i) {
    if (KeyToOverlay() < 0 || ReleaseToChain(100 + i, 100, 700 + i, 500, 8, nullptr) < 0) {
      std::printf("capture %d through the window did not end in its text\n", i);
      return 1;
    }
    WIN32_FILE_ATTRIBUTE_DATA file{};
    GetFileAttributesExW(GbkToWide(GetControlText(MainControl(texts::kPathBox))).c_str(), GetFileExInfoStandard,
                         &file);
    if (i > 10) bodyBytes += static_cast<double>(MakeUploadBodyFrame("10000", file.nFileSizeLow).Size());
    // Settled: the system's own worker threads that the chains woke linger a while.
    if (i == 10) appTenth = e2e::SettledCensus();
    if (i == 100) appHundredth = e2e::SettledCensus();
  }
  // A handle the system still holds for a while is not one held for good: the
  // request library keeps an idle connection open for reuse until its collector
  // closes it, tens of seconds later (as the soak test finds).
  for (int look = 0; look < 3 && (appHundredth.handles > appTenth.handles || appHundredth.threads > appTenth.threads);
       ++look)
    appHundredth = e2e::SettledCensus(look == 0 ? 32000 : 3000);
  std::printf("8. a hundred captures in a row through the main window, each to its text:\n");
  PrintCensus("after the 10th:", appTenth);
  PrintCensus("after the 100th:", appHundredth);
  // Under Wine the system's scriptable request object never frees the copy it
  // makes of a byte-array body when it sends it (see app_soak_bench): every
  // upload leaves its body behind. That part is the system's.
  const double copiesMb = bodyBytes / 1048576.0;
  std::printf("   of the private bytes, the request object's copies of 90 upload bodies (Wine): %+.2f MB\n", copiesMb);
  appHundredth.privateMb -= copiesMb;
  met &= Steady(appTenth, appHundredth);
  StopApplication();
  SkinExit();
  e2e::ResetStandins();
  DeleteFileW(log.c_str());

  std::printf("%s\n", met ? "all goals met" : "a goal was missed");
  return 0;
}
