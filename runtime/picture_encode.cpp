#include "runtime/picture_encode.h"

#include <algorithm>
#include <cstring>
#include <new>

#include <png.h>

namespace ornivex {

namespace {

std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint32_t Le16(std::span<const std::uint8_t> b, std::size_t at) { return b[at] | b[at + 1] << 8; }

void PutLe32(std::uint8_t* out, std::uint64_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

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

std::optional<std::vector<std::uint8_t>> BmpFileFromDib(std::span<const std::uint8_t> dib) {
  constexpr std::uint32_t kBiRgb = 0, kBiBitfields = 3, kBiAlphaBitfields = 6;
  if (dib.size() < 12) return std::nullopt;
  const std::uint64_t headerSize = Le32(dib, 0);
  std::uint64_t bits = 0, paletteBytes = 0, masks = 0, imageBytes = 0;
  std::uint32_t compression = kBiRgb;
  if (headerSize == 12) {
    bits = Le16(dib, 10);
    if (bits <= 8) paletteBytes = 3ull << bits;
  } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 || headerSize == 124) {
    if (dib.size() < headerSize) return std::nullopt;
    const std::int64_t width = static_cast<std::int32_t>(Le32(dib, 4));
    const std::int64_t height = static_cast<std::int32_t>(Le32(dib, 8));  // negative: top-down
    bits = Le16(dib, 14);
    compression = Le32(dib, 16);
    const std::uint64_t clrUsed = Le32(dib, 32);
    // A full table for 8 bits and less unless the header counts fewer colours;
    // above that an optional one, there when the header counts it.
    paletteBytes = 4 * (clrUsed ? clrUsed : (bits <= 8 ? 1ull << bits : 0));
    if (headerSize == 40 && compression == kBiBitfields) masks = 12;
    if (headerSize == 40 && compression == kBiAlphaBitfields) masks = 16;
    imageBytes = (static_cast<std::uint64_t>(width < 0 ? -width : width) * bits + 31) / 32 * 4 *
                 static_cast<std::uint64_t>(height < 0 ? -height : height);
  } else {
    return std::nullopt;
  }
  std::uint64_t pixels = headerSize + masks + paletteBytes;
  if (headerSize > 40 && compression == kBiBitfields && dib.size() == pixels + 12 + imageBytes) pixels += 12;
  if (pixels > dib.size()) return std::nullopt;

  constexpr std::size_t kFileHeader = 14;
  std::vector<std::uint8_t> file;
  try {
    file.resize(kFileHeader + dib.size());
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  file[0] = 'B';
  file[1] = 'M';
  PutLe32(&file[2], std::min<std::uint64_t>(file.size(), 0xFFFFFFFFu));
  PutLe32(&file[10], kFileHeader + pixels);
  std::memcpy(&file[kFileHeader], dib.data(), dib.size());
  return file;
}

}  // namespace ornivex
