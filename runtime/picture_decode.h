#pragma once
// Decoding of picture files into 32-bit premultiplied BGRA pixels, top row first.
// PNG goes through libpng and JPEG through libjpeg; BMP is left to GDI
// (picture_box.h), which knows every variant of it.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace ornivex {

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bgra;  // width * height * 4 bytes, premultiplied alpha
};

enum class PictureFormat { Unknown, Png, Jpeg, Bmp };

// Tells the format from the file's first bytes (its extension is not trusted).
PictureFormat SniffPictureFormat(std::span<const std::uint8_t> bytes);

// Pictures larger than this in either direction are refused rather than decoded.
inline constexpr int kMaxPictureSide = 16384;

std::optional<Picture> DecodePng(std::span<const std::uint8_t> bytes);
std::optional<Picture> DecodeJpeg(std::span<const std::uint8_t> bytes);

}  // namespace ornivex
