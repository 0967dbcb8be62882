#include "resources/skin_pictures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace ornivex::pictures {
namespace {

struct Size {
  int width;
  int height;
};

// The size a picture's role needs at 100 %.
Size RoleSize(SkinPicture picture) {
  switch (picture) {
    case SkinPicture::Close: return {38, 18};
    case SkinPicture::CheckBox:
    case SkinPicture::Tick: return {13, 13};
    case SkinPicture::ArrowDown:
    case SkinPicture::ArrowUp: return {7, 4};
    case SkinPicture::ArrowLeft:
    case SkinPicture::ArrowRight: return {4, 7};
    default: return {26, 18};
  }
}

// 100, 150 and 200 %, rounded half up to whole pixels.
Size Scaled(Size size, int step) { return {(size.width * (2 + step) + 1) / 2, (size.height * (2 + step) + 1) / 2}; }

std::uint32_t BigEndian(const std::uint8_t* p) { return std::uint32_t{p[0]} << 24 | p[1] << 16 | p[2] << 8 | p[3]; }
std::uint32_t LittleEndian(const std::uint8_t* p) { return std::uint32_t{p[3]} << 24 | p[2] << 16 | p[1] << 8 | p[0]; }

// Checks that `png` is a PNG file whose first chunk, IHDR, gives this size,
// bit depth 8 and the colour type (6 RGBA, 3 palette).
void ExpectPng(std::span<const std::uint8_t> png, Size size, int colourType, const std::string& what) {
  SCOPED_TRACE(what);
  ASSERT_GE(png.size(), 33u + 12u);  // signature, IHDR, IEND
  EXPECT_EQ(std::memcmp(png.data(), "\x89PNG\r\n\x1a\n", 8), 0);
  EXPECT_EQ(BigEndian(png.data() + 8), 13u);
  EXPECT_EQ(std::memcmp(png.data() + 12, "IHDR", 4), 0);
  EXPECT_EQ(BigEndian(png.data() + 16), static_cast<std::uint32_t>(size.width));
  EXPECT_EQ(BigEndian(png.data() + 20), static_cast<std::uint32_t>(size.height));
  EXPECT_EQ(png[24], 8) << "bit depth";
  EXPECT_EQ(png[25], colourType) << "colour type";
  EXPECT_EQ(std::memcmp(png.data() + png.size() - 8, "IEND", 4), 0) << "whole file";
}

TEST(SkinPictures, EachIsAHeaderedRgbaPngOfItsRoleSizeAtEveryScale) {
  for (int p = 0; p < kSkinPictureCount; ++p) {
    const auto picture = static_cast<SkinPicture>(p);
    for (int step = 0; step < kScaleSteps; ++step) {
      const std::string what = "picture " + std::to_string(p) + ", scale step " + std::to_string(step);
      const auto bytes = Embedded(picture, step);
      ASSERT_GT(bytes.size(), 8u) << what;
      EXPECT_EQ(LittleEndian(bytes.data()), 1u) << what;
      EXPECT_EQ(LittleEndian(bytes.data() + 4), bytes.size() - 8) << what;
      ExpectPng(bytes.subspan(8), Scaled(RoleSize(picture), step), 6, what);
    }
  }
}

TEST(SkinPictures, BackgroundIsAPalettePngAndTheLogoRgbaAtEveryScale) {
  for (int step = 0; step < kScaleSteps; ++step) {
    ExpectPng(SkinBackground(step), Scaled({431, 353}, step), 3, "background, step " + std::to_string(step));
    ExpectPng(AboutLogo(step), Scaled({550, 166}, step), 6, "about logo, step " + std::to_string(step));
  }
  // A scale beyond the largest gives the largest.
  EXPECT_EQ(SkinBackground(kScaleSteps).data(), SkinBackground(kScaleSteps - 1).data());
  // Without a step, the 1x pictures; a picture outside the list has no bytes.
  EXPECT_EQ(SkinBackground().data(), SkinBackground(0).data());
  EXPECT_EQ(AboutLogo().data(), AboutLogo(0).data());
  EXPECT_EQ(Embedded(SkinPicture::Close).data(), Embedded(SkinPicture::Close, 0).data());
  EXPECT_TRUE(Embedded(static_cast<SkinPicture>(kSkinPictureCount)).empty());
  EXPECT_TRUE(Embedded(static_cast<SkinPicture>(-1)).empty());
}

}  // namespace
}  // namespace ornivex::pictures
