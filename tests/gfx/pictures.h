#pragma once
// Independent encoders and decoders for checking what the wrapper wrote: PNG through
// libpng, BMP read by hand. Pixels are 0xAARRGGBB, rows top to bottom.
#include <cstdint>
#include <string>
#include <vector>

namespace ornivex::gfx::testing {

struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> argb;
  std::uint32_t At(int x, int y) const { return argb[static_cast<size_t>(y) * width + x]; }
};

std::vector<unsigned char> EncodePng(const Pixels& pixels);
bool DecodePng(const std::vector<unsigned char>& bytes, Pixels& pixels);
// 24- and 32-bit uncompressed BMP files (bottom-up or top-down).
bool DecodeBmp(const std::vector<unsigned char>& bytes, Pixels& pixels);
std::vector<unsigned char> ReadFileBytes(const std::string& path);

}  // namespace ornivex::gfx::testing
