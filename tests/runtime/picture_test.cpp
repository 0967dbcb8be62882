#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <png.h>
#include <jpeglib.h>

#include "runtime/picture_box.h"
#include "runtime/picture_decode.h"

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

Bytes EncodeJpeg(int width, int height, const Bytes& rgb) {
  jpeg_compress_struct info;
  jpeg_error_mgr error;
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = width;
  info.image_height = height;
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 95, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<std::uint8_t*>(rgb.data()) + info.next_scanline * width * 3;
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  Bytes out(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  free(buffer);
  return out;
}

// A BMP file: 24-bit rows, or 8-bit with a palette; bottom-up unless topDown.
Bytes MakeBmp(int width, int height, int bits, bool topDown, const std::vector<RGBQUAD>& palette,
              const std::vector<Bytes>& rowsTopFirst) {
  const int stride = ((width * bits + 31) / 32) * 4;
  BITMAPFILEHEADER file = {};
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = topDown ? -height : height;
  header.biPlanes = 1;
  header.biBitCount = static_cast<WORD>(bits);
  header.biCompression = BI_RGB;
  header.biClrUsed = static_cast<DWORD>(palette.size());
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof header + static_cast<DWORD>(palette.size() * sizeof(RGBQUAD));
  file.bfSize = file.bfOffBits + stride * height;
  Bytes out(file.bfSize, 0);
  std::memcpy(out.data(), &file, sizeof file);
  std::memcpy(out.data() + sizeof file, &header, sizeof header);
  if (!palette.empty())
    std::memcpy(out.data() + sizeof file + sizeof header, palette.data(), palette.size() * sizeof(RGBQUAD));
  for (int y = 0; y < height; ++y) {
    const int stored = topDown ? y : height - 1 - y;
    std::memcpy(out.data() + file.bfOffBits + stored * stride, rowsTopFirst[y].data(), rowsTopFirst[y].size());
  }
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

TEST(PictureDecoding, BmpVariantsGoThroughGdi) {
  // 24-bit, bottom-up, rows padded to four bytes: 3 x 2.
  const std::vector<Bytes> rows24 = {{0, 0, 255, 0, 255, 0, 255, 0, 0}, {255, 255, 255, 0, 0, 0, 10, 20, 30}};
  auto picture = DecodePictureFile(MakeBmp(3, 2, 24, false, {}, rows24));
  ASSERT_TRUE(picture);
  EXPECT_EQ(PixelAt(*picture, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(*picture, 1, 0), 0xFF00FF00u);
  EXPECT_EQ(PixelAt(*picture, 2, 0), 0xFF0000FFu);
  EXPECT_EQ(PixelAt(*picture, 2, 1), 0xFF1E140Au);

  // 8-bit with a palette, top-down.
  const std::vector<RGBQUAD> palette = {{0, 0, 0, 0}, {0x30, 0x20, 0x10, 0}};
  picture = DecodePictureFile(MakeBmp(2, 2, 8, true, palette, {{1, 0}, {0, 1}}));
  ASSERT_TRUE(picture);
  EXPECT_EQ(PixelAt(*picture, 0, 0), 0xFF102030u);
  EXPECT_EQ(PixelAt(*picture, 1, 0), 0xFF000000u);
  EXPECT_EQ(PixelAt(*picture, 1, 1), 0xFF102030u);
}

TEST(PictureDecoding, DamagedFilesAreRefusedNotRead) {
  const Bytes png = EncodePng(2, 2, Bytes(16, 200));
  EXPECT_FALSE(DecodePictureFile(Bytes(png.begin(), png.begin() + png.size() / 2)));
  EXPECT_FALSE(DecodePictureFile(Bytes(png.begin(), png.begin() + 8)));

  const Bytes jpeg = EncodeJpeg(8, 8, Bytes(8 * 8 * 3, 128));
  EXPECT_FALSE(DecodePictureFile(Bytes(jpeg.begin(), jpeg.begin() + 20)));

  Bytes bmp = MakeBmp(3, 2, 24, false, {}, {Bytes(9, 1), Bytes(9, 2)});
  EXPECT_FALSE(DecodePictureFile(Bytes(bmp.begin(), bmp.end() - 4)));  // last row cut short
  Bytes farOffset = bmp;
  const DWORD beyond = static_cast<DWORD>(bmp.size() + 100);
  std::memcpy(farOffset.data() + 10, &beyond, 4);  // pixels said to lie past the end
  EXPECT_FALSE(DecodePictureFile(farOffset));
  Bytes huge = bmp;
  const LONG width = 1 << 20;
  std::memcpy(huge.data() + 18, &width, 4);
  EXPECT_FALSE(DecodePictureFile(huge));

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
