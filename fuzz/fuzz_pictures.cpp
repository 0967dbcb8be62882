// The picture decoders on arbitrary bytes: a decoded picture has the size it
// claims, within the limits, with as many pixels as it says; JPEG pictures are
// opaque, PNG and BMP pixels properly premultiplied. The PNG chunks'
// checksums are put right first, so mutations reach past libpng's CRC check.
#include <cstdlib>
#include <cstring>
#include <vector>

#include <zlib.h>

#include "runtime/picture_decode.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

std::uint32_t Big32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

void FixPngChecksums(std::vector<std::uint8_t>& png) {
  std::size_t at = 8;
  while (at + 12 <= png.size()) {
    const std::uint64_t length = Big32(&png[at]);
    if (length > png.size() - at - 12) break;
    const auto crc = static_cast<std::uint32_t>(crc32(0, &png[at + 4], static_cast<uInt>(length + 4)));
    std::uint8_t* out = &png[at + 8 + length];
    out[0] = static_cast<std::uint8_t>(crc >> 24), out[1] = static_cast<std::uint8_t>(crc >> 16);
    out[2] = static_cast<std::uint8_t>(crc >> 8), out[3] = static_cast<std::uint8_t>(crc);
    at += 12 + length;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bytes(data, data + size);
  const ornivex::PictureFormat format = ornivex::SniffPictureFormat(bytes);
  if (format == ornivex::PictureFormat::Png) FixPngChecksums(bytes);
  const auto picture = ornivex::DecodePictureFile(bytes);
  if (!picture) return 0;
  Check(format != ornivex::PictureFormat::Unknown);
  Check(picture->width > 0 && picture->height > 0 && picture->width <= ornivex::kMaxPictureSide &&
        picture->height <= ornivex::kMaxPictureSide &&
        static_cast<std::int64_t>(picture->width) * picture->height <= ornivex::kMaxPicturePixels);
  Check(picture->bgra.size() == static_cast<std::size_t>(picture->width) * picture->height * 4);
  for (std::size_t i = 0; i < picture->bgra.size(); i += 4) {
    const std::uint8_t* p = &picture->bgra[i];
    if (format == ornivex::PictureFormat::Jpeg) {
      Check(p[3] == 255);
    } else {
      Check(p[0] <= p[3] && p[1] <= p[3] && p[2] <= p[3]);
    }
  }
  return 0;
}
