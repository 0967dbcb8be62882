#pragma once
// Geometry and pixel arithmetic of the runtime, free of Windows headers.
#include <cstddef>
#include <cstdint>
#include <span>

namespace ornivex {

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;

  int Right() const { return left + width; }
  int Bottom() const { return top + height; }
  bool Contains(const Rect& inner) const {
    return inner.left >= left && inner.top >= top && inner.Right() <= Right() && inner.Bottom() <= Bottom();
  }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// Lengths are kept as the values they have at 96 DPI; a window at another DPI
// scales them all by one factor, dpi / 96, rounded to the nearest pixel (halves
// away from zero, as MulDiv rounds).
int ScaleForDpi(int length96, int dpi);
// A rectangle at 96 DPI, at `dpi`: each edge scaled, so neighbouring rectangles
// keep meeting where they met.
Rect ScaleRect(const Rect& rect96, int dpi);

// A window's own rectangle at `dpi`: its place scaled, and its size scaled as a
// size (a window meets no neighbour, so its size is what must stay exact).
Rect ScaleWindowRect(const Rect& rect96, int dpi);

// The size a picture drawn for a nearby scale is shown at in its box: its own
// size when it fits, else shrunk into the box keeping its proportions.
Rect FitPictureInBox(int boxWidth, int boxHeight, int pictureWidth, int pictureHeight);

// Part of a picture of the given size shown by a box that draws it unscaled at
// its top-left corner: the picture's size clipped to the box.
Rect VisiblePictureArea(int boxWidth, int boxHeight, int pictureWidth, int pictureHeight);

// Converts RGBA pixels (as libpng delivers them) in place to the premultiplied
// BGRA that GDI's AlphaBlend expects.
void RgbaToPremultipliedBgra(std::span<std::uint8_t> pixels);

// Multiplies the colour channels of straight BGRA pixels by their alpha, in place,
// rounding as RgbaToPremultipliedBgra does.
void PremultiplyBgra(std::span<std::uint8_t> pixels);

// Expands packed RGB rows to opaque BGRA pixels.
void RgbToBgra(std::span<const std::uint8_t> rgb, std::span<std::uint8_t> bgra);

}  // namespace ornivex
