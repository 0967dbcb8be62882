// The engine's pure pieces on made-up input: detection scaling, boxes from a
// probability map, rectangle geometry, cropping, the dictionary, CTC decoding
// and reading order.
#include <gtest/gtest.h>

#include <cmath>

#include "ocr/detection.h"
#include "ocr/geometry.h"
#include "ocr/layout.h"
#include "ocr/recognition.h"

namespace ornivex::ocr {
namespace {

TEST(DetectionSize, KeepsOwnScaleUpToTheLimitsInMultiplesOf32) {
  EXPECT_EQ(DetectionSize(521, 180).width, 512);
  EXPECT_EQ(DetectionSize(521, 180).height, 192);
  // A full-HD screenshot is detected at its own scale, not shrunk to 960.
  EXPECT_EQ(DetectionSize(1920, 1080).width, 1920);
  EXPECT_EQ(DetectionSize(1920, 1080).height, 1088);
  EXPECT_EQ(DetectionSize(10, 10).width, 32);
  // Too many pixels, or too long a side: scaled down, aspect kept.
  const Size photo = DetectionSize(4000, 3000);
  EXPECT_LE(static_cast<std::int64_t>(photo.width) * photo.height, 2'300'000 + 32 * 4000);
  EXPECT_NEAR(static_cast<double>(photo.width) / photo.height, 4.0 / 3, 0.03);
  EXPECT_EQ(DetectionSize(10000, 200).width, 2560);
  EXPECT_EQ(DetectionSize(0, 5).width, 0);
}

TEST(DetectionTensor, BluePlaneFirstWithImageNetNormalisation) {
  Picture p{2, 1, {255, 0, 0, 255, 0, 0, 255, 255}};  // a blue pixel, then a red one (BGRA)
  const std::vector<float> t = DetectionTensor(p, {2, 1});
  ASSERT_EQ(t.size(), 6u);
  EXPECT_NEAR(t[0], (1 - 0.485f) / 0.229f, 1e-4);  // blue of the blue pixel
  EXPECT_NEAR(t[1], -0.485f / 0.229f, 1e-4);
  EXPECT_NEAR(t[5], (1 - 0.406f) / 0.225f, 1e-4);  // red of the red pixel
  EXPECT_TRUE(DetectionTensor(Picture{2, 2, {}}, {2, 2}).empty());
  // Scaled to the size asked for: the blue end stays blue.
  const std::vector<float> wide = DetectionTensor(p, {4, 1});
  ASSERT_EQ(wide.size(), 12u);
  EXPECT_GT(wide[0], wide[3]);
  EXPECT_LT(wide[8], wide[11]);
}

// A map with rectangles of probability `value` on a background of 0.
std::vector<float> MapWith(int w, int h, std::initializer_list<std::array<int, 4>> boxes, float value = 0.9f) {
  std::vector<float> map(static_cast<std::size_t>(w) * h, 0.0f);
  for (const auto& b : boxes)
    for (int y = b[1]; y < b[1] + b[3]; ++y)
      for (int x = b[0]; x < b[0] + b[2]; ++x) map[static_cast<std::size_t>(y) * w + x] = value;
  return map;
}

TEST(FindTextBoxes, EachRegionGrownByTheUnclipRule) {
  const auto map = MapWith(200, 100, {{20, 10, 101, 9}, {30, 60, 41, 11}});
  const auto boxes = FindTextBoxes(map, 200, 100);
  ASSERT_EQ(boxes.size(), 2u);
  // Kernel 100 x 8 between pixel centres; grown by 100*8*1.8/216 = 6.67 each side,
  // and each end a tenth of the grown height (21.33) further.
  const Quad& q = boxes[0].quad;
  EXPECT_NEAR(q[0].x, 20 - 6.667 - 2.133, 0.01);
  EXPECT_NEAR(q[0].y, 10 - 6.667, 0.01);
  EXPECT_NEAR(q[2].x, 120 + 6.667 + 2.133, 0.01);
  EXPECT_NEAR(q[2].y, 18 + 6.667, 0.01);
  EXPECT_NEAR(boxes[0].score, 0.9f, 1e-3);
}

TEST(FindTextBoxes, DropsThinFaintAndMismatchedInput) {
  // A line 2 pixels thin is only a small box; one pixel thin, nothing; then a
  // region whose mean probability is below 0.6.
  auto map = MapWith(100, 50, {{10, 10, 50, 2}});
  const std::vector<TextBox> thin = FindTextBoxes(map, 100, 50);
  ASSERT_EQ(thin.size(), 1u);
  EXPECT_TRUE(thin[0].small);
  EXPECT_TRUE(FindTextBoxes(MapWith(100, 50, {{10, 10, 50, 1}}), 100, 50).empty());
  map = MapWith(100, 50, {{10, 10, 50, 10}}, 0.5f);
  EXPECT_TRUE(FindTextBoxes(map, 100, 50).empty());
  EXPECT_TRUE(FindTextBoxes(map, 100, 49).empty());
  // No more regions are looked at than the rules allow.
  BoxRules one;
  one.maxCandidates = 1;
  EXPECT_EQ(FindTextBoxes(MapWith(200, 100, {{20, 10, 101, 9}, {30, 60, 41, 11}}), 200, 100, one).size(), 1u);
  // Not grown, a line must be at least 2 pixels thicker than a small box: 5 is, 4 not.
  BoxRules bare;
  bare.unclipRatio = 0;
  EXPECT_EQ(FindTextBoxes(MapWith(200, 100, {{20, 10, 101, 6}, {20, 50, 101, 5}}), 200, 100, bare).size(), 1u);
  // A region on the map's bottom edge is scored over its last row too.
  map = MapWith(100, 50, {{10, 46, 50, 3}}, 0.5f);
  std::fill_n(map.begin() + 49 * 100 + 10, 50, 1.0f);
  const std::vector<TextBox> edge = FindTextBoxes(map, 100, 50);
  ASSERT_EQ(edge.size(), 1u);
  EXPECT_NEAR(edge[0].score, 0.625f, 1e-4);
  // Diagonal neighbours are one region.
  std::vector<float> diagonal(64 * 64, 0.0f);
  for (int i = 0; i < 40; ++i)
    for (int t = 0; t < 6; ++t) diagonal[static_cast<std::size_t>(10 + i) * 64 + 10 + i + t] = 1.0f;
  const std::vector<TextBox> turned = FindTextBoxes(diagonal, 64, 64);
  ASSERT_EQ(turned.size(), 1u);
  // Scored over the whole turned box (its left corner is its lowest), of whose
  // pixels a twenty-first lie off the band at the ends.
  EXPECT_NEAR(turned[0].score, 20.0f / 21, 1e-4);
}

TEST(FitGlyphBoxes, AGlyphBesideALineTakesItsHeight) {
  auto box = [](float left, float top, float right, float bottom, bool small = false) {
    return TextBox{{{{left, top}, {right, top}, {right, bottom}, {left, bottom}}}, 0.9f, small};
  };
  const std::vector<TextBox> boxes = {
      box(100, 100, 400, 120),          // a line 20 high
      box(85, 106, 89, 112),            // a digit's blot before it
      box(405, 107, 409, 111, true),    // a small one after it
      box(200, 105, 204, 115),          // a mark inside the line: left alone
      box(700, 300, 704, 304, true),    // a small one with no line beside it
      box(10, 103, 40, 118)};           // a word too high to be a glyph: left alone
  const std::vector<TextBox> fitted = FitGlyphBoxes(boxes, {1000, 1000});
  ASSERT_EQ(fitted.size(), 5u);
  EXPECT_FLOAT_EQ(fitted[1].quad[0].y, 100);
  EXPECT_FLOAT_EQ(fitted[1].quad[2].y, 120);
  EXPECT_NEAR(fitted[1].quad[2].x - fitted[1].quad[0].x, 40.0f / 3, 1e-3);
  EXPECT_NEAR((fitted[1].quad[0].x + fitted[1].quad[1].x) / 2, 87, 1e-3);
  EXPECT_FALSE(fitted[2].small);
  EXPECT_FLOAT_EQ(fitted[2].quad[3].y, 120);
  EXPECT_FLOAT_EQ(fitted[3].quad[0].y, 105);
  EXPECT_FLOAT_EQ(fitted[4].quad[0].x, 10);
  // Fitted boxes stay on the picture at either end.
  const TextBox ends[] = {box(8, 100, 290, 120), box(0, 106, 4, 112), box(296, 106, 300, 112)};
  const std::vector<TextBox> clipped = FitGlyphBoxes(ends, {302, 1000});
  ASSERT_EQ(clipped.size(), 3u);
  EXPECT_FLOAT_EQ(clipped[1].quad[0].x, 0);
  EXPECT_FLOAT_EQ(clipped[2].quad[1].x, 301);
}

TEST(Geometry, MinimumAreaRectangleOfATurnedRectangle) {
  // A 40 x 10 rectangle turned 30 degrees: its own rectangle comes back.
  const float c = std::cos(0.5236f), s = std::sin(0.5236f);
  std::vector<Point> points;
  for (float u = 0; u <= 40; u += 1)
    for (float v = 0; v <= 10; v += 1) points.push_back({50 + u * c - v * s, 20 + u * s + v * c});
  const Rectangle r = MinimumAreaRectangle(ConvexHull(points));
  EXPECT_NEAR(std::max(r.length, r.breadth), 40, 0.01);
  EXPECT_NEAR(ShortSide(r), 10, 0.01);
  const Quad q = Corners(r);
  // Reading order, turned either way: top left, top right, bottom right, bottom left.
  for (const Quad& o : {q, Corners(Rectangle{{50, 50}, {c, -s}, 40, 10})}) {
    EXPECT_LT(o[0].x, o[1].x);
    EXPECT_LT(o[3].x, o[2].x);
    EXPECT_LT(o[0].y, o[3].y);
    EXPECT_LT(o[1].y, o[2].y);
  }
  EXPECT_NEAR(Distance(q[0], q[1]) * Distance(q[0], q[3]), 400, 0.1);
  // Collinear and repeated points leave a segment; a hull of one point is a point.
  EXPECT_EQ(ConvexHull({{0, 0}, {1, 1}, {2, 2}, {2, 2}}).size(), 2u);
  const Rectangle segment = MinimumAreaRectangle(ConvexHull({{0, 0}, {5, 0}}));
  EXPECT_EQ(ShortSide(segment), 0);
  EXPECT_FLOAT_EQ(segment.length, 5);
  const Point single[] = {{5, 7}};
  EXPECT_FLOAT_EQ(MinimumAreaRectangle(single).centre.y, 7);
  // A hull given the other way round: the slanted side's rectangle is the smaller.
  const Point clockwise[] = {{0, 0}, {1, 3}, {4, 3}, {3, 0}};
  const Rectangle slanted = MinimumAreaRectangle(clockwise);
  EXPECT_NEAR(slanted.length * slanted.breadth, 11.7, 1e-3);
  // Sides one long count; a rectangle of nothing is not grown.
  const Rectangle unit = MinimumAreaRectangle(ConvexHull({{0, 0}, {1, 0}, {1, 1}, {0, 1}}));
  EXPECT_FLOAT_EQ(unit.length * unit.breadth, 1);
  EXPECT_EQ(Unclip(Rectangle{}, 1.8f).length, 0);
  // The ends grown are those of the long sides, whichever the axis runs along.
  const Rectangle upright = ExtendEnds(Rectangle{{}, {1, 0}, 2, 10}, 0.5f);
  EXPECT_FLOAT_EQ(upright.length, 2);
  EXPECT_FLOAT_EQ(upright.breadth, 11);
  // Inside within the margin of each edge, outside beyond it.
  const Quad square = {{{0, 0}, {10, 0}, {10, 10}, {0, 10}}};
  for (const auto& [point, inside] : {std::pair{Point{10.4f, 5}, true}, {Point{5, -0.4f}, true}, {Point{10.6f, 5}, false},
                                      {Point{-0.6f, 5}, false}, {Point{5, 10.6f}, false}, {Point{5, -0.6f}, false}})
    EXPECT_EQ(InsideConvexQuad(square, point, 0.5f), inside) << point.x << "," << point.y;
}

TEST(CropUpright, AxisAlignedBoxAndTallBoxTurned) {
  Picture p{4, 3, std::vector<std::uint8_t>(48, 0)};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) p.bgra[(y * 4 + x) * 4] = static_cast<std::uint8_t>(10 * y + x);
  auto crop = CropUpright(p, {{{1, 0}, {3, 0}, {3, 2}, {1, 2}}});
  ASSERT_TRUE(crop);
  EXPECT_EQ(crop->width, 2);
  EXPECT_EQ(crop->height, 2);
  EXPECT_EQ(crop->bgra[0], 1);
  EXPECT_EQ(crop->bgra[4], 2);
  EXPECT_EQ(crop->bgra[8], 11);
  // 1 wide, 3 tall: turned a quarter to the left, the top pixel ends on the left.
  crop = CropUpright(p, {{{0, 0}, {1, 0}, {1, 3}, {0, 3}}});
  ASSERT_TRUE(crop);
  EXPECT_EQ(crop->width, 3);
  EXPECT_EQ(crop->height, 1);
  EXPECT_EQ(crop->bgra[0], 0);
  EXPECT_EQ(crop->bgra[8], 20);
  EXPECT_FALSE(CropUpright(p, {{{1, 1}, {1, 1}, {1, 1}, {1, 1}}}));
  // Past the edges the edge pixels repeat; between pixels they are blended; a
  // turned quad is read along its own top edge; the longer of two sides counts.
  const struct {
    Quad quad;
    int width, height;
    std::vector<std::uint8_t> blue;
  } cases[] = {
      {{{{2, 0}, {6, 0}, {6, 1}, {2, 1}}}, 4, 1, {2, 3, 3, 3}},
      {{{{2, 1}, {5, 1}, {5, 4}, {2, 4}}}, 3, 3, {12, 13, 13, 22, 23, 23, 22, 23, 23}},
      {{{{-2, -1}, {0, -1}, {0, 1}, {-2, 1}}}, 2, 2, {0, 0, 0, 0}},
      {{{{0.5f, 0.5f}, {2.5f, 0.5f}, {2.5f, 1.5f}, {0.5f, 1.5f}}}, 2, 1, {6, 7}},
      {{{{3, 0}, {3, 2}, {1, 2}, {1, 0}}}, 2, 2, {3, 13, 2, 12}},
      {{{{0, 0}, {2, 0}, {2, 3}, {0, 1}}}, 2, 3, {0, 1, 3, 8, 7, 14}},
  };
  for (const auto& c : cases) {
    crop = CropUpright(p, c.quad);
    ASSERT_TRUE(crop);
    EXPECT_EQ(crop->width, c.width);
    EXPECT_EQ(crop->height, c.height);
    std::vector<std::uint8_t> blue;
    for (std::size_t i = 0; i < crop->bgra.size(); i += 4) blue.push_back(crop->bgra[i]);
    EXPECT_EQ(blue, c.blue) << c.quad[0].x << "," << c.quad[0].y;
  }
}

TEST(RecognitionTensor, ScaledToLineHeightAndPaddedWithZeros) {
  Picture white{10, 48, std::vector<std::uint8_t>(10 * 48 * 4, 255)};
  const Picture* batch[] = {&white};
  EXPECT_EQ(LineWidth(10, 48), 10);
  EXPECT_EQ(LineWidth(100, 24), 200);
  EXPECT_EQ(LineWidth(10, 1), 20);
  EXPECT_EQ(LineWidth(1'000'000, 48), kMaxLineWidth);
  EXPECT_TRUE(RecognitionTensor(batch, 0).empty());
  EXPECT_TRUE(RecognitionTensor(batch, kMaxLineWidth + 1).empty());
  Picture torn{10, 48, std::vector<std::uint8_t>(10 * 47 * 4, 255)};
  const Picture* tornBatch[] = {&white, &torn};
  EXPECT_TRUE(RecognitionTensor(tornBatch, 320).empty());
  const std::vector<float> t = RecognitionTensor(batch, 320);
  ASSERT_EQ(t.size(), 3u * 48 * 320);
  EXPECT_FLOAT_EQ(t[0], 1.0f);
  EXPECT_FLOAT_EQ(t[9], 1.0f);
  EXPECT_FLOAT_EQ(t[10], 0.0f);
  EXPECT_FLOAT_EQ(t[2 * 48 * 320 + 9], 1.0f);  // the red plane

  // Small text is enlarged at most twice, centred in the band, its top and
  // bottom rows repeated above and below.
  Picture small{10, 10, std::vector<std::uint8_t>(10 * 10 * 4, 255)};
  std::fill_n(small.bgra.begin(), 10 * 4, std::uint8_t{0});  // a black top row
  EXPECT_EQ(LineBandHeight(10), 20);
  EXPECT_EQ(LineWidth(10, 10), 20);
  const Picture* one[] = {&small};
  const std::vector<float> u = RecognitionTensor(one, 64);
  ASSERT_EQ(u.size(), 3u * 48 * 64);
  EXPECT_FLOAT_EQ(u[0], -1.0f);            // above the band: the top row
  EXPECT_FLOAT_EQ(u[14 * 64], -1.0f);      // the band's first row
  EXPECT_FLOAT_EQ(u[47 * 64 + 5], 1.0f);   // below it: the bottom row
  EXPECT_FLOAT_EQ(u[47 * 64 + 20], 0.0f);  // padding on the right
}

TEST(Dictionary, OneSymbolALineBetweenBlankAndSpace) {
  auto d = ParseDictionary("a\r\n中\nxyz");
  ASSERT_TRUE(d);
  ASSERT_EQ(d->symbols.size(), 5u);
  EXPECT_EQ(d->symbols[0], "");
  EXPECT_EQ(d->symbols[2], "中");
  EXPECT_EQ(d->symbols[4], " ");
  EXPECT_TRUE(ParseDictionary("a\nb\n"));
  EXPECT_TRUE(ParseDictionary("a\n\xf4\x8f\xbf\xbf"));  // U+10FFFF, the last code point
  EXPECT_TRUE(ParseDictionary("a\n中\xf0\x9f\x98\x80x"));
  for (std::string_view bad : std::initializer_list<std::string_view>{"", "a\n\nb", "a\n\xe4\xb8", "a\x01", std::string_view("a\0b", 3), "\xc0\xaf",
                                                                  "a\n\xf0\x8f\xbf\xbf", "a\n\xf0\x9f\x98"})
    EXPECT_FALSE(ParseDictionary(bad)) << bad;
}

TEST(DecodeCtc, RepeatsMergedBlanksDroppedShapesChecked) {
  const Dictionary d = *ParseDictionary("a\nb");  // blank, a, b, space
  // Steps: a a blank a b space -> "aab ".
  const std::vector<float> out = {0.1f, 0.8f, 0.1f, 0, 0.1f, 0.6f, 0.3f, 0, 0.9f, 0.1f, 0, 0,
                                  0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  auto line = DecodeCtc(out, 6, 4, d);
  ASSERT_TRUE(line);
  EXPECT_EQ(line->text, "aab ");
  EXPECT_NEAR(line->score, (0.8f + 1 + 1 + 1) / 4, 1e-5);
  EXPECT_FALSE(DecodeCtc(out, 6, 5, d));
  EXPECT_FALSE(DecodeCtc(out, 7, 4, d));
  EXPECT_FALSE(DecodeCtc(out, 8, 3, d));
  const std::int64_t shape[] = {1, 6, 4};
  EXPECT_EQ(RecognitionSteps(shape, 24, 1, 4), 6u);
  EXPECT_FALSE(RecognitionSteps(shape, 24, 2, 4));
  EXPECT_FALSE(RecognitionSteps(shape, 23, 1, 4));
  const std::int64_t negative[] = {1, -6, 4};
  EXPECT_FALSE(RecognitionSteps(negative, 24, 1, 4));
  const std::int64_t none[] = {1, 0, 4};
  EXPECT_FALSE(RecognitionSteps(none, 0, 1, 4));
  const std::int64_t map[] = {1, 1, 32, 64};
  EXPECT_TRUE(IsProbabilityMap(map, 2048, {64, 32}));
  EXPECT_FALSE(IsProbabilityMap(map, 2048, {32, 64}));
  EXPECT_FALSE(IsProbabilityMap(map, 2047, {64, 32}));
  const std::int64_t flat[] = {1, 32, 64}, deep[] = {1, 1, 1, 32, 64};
  EXPECT_TRUE(IsProbabilityMap(flat, 2048, {64, 32}));
  EXPECT_FALSE(IsProbabilityMap(deep, 2048, {64, 32}));
  for (const std::vector<std::int64_t>& batched : {std::vector<std::int64_t>{2, 1, 32, 64}, {1, 2, 32, 64}, {2, 32, 64}})
    EXPECT_FALSE(IsProbabilityMap(batched, 2048, {64, 32})) << batched[0] << "," << batched[1];
}

Quad Box(float x, float y, float w, float h) { return {{{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}}}; }

TEST(BoxesOnPicture, ScaledClampedAndLinesTooThinDropped) {
  const TextBox boxes[] = {{Box(10, 10, 50, 1.5f), 0.9f, false}, {Box(10, 10, 50, 1.5f), 0.9f, true},
                           {Box(90, 40, 20, 20), 0.9f, false}};
  const std::vector<TextBox> moved = BoxesOnPicture(boxes, {100, 50}, {200, 100});
  ASSERT_EQ(moved.size(), 2u);  // the first is 3 high on the picture
  EXPECT_TRUE(moved[0].small);
  EXPECT_FLOAT_EQ(moved[1].quad[0].x, 180);
  EXPECT_FLOAT_EQ(moved[1].quad[2].x, 199);
  EXPECT_FLOAT_EQ(moved[1].quad[2].y, 99);
  EXPECT_TRUE(BoxesOnPicture(boxes, {100, 0}, {200, 100}).empty());
  EXPECT_EQ(BoxesOnPicture(boxes, {100, 1}, {200, 100}).size(), 1u);  // only the small box is not flattened away
}

TEST(OrderLines, RowsTopToBottomBoxesOfARowJoined) {
  const ReadBox boxes[] = {
      {Box(200, 52, 80, 20), "right"}, {Box(10, 50, 80, 24), "left"}, {Box(10, 10, 300, 24), "title"},
      {Box(10, 90, 50, 20), ""},       {Box(10, 120, 60, 20), "last"},
  };
  const std::vector<std::string> lines = OrderLines(boxes);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "title");
  EXPECT_EQ(lines[1], "left right");
  EXPECT_EQ(lines[2], "last");
  // Boxes that only touch vertically stay apart; boxes over each other are not one row.
  const ReadBox stacked[] = {{Box(10, 10, 100, 20), "a"}, {Box(10, 25, 100, 20), "b"}};
  EXPECT_EQ(OrderLines(stacked).size(), 2u);
  // Level boxes whose grown ends reach into each other are one row.
  const ReadBox level[] = {{Box(10, 10, 40, 16), "def"}, {Box(38, 11, 200, 15), "save("}};
  const std::vector<std::string> joined = OrderLines(level);
  ASSERT_EQ(joined.size(), 1u);
  EXPECT_EQ(joined[0], "def save(");
  // The share of height two boxes side by side need, of the lower one: under half
  // apart, three quarters of a short box beside a tall one together.
  const ReadBox offset[] = {{Box(10, 10, 50, 20), "a"}, {Box(100, 25, 50, 20), "b"}};
  EXPECT_EQ(OrderLines(offset).size(), 2u);
  const ReadBox tall[] = {{Box(10, 10, 40, 20), "a"}, {Box(100, 15, 40, 60), "b"}};
  EXPECT_EQ(OrderLines(tall).size(), 1u);
  // Reaching into each other's ends by over a quarter of the narrower: two rows,
  // unless level (a short box within a tall one's height counts as level).
  const ReadBox over[] = {{Box(100, 10, 40, 20), "a"}, {Box(125, 20, 200, 20), "b"}};
  EXPECT_EQ(OrderLines(over).size(), 2u);
  const ReadBox within[] = {{Box(10, 5, 40, 30), "a"}, {Box(38, 10, 200, 20), "b"}};
  EXPECT_EQ(OrderLines(within).size(), 1u);
  const ReadBox shortFirst[] = {{Box(10, 10, 40, 20), "a"}, {Box(38, 5, 200, 40), "b"}};
  EXPECT_EQ(OrderLines(shortFirst).size(), 1u);
  const ReadBox narrowSecond[] = {{Box(100, 10, 200, 20), "a"}, {Box(285, 20, 40, 20), "b"}};
  EXPECT_EQ(OrderLines(narrowSecond).size(), 2u);
  // A box that fits two rows goes to the nearer one above it.
  const ReadBox nearer[] = {{Box(10, 10, 100, 20), "a"}, {Box(10, 14, 100, 20), "b"}, {Box(200, 16, 50, 20), "c"}};
  EXPECT_EQ(OrderLines(nearer), (std::vector<std::string>{"a", "b c"}));
  // Boxes whose centres tie are taken from the left whatever order they come in:
  // the row is the short box's, which the low box does not share.
  const ReadBox a = {Box(10, 20, 40, 10), "a"}, b = {Box(100, 5, 40, 40), "b"}, c = {Box(200, 30, 40, 10), "c"};
  for (const std::vector<ReadBox>& tied : {std::vector<ReadBox>{a, b, c}, {b, a, c}})
    EXPECT_EQ(OrderLines(tied), (std::vector<std::string>{"a b", "c"}));
  // A box read twice gives two rows, in the order they came.
  const ReadBox twice[] = {{Box(10, 10, 100, 20), "a"}, {Box(10, 10, 100, 20), "b"}};
  EXPECT_EQ(OrderLines(twice), (std::vector<std::string>{"a", "b"}));
}

}  // namespace
}  // namespace ornivex::ocr
