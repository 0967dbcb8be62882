#pragma once
// Scaling pictures: premultiplied BGRA pixels resampled to another size with a
// proper filter (cubic, prefiltered when shrinking), the edges clamped so they keep
// their colour. No Windows header.
#include <cstdint>
#include <span>

namespace ornivex {

// Resamples a sw x sh picture into a dw x dh one; false when a size is not
// positive or a buffer is too small. Both are premultiplied BGRA, rows packed.
bool ResamplePremultiplied(std::span<const std::uint8_t> source, int sourceWidth, int sourceHeight,
                           std::span<std::uint8_t> target, int targetWidth, int targetHeight);

// Lays premultiplied pixels over an opaque colour (0x00RRGGBB): what a
// transparent pixel leaves shows that colour. The pixels end up opaque.
void CompositeOverColour(std::span<std::uint8_t> pixels, std::uint32_t rgb);

}  // namespace ornivex
