#pragma once
// Pixel work on the canvases the control families paint in: laying a painting
// made on a key colour over the background, and the thin frame lines, which must
// sit on whole pixels. No Windows header. Pixels are 0xAARRGGBB, rows from the top;
// their alpha byte is ignored (and kept) unless said otherwise.
#include <cstdint>
#include <span>

namespace ornivex::skin {

// Lays `painted` (a control's painting on `key`) over `background`, pixel for
// pixel, into `background`. A pixel of the key shows the background. A pixel that
// lies between the key and `text` (the soft edge of text drawn on the key, each
// colour channel on its own) is taken as `text` at the share it has and laid over
// the background, so no trace of the key is left. Every other pixel is the
// control's own and is kept.
void LayOverBackground(std::span<const std::uint32_t> painted, std::span<std::uint32_t> background, std::uint32_t key,
                       std::uint32_t text);

// Covers the `penWidth` outermost rows and columns of a w x h canvas with `argb`
// (its alpha the share of the colour): a frame line along the canvas's edge.
void BlendFrame(std::span<std::uint32_t> pixels, int width, int height, int penWidth, std::uint32_t argb);

}  // namespace ornivex::skin
