#pragma once
// Pixel arithmetic of the skin: average colours, the fade band of a prepared
// background picture, the white veil, and which of the pictures drawn at several
// scales suits a DPI. No Windows header. Pixels are 0xAARRGGBB.
#include <cstdint>
#include <span>

namespace ornivex::skin {

// The mean colour of `samples` pixels taken at pseudo-random positions (from
// `seed`) of a w x h picture, as an opaque colour.
std::uint32_t AverageColourOfSamples(std::span<const std::uint32_t> pixels, int width, int height, int samples,
                                     std::uint32_t seed);

// Lays a band over one vertical edge of a w x h picture that fades it into `key`:
// the picture is unchanged where the band begins and is `key` at the edge. The band
// lies on the right edge, or on the left one with `leftEdge`.
void FadeEdgeIntoColour(std::span<std::uint32_t> pixels, int width, int height, int bandWidth, std::uint32_t key,
                        bool leftEdge);

// Covers opaque pixels with white at `alpha` (0 leaves them as they are).
void VeilPixels(std::span<std::uint32_t> pixels, int alpha);

// The pictures are drawn at 1x, 1.5x and 2x (steps 0, 1, 2): the step nearest to a DPI.
int PictureScaleStep(int dpi);

}  // namespace ornivex::skin
