// The picture decoders on arbitrary bytes: a decoded picture has the size it
// claims, within the limits, with as many pixels as it says; JPEG pictures are
// opaque, PNG and BMP pixels properly premultiplied. The PNG chunks'
// checksums are put right first, so mutations reach past libpng's CRC check.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz/check.h"
#include "fuzz/png_checksums.h"
#include "runtime/picture_decode.h"

namespace {

using ornivex::fuzz::Check;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bytes(data, data + size);
  const ornivex::PictureFormat format = ornivex::SniffPictureFormat(bytes);
  if (format == ornivex::PictureFormat::Png) ornivex::fuzz::FixPngChecksums(bytes);
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
