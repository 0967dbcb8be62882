#pragma once
// Decoding of picture files into 32-bit BGRA pixels, top row first:
// premultiplied (what GDI's AlphaBlend draws) unless straight alpha is asked for.
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
  std::vector<std::uint8_t> bgra;  // width * height * 4 bytes, alpha as the decoder was asked
};

// Colour channels multiplied by alpha (for drawing), or left as stored (for
// writing the picture out again unchanged).
enum class Alpha { Premultiplied, Straight };

enum class PictureFormat { Unknown, Png, Jpeg, Bmp };

// Tells the format from the file's first bytes (its extension is not trusted).
PictureFormat SniffPictureFormat(std::span<const std::uint8_t> bytes);

// The length of the PNG file the bytes start with, up to the end of its IEND
// chunk: what is left when trailing bytes are cut off. 0 when the bytes do not
// start with a PNG file whose every chunk up to IEND is there.
std::size_t PngFileSize(std::span<const std::uint8_t> bytes);

// Pictures larger than this in either direction, or with more pixels than the
// second limit, are refused rather than decoded.
inline constexpr int kMaxPictureSide = 16384;
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 26;

struct PictureSize {
  int width = 0;
  int height = 0;
};

// The size a PNG, JPEG or BMP file states in its headers, read without
// decoding its pixels, and checked as the decoders check it before they start:
// nothing for a file they would refuse at once. (One that is damaged further on
// may still fail to decode.)
std::optional<PictureSize> ReadPictureSize(std::span<const std::uint8_t> bytes);

// PNG, JPEG or BMP, told apart by their first bytes.
std::optional<Picture> DecodePictureFile(std::span<const std::uint8_t> bytes);

std::optional<Picture> DecodePng(std::span<const std::uint8_t> bytes, Alpha alpha = Alpha::Premultiplied);
std::optional<Picture> DecodeJpeg(std::span<const std::uint8_t> bytes);
// Uncompressed (1, 4, 8, 16, 24 and 32 bits, palettes and bit-field masks) and
// run-length encoded (RLE8, RLE4) BMP files with any of the usual headers. BMP
// pixels are opaque, except where the header gives an alpha mask (bit fields
// with a header of 56 bytes or more, or BI_ALPHABITFIELDS) and some pixel's
// alpha is not zero: a picture whose alpha is zero throughout was written by a
// program that leaves the byte unused. Pixels an RLE file skips are black.
std::optional<Picture> DecodeBmp(std::span<const std::uint8_t> bytes, Alpha alpha = Alpha::Premultiplied);
// A bare bitmap, as the clipboard holds one: the same without the 14-byte file
// header, so its pixels follow the header, the masks after a 40-byte bit-field
// header, and the colour table (a larger bit-field header that repeats its three
// masks after itself is told by its size). Read where it lies, without a copy;
// the sizes its header claims are held against the bytes given before any
// memory is set aside for the picture.
std::optional<Picture> DecodeDib(std::span<const std::uint8_t> dib, Alpha alpha = Alpha::Premultiplied);

}  // namespace ornivex
