// The picture sent in the recognition request, made from arbitrary file bytes:
// what is sent is the file itself only when the file is within every limit,
// and otherwise a PNG or JPEG that decodes to a picture within them; the
// encoded size counted without encoding is the length of the real value.
// Files whose headers state more than a million pixels are left out: their
// conversion is correct but too slow to fuzz under the sanitizers.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "fuzz/check.h"
#include "app/cloud_picture.h"
#include "app/ocr_protocol.h"
#include "fuzz/png_checksums.h"
#include "runtime/picture_decode.h"

namespace {

using ornivex::fuzz::Check;

bool WithinSides(int width, int height) {
  return std::min(width, height) >= ornivex::kMinImageSide && std::max(width, height) <= ornivex::kMaxImageSide;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> file(data, data + size);
  if (ornivex::SniffPictureFormat(file) == ornivex::PictureFormat::Png) ornivex::fuzz::FixPngChecksums(file);
  Check(ornivex::ImageRecognitionBody(file).size() == 6 + ornivex::EncodedImageSize(file));

  const std::optional<ornivex::PictureSize> stated = ornivex::ReadPictureSize(file);
  if (stated && std::int64_t{stated->width} * stated->height > (1 << 20)) return 0;
  const std::optional<ornivex::CloudPicture> sent = ornivex::PictureForRecognition(file);
  if (!stated) Check(!sent);
  if (!sent) return 0;
  Check(ornivex::EncodedImageSize(sent->bytes) <= ornivex::kMaxEncodedImageBytes);
  if (!sent->converted) {
    Check(sent->bytes == file && WithinSides(stated->width, stated->height));
    return 0;
  }
  Check(!WithinSides(stated->width, stated->height) ||
        ornivex::EncodedImageSize(file) > ornivex::kMaxEncodedImageBytes);
  const ornivex::PictureFormat format = ornivex::SniffPictureFormat(sent->bytes);
  Check(format == ornivex::PictureFormat::Png || format == ornivex::PictureFormat::Jpeg);
  const std::optional<ornivex::Picture> picture = ornivex::DecodePictureFile(sent->bytes);
  Check(picture && WithinSides(picture->width, picture->height));
  return 0;
}
