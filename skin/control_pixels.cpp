#include "skin/control_pixels.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace ornivex::skin {

namespace {

constexpr int kShifts[3] = {16, 8, 0};
// Channels closer than this between key and text say nothing about a blend.
constexpr int kTelling = 16;
// Rounding of the system's blending.
constexpr int kSlack = 6;

int Channel(std::uint32_t pixel, int shift) { return static_cast<int>((pixel >> shift) & 0xFFu); }

}  // namespace

void LayOverBackground(std::span<const std::uint32_t> painted, std::span<std::uint32_t> background, std::uint32_t key,
                       std::uint32_t text) {
  const std::size_t count = std::min(painted.size(), background.size());
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t p = painted[i];
    if ((p & 0xFFFFFFu) == (key & 0xFFFFFFu)) continue;  // the background shows
    // The text's share in each channel that tells it from the key.
    float share[3] = {};
    bool telling[3] = {};
    bool blend = true;
    float sum = 0;
    int told = 0;
    for (int c = 0; c < 3 && blend; ++c) {
      const int k = Channel(key, kShifts[c]), t = Channel(text, kShifts[c]), v = Channel(p, kShifts[c]);
      if (std::abs(t - k) < kTelling) {
        blend = std::abs(v - k) <= kSlack;
        continue;
      }
      const float s = static_cast<float>(v - k) / static_cast<float>(t - k);
      const float slack = static_cast<float>(kSlack) / static_cast<float>(std::abs(t - k));
      if (s < -slack || s > 1 + slack) blend = false;
      share[c] = std::clamp(s, 0.0f, 1.0f);
      telling[c] = true;
      sum += share[c];
      ++told;
    }
    if (!blend || told == 0) {
      background[i] = p;
      continue;
    }
    const std::uint32_t b = background[i];
    std::uint32_t out = b & 0xFF000000u;
    for (int c = 0; c < 3; ++c) {
      const float s = telling[c] ? share[c] : sum / static_cast<float>(told);
      const int t = Channel(text, kShifts[c]), under = Channel(b, kShifts[c]);
      out |= static_cast<std::uint32_t>(std::lround(static_cast<float>(under) + static_cast<float>(t - under) * s))
             << kShifts[c];
    }
    background[i] = out;
  }
}

void BlendFrame(std::span<std::uint32_t> pixels, int width, int height, int penWidth, std::uint32_t argb) {
  if (width <= 0 || height <= 0 || penWidth <= 0 ||
      pixels.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
    return;
  const int share = static_cast<int>(argb >> 24);
  auto blend = [&](std::uint32_t& p) {
    std::uint32_t out = p & 0xFF000000u;
    for (int shift : kShifts) {
      const int under = Channel(p, shift), over = Channel(argb, shift);
      out |= static_cast<std::uint32_t>((under * (255 - share) + over * share + 127) / 255) << shift;
    }
    p = out;
  };
  for (int y = 0; y < height; ++y) {
    const bool edgeRow = y < penWidth || y >= height - penWidth;
    for (int x = 0; x < width; ++x)
      if (edgeRow || x < penWidth || x >= width - penWidth) blend(pixels[static_cast<std::size_t>(y) * width + x]);
  }
}

}  // namespace ornivex::skin
