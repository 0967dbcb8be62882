#pragma once
// GDI+ started once for a test program, and small drawing helpers.
#include <gtest/gtest.h>

#include <cstdint>

#include "gfx/gfx.h"

namespace ornivex::gfx::testing {

class GdiplusEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    GdiplusStartup();
    ASSERT_EQ(LastStatus, Gdiplus::Ok);
  }
  void TearDown() override { GdiplusShutdown(); }
};

// A 32-bit ARGB bitmap of the given size with a graphics on it, cleared to `clear`.
struct Canvas {
  Bitmap bitmap;
  Graphics graphics;
  Canvas(int width, int height, ARGB clear = 0) {
    EXPECT_TRUE(bitmap.CreateBitmapFromScan0Default(width, height));
    EXPECT_TRUE(graphics.GetImageGraphicsContext(bitmap));
    EXPECT_TRUE(graphics.GraphicsClear(clear));
  }
  ARGB At(int x, int y) {
    graphics.Flush(Gdiplus::FlushIntentionSync);
    return bitmap.BitmapGetPixel(x, y);
  }
  // How many pixels of the top-left width x height area differ from `background`.
  int CountNot(int width, int height, ARGB background) {
    int n = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) n += At(x, y) != background;
    return n;
  }
};

// True when every channel of two colours is within `tolerance`.
inline bool Near(ARGB a, ARGB b, int tolerance) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int x = (a >> shift) & 0xFF, y = (b >> shift) & 0xFF;
    if (x - y > tolerance || y - x > tolerance) return false;
  }
  return true;
}

}  // namespace ornivex::gfx::testing
