#pragma once
// Puts the checksum of every whole chunk of a PNG file right, so that the
// fuzzer's mutations reach past libpng's CRC check.
#include <cstdint>
#include <vector>

#include <zlib.h>

namespace ornivex::fuzz {

inline void FixPngChecksums(std::vector<std::uint8_t>& png) {
  const auto big32 = [](const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
  };
  std::size_t at = 8;
  while (at + 12 <= png.size()) {
    const std::uint64_t length = big32(&png[at]);
    if (length > png.size() - at - 12) break;
    const auto crc = static_cast<std::uint32_t>(crc32(0, &png[at + 4], static_cast<uInt>(length + 4)));
    std::uint8_t* out = &png[at + 8 + length];
    out[0] = static_cast<std::uint8_t>(crc >> 24), out[1] = static_cast<std::uint8_t>(crc >> 16);
    out[2] = static_cast<std::uint8_t>(crc >> 8), out[3] = static_cast<std::uint8_t>(crc);
    at += 12 + length;
  }
}

}  // namespace ornivex::fuzz
