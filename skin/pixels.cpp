#include "skin/pixels.h"

#include <cstdlib>
#include <random>

namespace ornivex::skin {

namespace {

std::uint32_t Channel(std::uint32_t pixel, int shift) { return (pixel >> shift) & 0xFFu; }

std::uint32_t Mix(std::uint32_t from, std::uint32_t to, int weight /* 0..256 of `to` */) {
  std::uint32_t out = 0xFF000000u;
  for (int shift = 0; shift < 24; shift += 8) {
    const int a = static_cast<int>(Channel(from, shift)), b = static_cast<int>(Channel(to, shift));
    out |= static_cast<std::uint32_t>(a + ((b - a) * weight) / 256) << shift;
  }
  return out;
}

}  // namespace

std::uint32_t AverageColourOfSamples(std::span<const std::uint32_t> pixels, int width, int height, int samples,
                                     std::uint32_t seed) {
  if (width <= 0 || height <= 0 || samples <= 0 ||
      pixels.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
    return 0xFF000000u;
  std::minstd_rand random(seed ? seed : 1);
  std::uniform_int_distribution<int> column(0, width - 1), row(0, height - 1);
  std::uint64_t red = 0, green = 0, blue = 0;
  for (int i = 0; i < samples; ++i) {
    const std::uint32_t p = pixels[static_cast<std::size_t>(row(random)) * width + column(random)];
    red += Channel(p, 16);
    green += Channel(p, 8);
    blue += Channel(p, 0);
  }
  const auto mean = [samples](std::uint64_t sum) { return static_cast<std::uint32_t>((sum + samples / 2) / samples); };
  return 0xFF000000u | (mean(red) << 16) | (mean(green) << 8) | mean(blue);
}

void FadeEdgeIntoColour(std::span<std::uint32_t> pixels, int width, int height, int bandWidth, std::uint32_t key,
                        bool leftEdge) {
  if (width <= 0 || height <= 0 || bandWidth <= 0 ||
      pixels.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
    return;
  if (bandWidth > width) bandWidth = width;
  for (int i = 0; i < bandWidth; ++i) {
    // Column i of the band, counted from where it begins: weight of the key grows to
    // full at the edge.
    const int weight = ((i + 1) * 256) / bandWidth;
    const int x = leftEdge ? bandWidth - 1 - i : width - bandWidth + i;
    for (int y = 0; y < height; ++y) {
      std::uint32_t& p = pixels[static_cast<std::size_t>(y) * width + x];
      p = Mix(p, key, weight);
    }
  }
}

void VeilPixels(std::span<std::uint32_t> pixels, int alpha) {
  if (alpha <= 0) return;
  if (alpha > 255) alpha = 255;
  const int weight = (alpha * 256 + 127) / 255;
  for (std::uint32_t& p : pixels) p = Mix(p, 0xFFFFFFFFu, weight);
}

int PictureScaleStep(int dpi) {
  // 96 (1x), 144 (1.5x), 192 (2x): the nearest, halves going up.
  if (dpi < 120) return 0;
  if (dpi < 168) return 1;
  return 2;
}

}  // namespace ornivex::skin
