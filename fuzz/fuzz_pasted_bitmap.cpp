// A pasted bitmap's way to a PNG file on arbitrary bytes. The first byte picks
// the input: a bare bitmap (the rest of the bytes) decoded where it lies, or
// pixels made directly of the bytes. Then
//  - decode(encode(p)) == p: the PNG holds exactly the straight pixels;
//  - a bitmap decoded premultiplied is its straight decoding premultiplied.
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "fuzz/check.h"
#include "runtime/layout.h"
#include "runtime/picture_decode.h"
#include "runtime/picture_encode.h"

namespace {

using ornivex::fuzz::Check;

// Pictures are kept small: a run-length bitmap of a few bytes may claim millions
// of pixels, which tells nothing new and only slows the search.
constexpr std::int64_t kMaxPixels = 1 << 16;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ornivex;
  if (size < 2) return 0;
  const std::span<const std::uint8_t> rest(data + 1, size - 1);
  Picture picture;
  if (data[0] & 1) {
    // Width from the second byte, as many whole rows as the bytes after it fill.
    picture.width = 1 + rest[0] % 32;
    const std::size_t pixels = (rest.size() - 1) / 4;
    picture.height = static_cast<int>(pixels / picture.width);
    if (picture.height == 0) return 0;
    picture.bgra.assign(rest.begin() + 1, rest.begin() + 1 + std::size_t{4} * picture.width * picture.height);
  } else {
    auto straight = DecodeDib(rest, Alpha::Straight);
    if (!straight || std::int64_t{straight->width} * straight->height > kMaxPixels) return 0;
    const auto premultiplied = DecodeDib(rest, Alpha::Premultiplied);
    Check(premultiplied && straight->width == premultiplied->width && straight->height == premultiplied->height);
    std::vector<std::uint8_t> expected = straight->bgra;
    PremultiplyBgra(expected);
    Check(expected == premultiplied->bgra);
    picture = std::move(*straight);
  }
  if (std::int64_t{picture.width} * picture.height > kMaxPixels) return 0;
  const auto png = EncodePng(picture);
  Check(png.has_value());
  const auto back = DecodePng(*png, Alpha::Straight);
  Check(back.has_value());
  Check(back->width == picture.width && back->height == picture.height && back->bgra == picture.bgra);
  return 0;
}
