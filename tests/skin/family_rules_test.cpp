// The control families' decisions that need no window: combo buttons, frames,
// hover, header hit tests and states, up-down halves, bar geometry, and the pixel
// work on their canvases.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "skin/control_pixels.h"
#include "skin/family_rules.h"

namespace ornivex::skin {
namespace {

const FamilyMetrics k96;

TEST(Combo, ButtonIsNarrowerForDropDownListsAndAbsentForSimpleOnes) {
  EXPECT_EQ(ComboButton(120, 24, 0x2, k96), (Box{100, 2, 18, 20}));  // drop-down
  EXPECT_EQ(ComboButton(120, 24, 0x3, k96), (Box{101, 2, 17, 20}));  // drop-down list
  EXPECT_FALSE(ComboHasButton(0x1));
  EXPECT_EQ(FamilyMetrics::ForDpi(192).comboListButton, 34);
  EXPECT_EQ(FamilyMetrics::ForDpi(144).dockInset, 3);
  EXPECT_EQ((Box{100, 2, 18, 20}.Right()), 118);
}

TEST(Combo, EdgeCasesOfStylesKeysAndSizes) {
  for (const auto& [style, button] : {std::pair{0x0u, false}, {0x1u, false}, {0x2u, true}, {0x3u, true}})
    EXPECT_EQ(ComboHasButton(style), button) << style;
  EXPECT_EQ(ComboButton(30, 3, 0x2, k96), (Box{10, 2, 18, 0}));  // too low for the insets: no height
  for (const auto& [key, arrow] : {std::pair{36u, false}, {37u, true}, {40u, true}, {41u, false}})
    EXPECT_EQ(IsArrowKey(key), arrow) << key;
  // Extended styles with an edge: every bit of one of 0x1, 0x100, 0x200, 0x300, 0x188.
  for (const auto& [ex, border] : {std::pair{0x1u, true}, {0x100u, true}, {0x200u, true}, {0x188u, true},
                                   {0x88u, false}, {0x80u, false}, {0x400u, false}})
    EXPECT_EQ(ListHasBorder(0, ex, false), border) << std::hex << ex;
  const FrameLook plain = NonClientFrame(false, false, 200, 90, k96), hot = NonClientFrame(true, false, 200, 90, k96);
  EXPECT_EQ(plain.alpha, 90);
  EXPECT_EQ(plain.penWidth, 1);
  EXPECT_EQ(hot.alpha, 200);
  EXPECT_EQ(NonClientFrame(false, true, 200, 90, k96).alpha, 200);
  EXPECT_EQ(NonClientFrame(false, true, 200, 90, k96).penWidth, 1);
}

TEST(Frame, HotOutranksFocusAndComboListsGoBare) {
  EXPECT_EQ(NonClientFrame(true, true, 200, 90, k96).penWidth, 2);
  EXPECT_TRUE(NonClientFrame(false, true, 200, 90, k96).accent);
  EXPECT_FALSE(NonClientFrame(false, false, 200, 90, k96).accent);
  EXPECT_TRUE(ListHasBorder(0x00800000, 0, false));
  EXPECT_FALSE(ListHasBorder(0x1, 0, false));  // LBS_NOTIFY is no border
  EXPECT_TRUE(ListHasBorder(0, 0x204, false));  // client edge among other bits
  EXPECT_FALSE(ListHasBorder(0, 0x4, false));
  EXPECT_FALSE(ListHasBorder(0x00800000, 0x200, true));
}

struct Window {
  int hotButton = 0, lastHotButton = 0, hotKind = 0;
};

TEST(Hover, OnceForEachControlAndANeighbourKeepsIt) {
  Window w;
  EXPECT_TRUE(TakeHover(w, 1, 2));
  EXPECT_FALSE(TakeHover(w, 1, 2));
  EXPECT_TRUE(TakeHover(w, 4, 2));  // same place, another family
  DropHover(w, 1, 2);               // the edit's leave arrives late
  EXPECT_TRUE(IsHovered(w, 4, 2));
  DropHover(w, 4, 2);
  EXPECT_TRUE(TakeHover(w, 4, 2));
  TakeHover(w, 3, 1);
  DropHover(w, 3, 1);
  EXPECT_FALSE(IsHovered(w, 3, 1));
}

struct Header {
  int tracking = 0, hotItem = 0, lastPaintedItem = 0, buttons = 1, pressedItem = 0, buttonDown = 0;
};

TEST(Header, DeadZoneAroundEveryDivider) {
  const std::vector<ItemSpan> items{{0, 100}, {100, 160}};
  EXPECT_EQ(HeaderItemAt(4, items, 5), 0);
  EXPECT_EQ(HeaderItemAt(5, items, 5), 1);
  EXPECT_EQ(HeaderItemAt(95, items, 5), 1);
  EXPECT_EQ(HeaderItemAt(96, items, 5), 0);
  EXPECT_EQ(HeaderItemAt(105, items, 5), 2);
  EXPECT_EQ(HeaderItemAt(170, items, 5), 0);
}

TEST(Header, RepaintsOncePerItemAndOnceWhenNoItemIsHot) {
  Header h;
  EXPECT_TRUE(HeaderMouseMove(h, 1));
  EXPECT_FALSE(HeaderMouseMove(h, 1));
  EXPECT_TRUE(HeaderMouseMove(h, 2));
  EXPECT_TRUE(HeaderMouseMove(h, 0));  // into a dead zone
  EXPECT_FALSE(HeaderMouseMove(h, 0));
  EXPECT_TRUE(HeaderMouseMove(h, 2));
  EXPECT_TRUE(HeaderItemTint(h, 2).hot);

  EXPECT_TRUE(HeaderButtonDown(h));
  EXPECT_TRUE(HeaderItemTint(h, 2).pressed);
  EXPECT_FALSE(HeaderMouseMove(h, 1));  // dragging: no hot repaint
  EXPECT_TRUE(HeaderButtonUp(h));
  EXPECT_FALSE(HeaderItemTint(h, 2).pressed);
  EXPECT_TRUE(HeaderMouseMove(h, 1));  // released: hot repaints again

  // Item 1 pressed and released; a second press with no item hot keeps the first.
  Header one;
  HeaderMouseMove(one, 1);
  EXPECT_TRUE(HeaderButtonDown(one));
  EXPECT_TRUE(HeaderButtonUp(one));
  EXPECT_FALSE(HeaderItemTint(one, 1).pressed);
  HeaderMouseMove(one, 2);
  HeaderButtonDown(one);
  HeaderMouseMove(one, 0);
  EXPECT_TRUE(HeaderButtonDown(one));
  HeaderButtonUp(one);
  // After the pointer leaves, a press hits no item.
  HeaderMouseMove(one, 1);
  HeaderMouseLeave(one);
  EXPECT_FALSE(HeaderButtonDown(one));

  Header flat;
  flat.buttons = 0;
  HeaderMouseMove(flat, 1);
  EXPECT_FALSE(HeaderButtonDown(flat));
  EXPECT_FALSE(HeaderButtonUp(flat));  // no pressed look to take back
  EXPECT_FALSE(HeaderItemTint(flat, 1).hot);
  EXPECT_FALSE(HeaderItemTint(flat, 1).pressed);
}

TEST(UpDown, TheMiddleBelongsToTheFirstHalf) {
  EXPECT_EQ(UpDownHalfAt(17, 22, false, 3, 11), 0);
  EXPECT_EQ(UpDownHalfAt(17, 22, false, 3, 12), 1);
  EXPECT_EQ(UpDownHalfAt(41, 20, true, 20, 3), 0);  // 41 / 2 truncates to 20
  EXPECT_EQ(UpDownHalfAt(41, 20, true, 21, 3), 1);
  const UpDownHalves halves = UpDownHalfBoxes(17, 23, false);
  EXPECT_EQ(halves.first, (Box{0, 0, 16, 10}));
  EXPECT_EQ(halves.second, (Box{0, 11, 16, 11}));
}

TEST(Trackbar, ChannelIsUprightAndFillReachesTheThumbOrSpansTheSelection) {
  // A vertical trackbar's channel reported lying down, and two pixels thin.
  const Box channel = TrackbarChannel(Box{8, 10, 90, 2}, true, k96);
  EXPECT_EQ(channel, (Box{9, 8, 4, 90}));
  const Box thumb{4, 40, 20, 10};
  EXPECT_EQ(TrackbarFill(channel, thumb, true, false, 0, 100, 0, 0), (Box{9, 8, 4, 37}));
  EXPECT_EQ(TrackbarFill(channel, thumb, true, true, 0, 100, 50, 100), (Box{9, 53, 4, 45}));
  EXPECT_EQ(TrackbarPositionAt(channel, thumb, true, 0, 100, 0), 13);
  EXPECT_EQ(TrackbarPositionAt(channel, thumb, true, 0, 100, 100), 93);
  EXPECT_EQ(TrackbarPositionAt(channel, thumb, true, -50, 50, 0), 53);
}

TEST(Trackbar, ThicknessSelectionAndRangeEnds) {
  EXPECT_EQ(TrackbarChannel(Box{10, 20, 100, 4}, false, k96), (Box{10, 20, 100, 4}));  // thick enough: as reported
  EXPECT_EQ(TrackbarChannel(Box{10, 20, 100, 1}, false, k96), (Box{10, 19, 100, 4}));
  EXPECT_EQ(TrackbarChannel(Box{8, 10, 4, 90}, true, k96), (Box{8, 10, 4, 90}));      // upright already
  const Box channel{10, 20, 100, 4}, thumb{40, 14, 10, 16};
  // An empty selection, or one the wrong way round, falls back to the thumb.
  EXPECT_EQ(TrackbarFill(channel, thumb, false, true, 0, 100, 30, 30), (Box{10, 20, 35, 4}));
  EXPECT_EQ(TrackbarFill(channel, thumb, false, true, 0, 100, 60, 30), (Box{10, 20, 35, 4}));
  EXPECT_EQ(TrackbarFill(channel, thumb, false, true, 0, 100, -20, 150), (Box{10, 20, 100, 4}));  // clamped
  EXPECT_EQ(TrackbarFill(channel, Box{200, 14, 10, 16}, false, false, 0, 100, 0, 0), (Box{10, 20, 100, 4}));
  EXPECT_EQ(TrackbarFill(channel, Box{0, 14, 10, 16}, false, false, 0, 100, 0, 0), (Box{10, 20, 0, 4}));
  EXPECT_EQ(TrackbarFill(channel, thumb, false, true, 0, 100, 20, 70), (Box{30, 20, 50, 4}));
  EXPECT_EQ(TrackbarFill(channel, thumb, false, true, 50, 150, 70, 120), (Box{30, 20, 50, 4}));
  EXPECT_EQ(TrackbarFill(Box{10, 20, 0, 4}, thumb, false, false, 0, 100, 0, 0), (Box{10, 20, 0, 4}));  // no length
  EXPECT_EQ(TrackbarPositionAt(channel, thumb, false, 0, 100, 50), 10 + 5 + 45);
  EXPECT_EQ(TrackbarPositionAt(channel, thumb, false, 10, 10, 10), 15);               // no range
  EXPECT_EQ(TrackbarPositionAt(channel, Box{0, 0, 120, 16}, false, 0, 100, 50), 70);  // thumb wider than the channel
  const UpDownHalves across = UpDownHalfBoxes(41, 20, true);
  EXPECT_EQ(across.first, (Box{0, 0, 19, 19}));
  EXPECT_EQ(across.second, (Box{20, 0, 20, 19}));
  EXPECT_EQ(ProgressTrack(1, 2, k96), (Box{1, 1, 0, 0}));
}

TEST(Progress, FillFollowsThePositionFromTheLowEnd) {
  EXPECT_TRUE(ProgressFill(100, 12, false, 0, 0, 100, k96).Empty());
  EXPECT_EQ(ProgressFill(100, 12, false, 100, 0, 100, k96), ProgressTrack(100, 12, k96));
  EXPECT_EQ(ProgressFill(100, 12, false, 500, 0, 100, k96), ProgressTrack(100, 12, k96));
  EXPECT_EQ(ProgressFill(100, 12, false, 60, 10, 110, k96), (Box{1, 1, 49, 10}));
  EXPECT_EQ(ProgressFill(12, 102, true, 50, 0, 100, k96), (Box{1, 51, 10, 50}));  // from the bottom
  EXPECT_TRUE(ProgressFill(100, 12, false, 5, 5, 5, k96).Empty());                // no range
  EXPECT_TRUE((Box{0, 0, 5, 0}).Empty());
}

TEST(Pixels, KeyGoesAndTheSoftEdgesOfTextAreLaidOverTheBackground) {
  const std::uint32_t key = 0xFFFF00FF, text = 0xFF000000, background = 0xFF2040C0;
  // key; text over the key at half; a colour of the control's own; text itself
  const std::vector<std::uint32_t> painted{key, 0xFF800080, 0xFF00FF00, text};
  std::vector<std::uint32_t> out(4, background);
  LayOverBackground(painted, out, key, text);
  EXPECT_EQ(out[0], background);
  EXPECT_EQ(out[1], 0xFF102060u);
  EXPECT_EQ(out[2], 0xFF00FF00u);
  EXPECT_EQ(out[3], text);
}

// A channel 16 apart between key and text tells a blend; 15 apart it does not.
TEST(Pixels, AChannelTellsFromSixteenApart) {
  const std::uint32_t key = 0xFF000000, background = 0xFF00C800;
  std::vector<std::uint32_t> out(1, background);
  LayOverBackground(std::vector<std::uint32_t>{0xFF080000}, out, key, 0xFF100000);
  EXPECT_EQ(out[0], 0xFF086400u);  // half the text's red, half the background's green
  out.assign(1, background);
  LayOverBackground(std::vector<std::uint32_t>{0xFF080000}, out, key, 0xFF0F0000);
  EXPECT_EQ(out[0], 0xFF080000u);  // 8 off a key that tells nothing: the control's own pixel
}

TEST(Pixels, TheKeyIsMatchedInFullAndBlueTellsLikeTheOthers) {
  const std::uint32_t background = 0xFF123456;
  std::vector<std::uint32_t> out(1, background);
  LayOverBackground(std::vector<std::uint32_t>{0xFF808081}, out, 0xFF808081, 0xFF808081);  // an odd key
  EXPECT_EQ(out[0], background);
  out.assign(1, 0xFF0000C0);
  LayOverBackground(std::vector<std::uint32_t>{0xFF000010}, out, 0xFF000000, 0xFF000020);  // only blue tells
  EXPECT_EQ(out[0], 0xFF000070u);  // half way from the background's blue to the text's
  // A little past the text, within the system's rounding (6 of the 100 between them): still the text.
  out.assign(1, background);
  LayOverBackground(std::vector<std::uint32_t>{0xFF7D0000}, out, 0xFF140000, 0xFF780000);
  EXPECT_EQ(out[0], 0xFF780000u);
  // Past the text in a channel that tells: the control's own pixel, not a blend.
  out.assign(1, background);
  LayOverBackground(std::vector<std::uint32_t>{0xFFFF0000}, out, 0xFF000000, 0xFF800000);
  EXPECT_EQ(out[0], 0xFFFF0000u);
}

TEST(Pixels, FramesOfOnePixelAndTheirRightColumn) {
  std::vector<std::uint32_t> column(3, 0xFFFFFFFF);
  BlendFrame(column, 1, 3, 1, 0xFF000000);
  EXPECT_EQ(column, std::vector<std::uint32_t>(3, 0xFF000000));
  std::vector<std::uint32_t> square(3 * 3, 0xFFFFFFFF);
  BlendFrame(square, 3, 3, 1, 0xFF000000);
  EXPECT_EQ(square[3 * 1 + 2], 0xFF000000u);  // the middle row's right end
  EXPECT_EQ(square[3 * 1 + 1], 0xFFFFFFFFu);
  // (0 x 254 + 128 x 1 + 127) / 255 rounds to 1.
  std::vector<std::uint32_t> faint(1, 0xFF000000);
  BlendFrame(faint, 1, 1, 1, 0x01808080);
  EXPECT_EQ(faint[0], 0xFF010101u);
}

TEST(Pixels, FrameCoversOnlyTheOuterRing) {
  std::vector<std::uint32_t> canvas(5 * 4, 0xFFFFFFFF);
  BlendFrame(canvas, 5, 4, 1, 0xFF000000);
  EXPECT_EQ(canvas[0], 0xFF000000u);
  EXPECT_EQ(canvas[4], 0xFF000000u);
  EXPECT_EQ(canvas[5 * 3 + 2], 0xFF000000u);
  EXPECT_EQ(canvas[5 * 1 + 1], 0xFFFFFFFFu);
  EXPECT_EQ(canvas[5 * 2 + 3], 0xFFFFFFFFu);
  // Half red over white, each channel rounded; nothing past the h rows is touched.
  std::vector<std::uint32_t> taller(3 * 3, 0xFFFFFFFF);
  BlendFrame(taller, 3, 2, 1, 0x80FF0000);
  EXPECT_EQ(taller[0], 0xFFFF7F7Fu);
  EXPECT_EQ(taller[3 * 2], 0xFFFFFFFFu);
}

TEST(Pixels, SlackOfAChannelThatTellsNothingEndsAtSix) {
  const std::uint32_t key = 0xFF808080, text = 0xFF008080, background = 0xFF000000;  // only red tells
  const std::pair<std::uint32_t, std::uint32_t> cases[] = {
      {0xFF408680, 0xFF004040},  // green 6 off the key: still text at half
      {0xFF408780, 0xFF408780},  // 7 off: the control's own pixel
      {key, background},
  };
  for (const auto& [painted, laid] : cases) {
    std::vector<std::uint32_t> out(1, background);
    LayOverBackground(std::vector<std::uint32_t>{painted}, out, key, text);
    EXPECT_EQ(out[0], laid) << std::hex << painted;
  }
  std::vector<std::uint32_t> out(1, background);
  LayOverBackground(std::vector<std::uint32_t>{key}, out, key, key);  // text in the key's colour
  EXPECT_EQ(out[0], background);
}

}  // namespace
}  // namespace ornivex::skin
