#pragma once
// The picture that goes into the recognition request itself ("image=", when
// there is no image host). The OCR service takes JPG, PNG and BMP pictures whose
// encoded value (Base64, then percent-encoded) is at most 4 MB, whose shortest
// side is at least 15 px and whose longest side is at most 4096 px. A file
// within those limits is sent as it is; any other picture is made to fit. No
// Windows header.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace ornivex {

inline constexpr std::size_t kMaxEncodedImageBytes = 4 * 1024 * 1024;
inline constexpr int kMinImageSide = 15;
inline constexpr int kMaxImageSide = 4096;
// The quality of the JPEG sent when a PNG of the picture would be too large.
inline constexpr int kImageJpegQuality = 90;

struct CloudPicture {
  std::vector<std::uint8_t> bytes;  // a JPG, PNG or BMP file
  bool converted = false;           // false: the file's own bytes, unchanged
};

// The length of the percent-encoded Base64 of `file`, what ImageRecognitionBody
// puts after "image=", counted without building it: 4 characters for every 3
// bytes begun, and 2 more for each "+", "/" and "=" among them (they become %2B,
// %2F and %3D). Always even.
std::size_t EncodedImageSize(std::span<const std::uint8_t> file);

// What to send for the picture file `file`:
// - a JPG, PNG or BMP file within the service's limits: its bytes, unchanged
//   (only its headers are read);
// - a picture beyond them: decoded, scaled down with its aspect kept until its
//   longest side is at most 4096 px, any transparency laid over white, a side
//   under 15 px padded with white to 15 (the picture at the top-left, so its
//   coordinates stay as they are), and written as PNG, or as JPEG at quality 90
//   when the PNG would be too large (told from a sample of its rows first when
//   that is clear, so a photograph's PNG is not written in vain); when the JPEG
//   is too large as well, scaled down further until one of them fits.
// Nothing when the file is not a JPG, PNG or BMP picture that decodes (or,
// rarely, when memory for the conversion runs out).
std::optional<CloudPicture> PictureForRecognition(std::span<const std::uint8_t> file);

}  // namespace ornivex
