// The picture sent in the recognition request: each of the service's limits
// at its edge. Flat pictures keep the large ones cheap; noise is what no
// encoder can shrink.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "app/cloud_picture.h"
#include "app/ocr_protocol.h"
#include "http/encoding.h"
#include "runtime/picture_decode.h"
#include "runtime/picture_encode.h"

namespace ornivex {
namespace {

using Bytes = std::vector<std::uint8_t>;

Picture Flat(int width, int height, std::uint32_t bgra = 0xFF2060A0) {
  Picture p{width, height, {}};
  p.bgra.resize(static_cast<std::size_t>(width) * height * 4);
  for (std::size_t i = 0; i < p.bgra.size(); ++i) p.bgra[i] = static_cast<std::uint8_t>(bgra >> (8 * (i % 4)));
  return p;
}

Picture Noise(int width, int height) {
  Picture p = Flat(width, height);
  std::mt19937 random(7);
  for (std::size_t i = 0; i < p.bgra.size(); ++i)
    if (i % 4 != 3) p.bgra[i] = static_cast<std::uint8_t>(random());
  return p;
}

Bytes Png(const Picture& p) { return EncodePng(p).value(); }

// A 24-bit top-down BMP of an opaque picture.
Bytes Bmp(const Picture& p) {
  const std::size_t stride = (static_cast<std::size_t>(p.width) * 3 + 3) / 4 * 4;
  Bytes out(54 + stride * p.height, 0);
  const auto put = [&out](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  out[0] = 'B', out[1] = 'M';
  put(2, static_cast<std::uint32_t>(out.size()));
  put(10, 54), put(14, 40), put(18, p.width), put(22, static_cast<std::uint32_t>(-p.height));
  out[26] = 1, out[28] = 24;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      for (int c = 0; c < 3; ++c)
        out[54 + y * stride + x * 3 + c] = p.bgra[(static_cast<std::size_t>(y) * p.width + x) * 4 + c];
  return out;
}

Picture Decoded(const CloudPicture& sent) { return DecodePictureFile(sent.bytes).value(); }

TEST(CloudPicture, EncodedSizeIsTheLengthOfThePercentEncodedBase64) {
  Bytes bytes;
  std::mt19937 random(3);
  for (int n = 0; n <= 40; ++n) {
    EXPECT_EQ(EncodedImageSize(bytes), PercentEncode(EncodeBase64(bytes)).size()) << n;
    bytes.push_back(static_cast<std::uint8_t>(random()));
  }
  EXPECT_EQ(EncodedImageSize(Bytes(3, 0xFF)), 12u);  // "////": each "/" is %2F
  EXPECT_EQ(EncodedImageSize(Bytes{0x03, 0xE0}), 8u);  // "A+A=", the "+" from the last two bytes
}

TEST(CloudPicture, PictureWithinEveryLimitIsSentAsItsOwnBytes) {
  for (const Bytes& file : {Png(Flat(15, 15)), Png(Flat(4096, 15)), Bmp(Flat(15, 4096)),
                            EncodeJpeg(Flat(300, 200), 80).value()}) {
    const std::optional<CloudPicture> sent = PictureForRecognition(file);
    ASSERT_TRUE(sent);
    EXPECT_FALSE(sent->converted);
    EXPECT_EQ(sent->bytes, file);
  }
}

TEST(CloudPicture, ShortSideUnder15IsPaddedWithWhiteAndTransparencyLaidOnWhite) {
  Picture picture = Flat(14, 30);
  for (int x = 0; x < 14; ++x) picture.bgra[(29 * 14 + x) * 4 + 3] = 0;  // the last row transparent
  const std::optional<CloudPicture> sent = PictureForRecognition(Png(picture));
  ASSERT_TRUE(sent && sent->converted);
  ASSERT_EQ(SniffPictureFormat(sent->bytes), PictureFormat::Png);
  const Picture got = Decoded(*sent);
  ASSERT_EQ(got.width, 15);
  ASSERT_EQ(got.height, 30);
  const auto pixel = [&got](int x, int y) {
    const std::uint8_t* p = &got.bgra[(static_cast<std::size_t>(y) * got.width + x) * 4];
    return std::uint32_t{p[0]} | p[1] << 8 | p[2] << 16 | std::uint32_t{p[3]} << 24;
  };
  EXPECT_EQ(pixel(0, 0), 0xFF2060A0u);    // the picture at the top-left, unchanged
  EXPECT_EQ(pixel(13, 28), 0xFF2060A0u);
  EXPECT_EQ(pixel(14, 0), 0xFFFFFFFFu);   // the added column
  EXPECT_EQ(pixel(5, 29), 0xFFFFFFFFu);   // transparent became white

  const std::optional<CloudPicture> dot = PictureForRecognition(Bmp(Flat(1, 1)));
  ASSERT_TRUE(dot);
  EXPECT_EQ(Decoded(*dot).width, 15);
  EXPECT_EQ(Decoded(*dot).height, 15);
}

TEST(CloudPicture, LongSideOver4096IsScaledDownKeepingTheAspect) {
  struct Case {
    int width, height, wantWidth, wantHeight;
  } cases[] = {
      {4097, 20, 4096, 20},
      {20, 4097, 20, 4096},
      {8192, 28, 4096, 15},  // halved to 14 rows, then padded to 15
  };
  for (const Case& c : cases) {
    const std::optional<CloudPicture> sent = PictureForRecognition(Png(Flat(c.width, c.height)));
    ASSERT_TRUE(sent && sent->converted) << c.width;
    const Picture got = Decoded(*sent);
    EXPECT_EQ(got.width, c.wantWidth);
    EXPECT_EQ(got.height, c.wantHeight);
  }
}

TEST(CloudPicture, EncodedValueOfExactly4MbIsSentAndTheNextLengthIsConverted) {
  // Trailing bytes after IEND are part of the file and are sent with it; zero
  // bytes encode as "A", so the value's length can be chosen. It is always
  // even, so the smallest length past the limit is 2 bytes over.
  const Bytes head = Png(Flat(20, 20));
  Bytes buffer = head;
  buffer.resize(kMaxEncodedImageBytes * 3 / 4 + 16, 0);
  const auto withEncodedSize = [&](std::size_t want) {
    for (std::size_t n = kMaxEncodedImageBytes * 3 / 4 - 16; n < buffer.size(); ++n)
      if (EncodedImageSize(std::span(buffer).first(n)) == want) return Bytes(buffer.begin(), buffer.begin() + n);
    ADD_FAILURE() << "no length encodes to " << want;
    return Bytes();
  };

  const Bytes exact = withEncodedSize(kMaxEncodedImageBytes);
  EXPECT_EQ(ImageRecognitionBody(exact).size(), 6 + kMaxEncodedImageBytes);
  const std::optional<CloudPicture> sent = PictureForRecognition(exact);
  ASSERT_TRUE(sent);
  EXPECT_FALSE(sent->converted);
  EXPECT_EQ(sent->bytes, exact);

  const std::optional<CloudPicture> over = PictureForRecognition(withEncodedSize(kMaxEncodedImageBytes + 2));
  ASSERT_TRUE(over && over->converted);
  EXPECT_EQ(Decoded(*over).bgra, Flat(20, 20).bgra);  // the same picture, without the bytes after it
}

TEST(CloudPicture, PictureWhosePngIsTooLargeGoesAsJpegAndShrinksWhenThatIsTooLarge) {
  // A noise BMP of 3 MB: its PNG is as large, a JPEG at quality 90 far smaller.
  const std::optional<CloudPicture> jpeg = PictureForRecognition(Bmp(Noise(1024, 1024)));
  ASSERT_TRUE(jpeg && jpeg->converted);
  EXPECT_EQ(SniffPictureFormat(jpeg->bytes), PictureFormat::Jpeg);
  EXPECT_EQ(Decoded(*jpeg).width, 1024);
  EXPECT_LE(EncodedImageSize(jpeg->bytes), kMaxEncodedImageBytes);

  // Noise this large is too much even as JPEG: it is scaled down until it fits.
  const std::optional<CloudPicture> smaller = PictureForRecognition(Bmp(Noise(2800, 1400)));
  ASSERT_TRUE(smaller && smaller->converted);
  EXPECT_EQ(SniffPictureFormat(smaller->bytes), PictureFormat::Jpeg);
  EXPECT_LE(EncodedImageSize(smaller->bytes), kMaxEncodedImageBytes);
  const Picture got = Decoded(*smaller);
  EXPECT_LT(got.width, 2800);
  EXPECT_EQ(got.width, got.height * 2);
}

TEST(CloudPicture, ThePngIsWrittenWholeOnlyWhenItsSampleSaysItMayFit) {
  // Noise in the rows the sample takes (8 bands of 16 rows, from the top to the
  // bottom row), all but each band's last row; flat elsewhere. The whole PNG is
  // small, but only the sample's, scaled to the height, is looked at: about 3 %
  // under a quarter over the limit at 1270 columns, 7 % over it at 1400.
  const auto banded = [](int width) {
    constexpr int kHeight = 1003;
    Picture p = Flat(width, kHeight);
    std::mt19937 random(7);
    for (int band = 0; band < 8; ++band)
      for (int y = band * (kHeight - 16) / 7, end = y + 15; y < end; ++y)
        for (std::size_t i = static_cast<std::size_t>(y) * width * 4; i < static_cast<std::size_t>(y + 1) * width * 4; ++i)
          if (i % 4 != 3) p.bgra[i] = static_cast<std::uint8_t>(random());
    return p;
  };
  const Picture under = banded(1270);
  const std::optional<CloudPicture> png = PictureForRecognition(Bmp(under));
  ASSERT_TRUE(png && png->converted);
  EXPECT_EQ(SniffPictureFormat(png->bytes), PictureFormat::Png);
  EXPECT_EQ(Decoded(*png).bgra, under.bgra);
  const std::optional<CloudPicture> jpeg = PictureForRecognition(Bmp(banded(1400)));
  ASSERT_TRUE(jpeg && jpeg->converted);
  EXPECT_EQ(SniffPictureFormat(jpeg->bytes), PictureFormat::Jpeg);
}

TEST(CloudPicture, WhatIsNoPictureOrDoesNotDecodeIsNothing) {
  Bytes damaged = Png(Flat(5000, 20));  // beyond the limits, so it must decode
  damaged[damaged.size() - 20] ^= 0xFF;   // inside the compressed pixels
  Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0};
  const Bytes bmp = Bmp(Flat(20, 20));
  for (const Bytes& file : {Bytes(), Bytes{'h', 'e', 'l', 'l', 'o'}, gif, Bytes(bmp.begin(), bmp.end() - 1),
                            Bytes(damaged.begin(), damaged.begin() + 40), damaged})
    EXPECT_FALSE(PictureForRecognition(file)) << file.size();
}

}  // namespace
}  // namespace ornivex
