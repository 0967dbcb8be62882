// Figures for the graphics wrapper:
//  1. the cost of a wrapped call against the direct flat call, over one million
//     calls of a cheap getter (GetSmoothingMode), as a ratio;
//  2. loading a 431 x 353 PNG from bytes and drawing it stretched to 317 x 537
//     (median of 100 runs).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/timing.h"
#include "gfx/gfx.h"

using namespace ornivex::gfx;
using ornivex::bench::Median;
using ornivex::bench::NowMs;

namespace {

// Keeps the compiler from dropping the loops.
volatile int g_sink = 0;

constexpr int kCalls = 1000000;
constexpr int kRounds = 100;

__attribute__((noinline)) double DirectRun(Gdiplus::GpGraphics* graphics) {
  // The program has no import table for gdiplus.dll: a direct call goes through the
  // bound entry point, as code written without the wrapper would make it.
  const double start = NowMs();
  int sum = 0;
  for (int i = 0; i < kCalls; ++i) {
    Gdiplus::SmoothingMode mode{};
    const GpStatus status = g_flat.GdipGetSmoothingMode(graphics, &mode);
    sum += static_cast<int>(mode) + static_cast<int>(status);
  }
  g_sink = g_sink + sum;
  return NowMs() - start;
}

__attribute__((noinline)) double WrappedRun(Graphics& graphics) {
  const double start = NowMs();
  int sum = 0;
  for (int i = 0; i < kCalls; ++i) sum += static_cast<int>(graphics.GetSmoothingMode()) + static_cast<int>(LastStatus);
  g_sink = g_sink + sum;
  return NowMs() - start;
}

// A 431 x 353 picture with alpha, as PNG bytes (encoded once by GDI+ itself).
std::vector<BYTE> MakePng() {
  Bitmap source;
  source.CreateBitmapFromScan0Default(431, 353);
  Graphics g;
  g.GetImageGraphicsContext(source);
  LinearGradientBrush brush;
  brush.CreateLineBrush(PointF(0, 0), PointF(431, 353), 0xFFFF8000, 0x400080FF, Gdiplus::WrapModeTile);
  g.FillRectangle(brush, 0.0f, 0.0f, 431.0f, 353.0f);
  SolidBrush dot;
  dot.CreateSolidFill(0xC0203040);
  for (int i = 0; i < 60; ++i) g.FillEllipse(dot, static_cast<REAL>(i * 7 % 400), static_cast<REAL>(i * 13 % 330), 20.0f, 20.0f);
  g.DeleteGraphics();
  return source.SaveImageToStream(kPngFormat);
}

}  // namespace

int main() {
  GdiplusStartup();
  if (LastStatus != Gdiplus::Ok) {
    std::printf("GDI+ did not start (status %d)\n", static_cast<int>(LastStatus));
    return 1;
  }
  {
    Bitmap target;
    target.CreateBitmapFromScan0Default(8, 8);
    Graphics graphics;
    graphics.GetImageGraphicsContext(target);
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    auto* handle = static_cast<Gdiplus::GpGraphics*>(graphics.GetNative());

    // Interleaved rounds, each side first in turn. Each pair of neighbouring rounds
    // ran under the same conditions, so the median of the pairs' ratios is the figure;
    // the fastest round of each side is shown beside it.
    std::vector<double> direct, wrapped, ratios;
    for (int round = 0; round < kRounds; ++round) {
      if (round % 2) {
        direct.push_back(DirectRun(handle));
        wrapped.push_back(WrappedRun(graphics));
      } else {
        wrapped.push_back(WrappedRun(graphics));
        direct.push_back(DirectRun(handle));
      }
      ratios.push_back(wrapped.back() / direct.back());
    }
    const double d = *std::min_element(direct.begin(), direct.end());
    const double w = *std::min_element(wrapped.begin(), wrapped.end());
    std::printf("getter, %d calls x %d rounds: wrapped / direct %.3f (median of paired rounds; goal <= 1.10); "
                "fastest rounds: direct %.2f ns/call, wrapped %.2f ns/call\n",
                kCalls, kRounds, Median(ratios), d * 1e6 / kCalls, w * 1e6 / kCalls);
  }
  {
    const std::vector<BYTE> png = MakePng();
    Bitmap canvas;
    canvas.CreateBitmapFromScan0Default(317, 537);
    Graphics graphics;
    graphics.GetImageGraphicsContext(canvas);
    std::vector<double> times, loads, draws;
    for (int run = 0; run < 100; ++run) {
      const double start = NowMs();
      Bitmap picture;
      const bool loaded = picture.CreateBitmapFromBytes(png);
      const double afterLoad = NowMs();
      const bool drawn = graphics.DrawImageRectRect(picture, 0.0f, 0.0f, 317.0f, 537.0f);
      graphics.Flush(Gdiplus::FlushIntentionSync);
      const double end = NowMs();
      times.push_back(end - start);
      loads.push_back(afterLoad - start);
      draws.push_back(end - afterLoad);
      if (!loaded || !drawn) {
        std::printf("load or draw failed (status %d)\n", static_cast<int>(LastStatus));
        return 1;
      }
    }
    std::printf("PNG %zu bytes, 431x353 loaded from bytes and drawn to 317x537 (100 runs): median %.3f ms "
                "(load %.3f ms, draw %.3f ms), fastest %.3f ms\n",
                png.size(), Median(times), Median(loads), Median(draws),
                *std::min_element(times.begin(), times.end()));
  }
  GdiplusShutdown();
  return 0;
}
