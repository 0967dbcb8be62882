#include "runtime/picture_encode.h"

#include <algorithm>
#include <cstring>
#include <new>

#include <png.h>

namespace ornivex {

namespace {

bool Opaque(const Picture& picture) {
  for (std::size_t i = 3; i < picture.bgra.size(); i += 4)
    if (picture.bgra[i] != 255) return false;
  return true;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> EncodePng(const Picture& straight) {
  const std::int64_t pixels = std::int64_t{straight.width} * straight.height;
  if (straight.width <= 0 || straight.height <= 0 || straight.width > kMaxPictureSide ||
      straight.height > kMaxPictureSide || pixels > kMaxPicturePixels ||
      straight.bgra.size() != static_cast<std::size_t>(pixels) * 4)
    return std::nullopt;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(straight.width);
  image.height = static_cast<png_uint_32>(straight.height);
  try {
    // An opaque picture goes without its alpha channel: a quarter less to
    // compress and to upload.
    std::vector<std::uint8_t> bgr;
    const void* rows = straight.bgra.data();
    if (Opaque(straight)) {
      bgr.resize(static_cast<std::size_t>(pixels) * 3);
      for (std::size_t i = 0, n = static_cast<std::size_t>(pixels); i < n; ++i)
        std::memcpy(&bgr[i * 3], &straight.bgra[i * 4], 3);
      rows = bgr.data();
      image.format = PNG_FORMAT_BGR;
    } else {
      image.format = PNG_FORMAT_BGRA;
    }
    // Written once into room for the largest file these pixels can make.
    std::vector<std::uint8_t> png(PNG_IMAGE_PNG_SIZE_MAX(image));
    png_alloc_size_t size = png.size();
    if (!png_image_write_to_memory(&image, png.data(), &size, 0, rows, 0, nullptr)) {
      png_image_free(&image);
      return std::nullopt;
    }
    png.resize(size);
    png.shrink_to_fit();
    return png;
  } catch (const std::bad_alloc&) {
    png_image_free(&image);
    return std::nullopt;
  }
}

}  // namespace ornivex
