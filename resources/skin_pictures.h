#pragma once
// The pictures the program carries inside itself: the skin engine's title-button
// glyphs, check box and arrows, the window background and the about window's
// logo, each at 100 %, 150 % and 200 %. Drawn by resources/make-skin-artwork.sh
// and resources/make-artwork.sh; no Windows header.
#include <cstdint>
#include <span>

namespace ornivex::pictures {

enum class SkinPicture {
  Help,        // 26 x 18 title-button glyphs
  MainMenu,
  Minimize,
  Maximize,
  Restore,
  Close,       // 38 x 18
  CheckBox,    // 13 x 13, and the tick drawn over it
  Tick,
  ArrowDown,   // 7 x 4
  ArrowUp,
  ArrowLeft,   // 4 x 7
  ArrowRight,
};
inline constexpr int kSkinPictureCount = static_cast<int>(SkinPicture::ArrowRight) + 1;

inline constexpr int kScaleSteps = 3;  // 0: 1x, 1: 1.5x, 2: 2x

// The picture at a scale step, with its {1, length} header in front of the PNG
// (two little-endian 32-bit words). Scale steps out of range are clamped to the
// nearest one; a value outside the enumeration gives an empty span.
std::span<const std::uint8_t> Embedded(SkinPicture picture, int scaleStep = 0);
// The skin picture (background) as plain PNG bytes, at a scale step.
std::span<const std::uint8_t> SkinBackground(int scaleStep = 0);
// The about logo as plain PNG bytes at a scale step.
std::span<const std::uint8_t> AboutLogo(int scaleStep = 0);

}  // namespace ornivex::pictures
