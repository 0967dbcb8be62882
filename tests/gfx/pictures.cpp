#include "tests/gfx/pictures.h"

#include <png.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace ornivex::gfx::testing {

std::vector<unsigned char> EncodePng(const Pixels& pixels) {
  std::vector<unsigned char> rgba;
  for (std::uint32_t p : pixels.argb) {
    rgba.push_back(static_cast<unsigned char>(p >> 16));
    rgba.push_back(static_cast<unsigned char>(p >> 8));
    rgba.push_back(static_cast<unsigned char>(p));
    rgba.push_back(static_cast<unsigned char>(p >> 24));
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(pixels.width);
  image.height = static_cast<png_uint_32>(pixels.height);
  image.format = PNG_FORMAT_RGBA;
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr)) return {};
  std::vector<unsigned char> out(size);
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, rgba.data(), 0, nullptr)) return {};
  out.resize(size);
  return out;
}

bool DecodePng(const std::vector<unsigned char>& bytes, Pixels& pixels) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return false;
  image.format = PNG_FORMAT_RGBA;
  std::vector<unsigned char> rgba(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) return false;
  pixels.width = static_cast<int>(image.width);
  pixels.height = static_cast<int>(image.height);
  pixels.argb.clear();
  for (size_t i = 0; i + 3 < rgba.size(); i += 4) {
    pixels.argb.push_back(std::uint32_t{rgba[i + 3]} << 24 | std::uint32_t{rgba[i]} << 16 |
                          std::uint32_t{rgba[i + 1]} << 8 | rgba[i + 2]);
  }
  return true;
}

bool DecodeBmp(const std::vector<unsigned char>& b, Pixels& pixels) {
  auto u32 = [&](size_t at) { std::uint32_t v; std::memcpy(&v, &b[at], 4); return v; };
  auto u16 = [&](size_t at) { return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8); };
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return false;
  const std::uint32_t offset = u32(10);
  const auto width = static_cast<std::int32_t>(u32(18));
  const auto height = static_cast<std::int32_t>(u32(22));
  const int bpp = u16(28);
  if ((bpp != 24 && bpp != 32) || u32(30) != 0 /* BI_RGB */ || width <= 0 || height == 0) return false;
  const int rows = height < 0 ? -height : height;
  const size_t stride = (static_cast<size_t>(width) * bpp / 8 + 3) & ~size_t{3};
  if (offset + stride * rows > b.size()) return false;
  pixels.width = width;
  pixels.height = rows;
  pixels.argb.assign(static_cast<size_t>(width) * rows, 0);
  for (int y = 0; y < rows; ++y) {
    const size_t row = offset + stride * (height < 0 ? y : rows - 1 - y);
    for (int x = 0; x < width; ++x) {
      const unsigned char* p = &b[row + static_cast<size_t>(x) * bpp / 8];
      const std::uint32_t alpha = bpp == 32 ? p[3] : 0xFF;
      pixels.argb[static_cast<size_t>(y) * width + x] = alpha << 24 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0];
    }
  }
  return true;
}

std::vector<unsigned char> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace ornivex::gfx::testing
