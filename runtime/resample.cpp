#include "runtime/resample.h"

#define STB_IMAGE_RESIZE_IMPLEMENTATION
#define STBIR_ASSERT(x) ((void)0)
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif
#include <stb_image_resize.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace ornivex {

bool ResamplePremultiplied(std::span<const std::uint8_t> source, int sourceWidth, int sourceHeight,
                           std::span<std::uint8_t> target, int targetWidth, int targetHeight) {
  if (sourceWidth <= 0 || sourceHeight <= 0 || targetWidth <= 0 || targetHeight <= 0) return false;
  if (source.size() < static_cast<std::size_t>(sourceWidth) * sourceHeight * 4 ||
      target.size() < static_cast<std::size_t>(targetWidth) * targetHeight * 4)
    return false;
  return stbir_resize_uint8_generic(source.data(), sourceWidth, sourceHeight, sourceWidth * 4, target.data(),
                                    targetWidth, targetHeight, targetWidth * 4, 4, 3, STBIR_FLAG_ALPHA_PREMULTIPLIED,
                                    STBIR_EDGE_CLAMP, STBIR_FILTER_DEFAULT, STBIR_COLORSPACE_LINEAR, nullptr) != 0;
}

void CompositeOverColour(std::span<std::uint8_t> pixels, std::uint32_t rgb) {
  const unsigned b = rgb & 0xFF, g = (rgb >> 8) & 0xFF, r = (rgb >> 16) & 0xFF;
  for (std::size_t i = 0; i + 3 < pixels.size(); i += 4) {
    const unsigned rest = 255 - pixels[i + 3];
    if (rest == 0) continue;
    pixels[i + 0] = static_cast<std::uint8_t>(pixels[i + 0] + (b * rest + 127) / 255);
    pixels[i + 1] = static_cast<std::uint8_t>(pixels[i + 1] + (g * rest + 127) / 255);
    pixels[i + 2] = static_cast<std::uint8_t>(pixels[i + 2] + (r * rest + 127) / 255);
    pixels[i + 3] = 255;
  }
}

}  // namespace ornivex
