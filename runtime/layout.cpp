#include "runtime/layout.h"

#include <algorithm>

namespace ornivex {

int ScaleForDpi(int length96, int dpi) {
  if (dpi <= 0 || dpi == 96) return length96;
  const long long scaled = static_cast<long long>(length96) * dpi;
  return static_cast<int>(scaled >= 0 ? (scaled + 48) / 96 : (scaled - 48) / 96);
}

Rect ScaleRect(const Rect& rect96, int dpi) {
  const int left = ScaleForDpi(rect96.left, dpi), top = ScaleForDpi(rect96.top, dpi);
  return Rect{left, top, ScaleForDpi(rect96.Right(), dpi) - left, ScaleForDpi(rect96.Bottom(), dpi) - top};
}

Rect ScaleWindowRect(const Rect& rect96, int dpi) {
  return Rect{ScaleForDpi(rect96.left, dpi), ScaleForDpi(rect96.top, dpi), ScaleForDpi(rect96.width, dpi),
              ScaleForDpi(rect96.height, dpi)};
}

Rect FitPictureInBox(int boxWidth, int boxHeight, int pictureWidth, int pictureHeight) {
  if (pictureWidth <= boxWidth && pictureHeight <= boxHeight) return Rect{0, 0, pictureWidth, pictureHeight};
  if (boxWidth <= 0 || boxHeight <= 0 || pictureWidth <= 0 || pictureHeight <= 0) return Rect{};
  // The side that has to shrink most decides; the other follows, rounded down so
  // it cannot pass its edge.
  const std::int64_t byWidth = std::int64_t{boxWidth} * pictureHeight, byHeight = std::int64_t{boxHeight} * pictureWidth;
  if (byWidth <= byHeight)
    return Rect{0, 0, boxWidth, std::max(1, static_cast<int>(byWidth / pictureWidth))};
  return Rect{0, 0, std::max(1, static_cast<int>(byHeight / pictureHeight)), boxHeight};
}

Rect VisiblePictureArea(int boxWidth, int boxHeight, int pictureWidth, int pictureHeight) {
  return Rect{0, 0, std::clamp(pictureWidth, 0, std::max(boxWidth, 0)),
              std::clamp(pictureHeight, 0, std::max(boxHeight, 0))};
}

namespace {

// Rounded division by 255 keeps an opaque pixel exact and a clear one black.
std::uint8_t TimesAlpha(unsigned c, unsigned a) { return static_cast<std::uint8_t>((c * a + 127) / 255); }

}  // namespace

void RgbaToPremultipliedBgra(std::span<std::uint8_t> pixels) {
  const std::size_t count = pixels.size() / 4;
  for (std::size_t i = 0; i < count; ++i) {
    std::uint8_t* p = pixels.data() + i * 4;
    const unsigned a = p[3];
    const std::uint8_t r = TimesAlpha(p[0], a), g = TimesAlpha(p[1], a), b = TimesAlpha(p[2], a);
    p[0] = b;
    p[1] = g;
    p[2] = r;
  }
}

void PremultiplyBgra(std::span<std::uint8_t> pixels) {
  const std::size_t count = pixels.size() / 4;
  for (std::size_t i = 0; i < count; ++i) {
    std::uint8_t* p = pixels.data() + i * 4;
    if (p[3] == 255) continue;
    for (int c = 0; c < 3; ++c) p[c] = TimesAlpha(p[c], p[3]);
  }
}

void RgbToBgra(std::span<const std::uint8_t> rgb, std::span<std::uint8_t> bgra) {
  const std::size_t count = std::min(rgb.size() / 3, bgra.size() / 4);
  for (std::size_t i = 0; i < count; ++i) {
    bgra[i * 4 + 0] = rgb[i * 3 + 2];
    bgra[i * 4 + 1] = rgb[i * 3 + 1];
    bgra[i * 4 + 2] = rgb[i * 3 + 0];
    bgra[i * 4 + 3] = 255;
  }
}

}  // namespace ornivex
