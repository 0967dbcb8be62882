#include "runtime/layout.h"

#include <gtest/gtest.h>

#include <vector>

namespace ornivex {
namespace {

TEST(Pixels, PremultipliesAndSwapsToBgra) {
  std::vector<std::uint8_t> pixels = {
      10,  20,  30,  255,  // opaque: colour kept exactly, red and blue swapped
      200, 100, 50,  0,    // clear: black, whatever the colour was
      255, 128, 1,   128,  // half: rounded products
  };
  RgbaToPremultipliedBgra(pixels);
  const std::vector<std::uint8_t> expected = {30, 20, 10, 255, 0, 0, 0, 0, 1, 64, 128, 128};
  EXPECT_EQ(pixels, expected);
}

TEST(Pixels, IgnoresAnIncompletePixelAtTheEnd) {
  std::vector<std::uint8_t> pixels = {1, 2, 3, 255, 9, 9};
  RgbaToPremultipliedBgra(pixels);
  EXPECT_EQ(pixels, (std::vector<std::uint8_t>{3, 2, 1, 255, 9, 9}));
}

TEST(Pixels, PremultiplyingTouchesOnlyTheGivenPixels) {
  std::vector<std::uint8_t> pixels = {200, 100, 50, 128, 200, 100, 50, 128};
  PremultiplyBgra(std::span<std::uint8_t>(pixels).first(4));
  EXPECT_EQ(pixels, (std::vector<std::uint8_t>{100, 50, 25, 128, 200, 100, 50, 128}));
}

TEST(Pixels, RgbRowsBecomeOpaqueBgra) {
  const std::vector<std::uint8_t> rgb = {1, 2, 3, 4, 5, 6};
  std::vector<std::uint8_t> bgra(8, 0);
  RgbToBgra(rgb, bgra);
  EXPECT_EQ(bgra, (std::vector<std::uint8_t>{3, 2, 1, 255, 6, 5, 4, 255}));
  // A destination shorter than the source is never overrun.
  std::vector<std::uint8_t> shortRow(4, 0);
  RgbToBgra(rgb, shortRow);
  EXPECT_EQ(shortRow, (std::vector<std::uint8_t>{3, 2, 1, 255}));
}

TEST(PictureArea, ClipsThePictureToTheBox) {
  EXPECT_EQ(VisiblePictureArea(550, 166, 550, 166), (Rect{0, 0, 550, 166}));
  EXPECT_EQ(VisiblePictureArea(100, 50, 550, 166), (Rect{0, 0, 100, 50}));
  EXPECT_EQ(VisiblePictureArea(550, 166, 20, 10), (Rect{0, 0, 20, 10}));
  EXPECT_EQ(VisiblePictureArea(-5, 10, 20, 10), (Rect{0, 0, 0, 10}));
}

TEST(PictureArea, APictureBiggerThanItsBoxShrinksIntoItKeepingItsProportions) {
  EXPECT_EQ(FitPictureInBox(825, 249, 825, 249), (Rect{0, 0, 825, 249}));
  EXPECT_EQ(FitPictureInBox(687, 208, 825, 249), (Rect{0, 0, 687, 207}));  // the 1.5x logo at 125 %
  EXPECT_EQ(FitPictureInBox(962, 400, 1100, 332), (Rect{0, 0, 962, 290}));
  EXPECT_EQ(FitPictureInBox(100, 20, 100, 200), (Rect{0, 0, 10, 20}));
}

TEST(Scaling, AWindowsSizeIsScaledAsASize) {
  // Edge by edge, 50 + 317 at 175 % would give 555 wide; the window is 317 scaled.
  EXPECT_EQ(ScaleWindowRect(Rect{50, 50, 317, 537}, 168), (Rect{88, 88, 555, 940}));
  EXPECT_EQ(ScaleRect(Rect{50, 50, 317, 537}, 168).width, 554);
}

TEST(Scaling, RoundsHalvesAwayFromZeroAndLeavesNonsenseDpisAlone) {
  struct Case { int length, dpi, scaled; };
  const Case cases[] = {
      {10, 0, 10},  {10, -5, 10}, {10, 1, 0},   {10, 96, 10}, {1, 144, 2},  {-1, 144, -2}, {3, 120, 4},
      {-3, 120, -4}, {7, 168, 12}, {1, 47, 0},  {-1, 47, 0},  {1, 48, 1},    {-1, 48, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(ScaleForDpi(c.length, c.dpi), c.scaled) << c.length << " at " << c.dpi;
  EXPECT_EQ(ScaleRect(Rect{-3, 1, 5, 1}, 144), (Rect{-5, 2, 8, 1}));
}

TEST(PictureArea, ExtremeProportionsAndEmptyBoxes) {
  EXPECT_EQ(FitPictureInBox(100, 20, 100000, 1), (Rect{0, 0, 100, 1}));  // never thinner than a pixel
  EXPECT_EQ(FitPictureInBox(20, 100, 1, 100000), (Rect{0, 0, 1, 100}));
  EXPECT_EQ(FitPictureInBox(0, 20, 30, 10), Rect{});
  EXPECT_EQ(FitPictureInBox(20, 0, 10, 30), Rect{});
  EXPECT_EQ(FitPictureInBox(20, 20, 0, 0), Rect{});
  EXPECT_EQ(FitPictureInBox(10, 10, 0, 20), Rect{});
  EXPECT_EQ(FitPictureInBox(100, 20, 101, 20), (Rect{0, 0, 100, 19}));
  EXPECT_EQ(FitPictureInBox(100, 100, 10, 20), (Rect{0, 0, 10, 20}));  // a small picture is not enlarged
  EXPECT_EQ(FitPictureInBox(1, 100, 10, 10), (Rect{0, 0, 1, 1}));      // a box one pixel wide
  EXPECT_EQ(FitPictureInBox(100, 20, 100, 21), (Rect{0, 0, 95, 20}));
  EXPECT_EQ(VisiblePictureArea(10, -3, 20, 10), (Rect{0, 0, 10, 0}));
  EXPECT_EQ(VisiblePictureArea(10, 10, -4, 20), (Rect{0, 0, 0, 10}));
}

TEST(Rects, ContainmentCountsTheEdges) {
  const Rect outer{3, 29, 309, 475};
  EXPECT_TRUE(outer.Contains(Rect{3, 29, 309, 475}));
  EXPECT_TRUE(outer.Contains(Rect{9, 50, 297, 419}));
  EXPECT_FALSE(outer.Contains(Rect{3, 29, 310, 475}));
  EXPECT_FALSE(outer.Contains(Rect{2, 29, 10, 10}));
  EXPECT_FALSE(outer.Contains(Rect{3, 28, 10, 10}));
  EXPECT_FALSE(outer.Contains(Rect{3, 29, 309, 476}));
  EXPECT_EQ((Rect{3, 29, 309, 475}.Right()), 312);
  EXPECT_EQ((Rect{3, 29, 309, 475}.Bottom()), 504);
}

}  // namespace
}  // namespace ornivex
