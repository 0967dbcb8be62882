#pragma once
// Decoding of picture files into 32-bit premultiplied BGRA pixels, top row first.
// PNG goes through libpng, JPEG through libjpeg, BMP is read here. No Windows
// header: the decoders build natively too, for tests and fuzzing. Every size
// and offset a file states is checked against the bytes actually given before
// anything is read; a file that does not hold what it claims is refused.
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

// Pictures larger than this in either direction, or with more pixels than the
// second limit, are refused rather than decoded.
inline constexpr int kMaxPictureSide = 16384;
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 26;

// PNG, JPEG or BMP, told apart by their first bytes.
std::optional<Picture> DecodePictureFile(std::span<const std::uint8_t> bytes);

std::optional<Picture> DecodePng(std::span<const std::uint8_t> bytes);
std::optional<Picture> DecodeJpeg(std::span<const std::uint8_t> bytes);
// Uncompressed (1, 4, 8, 16, 24 and 32 bits, palettes and bit-field masks) and
// run-length encoded (RLE8, RLE4) BMP files with any of the usual headers. BMP
// pixels are opaque; pixels an RLE file skips are black.
std::optional<Picture> DecodeBmp(std::span<const std::uint8_t> bytes);

}  // namespace ornivex
