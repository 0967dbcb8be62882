#include "gfx/rotation.h"

#include <gtest/gtest.h>

namespace ornivex::gfx {
namespace {

TEST(RotatedPictureExtent, KeepsEveryPixelOfTheRotatedPicture) {
  // A single pixel stays a pixel at right angles and grows to its diagonal at 45.
  for (double angle : {0.0, 90.0, 180.0, 270.0, -90.0}) {
    const RotatedExtent one = RotatedPictureExtent(1, 1, angle);
    EXPECT_NEAR(one.width, 1.0, 1e-9) << angle;
    EXPECT_NEAR(one.height, 1.0, 1e-9) << angle;
    EXPECT_EQ(PixelCount(one.width), 1);
  }
  const RotatedExtent diagonal = RotatedPictureExtent(1, 1, 45);
  EXPECT_NEAR(diagonal.width, 1.41421356, 1e-6);
  EXPECT_NEAR(diagonal.height, 1.41421356, 1e-6);

  // A quarter turn swaps the sides exactly, odd sizes included.
  const RotatedExtent quarter = RotatedPictureExtent(101, 51, 90);
  EXPECT_NEAR(quarter.width, 51, 1e-9);
  EXPECT_NEAR(quarter.height, 101, 1e-9);
  EXPECT_EQ(PixelCount(quarter.width), 51);
  EXPECT_EQ(PixelCount(quarter.height), 101);

  const RotatedExtent half = RotatedPictureExtent(101, 51, 180);
  EXPECT_EQ(PixelCount(half.width), 101);
  EXPECT_EQ(PixelCount(half.height), 51);

  // 30 degrees: w cos + h sin by h cos + w sin.
  const RotatedExtent thirty = RotatedPictureExtent(100, 40, 30);
  EXPECT_NEAR(thirty.width, 100 * 0.8660254 + 40 * 0.5, 1e-4);
  EXPECT_NEAR(thirty.height, 40 * 0.8660254 + 100 * 0.5, 1e-4);
  // The other way round, and past a right angle: the other diagonal is the wide one.
  for (double angle : {-30.0, 150.0}) {
    const RotatedExtent back = RotatedPictureExtent(100, 40, angle);
    EXPECT_NEAR(back.width, 100 * 0.8660254 + 40 * 0.5, 1e-4) << angle;
    EXPECT_NEAR(back.height, 40 * 0.8660254 + 100 * 0.5, 1e-4) << angle;
  }
}

TEST(PixelCount, RoundsUpButIgnoresTrigonometricNoise) {
  EXPECT_EQ(PixelCount(50.0000001), 50);
  EXPECT_EQ(PixelCount(49.9999999), 50);
  EXPECT_EQ(PixelCount(14.142), 15);
  EXPECT_EQ(PixelCount(0.0), 1);
  EXPECT_EQ(PixelCount(-3.0), 1);
}

}  // namespace
}  // namespace ornivex::gfx
