#include "app/cloud_picture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <optional>
#include <utility>

#include "runtime/picture_decode.h"
#include "runtime/picture_encode.h"
#include "runtime/resample.h"

namespace ornivex {

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;

bool SidesWithinLimits(PictureSize size) {
  return std::min(size.width, size.height) >= kMinImageSide && std::max(size.width, size.height) <= kMaxImageSide;
}

// The size with its longest side brought down to `longest` (when it is longer),
// the aspect kept and no side below 1 px.
PictureSize WithLongestSide(PictureSize size, int longest) {
  const int side = std::max(size.width, size.height);
  if (side <= longest) return size;
  const auto scale = [&](int length) {
    return std::max(1, static_cast<int>((std::int64_t{length} * longest + side / 2) / side));
  };
  return PictureSize{scale(size.width), scale(size.height)};
}

// The opaque picture at `size`, laid on white at the top-left of a canvas whose
// sides are at least kMinImageSide. Nothing when the scaler fails.
std::optional<Picture> Canvas(const Picture& opaque, PictureSize size) {
  Picture scaled;
  const Picture* source = &opaque;
  if (size.width != opaque.width || size.height != opaque.height) {
    scaled.width = size.width;
    scaled.height = size.height;
    scaled.bgra.resize(static_cast<std::size_t>(size.width) * size.height * 4);
    if (!ResamplePremultiplied(opaque.bgra, opaque.width, opaque.height, scaled.bgra, size.width, size.height))
      return std::nullopt;
    source = &scaled;
  }
  if (source->width >= kMinImageSide && source->height >= kMinImageSide) {
    if (source == &scaled) return scaled;
    return opaque;
  }
  Picture canvas;
  canvas.width = std::max(source->width, kMinImageSide);
  canvas.height = std::max(source->height, kMinImageSide);
  canvas.bgra.assign(static_cast<std::size_t>(canvas.width) * canvas.height * 4, 0xFF);
  const std::size_t row = static_cast<std::size_t>(source->width) * 4;
  for (int y = 0; y < source->height; ++y)
    std::memcpy(&canvas.bgra[static_cast<std::size_t>(y) * canvas.width * 4], &source->bgra[y * row], row);
  return canvas;
}

// Rows sampled to tell whether a picture's PNG can fit before it is written
// whole (a photograph's PNG takes seconds to write and never fits): bands of
// consecutive rows, since PNG predicts each row from the one above, spread over
// the picture.
constexpr int kSampleBands = 8;
constexpr int kSampleBandRows = 16;

// Whether the PNG of the canvas may fit: its sample's PNG, scaled to the whole
// height, encoded at most a quarter over the limit. Pictures of few rows are
// always tried.
bool PngMayFit(const Picture& canvas) {
  constexpr int kSampleRows = kSampleBands * kSampleBandRows;
  if (canvas.height <= 2 * kSampleRows) return true;
  Picture sample;
  sample.width = canvas.width;
  sample.height = kSampleRows;
  const std::size_t row = static_cast<std::size_t>(canvas.width) * 4;
  sample.bgra.resize(row * kSampleRows);
  for (int band = 0; band < kSampleBands; ++band) {
    const std::size_t top = static_cast<std::size_t>(band) * (canvas.height - kSampleBandRows) / (kSampleBands - 1);
    std::memcpy(&sample.bgra[band * kSampleBandRows * row], &canvas.bgra[top * row], kSampleBandRows * row);
  }
  const std::optional<std::vector<std::uint8_t>> png = EncodePng(sample);
  if (!png) return true;
  // Encoded, compressed bytes grow by 4/3 (Base64) and by 1/16 (a "+" or "/"
  // in every 32 characters, each 2 bytes longer).
  const double estimate = static_cast<double>(png->size()) * canvas.height / kSampleRows * 4 / 3 * 17 / 16;
  return estimate <= 1.25 * kMaxEncodedImageBytes;
}

}  // namespace

std::size_t EncodedImageSize(std::span<const std::uint8_t> file) {
  const std::size_t n = file.size();
  std::size_t escaped = 0;  // characters "+" (62) and "/" (63)
  const auto count = [&escaped](std::uint32_t sextet) { escaped += sextet >= 62 ? 1 : 0; };
  std::size_t i = 0;
  for (; i + 3 <= n; i += 3) {
    const std::uint32_t v = std::uint32_t{file[i]} << 16 | std::uint32_t{file[i + 1]} << 8 | file[i + 2];
    count(v >> 18), count(v >> 12 & 63), count(v >> 6 & 63), count(v & 63);
  }
  std::size_t padding = 0;
  if (const std::size_t rest = n - i; rest > 0) {
    const std::uint32_t v = std::uint32_t{file[i]} << 16 | (rest == 2 ? std::uint32_t{file[i + 1]} << 8 : 0);
    count(v >> 18), count(v >> 12 & 63);
    if (rest == 2) count(v >> 6 & 63);
    padding = 3 - rest;
  }
  return (n + 2) / 3 * 4 + 2 * (escaped + padding);
}

std::optional<CloudPicture> PictureForRecognition(std::span<const std::uint8_t> file) {
  const std::optional<PictureSize> stated = ReadPictureSize(file);
  if (!stated) return std::nullopt;
  try {
    if (SidesWithinLimits(*stated) && EncodedImageSize(file) <= kMaxEncodedImageBytes)
      return CloudPicture{std::vector<std::uint8_t>(file.begin(), file.end()), false};

    std::optional<Picture> picture = DecodePictureFile(file);
    if (!picture) return std::nullopt;
    // Opaque from here on, so its pixels are straight and premultiplied alike.
    CompositeOverColour(picture->bgra, kWhite);
    PictureSize size = WithLongestSide({picture->width, picture->height}, kMaxImageSide);
    for (;;) {
      const std::optional<Picture> canvas = Canvas(*picture, size);
      if (!canvas) return std::nullopt;
      if (PngMayFit(*canvas)) {
        if (std::optional<std::vector<std::uint8_t>> png = EncodePng(*canvas);
            png && EncodedImageSize(*png) <= kMaxEncodedImageBytes)
          return CloudPicture{std::move(*png), true};
      }
      std::optional<std::vector<std::uint8_t>> jpeg = EncodeJpeg(*canvas, kImageJpegQuality);
      if (!jpeg) return std::nullopt;
      const std::size_t encoded = EncodedImageSize(*jpeg);
      if (encoded <= kMaxEncodedImageBytes) return CloudPicture{std::move(*jpeg), true};
      // Too large even as JPEG: the file's size goes with the number of pixels,
      // so the sides shrink by the square root of the excess, and a little more.
      const int longest = std::max(size.width, size.height);
      const double factor =
          std::clamp(std::sqrt(static_cast<double>(kMaxEncodedImageBytes) / static_cast<double>(encoded)) * 0.95,
                     0.5, 0.95);
      const int next = std::min(longest - 1, static_cast<int>(longest * factor));
      if (next < 1) return std::nullopt;
      size = WithLongestSide({picture->width, picture->height}, next);
    }
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

}  // namespace ornivex
