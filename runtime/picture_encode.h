#pragma once
// Writing pictures out: a PNG file (libpng) or a JPEG file (libjpeg) from
// straight BGRA pixels. No Windows header: built natively too, for tests and
// fuzzing.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "runtime/picture_decode.h"

namespace ornivex {

// How hard a PNG's writer works: for the smallest file (zlib's default level,
// each row's filter chosen among all five), or for the time (zlib's fastest
// level, each row filtered against the one above: a whole screen in about a
// third of the time, its file up to half again as large).
enum class PngEffort { kSmallest, kFastest };

// The picture, whose pixels are straight BGRA (DecodeBmp and DecodePng with
// Alpha::Straight), as a PNG file: 8-bit RGB when every pixel is opaque,
// 8-bit RGBA otherwise. DecodePng(EncodePng(p), Alpha::Straight) gives p back.
// Nothing for a picture outside the decoders' limits, one whose pixels do not
// match its size, or when memory runs out.
std::optional<std::vector<std::uint8_t>> EncodePng(const Picture& straight, PngEffort effort = PngEffort::kSmallest);

// The picture, whose pixels are straight BGRA, as a baseline JPEG file (8-bit
// RGB, libjpeg's default 2x2 chroma subsampling, optimised Huffman tables) at
// `quality` (1 to 100; outside that, the nearest end). JPEG has no alpha: a
// pixel that is not opaque is laid over white first. Nothing for a picture
// outside the decoders' limits, one whose pixels do not match its size, or when
// memory runs out.
std::optional<std::vector<std::uint8_t>> EncodeJpeg(const Picture& straight, int quality);

}  // namespace ornivex
