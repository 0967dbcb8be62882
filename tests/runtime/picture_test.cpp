// Picture decoding, natively and under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <png.h>
#include <jpeglib.h>

#include "runtime/picture_decode.h"
#include "runtime/picture_encode.h"
#include "tests/support/failing_allocations.h"

namespace ornivex {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes EncodePng(int width, int height, const Bytes& rgba) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = width;
  image.height = height;
  image.format = PNG_FORMAT_RGBA;
  png_alloc_size_t size = 0;
  EXPECT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr));
  Bytes out(size);
  EXPECT_TRUE(png_image_write_to_memory(&image, out.data(), &size, 0, rgba.data(), 0, nullptr));
  out.resize(size);
  return out;
}

// RGB samples, or grey ones with `components` 1.
Bytes EncodeJpeg(int width, int height, const Bytes& rgb, int components = 3) {
  jpeg_compress_struct info;
  jpeg_error_mgr error;
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = width;
  info.image_height = height;
  info.input_components = components;
  info.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 95, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<std::uint8_t*>(rgb.data()) + info.next_scanline * width * components;
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  Bytes out(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  free(buffer);
  return out;
}

// Little-endian fields, appended.
void Put(Bytes& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A BMP file with a 40-byte header: the rows given top first (stored bottom-up
// unless topDown), after a palette of 0x00RRGGBB entries or, with masks, the
// three bit-field masks.
Bytes MakeBmp(int width, int height, int bits, bool topDown, const std::vector<std::uint32_t>& palette,
              const std::vector<Bytes>& rowsTopFirst, const std::vector<std::uint32_t>& masks = {}) {
  const int stride = ((width * bits + 31) / 32) * 4;
  const std::uint32_t offBits = 14 + 40 + static_cast<std::uint32_t>(masks.size() * 4 + palette.size() * 4);
  Bytes out;
  out.push_back('B');
  out.push_back('M');
  Put(out, offBits + stride * height, 4);
  Put(out, 0, 4);
  Put(out, offBits, 4);
  Put(out, 40, 4);
  Put(out, width, 4);
  Put(out, static_cast<std::uint32_t>(topDown ? -height : height), 4);
  Put(out, 1, 2);
  Put(out, bits, 2);
  Put(out, masks.empty() ? 0 : 3, 4);  // BI_RGB or BI_BITFIELDS
  Put(out, 0, 4 * 3);
  Put(out, static_cast<std::uint32_t>(palette.size()), 4);
  Put(out, 0, 4);
  for (std::uint32_t mask : masks) Put(out, mask, 4);
  for (std::uint32_t colour : palette) Put(out, colour, 4);
  out.resize(offBits + stride * height, 0);
  for (int y = 0; y < height; ++y) {
    const int stored = topDown ? y : height - 1 - y;
    std::memcpy(out.data() + offBits + stored * stride, rowsTopFirst[y].data(), rowsTopFirst[y].size());
  }
  return out;
}

// Any BMP layout, field by field: a 12-byte core header or a 40-, 52-, 56-, 108-
// or 124-byte one (masks inside from 52 on, after a 40-byte one), the palette in
// 3-byte (core) or 4-byte entries, then the stored pixel bytes as given.
struct BmpFile {
  std::uint32_t header = 40;
  std::int32_t width = 1, height = 1;
  int planes = 1, bits = 24;
  std::uint32_t compression = 0, colours = 0;
  std::vector<std::uint32_t> masks, palette;
  Bytes pixels;
};

Bytes Encode(const BmpFile& f) {
  Bytes out{'B', 'M'};
  Put(out, 0, 12);  // sizes and offset, filled in at the end
  Put(out, f.header, 4);
  if (f.header == 12) {
    Put(out, f.width, 2), Put(out, f.height, 2), Put(out, f.planes, 2), Put(out, f.bits, 2);
  } else {
    Put(out, f.width, 4), Put(out, static_cast<std::uint32_t>(f.height), 4), Put(out, f.planes, 2);
    Put(out, f.bits, 2), Put(out, f.compression, 4), Put(out, 0, 12), Put(out, f.colours, 4), Put(out, 0, 4);
    for (std::uint32_t mask : f.masks) Put(out, mask, 4);
    out.resize(std::max<std::size_t>(out.size(), 14 + f.header), 0);
  }
  for (std::uint32_t colour : f.palette) Put(out, colour, f.header == 12 ? 3 : 4);
  const auto offBits = static_cast<std::uint32_t>(out.size());
  out.insert(out.end(), f.pixels.begin(), f.pixels.end());
  const auto size = static_cast<std::uint32_t>(out.size());
  std::memcpy(out.data() + 2, &size, 4);
  std::memcpy(out.data() + 10, &offBits, 4);
  return out;
}

std::uint32_t PixelAt(const Picture& p, int x, int y) {
  std::uint32_t value;
  std::memcpy(&value, p.bgra.data() + (static_cast<size_t>(y) * p.width + x) * 4, 4);
  return value;  // 0xAARRGGBB
}

TEST(PictureDecoding, PngComesOutPremultipliedTopRowFirst) {
  // 2 x 2: opaque red, clear green / half-transparent white, opaque blue.
  const Bytes rgba = {255, 0, 0, 255, 0, 255, 0, 0, 255, 255, 255, 128, 0, 0, 255, 255};
  const auto picture = DecodePictureFile(EncodePng(2, 2, rgba));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width, 2);
  EXPECT_EQ(picture->height, 2);
  EXPECT_EQ(PixelAt(*picture, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(*picture, 1, 0), 0x00000000u);
  EXPECT_EQ(PixelAt(*picture, 0, 1), 0x80808080u);
  EXPECT_EQ(PixelAt(*picture, 1, 1), 0xFF0000FFu);
}

TEST(PictureDecoding, JpegComesOutOpaqueWithItsColours) {
  Bytes rgb;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const bool left = x < 8;
      rgb.insert(rgb.end(), {static_cast<std::uint8_t>(left ? 240 : 10), 20, static_cast<std::uint8_t>(left ? 10 : 240)});
    }
  const auto picture = DecodePictureFile(EncodeJpeg(16, 16, rgb));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width, 16);
  const std::uint32_t left = PixelAt(*picture, 2, 8), right = PixelAt(*picture, 13, 8);
  EXPECT_EQ(left >> 24, 255u);
  EXPECT_GT((left >> 16) & 0xFF, 200u);  // red stays red
  EXPECT_LT(left & 0xFF, 50u);
  EXPECT_GT(right & 0xFF, 200u);  // blue stays blue
  EXPECT_LT((right >> 16) & 0xFF, 50u);
}

TEST(PictureDecoding, BmpVariants) {
  // 24-bit, bottom-up, rows padded to four bytes: 3 x 2.
  const std::vector<Bytes> rows24 = {{0, 0, 255, 0, 255, 0, 255, 0, 0}, {255, 255, 255, 0, 0, 0, 10, 20, 30}};
  auto picture = DecodePictureFile(MakeBmp(3, 2, 24, false, {}, rows24));
  ASSERT_TRUE(picture);
  EXPECT_EQ(PixelAt(*picture, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(*picture, 1, 0), 0xFF00FF00u);
  EXPECT_EQ(PixelAt(*picture, 2, 0), 0xFF0000FFu);
  EXPECT_EQ(PixelAt(*picture, 2, 1), 0xFF1E140Au);

  // 8-bit with a palette, top-down; an index past the palette is black.
  picture = DecodePictureFile(MakeBmp(2, 2, 8, true, {0, 0x102030}, {{1, 0}, {7, 1}}));
  ASSERT_TRUE(picture);
  EXPECT_EQ(PixelAt(*picture, 0, 0), 0xFF102030u);
  EXPECT_EQ(PixelAt(*picture, 0, 1), 0xFF000000u);
  EXPECT_EQ(PixelAt(*picture, 1, 1), 0xFF102030u);

  // 16-bit 5-6-5 bit fields: full red, full green, half blue.
  picture = DecodePictureFile(MakeBmp(3, 1, 16, false, {}, {{0x00, 0xF8, 0xE0, 0x07, 0x10, 0x00}},
                                      {0xF800, 0x07E0, 0x001F}));
  ASSERT_TRUE(picture);
  EXPECT_EQ(PixelAt(*picture, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(*picture, 1, 0), 0xFF00FF00u);
  EXPECT_EQ(PixelAt(*picture, 2, 0), 0xFF000084u);

  // RLE8 (bottom-up): a run of two, an absolute run of three, end of line, a
  // delta, end of picture. What it skips is black.
  Bytes rle = MakeBmp(4, 2, 8, false, {0, 0x0000FF, 0x00FF00, 0xFF0000}, {Bytes(4), Bytes(4)});
  rle[30] = 1;  // BI_RLE8
  rle.resize(rle.size() - 8);
  for (int b : {2, 1, 0, 3, 2, 3, 2, 0, 0, 0, 0, 2, 1, 0, 0, 1}) rle.push_back(static_cast<std::uint8_t>(b));
  picture = DecodePictureFile(rle);
  ASSERT_TRUE(picture);
  EXPECT_EQ(PixelAt(*picture, 0, 1), 0xFF0000FFu);  // bottom row: 1 1 2 3, the last 2 falls outside
  EXPECT_EQ(PixelAt(*picture, 2, 1), 0xFF00FF00u);
  EXPECT_EQ(PixelAt(*picture, 3, 1), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(*picture, 0, 0), 0xFF000000u);  // top row never written
}

TEST(PictureDecoding, BmpDepthsHeadersAndRuns) {
  struct Pixel { int x, y; std::uint32_t argb; };
  struct Case { const char* what; BmpFile file; int width, height; std::vector<Pixel> pixels; };
  const std::vector<std::uint32_t> four = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  const Case cases[] = {
      {"1 bit, a row past one byte", {.width = 10, .bits = 1, .palette = {0, 0x123456}, .pixels = {0xA0, 0x40, 0, 0}},
       10, 1, {{0, 0, 0xFF123456}, {1, 0, 0xFF000000}, {2, 0, 0xFF123456}, {9, 0, 0xFF123456}, {8, 0, 0xFF000000}}},
      {"4 bit, both nibbles", {.width = 3, .bits = 4, .colours = 4, .palette = four, .pixels = {0x12, 0x30, 0, 0}},
       3, 1, {{0, 0, 0xFFFF0000}, {1, 0, 0xFF00FF00}, {2, 0, 0xFF0000FF}}},
      {"2 x 2 bottom-up 8 bit, palette of its own length",
       {.width = 2, .height = 2, .bits = 8, .colours = 3, .palette = {0, 0xFF0000, 0x00FF00}, .pixels = {1, 2, 0, 0, 2, 1, 0, 0}},
       2, 2, {{0, 1, 0xFFFF0000}, {1, 1, 0xFF00FF00}, {0, 0, 0xFF00FF00}, {1, 0, 0xFFFF0000}}},
      {"32 bit BI_RGB: x8r8g8b8, alpha byte ignored", {.bits = 32, .pixels = {0x30, 0x20, 0x10, 0x00}},
       1, 1, {{0, 0, 0xFF102030}}},
      {"16 bit BI_RGB: x1r5g5b5", {.width = 2, .bits = 16, .pixels = {0x00, 0x7C, 0x10, 0x00}},
       2, 1, {{0, 0, 0xFFFF0000}, {1, 0, 0xFF000084}}},
      {"core header, 3-byte palette", {.header = 12, .width = 2, .bits = 1, .palette = {0x0A0B0C, 0x010203}, .pixels = {0x80, 0, 0, 0}},
       2, 1, {{0, 0, 0xFF010203}, {1, 0, 0xFF0A0B0C}}},
      {"core header, 24 bit", {.header = 12, .pixels = {3, 2, 1, 0}}, 1, 1, {{0, 0, 0xFF010203}}},
      {"124-byte header, masks inside", {.header = 124, .bits = 32, .compression = 3, .masks = {0xFF, 0xFF00, 0xFF0000},
       .pixels = {0x11, 0x22, 0x33, 0x44}}, 1, 1, {{0, 0, 0xFF112233}}},
      {"108-byte header, 4-4-4 masks", {.header = 108, .bits = 16, .compression = 3, .masks = {0xF00, 0x0F0, 0x00F},
       .pixels = {0x80, 0x0F, 0, 0}}, 1, 1, {{0, 0, 0xFFFF8800}}},
      {"56-byte header, its alpha mask taken", {.header = 56, .bits = 32, .compression = 3,
       .masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, .pixels = {0, 0, 0, 0x80}}, 1, 1, {{0, 0, 0x80000000}}},
      {"52-byte header, masks inside", {.header = 52, .bits = 32, .compression = 3, .masks = {0xFF0000, 0xFF00, 0xFF},
       .pixels = {1, 2, 3, 4}}, 1, 1, {{0, 0, 0xFF030201}}},
      {"BI_ALPHABITFIELDS after a 40-byte header, alpha in the low byte", {.bits = 32, .compression = 6,
       .masks = {0xFF00, 0xFF0000, 0xFF000000, 0xFF}, .pixels = {0xFF, 2, 3, 4}}, 1, 1, {{0, 0, 0xFF020304}}},
      {"RLE4: alternating runs, an odd absolute run, end of line, a delta",
       {.width = 6, .height = 2, .bits = 4, .compression = 2, .colours = 4, .palette = four,
        .pixels = {3, 0x12, 0, 3, 0x31, 0x20, 0, 0, 0, 2, 2, 0, 1, 0x33, 0, 1}},
       6, 2, {{0, 1, 0xFFFF0000}, {1, 1, 0xFF00FF00}, {2, 1, 0xFFFF0000}, {3, 1, 0xFF0000FF}, {4, 1, 0xFFFF0000},
              {5, 1, 0xFF00FF00}, {0, 0, 0xFF000000}, {1, 0, 0xFF000000}, {2, 0, 0xFF0000FF}, {3, 0, 0xFF000000}}},
      {"RLE8: an escape 0 moves up a row, a run past the row's end is cut",
       {.width = 2, .height = 2, .bits = 8, .compression = 1, .colours = 4, .palette = four, .pixels = {1, 2, 0, 0, 3, 1}},
       2, 2, {{0, 1, 0xFF00FF00}, {1, 1, 0xFF000000}, {0, 0, 0xFFFF0000}, {1, 0, 0xFFFF0000}}},
      {"RLE8: an absolute run longer than the data left draws nothing",
       {.width = 4, .bits = 8, .compression = 1, .colours = 4, .palette = four, .pixels = {0, 4, 1, 2}},
       4, 1, {{0, 0, 0xFF000000}, {1, 0, 0xFF000000}}},
      {"RLE8: nothing after the end of the picture",
       {.width = 2, .bits = 8, .compression = 1, .colours = 4, .palette = four, .pixels = {1, 1, 0, 1, 1, 2}},
       2, 1, {{0, 0, 0xFFFF0000}, {1, 0, 0xFF000000}}},
      {"RLE8: a delta up and across",
       {.width = 4, .height = 2, .bits = 8, .compression = 1, .colours = 4, .palette = four,
        .pixels = {1, 1, 0, 2, 1, 1, 1, 2}},
       4, 2, {{0, 1, 0xFFFF0000}, {1, 1, 0xFF000000}, {1, 0, 0xFF000000}, {2, 0, 0xFF00FF00}}},
      {"RLE8: a run after an absolute run",
       {.width = 4, .bits = 8, .compression = 1, .colours = 4, .palette = four, .pixels = {0, 3, 1, 2, 3, 0, 1, 1}},
       4, 1, {{0, 0, 0xFFFF0000}, {1, 0, 0xFF00FF00}, {2, 0, 0xFF0000FF}, {3, 0, 0xFFFF0000}}},
      {"RLE8: a lone byte after the last pair is no run",
       {.width = 2, .bits = 8, .compression = 1, .colours = 256, .palette = std::vector<std::uint32_t>(256, 0xFFFFFF),
        .pixels = {1, 0, 2}}, 2, 1, {{0, 0, 0xFFFFFFFF}, {1, 0, 0xFF000000}}},
      // The limits: 16384 a side, 2^26 pixels.
      {"the largest side", {.width = 16384, .bits = 1, .palette = {0, 0xFFFFFF}, .pixels = Bytes(2048, 0x01)},
       16384, 1, {{16383, 0, 0xFFFFFFFF}, {16382, 0, 0xFF000000}}},
      {"the most pixels", {.width = 16384, .height = 4096, .bits = 8, .compression = 1, .colours = 1,
                           .palette = {0x00FF00}, .pixels = {1, 0, 0, 1}},
       16384, 4096, {{0, 4095, 0xFF00FF00}, {1, 4095, 0xFF000000}}},
  };
  for (const Case& c : cases) {
    const auto picture = DecodePictureFile(Encode(c.file));
    ASSERT_TRUE(picture) << c.what;
    EXPECT_EQ(picture->width, c.width) << c.what;
    EXPECT_EQ(picture->height, c.height) << c.what;
    for (const Pixel& p : c.pixels) EXPECT_EQ(PixelAt(*picture, p.x, p.y), p.argb) << c.what << " at " << p.x << "," << p.y;
  }
}

TEST(PictureDecoding, BmpOutsideWhatItCanHoldIsRefused) {
  const Bytes row(64, 0);
  const std::pair<const char*, BmpFile> cases[] = {
      {"wider than the largest side", {.width = 16385, .bits = 1, .palette = {0, 1}, .pixels = Bytes(2052, 0)}},
      {"taller than the largest side", {.height = 16385, .bits = 1, .palette = {0, 1}, .pixels = Bytes(4 * 16385, 0)}},
      {"more pixels than allowed", {.width = 16384, .height = 4097, .bits = 8, .compression = 1, .colours = 1,
                                    .palette = {0}, .pixels = {0, 1}}},
      {"no width", {.width = 0, .pixels = row}},
      {"two planes", {.planes = 2, .pixels = row}},
      {"two planes, core header", {.header = 12, .planes = 2, .pixels = row}},
      {"2 bits", {.bits = 2, .palette = {0, 1, 2, 3}, .pixels = row}},
      {"bit fields of 24 bits", {.bits = 24, .compression = 3, .masks = {0xFF0000, 0xFF00, 0xFF}, .pixels = row}},
      {"JPEG inside", {.compression = 4, .pixels = row}},
      {"RLE8 stored top-down", {.height = -1, .bits = 8, .compression = 1, .colours = 1, .palette = {0}, .pixels = {0, 1}}},
      {"RLE4 of 8 bits", {.bits = 8, .compression = 2, .colours = 1, .palette = {0}, .pixels = {0, 1}}},
      {"a palette of 257", {.bits = 8, .colours = 257, .palette = std::vector<std::uint32_t>(257), .pixels = row}},
      {"a header of 64 bytes", {.header = 64, .pixels = row}},
      {"no pixel bytes at all", {.pixels = {}}},
  };
  for (const auto& [what, file] : cases) EXPECT_FALSE(DecodePictureFile(Encode(file))) << what;
  // A palette said to reach past the start of the pixels.
  Bytes overlap = Encode({.bits = 8, .palette = std::vector<std::uint32_t>(256), .pixels = row});
  const std::uint32_t early = 14 + 40 + 255 * 4;
  std::memcpy(overlap.data() + 10, &early, 4);
  EXPECT_FALSE(DecodePictureFile(overlap));
  // Masks said to lie after the header and the pixels before them.
  Bytes masks = Encode({.bits = 32, .compression = 3, .masks = {0xFF0000, 0xFF00, 0xFF}, .pixels = row});
  const std::uint32_t inside = 14 + 40;
  std::memcpy(masks.data() + 10, &inside, 4);
  EXPECT_FALSE(DecodePictureFile(masks));
}

// A bare 32-bit bitmap with a 124-byte header and bit fields, as a program puts
// it on the clipboard: pixels straight 0xAARRGGBB, top row first.
Bytes MakeV5Dib(int width, int height, bool topDown, const std::vector<std::uint32_t>& pixels,
                std::uint32_t alphaMask, bool masksRepeated = false) {
  Bytes out;
  Put(out, 124, 4);
  Put(out, width, 4);
  Put(out, static_cast<std::uint32_t>(topDown ? -height : height), 4);
  Put(out, 1, 2);
  Put(out, 32, 2);
  Put(out, 3, 4);  // BI_BITFIELDS
  Put(out, width * height * 4, 4);
  Put(out, 0, 4 * 4);
  for (std::uint32_t mask : {0xFF0000u, 0xFF00u, 0xFFu, alphaMask}) Put(out, mask, 4);
  out.resize(124, 0);
  if (masksRepeated)
    for (std::uint32_t mask : {0xFF0000u, 0xFF00u, 0xFFu}) Put(out, mask, 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) Put(out, pixels[(topDown ? y : height - 1 - y) * width + x], 4);
  return out;
}

// The same bitmap without its file header, as the clipboard holds it.
Bytes Bare(const Bytes& file) { return Bytes(file.begin() + 14, file.end()); }

TEST(PictureDecoding, BareBitmapsDecodeWhereTheyLie) {
  const std::vector<std::uint32_t> argb = {0xFFFF0000, 0x80204060, 0x00FFFFFF, 0x01FE0201};
  struct Row {
    const char* what;
    Bytes dib;
    Alpha alpha;
    std::vector<std::uint32_t> expected;  // 0xAARRGGBB, top row first
  };
  const Bytes dib24 = [] {
    const Bytes file = MakeBmp(3, 1, 24, false, {}, {{0, 0, 255, 0, 255, 0, 255, 0, 0}});
    return Bytes(file.begin() + 14, file.end());
  }();
  const Bytes dib8 = [] {  // two palette entries counted, not 256
    const Bytes file = MakeBmp(2, 1, 8, false, {0x112233, 0x445566}, {{1, 0}});
    return Bytes(file.begin() + 14, file.end());
  }();
  const Bytes core1 = [] {  // 12-byte header, a palette of two 3-byte entries
    const Bytes file = Encode({.header = 12, .width = 2, .bits = 1, .palette = {0x112233, 0x445566},
                               .pixels = {0x40, 0, 0, 0}});
    return Bytes(file.begin() + 14, file.end());
  }();
  const Row rows[] = {
      {"24-bit, 40-byte header", dib24, Alpha::Straight, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF}},
      {"1-bit, 12-byte header", core1, Alpha::Straight, {0xFF112233, 0xFF445566}},
      {"8-bit, short palette", dib8, Alpha::Straight, {0xFF445566, 0xFF112233}},
      {"V5 with alpha, top-down", MakeV5Dib(2, 2, true, argb, 0xFF000000), Alpha::Straight, argb},
      {"V5 with alpha, bottom-up", MakeV5Dib(2, 2, false, argb, 0xFF000000), Alpha::Straight, argb},
      {"V5 with its masks repeated", MakeV5Dib(2, 2, true, argb, 0xFF000000, true), Alpha::Straight, argb},
      {"V5 with alpha, premultiplied", MakeV5Dib(2, 2, true, argb, 0xFF000000), Alpha::Premultiplied,
       {0xFFFF0000, 0x80102030, 0x00000000, 0x01010000}},
      {"V5 without an alpha mask", MakeV5Dib(2, 2, true, argb, 0), Alpha::Straight,
       {0xFFFF0000, 0xFF204060, 0xFFFFFFFF, 0xFFFE0201}},
      {"V5 whose alpha is zero throughout", MakeV5Dib(1, 2, true, {0x00102030, 0x00405060}, 0xFF000000),
       Alpha::Straight, {0xFF102030, 0xFF405060}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const auto picture = DecodeDib(row.dib, row.alpha);
    ASSERT_TRUE(picture);
    ASSERT_EQ(static_cast<std::size_t>(picture->width) * picture->height, row.expected.size());
    for (std::size_t i = 0; i < row.expected.size(); ++i)
      EXPECT_EQ(PixelAt(*picture, static_cast<int>(i % picture->width), static_cast<int>(i / picture->width)),
                row.expected[i])
          << i;
  }
  EXPECT_FALSE(DecodeDib(Bytes(dib24.begin(), dib24.begin() + 30)));  // ends inside its header
  EXPECT_FALSE(DecodeDib(Bytes(dib8.begin(), dib8.begin() + 44)));    // ends inside its palette
  EXPECT_FALSE(DecodeDib(Bytes(core1.begin(), core1.begin() + 11)));  // ends inside a 12-byte header
  EXPECT_FALSE(DecodeDib(Bytes(dib24.begin(), dib24.end() - 1)));     // ends inside its last row
}

// Where the pixels of a bare bitmap begin, which nothing in it states: after a
// 12-byte header's table of 3-byte colours, a 40-byte header's four masks, or a
// larger header whose three masks are repeated after it, as told by the size.
TEST(PictureDecoding, BareBitmapsFindTheirPixelsAfterEveryKindOfTable) {
  std::vector<std::uint32_t> grey(256);
  for (std::uint32_t i = 0; i < 256; ++i) grey[i] = i * 0x010101;
  const Bytes core8 = Bare(Encode({.header = 12, .width = 2, .bits = 8, .palette = grey, .pixels = {0xFE, 0x01, 0, 0}}));
  const Bytes alpha40 = Bare(Encode({.header = 40, .width = 2, .bits = 32, .compression = 6,
                                     .masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000},
                                     .pixels = {0x30, 0x20, 0x10, 0x80, 0x03, 0x02, 0x01, 0xFF}}));
  ASSERT_EQ(core8.size(), 12u + 3 * 256 + 4);
  const auto a = DecodeDib(core8, Alpha::Straight);
  ASSERT_TRUE(a);
  EXPECT_EQ(PixelAt(*a, 0, 0), 0xFFFEFEFEu);
  EXPECT_EQ(PixelAt(*a, 1, 0), 0xFF010101u);
  const auto fields52 = DecodeDib(Bare(Encode({.header = 52, .bits = 32, .compression = 3,
                                               .masks = {0xFF0000, 0xFF00, 0xFF}, .pixels = {1, 2, 3, 4}})));
  ASSERT_TRUE(fields52);
  EXPECT_EQ(PixelAt(*fields52, 0, 0), 0xFF030201u);
  const auto b = DecodeDib(alpha40, Alpha::Straight);
  ASSERT_TRUE(b);
  EXPECT_EQ(PixelAt(*b, 0, 0), 0x80102030u);
  EXPECT_EQ(PixelAt(*b, 1, 0), 0xFF010203u);

  // 16-bit 5-6-5 rows of three pixels, padded to eight bytes, after a V4 or V5
  // header with the masks repeated: only the padded size tells the copy apart.
  for (const std::uint32_t header : {108u, 124u})
    for (const std::int32_t height : {2, -2}) {
      SCOPED_TRACE(::testing::Message() << header << " " << height);
      const std::vector<std::uint32_t> masks = {0xF800, 0x07E0, 0x001F};
      Bytes dib = Bare(Encode({.header = header, .width = 3, .height = height, .bits = 16, .compression = 3,
                               .masks = masks}));
      for (std::uint32_t mask : masks) Put(dib, mask, 4);
      for (int row = 0; row < 2; ++row) {
        for (std::uint32_t pixel : {0xF800u, 0x07E0u, 0x001Fu}) Put(dib, row ? pixel : 0xFFFF, 2);
        Put(dib, 0, 2);
      }
      const auto c = DecodeDib(dib, Alpha::Straight);
      ASSERT_TRUE(c);
      const int red = height < 0 ? 1 : 0;  // the stored second row is the top one when bottom-up
      EXPECT_EQ(PixelAt(*c, 0, red), 0xFFFF0000u);
      EXPECT_EQ(PixelAt(*c, 1, red), 0xFF00FF00u);
      EXPECT_EQ(PixelAt(*c, 2, red), 0xFF0000FFu);
      EXPECT_EQ(PixelAt(*c, 2, 1 - red), 0xFFFFFFFFu);
      // One byte more or less than masks and rows: the masks are not repeated.
      dib.push_back(0);
      const auto d = DecodeDib(dib, Alpha::Straight);
      ASSERT_TRUE(d);
      EXPECT_NE(PixelAt(*d, 0, red), 0xFFFF0000u);
    }
}

// A header that claims more than the bytes hold is refused before the
// picture's memory is asked for: a bitmap of a few bytes cannot have gigabytes
// set aside.
TEST(PictureDecoding, ClaimedSizesAreHeldAgainstTheBytesBeforeAnyMemoryIsTaken) {
  ornivex::testing::FailingAllocations large(1 << 20);
  const Bytes huge = Bare(Encode({.width = 16384, .height = 4096, .bits = 32, .pixels = Bytes(64, 0)}));
  EXPECT_FALSE(DecodeDib(huge));
  EXPECT_FALSE(DecodeBmp(Encode({.width = 16384, .height = -4096, .bits = 24, .pixels = Bytes(64, 0)})));
  EXPECT_EQ(large.Failed(), 0);
}

TEST(PictureEncoding, PngGivesTheStraightPixelsBack) {
  Picture translucent{3, 2, {}};
  for (std::uint8_t v : {0, 0, 255, 255, 10, 20, 30, 128, 255, 255, 255, 0, 1, 2, 3, 1, 90, 80, 70, 255, 7, 7, 7, 254})
    translucent.bgra.push_back(v);
  Picture opaque{2, 1, {9, 8, 7, 255, 200, 100, 50, 255}};
  // Noise enough for many compressed chunks.
  Picture noise{257, 130, Bytes(257 * 130 * 4)};
  std::uint32_t seed = 1;
  for (std::size_t i = 0; i < noise.bgra.size(); ++i)
    noise.bgra[i] = i % 4 == 3 ? 255 : static_cast<std::uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
  for (const PngEffort effort : {PngEffort::kSmallest, PngEffort::kFastest}) {
    for (const Picture* p : {&translucent, &opaque, &noise}) {
      const auto png = EncodePng(*p, effort);
      ASSERT_TRUE(png);
      ASSERT_GT(png->size(), 26u);
      EXPECT_EQ((*png)[25], p == &translucent ? 6 : 2);  // IHDR colour type: RGB when opaque, else RGBA
      const auto back = DecodePng(*png, Alpha::Straight);
      ASSERT_TRUE(back);
      EXPECT_EQ(back->width, p->width);
      EXPECT_EQ(back->height, p->height);
      EXPECT_EQ(back->bgra, p->bgra);
    }
    EXPECT_FALSE(EncodePng(Picture{2, 2, Bytes(12)}, effort));  // fewer pixels than its size says
    EXPECT_FALSE(EncodePng(Picture{0, 1, {}}, effort));
  }
  EXPECT_FALSE(EncodePng(Picture{2, 2, Bytes(12)}));  // fewer pixels than its size says
  EXPECT_FALSE(EncodePng(Picture{0, 1, {}}));
  EXPECT_FALSE(EncodePng(Picture{1, kMaxPictureSide + 1, Bytes((kMaxPictureSide + 1) * 4, 255)}));  // too tall
  EXPECT_TRUE(EncodePng(Picture{1, kMaxPictureSide, Bytes(kMaxPictureSide * 4, 255)}));
}

// The PNG file at the start of some bytes ends after its IEND chunk; bytes that
// hold no whole PNG file have none.
TEST(PictureDecoding, PngFileSizeCutsTrailingBytesAndFindsNoneInOthers) {
  const Bytes png = EncodePng(2, 2, Bytes(16, 200));
  Bytes trailed = png;
  trailed.insert(trailed.end(), {'x', 'y', 'z'});
  EXPECT_EQ(PngFileSize(trailed), png.size());
  EXPECT_EQ(PngFileSize(Bytes(png.begin(), png.end() - 1)), 0u);
  Bytes notPng = png;
  notPng[1] = 'Q';  // the same chunks behind another signature
  EXPECT_EQ(PngFileSize(notPng), 0u);
}

// One pixel short of opaque, wherever it is, keeps the alpha channel: the first,
// the last, one of alpha 254, one whose colour bytes are 255 but alpha is not.
TEST(PictureEncoding, AnyPixelNotQuiteOpaqueKeepsTheAlphaChannel) {
  const auto colourType = [](const Bytes& bgra) {
    const auto png = EncodePng(Picture{static_cast<int>(bgra.size() / 4), 1, bgra});
    return png && png->size() > 25 ? (*png)[25] : -1;
  };
  EXPECT_EQ(colourType({1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255}), 2);
  EXPECT_EQ(colourType({1, 2, 3, 254, 4, 5, 6, 255, 7, 8, 9, 255}), 6);
  EXPECT_EQ(colourType({1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 254}), 6);
  EXPECT_EQ(colourType({1, 2, 3, 255, 255, 255, 255, 0, 7, 8, 9, 255}), 6);
  EXPECT_EQ(colourType({255, 255, 255, 1}), 6);
  EXPECT_EQ(colourType({0, 0, 0, 255}), 2);
}

TEST(PictureDecoding, GreyJpegsComeOutAsGreyPixels) {
  const auto picture = DecodePictureFile(EncodeJpeg(8, 8, Bytes(64, 128), 1));
  ASSERT_TRUE(picture);
  const std::uint32_t pixel = PixelAt(*picture, 3, 3);
  EXPECT_EQ(pixel >> 24, 0xFFu);
  for (int shift : {0, 8, 16}) EXPECT_NEAR(static_cast<int>((pixel >> shift) & 0xFF), 128, 2);
}

TEST(PictureEncoding, JpegKeepsTheColoursAndLaysTransparencyOnWhite) {
  Picture picture{16, 8, Bytes(16 * 8 * 4)};
  for (std::size_t i = 0; i < picture.bgra.size(); i += 4) {
    const bool left = (i / 4) % 16 < 8;
    const std::uint8_t pixel[4] = {40, 160, 220, static_cast<std::uint8_t>(left ? 255 : 0)};  // straight BGRA
    std::memcpy(&picture.bgra[i], pixel, 4);
  }
  const auto jpeg = ornivex::EncodeJpeg(picture, 90);
  ASSERT_TRUE(jpeg);
  const auto back = DecodeJpeg(*jpeg);
  ASSERT_TRUE(back);
  ASSERT_EQ(back->width, 16);
  ASSERT_EQ(back->height, 8);
  const auto near = [](const std::uint8_t* p, int b, int g, int r) {
    return std::abs(p[0] - b) <= 6 && std::abs(p[1] - g) <= 6 && std::abs(p[2] - r) <= 6;
  };
  EXPECT_TRUE(near(&back->bgra[(3 * 16 + 2) * 4], 40, 160, 220));
  EXPECT_TRUE(near(&back->bgra[(3 * 16 + 13) * 4], 255, 255, 255));
  EXPECT_FALSE(ornivex::EncodeJpeg(Picture{2, 2, Bytes(12)}, 90));

  // Grey 38 at alpha 151 over white is 127 to the unit, rounded: (38 * 151 + 255 * 104 + 127) / 255.
  const auto flat = [](std::uint8_t grey, std::uint8_t alpha) {
    Picture p{8, 8, {}};
    for (int i = 0; i < 64; ++i) p.bgra.insert(p.bgra.end(), {grey, grey, grey, alpha});
    return p;
  };
  const Picture grey = flat(127, 255);
  EXPECT_EQ(ornivex::EncodeJpeg(flat(38, 151), 100), ornivex::EncodeJpeg(grey, 100));
  for (const int channel : {0, 2}) {  // one unit off in blue or red is another file
    Picture off = grey;
    for (std::size_t i = channel; i < off.bgra.size(); i += 4) off.bgra[i] = 126;
    EXPECT_NE(ornivex::EncodeJpeg(off, 100), ornivex::EncodeJpeg(grey, 100)) << channel;
  }
  // Qualities past 1 to 100 are held at those ends.
  EXPECT_EQ(ornivex::EncodeJpeg(grey, 0), ornivex::EncodeJpeg(grey, 1));
  EXPECT_NE(ornivex::EncodeJpeg(grey, 1), ornivex::EncodeJpeg(grey, 2));
  EXPECT_EQ(ornivex::EncodeJpeg(grey, 101), ornivex::EncodeJpeg(grey, 100));
}

TEST(PictureDecoding, SizeIsReadFromTheHeadersAlone) {
  const Bytes png = EncodePng(3, 2, Bytes(24, 200));
  const Bytes jpeg = EncodeJpeg(9, 5, Bytes(9 * 5 * 3, 128));
  const Bytes bmp = MakeBmp(3, 2, 24, false, {}, {Bytes(9, 1), Bytes(9, 2)});
  for (const auto& [file, width, height] : {std::tuple(png, 3, 2), std::tuple(jpeg, 9, 5), std::tuple(bmp, 3, 2)}) {
    const std::optional<PictureSize> size = ReadPictureSize(file);
    ASSERT_TRUE(size);
    EXPECT_EQ(size->width, width);
    EXPECT_EQ(size->height, height);
  }
  // Refused as the decoders refuse them before reading pixels: chunks cut off,
  // rows missing, a header cut short.
  EXPECT_FALSE(ReadPictureSize(Bytes(png.begin(), png.end() - 1)));
  EXPECT_FALSE(ReadPictureSize(Bytes(bmp.begin(), bmp.end() - 4)));
  EXPECT_FALSE(ReadPictureSize(Bytes(jpeg.begin(), jpeg.begin() + 20)));
  EXPECT_FALSE(ReadPictureSize(Bytes{'G', 'I', 'F', '8', '9', 'a'}));
}

TEST(PictureDecoding, DamagedFilesAreRefusedNotRead) {
  const Bytes png = EncodePng(2, 2, Bytes(16, 200));
  EXPECT_FALSE(DecodePictureFile(Bytes(png.begin(), png.begin() + png.size() / 2)));
  EXPECT_FALSE(DecodePictureFile(Bytes(png.begin(), png.begin() + 8)));

  const Bytes jpeg = EncodeJpeg(8, 8, Bytes(8 * 8 * 3, 128));
  EXPECT_FALSE(DecodePictureFile(Bytes(jpeg.begin(), jpeg.begin() + 20)));

  // A run-length picture whose pixels are said to start where the file ends.
  Bytes noRuns = Encode({.bits = 8, .compression = 1, .colours = 1, .palette = {0}, .pixels = {}});
  EXPECT_FALSE(DecodePictureFile(noRuns));

  Bytes bmp = MakeBmp(3, 2, 24, false, {}, {Bytes(9, 1), Bytes(9, 2)});
  EXPECT_FALSE(DecodePictureFile(Bytes(bmp.begin(), bmp.end() - 4)));  // last row cut short
  Bytes farOffset = bmp;
  const std::uint32_t beyond = static_cast<std::uint32_t>(bmp.size() + 100);
  std::memcpy(farOffset.data() + 10, &beyond, 4);  // pixels said to lie past the end
  EXPECT_FALSE(DecodePictureFile(farOffset));
  Bytes huge = bmp;
  const std::int32_t width = 1 << 20;
  std::memcpy(huge.data() + 18, &width, 4);
  EXPECT_FALSE(DecodePictureFile(huge));

  // Bit fields after a 40-byte header, in a file that ends inside the masks
  // while its pixel offset points right after the header.
  Bytes masks = MakeBmp(1, 1, 32, false, {}, {Bytes(4, 9)}, {0xFF0000, 0xFF00, 0xFF});
  masks.resize(14 + 40 + 6);
  masks[10] = 14 + 40;
  EXPECT_FALSE(DecodePictureFile(masks));
  EXPECT_FALSE(DecodePictureFile(Bytes(masks.begin(), masks.begin() + 20)));

  EXPECT_FALSE(DecodePictureFile(Bytes{}));
  EXPECT_FALSE(DecodePictureFile(Bytes{'G', 'I', 'F', '8', '9', 'a'}));
}

TEST(PictureDecoding, FormatIsToldByContentNotName) {
  EXPECT_EQ(SniffPictureFormat(EncodePng(1, 1, Bytes(4, 1))), PictureFormat::Png);
  EXPECT_EQ(SniffPictureFormat(Bytes{0xFF, 0xD8, 0xFF, 0xE0}), PictureFormat::Jpeg);
  EXPECT_EQ(SniffPictureFormat(Bytes{'B', 'M'}), PictureFormat::Bmp);
  EXPECT_EQ(SniffPictureFormat(Bytes{0xFF, 0xD8}), PictureFormat::Unknown);
}

}  // namespace
}  // namespace ornivex
