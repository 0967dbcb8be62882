#include "capture/selection.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace ornivex::capture {
namespace {

// A 1920 x 1080 primary at 96 DPI with a 2560 x 1440 monitor at 144 DPI to its
// left and 200 pixels higher, as the system places them (negative coordinates).
const std::vector<Monitor> kTwoMonitors = {
    {{0, 0, 1920, 1080}, 96},
    {{-2560, -200, 2560, 1440}, 144},
};
const Rect kTwoScreen{-2560, -200, 4480, 1440};

Rect Drag(SelectionTracker& t, Point from, Point to) {
  t.Press(from);
  t.Move(Point{(from.x + to.x) / 2, (from.y + to.y) / 2});
  t.Release(to);
  EXPECT_EQ(t.GetState(), SelectionTracker::State::kDone);
  return t.Region();
}

TEST(Selection, ADragInAnyDirectionSelectsBothEndPixels) {
  EXPECT_EQ(BoundingRect(kTwoMonitors), kTwoScreen);
  const Rect expected{-10, 20, 31, 11};
  const Point corners[][2] = {{{-10, 20}, {20, 30}}, {{20, 30}, {-10, 20}}, {{20, 20}, {-10, 30}}, {{-10, 30}, {20, 20}}};
  for (const auto& c : corners) {
    SelectionTracker t(kTwoScreen, kTwoMonitors);
    EXPECT_EQ(Drag(t, c[0], c[1]), expected);
  }
  // While dragging, the rectangle shows once it went past the threshold.
  SelectionTracker t(kTwoScreen, kTwoMonitors);
  t.Press({100, 100});
  t.Move({102, 101});
  EXPECT_FALSE(t.Shown());
  t.Move({104, 101});
  EXPECT_EQ(t.Shown(), (Rect{100, 100, 5, 2}));
  t.Move({101, 101});  // back near the press: still a drag, not a click
  t.Release({101, 101});
  EXPECT_EQ(t.Region(), (Rect{100, 100, 2, 2}));
}

TEST(Selection, APointerPastTheScreenIsHeldAtItsEdge) {
  SelectionTracker t(kTwoScreen, kTwoMonitors);
  // Held at the virtual screen's edge, below the primary where no monitor is.
  EXPECT_EQ(Drag(t, {1900, 1000}, {2500, 1500}), (Rect{1900, 1000, 20, 240}));
  SelectionTracker u(kTwoScreen, kTwoMonitors);
  EXPECT_EQ(Drag(u, {-2000, 0}, {-3000, -900}), (Rect{-2560, -200, 561, 201}));
}

TEST(Selection, AClickTakesTheMonitorUnderThePressWithAThresholdScaledForIt) {
  // 4 pixels at 96 DPI make a drag; on the 144-DPI monitor it takes 6.
  SelectionTracker onPrimary(kTwoScreen, kTwoMonitors);
  EXPECT_EQ(Drag(onPrimary, {500, 500}, {503, 497}), kTwoMonitors[0].bounds);
  SelectionTracker dragOnPrimary(kTwoScreen, kTwoMonitors);
  EXPECT_EQ(Drag(dragOnPrimary, {500, 500}, {504, 500}), (Rect{500, 500, 5, 1}));
  SelectionTracker onLeft(kTwoScreen, kTwoMonitors);
  EXPECT_EQ(Drag(onLeft, {-100, 1000}, {-105, 1005}), kTwoMonitors[1].bounds);
  SelectionTracker dragOnLeft(kTwoScreen, kTwoMonitors);
  EXPECT_EQ(Drag(dragOnLeft, {-100, 1000}, {-106, 1000}), (Rect{-106, 1000, 7, 1}));

  // A press where no monitor is (above or below the primary, within the
  // virtual screen) takes the nearest.
  const struct {
    Point press;
    Rect taken;
  } gaps[] = {{{1000, 1200}, kTwoMonitors[0].bounds}, {{10, -150}, kTwoMonitors[1].bounds},
              {{300, -10}, kTwoMonitors[0].bounds}};
  for (const auto& gap : gaps) {
    SelectionTracker t(kTwoScreen, kTwoMonitors);
    t.Press(gap.press);
    t.Release(gap.press);
    EXPECT_EQ(t.Region(), gap.taken) << gap.press.x << "," << gap.press.y;
  }
  // Equally near (straight below one, 3 across and 4 up from the other): the first.
  const std::vector<Monitor> tied = {{{0, 0, 100, 100}, 96}, {{53, 108, 100, 100}, 96}};
  EXPECT_EQ(MonitorAt(tied, {50, 104}), &tied[0]);
}

TEST(Selection, CancelEndsAnythingButADoneCapture) {
  SelectionTracker idle(kTwoScreen, kTwoMonitors);
  idle.Release({5, 5});  // a release without a press is not a click
  EXPECT_EQ(idle.GetState(), SelectionTracker::State::kIdle);
  idle.Cancel();
  EXPECT_EQ(idle.GetState(), SelectionTracker::State::kCancelled);
  idle.Press({5, 5});
  EXPECT_EQ(idle.GetState(), SelectionTracker::State::kCancelled);

  SelectionTracker dragging(kTwoScreen, kTwoMonitors);
  dragging.Press({5, 5});
  dragging.Move({50, 50});
  dragging.Cancel();
  dragging.Release({50, 50});
  EXPECT_EQ(dragging.GetState(), SelectionTracker::State::kCancelled);
  EXPECT_FALSE(dragging.Shown());

  SelectionTracker done(kTwoScreen, kTwoMonitors);
  Drag(done, {5, 5}, {50, 50});
  done.Cancel();
  EXPECT_EQ(done.GetState(), SelectionTracker::State::kDone);
}

TEST(SizeLabel, SitsBelowThenAboveThenInsideWithinItsMonitorScaledForIt) {
  EXPECT_EQ(SizeLabelText(640, 480), L"640 \u00D7 480");
  // Below the left end: frame 1 + gap 4 under the selection, padding 6 and 3.
  SizeLabel below = PlaceSizeLabel({100, 100, 300, 200}, 50, 12, kTwoMonitors);
  EXPECT_EQ(below.box, (Rect{100, 305, 62, 18}));
  EXPECT_EQ(below.text, (Point{106, 308}));
  // Room to the last pixel row below: still below; none: above.
  EXPECT_EQ(PlaceSizeLabel({100, 1000, 300, 57}, 50, 12, kTwoMonitors).box, (Rect{100, 1062, 62, 18}));
  EXPECT_EQ(PlaceSizeLabel({100, 1000, 300, 70}, 50, 12, kTwoMonitors).box, (Rect{100, 977, 62, 18}));
  // Neither: inside, at the top.
  EXPECT_EQ(PlaceSizeLabel({0, 0, 1920, 1080}, 50, 12, kTwoMonitors).box, (Rect{0, 4, 62, 18}));
  // At the monitor's right edge it is pulled back in.
  EXPECT_EQ(PlaceSizeLabel({1900, 100, 20, 20}, 50, 12, kTwoMonitors).box, (Rect{1858, 125, 62, 18}));

  // On the 144-DPI monitor: frame 2 (1.5 rounded), gap 6, padding 9 and 5 (4.5 rounded).
  const Rect onLeft{-2000, 0, 300, 200};
  EXPECT_EQ(SizeLabelDpi(onLeft, kTwoMonitors), 144);
  EXPECT_EQ(PlaceSizeLabel(onLeft, 75, 18, kTwoMonitors).box, (Rect{-2000, 208, 93, 28}));
  // The label takes the scale of the monitor under the selection's bottom-left
  // pixel, wherever the rest of it lies.
  const Rect across{-50, 600, 300, 100};
  EXPECT_EQ(SizeLabelDpi(across, kTwoMonitors), 144);
  EXPECT_EQ(SizeLabelDpi(Rect{0, 600, 300, 100}, kTwoMonitors), 96);
  EXPECT_EQ(PlaceSizeLabel(Rect{10, 1000, 300, 80}, 50, 12, kTwoMonitors).box.top, 1000 - 5 - 18);
}

// Which source a pixel of the overlay comes from, worked out pixel by pixel.
enum Source { kDimmed, kBright, kFrame, kLabel };
Source SourceOf(int x, int y, const OverlayView& v) {
  auto in = [&](const Rect& r) { return x >= r.left && x < r.Right() && y >= r.top && y < r.Bottom(); };
  if (v.label && in(*v.label)) return kLabel;
  if (!v.selection) return kDimmed;
  const Rect& s = *v.selection;
  if (in(s)) return kBright;
  const Rect outer{s.left - v.frame, s.top - v.frame, s.width + 2 * v.frame, s.height + 2 * v.frame};
  return in(outer) ? kFrame : kDimmed;
}

OverlayView RandomView(std::mt19937& random, const Rect& screen) {
  std::uniform_int_distribution<int> coord(-3, screen.width + 3), coin(0, 3), frame(1, 3);
  OverlayView v;
  v.frame = frame(random);
  if (coin(random)) v.selection = SpannedRect({coord(random), coord(random)}, {coord(random), coord(random)});
  if (coin(random)) v.label = SpannedRect({coord(random), coord(random)}, {coord(random), coord(random)});
  return v;
}

TEST(OverlayPaint, APlanCoversItsAreaOnceFromTheRightSources) {
  const Rect screen{0, 0, 24, 24};
  std::mt19937 random(7);
  std::uniform_int_distribution<int> coord(0, 24);
  for (int round = 0; round < 400; ++round) {
    const OverlayView view = RandomView(random, screen);
    const Rect area = Intersection(SpannedRect({coord(random), coord(random)}, {coord(random), coord(random)}), screen);
    const PaintPlan plan = PlanPaint(area, view);
    std::vector<int> seen(24 * 24, -1);
    int overlaps = 0;
    auto mark = [&](const std::vector<Rect>& rects, Source source) {
      for (const Rect& r : rects)
        for (int y = r.top; y < r.Bottom(); ++y)
          for (int x = r.left; x < r.Right(); ++x) {
            ASSERT_TRUE(x >= area.left && x < area.Right() && y >= area.top && y < area.Bottom());
            overlaps += seen[y * 24 + x] != -1;
            seen[y * 24 + x] = source;
          }
    };
    mark(plan.dimmed, kDimmed);
    mark(plan.bright, kBright);
    mark(plan.frame, kFrame);
    mark({plan.label}, kLabel);
    ASSERT_EQ(overlaps, 0) << "round " << round;
    for (int y = area.top; y < area.Bottom(); ++y)
      for (int x = area.left; x < area.Right(); ++x)
        ASSERT_EQ(seen[y * 24 + x], SourceOf(x, y, view)) << "round " << round << " at " << x << "," << y;
  }
}

TEST(OverlayPaint, ChangedAreasHoldEveryPixelThatChanged) {
  const Rect screen{0, 0, 24, 24};
  std::mt19937 random(11);
  for (int round = 0; round < 400; ++round) {
    const OverlayView before = RandomView(random, screen);
    OverlayView after = RandomView(random, screen);
    if (round % 4 == 0) after = before;
    if (round % 4 == 1 && before.selection) {  // a drag: one corner stays
      after.selection = Rect{before.selection->left, before.selection->top, before.selection->width + 1,
                             before.selection->height};
      after.frame = before.frame;
    }
    const std::vector<Rect> areas = ChangedAreas(before, after, screen);
    std::vector<bool> repainted(24 * 24, false);
    for (const Rect& r : areas) {
      ASSERT_TRUE(screen.Contains(r));
      for (int y = r.top; y < r.Bottom(); ++y)
        for (int x = r.left; x < r.Right(); ++x) repainted[y * 24 + x] = true;
    }
    if (round % 4 == 0) {
      EXPECT_TRUE(areas.empty());
    }
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 24; ++x)
        if (SourceOf(x, y, before) != SourceOf(x, y, after)) {
          ASSERT_TRUE(repainted[y * 24 + x]) << "round " << round << " at " << x << "," << y;
        }
  }
  // What a drag repaints stays near what changed, not the whole selection.
  OverlayView a{Rect{100, 100, 800, 600}, Rect{100, 705, 80, 20}, 1};
  OverlayView b{Rect{100, 100, 801, 602}, Rect{100, 707, 80, 20}, 1};
  long area = 0;
  for (const Rect& r : ChangedAreas(a, b, Rect{0, 0, 1920, 1080})) area += r.width * r.height;
  EXPECT_LT(area, 12000);
}

TEST(CopyRegion, GivesTheScreensColoursOpaqueRowByRow) {
  // 4 x 3 pixels whose top byte is whatever the screen left there.
  std::vector<std::uint32_t> screen(12);
  for (int i = 0; i < 12; ++i) screen[i] = 0x5A000000u | static_cast<std::uint32_t>(i * 0x010203);
  const auto picture = CopyRegion(screen, 4, 3, Rect{1, 1, 2, 2});
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width, 2);
  EXPECT_EQ(picture->height, 2);
  const std::vector<std::uint8_t> expected = {
      15, 10, 5, 255, 18, 12, 6, 255,   // pixels 5 and 6
      27, 18, 9, 255, 30, 20, 10, 255,  // pixels 9 and 10
  };
  EXPECT_EQ(picture->bgra, expected);
  const auto whole = CopyRegion(screen, 4, 3, Rect{0, 0, 4, 3});
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->bgra.size(), 48u);
  EXPECT_EQ(whole->bgra[44], 33);  // the last pixel's blue
  EXPECT_FALSE(CopyRegion(screen, 4, 3, Rect{3, 0, 2, 1}));  // past the right edge
  EXPECT_FALSE(CopyRegion(screen, 4, 3, Rect{0, -1, 1, 1}));
  EXPECT_FALSE(CopyRegion(screen, 4, 3, Rect{0, 0, 0, 1}));
  EXPECT_FALSE(CopyRegion(screen, 4, 4, Rect{0, 0, 1, 1}));  // fewer pixels than the size says
}

}  // namespace
}  // namespace ornivex::capture
