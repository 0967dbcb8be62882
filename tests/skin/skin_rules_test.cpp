// The skin's decisions that need no window: caption geometry, sizing zones, the
// title buttons' fade, which buttons are enrolled, and pixel arithmetic.
#include <gtest/gtest.h>

#include <array>
#include <set>
#include <utility>
#include <vector>

#include "skin/enrol_rules.h"
#include "skin/fade.h"
#include "skin/pixels.h"
#include "runtime/resample.h"
#include "skin/title_geometry.h"

namespace ornivex::skin {
namespace {

using K = TitleButtonKind;
const TitleMetrics k96;

TEST(Caption, HeightIsRaisedToTheMinimumOnly) {
  EXPECT_EQ(CaptionHeightFor(20, k96), 25);
  EXPECT_EQ(CaptionHeightFor(30, k96), 30);
  EXPECT_EQ(CaptionHeightFor(100, k96), 100);
  // The kinds are told apart by their numbers (close alone is wider).
  const std::set<K> kinds = {K::Close, K::Maximize, K::Minimize, K::MainMenu, K::Help, K::Custom};
  EXPECT_EQ(kinds.size(), 6u);
}

TEST(Caption, StripOfCloseOnlyEndsAtTheClientEdge) {
  const std::vector<K> buttons = StandardTitleButtons(false, false, false, false);
  ASSERT_EQ(buttons, std::vector<K>{K::Close});
  const StripLayout strip = LayoutStrip(buttons, 300, k96);
  EXPECT_EQ(strip.width, 41);
  EXPECT_EQ(strip.left, 300 - 40);
  EXPECT_EQ(strip.buttons[0], (BoundsF{262, 1, 40, 18}));
}

TEST(Caption, ButtonsStandTwentySevenApart) {
  const std::vector<K> buttons = StandardTitleButtons(false, false, true, true);
  const StripLayout strip = LayoutStrip(buttons, 400, k96);
  EXPECT_EQ(strip.width, 95);
  const float x0 = static_cast<float>(strip.left + 2);
  EXPECT_EQ(strip.buttons[0].x, x0);
  EXPECT_EQ(strip.buttons[1].x, x0 + 27);
  EXPECT_EQ(strip.buttons[2], (BoundsF{x0 + 54, 1, 40, 18}));
  EXPECT_EQ(FindMaximizeButton(buttons), 2);
  EXPECT_EQ(FindMaximizeButton(StandardTitleButtons(true, true, true, false)), 0);
}

TEST(Caption, HitTestIsStrict) {
  const StripLayout strip = LayoutStrip(StandardTitleButtons(false, false, true, true), 400, k96);
  const int x0 = strip.left + 2;
  EXPECT_EQ(HitTestStrip(strip, x0 + 1, 2), 1);
  EXPECT_EQ(HitTestStrip(strip, x0 + 27 + 13, 10), 2);
  EXPECT_EQ(HitTestStrip(strip, x0 + 54 + 39, 18), 3);
  EXPECT_EQ(HitTestStrip(strip, x0, 10), 0);        // on the left border
  EXPECT_EQ(HitTestStrip(strip, x0 + 26, 10), 0);   // on the right border of the first
  EXPECT_EQ(HitTestStrip(strip, x0 + 5, 1), 0);     // on the top border
  EXPECT_EQ(HitTestStrip(strip, x0 + 5, 19), 0);    // on the bottom border
  EXPECT_EQ(HitTestStrip(strip, x0 + 5, 30), 0);    // below the strip
}

TEST(Sizing, EveryZoneHasItsCursorAndCommand) {
  struct Case { int x, y; SizingZone zone; int cursor; unsigned command; };
  const int w = 317, h = 537;
  const Case cases[] = {
      {1, 200, SizingZone::Left, 32644, 0xF001},      {316, 200, SizingZone::Right, 32644, 0xF002},
      {150, 2, SizingZone::Top, 32645, 0xF003},       {150, 536, SizingZone::Bottom, 32645, 0xF006},
      {5, 5, SizingZone::TopLeft, 32642, 0xF004},     {312, 8, SizingZone::TopRight, 32643, 0xF005},
      {9, 530, SizingZone::BottomLeft, 32643, 0xF007}, {310, 530, SizingZone::BottomRight, 32642, 0xF008},
      {150, 200, SizingZone::None, 0, 0},
  };
  for (const Case& c : cases) {
    const SizingZone zone = ZoneAt(c.x, c.y, w, h, true, k96);
    EXPECT_EQ(zone, c.zone) << c.x << "," << c.y;
    EXPECT_EQ(CursorIdFor(zone), c.cursor);
    EXPECT_EQ(SizeCommandFor(zone), c.command);
    EXPECT_EQ(ZoneAt(c.x, c.y, w, h, false, k96), SizingZone::None);
  }
}

TEST(Sizing, AZoneHoldsItsEdgesAndCornersOutrankNothing) {
  // margin 3, corner 10, in a 317 x 537 client area
  const std::pair<std::pair<int, int>, SizingZone> cases[] = {
      {{3, 200}, SizingZone::Left},        {{4, 200}, SizingZone::None},       {{0, 11}, SizingZone::Left},
      {{0, 526}, SizingZone::Left},        {{0, 527}, SizingZone::BottomLeft}, {{314, 200}, SizingZone::Right},
      {{313, 200}, SizingZone::None},      {{11, 3}, SizingZone::Top},         {{11, 4}, SizingZone::None},
      {{306, 0}, SizingZone::Top},         {{307, 0}, SizingZone::TopRight},   {{150, 534}, SizingZone::Bottom},
      {{150, 533}, SizingZone::None},      {{10, 10}, SizingZone::TopLeft},    {{11, 10}, SizingZone::None},
      {{306, 10}, SizingZone::None},       {{10, 527}, SizingZone::BottomLeft}, {{10, 526}, SizingZone::None},
      {{307, 527}, SizingZone::BottomRight}, {{306, 527}, SizingZone::None},  {{316, 536}, SizingZone::BottomRight},
      {{10, 534}, SizingZone::BottomLeft}, {{316, 10}, SizingZone::TopRight},
  };
  for (const auto& [point, zone] : cases)
    EXPECT_EQ(ZoneAt(point.first, point.second, 317, 537, true, k96), zone) << point.first << "," << point.second;
}

TEST(Caption, FadeAndPressBandsIncludeTheirEdges) {
  // Minimize, maximize, close in a client 400 wide: the strip is 306..401, 22 high.
  const StripLayout strip = LayoutStrip(StandardTitleButtons(false, false, true, true), 400, k96);
  ASSERT_EQ(strip.left, 306);
  EXPECT_EQ(strip.buttons.size(), 3u);
  const std::pair<int, int> inFade[] = {{304, 5}, {401, 5}, {350, 0}, {350, 22}};
  const std::pair<int, int> outOfFade[] = {{303, 5}, {402, 5}, {350, -1}, {350, 23}};
  for (const auto& [x, y] : inFade) EXPECT_TRUE(InFadeBand(strip, x, y, k96)) << x << "," << y;
  for (const auto& [x, y] : outOfFade) EXPECT_FALSE(InFadeBand(strip, x, y, k96)) << x << "," << y;
  const std::pair<int, int> inPress[] = {{306, 5}, {401, 5}, {350, 22}, {350, -5}};
  const std::pair<int, int> outOfPress[] = {{305, 5}, {402, 5}, {350, 23}};
  for (const auto& [x, y] : inPress) EXPECT_TRUE(InPressBand(strip, x, y)) << x << "," << y;
  for (const auto& [x, y] : outOfPress) EXPECT_FALSE(InPressBand(strip, x, y)) << x << "," << y;
  EXPECT_EQ(StripLeftAtEnrolment(400, strip.width, k96), 400 - 3 - 95 - 2);
}

TEST(Caption, ARightClickOnItOffTheButtonsOpensTheSystemMenu) {
  const StripLayout strip = LayoutStrip(StandardTitleButtons(false, false, true, true), 400, k96);
  for (const auto& [x, y] : {std::pair{0, 0}, {305, 5}, {100, 24}})
    EXPECT_TRUE(OpensSystemMenu(strip, 25, x, y)) << x << "," << y;
  for (const auto& [x, y] : {std::pair{306, 5}, {350, 12}, {100, 25}, {100, -1}, {-1, 5}})
    EXPECT_FALSE(OpensSystemMenu(strip, 25, x, y)) << x << "," << y;
}

TEST(Caption, TheSystemMenuOffersWhatTheWindowCanDo) {
  // A fixed window with a minimize box, as the main window is.
  EXPECT_EQ(SystemMenuChoicesFor(false, false, false, true, false),
            (SystemMenuChoices{.restore = false, .move = true, .size = false, .minimize = true, .maximize = false}));
  EXPECT_EQ(SystemMenuChoicesFor(true, false, true, true, true),
            (SystemMenuChoices{.restore = true, .move = true, .size = false, .minimize = false, .maximize = true}));
  EXPECT_EQ(SystemMenuChoicesFor(false, true, true, true, true),
            (SystemMenuChoices{.restore = true, .move = false, .size = false, .minimize = true, .maximize = false}));
  EXPECT_EQ(SystemMenuChoicesFor(false, false, true, true, true),
            (SystemMenuChoices{.restore = false, .move = true, .size = true, .minimize = true, .maximize = true}));
}

TEST(Maximize, KeepsTheTaskbarVisible) {
  EXPECT_EQ(MaximizedHeight(1024, 30), 994);
  EXPECT_EQ(MaximizedHeight(1024, 0), 1024);
  EXPECT_EQ(MaximizedHeight(1024, -40), 1024);  // a taskbar said to be negative takes nothing
}

std::vector<int> AlphasOf(const FadeEffects& effects, int button) {
  std::vector<int> alphas;
  for (const ButtonPaint& p : effects.paints)
    if (p.button == button) alphas.push_back(p.alpha);
  return alphas;
}

TEST(Fade, InThenOutInEightStepsAndTheTimerStopsWhenDone) {
  FadeState s;
  FadeEffects move = FadeOnMouseMove(s, 1, true);
  EXPECT_TRUE(move.trackMouse);
  EXPECT_TRUE(move.startTimer);
  EXPECT_FALSE(FadeOnMouseMove(s, 1, true).trackMouse);  // asked once per visit
  std::vector<int> in;
  for (int i = 0; i < 8; ++i) {
    const FadeEffects tick = FadeOnTimer(s);
    for (int a : AlphasOf(tick, 1)) in.push_back(a);
    EXPECT_EQ(tick.stopTimer, i == 7);
  }
  EXPECT_EQ(in, (std::vector<int>{30, 60, 90, 120, 150, 180, 210, 240}));
  EXPECT_FALSE(s.timerRunning);  // resting on the button: no ticks

  // Into the window's body: button 1 fades out, then all goes idle.
  EXPECT_TRUE(FadeOnMouseMove(s, 0, false).startTimer);
  std::vector<int> out;
  for (int i = 0; i < 8; ++i)
    for (int a : AlphasOf(FadeOnTimer(s), 1)) {
      out.push_back(a);
      if (i < 7) EXPECT_EQ(FadeAlphaOf(s, 1), a);  // a repaint meanwhile shows the same
    }
  EXPECT_EQ(out, (std::vector<int>{210, 180, 150, 120, 90, 60, 30, 0}));
  EXPECT_FALSE(s.timerRunning);
  EXPECT_EQ(s.hoverButton, 0);
  EXPECT_EQ(s.fadeOut, Fade{});
}

TEST(Fade, AResetMidwayStopsTheTimerAndNoButtonHasAnAlpha) {
  FadeState s;
  FadeOnMouseMove(s, 2, true);
  FadeOnTimer(s);
  EXPECT_EQ(FadeAlphaOf(s, 2), 30);
  EXPECT_EQ(FadeAlphaOf(s, 0), 0);
  EXPECT_TRUE(FadeReset(s).stopTimer);
  EXPECT_FALSE(s.timerRunning);
  EXPECT_EQ(FadeAlphaOf(s, 2), 0);
  EXPECT_FALSE(FadeReset(s).stopTimer);  // nothing ran
}

TEST(Fade, NothingMovesUnlessAButtonWasHovered) {
  FadeState s;
  EXPECT_TRUE(FadeOnTimer(s).paints.empty());
  EXPECT_TRUE(FadeOnMouseLeave(s).paints.empty());
  FadeOnHover(s);  // a hover report counts as a move: no second request to track
  EXPECT_FALSE(FadeOnMouseMove(s, 0, false).trackMouse);
  // Leaving while a button fades out lets that fade run on.
  FadeState t;
  FadeOnMouseMove(t, 2, true);
  for (int i = 0; i < 8; ++i) FadeOnTimer(t);
  FadeOnMouseMove(t, 0, true);
  EXPECT_TRUE(FadeOnMouseLeave(t).paints.empty());
  EXPECT_EQ(AlphasOf(FadeOnTimer(t), 2), std::vector<int>{210});
  FadeState fresh;
  EXPECT_FALSE(FadeOnMouseMove(fresh, 0, true).startTimer);  // no button: no timer
}

TEST(Fade, CrossingToTheNextButtonFadesBothAtOnce) {
  FadeState s;
  FadeOnMouseMove(s, 1, true);
  for (int i = 0; i < 8; ++i) FadeOnTimer(s);
  FadeOnMouseMove(s, 2, true);
  const FadeEffects tick = FadeOnTimer(s);
  EXPECT_EQ(AlphasOf(tick, 1), std::vector<int>{210});
  EXPECT_EQ(AlphasOf(tick, 2), std::vector<int>{30});
  // On to a third while the first still fades out: the first is cut back to plain.
  EXPECT_EQ(AlphasOf(FadeOnMouseMove(s, 3, true), 1), std::vector<int>{0});
}

TEST(Fade, LeavingTheWindowFadesTheButtonOut) {
  FadeState s;
  FadeOnMouseMove(s, 3, true);
  for (int i = 0; i < 8; ++i) FadeOnTimer(s);
  const FadeEffects leave = FadeOnMouseLeave(s);
  EXPECT_TRUE(leave.startTimer);
  EXPECT_TRUE(leave.paints.empty());  // nothing else was fading out
  EXPECT_EQ(s.hoverButton, 0);
  EXPECT_EQ(AlphasOf(FadeOnTimer(s), 3), std::vector<int>{210});
  EXPECT_TRUE(FadeOnMouseMove(s, 0, false).trackMouse);  // back inside: the leave is asked for again
}

TEST(Fade, ReversingMidwayContinuesFromTheReachedAlpha) {
  FadeState s;
  FadeOnMouseMove(s, 1, true);
  FadeOnTimer(s);
  FadeOnTimer(s);                // at 60
  FadeOnMouseMove(s, 0, true);   // off again: down from 60, not from 240
  EXPECT_EQ(AlphasOf(FadeOnTimer(s), 1), std::vector<int>{30});
  FadeOnMouseMove(s, 1, true);   // back on: up from 30
  EXPECT_EQ(AlphasOf(FadeOnTimer(s), 1), std::vector<int>{60});
}

TEST(Enrolment, ButtonsByStyle) {
  for (std::uint32_t push : {0x0u, 0x1u, 0x8u}) EXPECT_TRUE(IsSkinnablePushButton(push | 0x50000000u)) << push;
  for (std::uint32_t other : {0x2u, 0x3u, 0x4u, 0x5u, 0x6u, 0x7u, 0x9u, 0xBu, 0xCu, 0xFu})
    EXPECT_FALSE(IsSkinnablePushButton(other)) << other;
  EXPECT_EQ(CheckOrRadioKind(0x2), ButtonKind::Check);
  EXPECT_EQ(CheckOrRadioKind(0x3), ButtonKind::Check);
  EXPECT_EQ(CheckOrRadioKind(0x9), ButtonKind::Radio);
  for (std::uint32_t other : {0x0u, 0x4u, 0x5u, 0x6u, 0x7u, 0xAu, 0xBu})  // plain radio, 3-state, group, owner
    EXPECT_EQ(CheckOrRadioKind(other), std::nullopt) << other;
  // The painter tells the kinds apart by their numbers alone.
  EXPECT_NE(ButtonKind::Radio, ButtonKind::Check);
  EXPECT_NE(ButtonKind::Push, ButtonKind::Check);
  EXPECT_NE(ButtonKind::Push, ButtonKind::Radio);
  EXPECT_EQ(CheckOrRadioKind(0x50000003u | 0x20u), ButtonKind::Check);  // other bits do not hide the type
  EXPECT_EQ(CheckOrRadioKind(0xB), std::nullopt);
  EXPECT_EQ(CheckOrRadioKind(0xF), std::nullopt);
}

TEST(Pixels, AverageFadeAndVeil) {
  std::vector<std::uint32_t> half(100 * 10, 0xFF0000FFu);
  for (int y = 0; y < 10; ++y)
    for (int x = 50; x < 100; ++x) half[y * 100 + x] = 0xFFFF0000u;
  const std::uint32_t mean = AverageColourOfSamples(half, 100, 10, 2000, 7);
  EXPECT_NEAR((mean >> 16) & 0xFF, 128, 12);
  EXPECT_NEAR(mean & 0xFF, 128, 12);

  std::vector<std::uint32_t> row(10, 0xFF000000u);
  FadeEdgeIntoColour(row, 10, 1, 3, 0xFFFFFFFFu, false);
  EXPECT_EQ(row[6], 0xFF000000u);  // before the band
  EXPECT_EQ(row[9], 0xFFFFFFFFu);  // the key at the edge
  EXPECT_LT(row[7] & 0xFF, row[8] & 0xFF);

  std::vector<std::uint32_t> veiled(1, 0xFF000000u);
  VeilPixels(veiled, 0);
  EXPECT_EQ(veiled[0], 0xFF000000u);
  VeilPixels(veiled, 255);
  EXPECT_EQ(veiled[0], 0xFFFFFFFFu);
}

TEST(Pixels, BandVeilAndMeanExactly) {
  struct Band { int width, band; bool left; std::vector<std::uint32_t> row; };
  const std::uint32_t k = 0xFF000000u, w = 0xFFFFFFFFu;
  const Band bands[] = {
      {6, 3, false, {k, k, k, 0xFF545454u, 0xFFA9A9A9u, w}},  // the key's share: 85, 170, 256 of 256
      {4, 2, true, {w, 0xFF7F7F7Fu, k, k}},
      {2, 5, false, {0xFF7F7F7Fu, w}},  // a band wider than the picture is the picture
      {3, 0, false, {k, k, k}},
      {3, 1, false, {k, k, w}},  // a band of one pixel is the edge itself
  };
  for (const Band& b : bands) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(b.width) * 2, k);
    FadeEdgeIntoColour(pixels, b.width, 2, b.band, w, b.left);
    EXPECT_EQ(std::vector<std::uint32_t>(pixels.begin(), pixels.begin() + b.width), b.row) << b.band;
    EXPECT_EQ(std::vector<std::uint32_t>(pixels.begin() + b.width, pixels.end()), b.row) << b.band;
  }
  for (const auto& [alpha, veiled] : {std::pair{128, 0xFF808080u}, {200, 0xFFC8C8C8u}, {2, 0xFF010101u}, {256, w}, {300, w}, {-5, k}}) {
    std::vector<std::uint32_t> one(1, k);
    VeilPixels(one, alpha);
    EXPECT_EQ(one[0], veiled) << alpha;
  }
  const std::vector<std::uint32_t> flat(12, 0xFF102030u);
  EXPECT_EQ(AverageColourOfSamples(flat, 4, 3, 50, 0), 0xFF102030u);
  EXPECT_EQ(AverageColourOfSamples(flat, 4, 4, 50, 1), 0xFF000000u);  // fewer pixels than said
  EXPECT_EQ(AverageColourOfSamples(flat, 0, 3, 50, 1), 0xFF000000u);
  EXPECT_EQ(AverageColourOfSamples(flat, 4, 3, 0, 1), 0xFF000000u);
  EXPECT_EQ(AverageColourOfSamples(flat, 4, 3, 1, 1), 0xFF102030u);  // one sample is enough
  for (const auto& [dpi, step] : {std::pair{119, 0}, {120, 1}, {167, 1}, {168, 2}})
    EXPECT_EQ(PictureScaleStep(dpi), step) << dpi;
}

TEST(Pixels, ScalingKeepsEdgesAndTransparencyShowsTheColour) {
  // A picture whose left half is blue and right half red, opaque, stretched and
  // squeezed: the outermost columns keep their colour (nothing fades in from
  // beyond the edge), the middle blends.
  std::vector<std::uint8_t> source(8 * 4 * 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) {
      std::uint8_t* p = &source[(y * 8 + x) * 4];
      p[0] = x < 4 ? 255 : 0, p[1] = 0, p[2] = x < 4 ? 0 : 255, p[3] = 255;
    }
  for (const auto& [w, h] : {std::pair{5, 9}, std::pair{13, 2}}) {
    std::vector<std::uint8_t> target(static_cast<std::size_t>(w) * h * 4);
    ASSERT_TRUE(ResamplePremultiplied(source, 8, 4, target, w, h));
    EXPECT_EQ(target[0], 255);                                       // blue at the left edge
    EXPECT_EQ(target[(static_cast<std::size_t>(w) - 1) * 4 + 2], 255);  // red at the right edge
    EXPECT_EQ(target[3], 255);                                       // opaque
  }
  EXPECT_FALSE(ResamplePremultiplied(source, 8, 4, std::span<std::uint8_t>(), 2, 2));

  std::vector<std::uint8_t> clear = {0, 0, 0, 0, 10, 20, 30, 255, 10, 20, 30, 128, 1, 2, 3};
  CompositeOverColour(clear, 0x102030);
  EXPECT_EQ(clear, (std::vector<std::uint8_t>{0x30, 0x20, 0x10, 255, 10, 20, 30, 255, 34, 36, 38, 255, 1, 2, 3}));
  std::vector<std::uint8_t> nearlyOpaque = {0, 0, 0, 254}, odd = {0, 0, 0, 0};
  CompositeOverColour(nearlyOpaque, 0x808080);  // 128 x 1 / 255 rounds to 1
  EXPECT_EQ(nearlyOpaque, (std::vector<std::uint8_t>{1, 1, 1, 255}));
  CompositeOverColour(odd, 0x010101);
  EXPECT_EQ(odd, (std::vector<std::uint8_t>{1, 1, 1, 255}));
  // 127 x 1 / 255 rounds down, 255 x 255 / 255 stays 255: neither half nor the divisor is off by one.
  std::vector<std::uint8_t> edges = {0, 0, 0, 254, 0, 0, 0, 0};
  CompositeOverColour(edges, 0x7F7F7F);
  EXPECT_EQ(edges, (std::vector<std::uint8_t>{0, 0, 0, 255, 127, 127, 127, 255}));
  std::vector<std::uint8_t> white = {0, 0, 0, 0};
  CompositeOverColour(white, 0xFFFFFF);
  EXPECT_EQ(white, (std::vector<std::uint8_t>{255, 255, 255, 255}));
  std::vector<std::uint8_t> row(2 * 1 * 4);
  EXPECT_TRUE(ResamplePremultiplied(source, 8, 4, row, 2, 1));  // one row is still a picture
  EXPECT_TRUE(ResamplePremultiplied(source, 8, 4, row, 1, 2));  // and so is one column
  std::vector<std::uint8_t> short3(2 * 2 * 3);
  EXPECT_FALSE(ResamplePremultiplied(source, 8, 4, short3, 2, 2));
  // Sizes that are no picture, or more than the buffers hold, are refused.
  std::vector<std::uint8_t> target(2 * 2 * 4);
  for (const auto& [sw, sh, tw, th] : {std::array{0, 4, 2, 2}, {8, -1, 2, 2}, {8, 4, 0, 2}, {8, 4, 2, 0},
                                       {8, 5, 2, 2}, {8, 4, 3, 2}})
    EXPECT_FALSE(ResamplePremultiplied(source, sw, sh, target, tw, th)) << sw << "x" << sh << " to " << tw << "x" << th;
  EXPECT_TRUE(ResamplePremultiplied(source, 8, 4, target, 2, 2));
}

TEST(Scale, MetricsFollowTheDpi) {
  EXPECT_EQ(PictureScaleStep(96), 0);
  EXPECT_EQ(PictureScaleStep(120), 1);
  EXPECT_EQ(PictureScaleStep(192), 2);
  const TitleMetrics m = TitleMetrics::ForDpi(192);
  EXPECT_EQ(CaptionHeightFor(20, m), 50);
  const StripLayout strip = LayoutStrip(StandardTitleButtons(false, false, true, false), 634, m);
  EXPECT_EQ(strip.width, 2 * 68);
  EXPECT_EQ(strip.buttons[1].x + m.closeWidth, 634.0f);  // the close picture ends at the edge
}

}  // namespace
}  // namespace ornivex::skin
