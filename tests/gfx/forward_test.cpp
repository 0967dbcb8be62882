// The forwarded members against the real GDI+: every drawing primitive paints, and
// what a setter stores its getter reads back (a member bound to the wrong flat
// function fails one or the other).
#include <gtest/gtest.h>

#include <functional>

#include "tests/gfx/gfx_env.h"

namespace ornivex::gfx {
namespace {

using testing::Canvas;

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new testing::GdiplusEnvironment);

constexpr ARGB kInk = 0xFF203040;

// Arguments that do not fit the flat function do not compile.
template <class... A>
concept FillsPath = requires(Graphics& g, A&&... a) { g.FillPath(std::forward<A>(a)...); };
static_assert(FillsPath<SolidBrush&, GraphicsPath&>);
static_assert(FillsPath<const Brush&, const GraphicsPath&>);
static_assert(!FillsPath<GraphicsPath&, SolidBrush&>);  // swapped
static_assert(!FillsPath<Pen&, GraphicsPath&>);         // a pen is no brush
static_assert(!FillsPath<SolidBrush&>);                 // the path is missing
template <class... A>
concept DrawsImage = requires(Graphics& g, A&&... a) { g.DrawImage(std::forward<A>(a)...); };
static_assert(DrawsImage<Bitmap&, float, float>);
static_assert(DrawsImage<const Image&, int, int>);
static_assert(!DrawsImage<Pen&, float, float>);
template <class... A>
concept ClonesArea = requires(Bitmap& b, A&&... a) { b.CloneBitmapAreaI(std::forward<A>(a)...); };
static_assert(ClonesArea<int, int, int, int, int, Bitmap&>);
static_assert(!ClonesArea<int, int, int, int, int, Image&>);  // any image is not a bitmap
template <class... A>
concept BoundsClip = requires(Graphics& g, A&&... a) { g.GetClipBounds(std::forward<A>(a)...); };
static_assert(BoundsClip<RectF&>);
static_assert(!BoundsClip<RectF>);  // a result needs a variable to land in
static_assert(!BoundsClip<Rect&>);  // and of the function's own type
template <class... A>
concept ReadsWidth = requires(Pen& p, A&&... a) { p.GetPenWidth(std::forward<A>(a)...); };
static_assert(ReadsWidth<>);
static_assert(!ReadsWidth<int>);

TEST(Forwards, EveryPrimitivePaints) {
  Pen pen;
  ASSERT_TRUE(pen.CreatePen1(kInk, 2.0f, Gdiplus::UnitPixel));
  SolidBrush brush;
  ASSERT_TRUE(brush.CreateSolidFill(kInk));
  Bitmap picture;
  ASSERT_TRUE(picture.CreateBitmapFromScan0Default(8, 8));
  {
    Canvas source(8, 8, kInk);  // paints the picture
    ASSERT_TRUE(source.graphics.GetImageGraphicsContext(picture));
    ASSERT_TRUE(source.graphics.GraphicsClear(kInk));
  }
  GraphicsPath path;
  ASSERT_TRUE(path.CreatePath(0));
  ASSERT_TRUE(path.AddPathEllipse(4.0f, 4.0f, 20.0f, 20.0f));
  Region region;
  ASSERT_TRUE(region.CreateRegionPath(path));

  const PointF pf[] = {PointF(2, 2), PointF(28, 5), PointF(20, 28), PointF(4, 20)};
  const Point pi[] = {Point(2, 2), Point(28, 5), Point(20, 28), Point(4, 20)};
  const RectF rf[] = {RectF(2, 2, 10, 10), RectF(15, 15, 10, 10)};
  const Rect ri[] = {Rect(2, 2, 10, 10), Rect(15, 15, 10, 10)};
  const PointF corners[] = {PointF(2, 2), PointF(26, 2), PointF(2, 26)};
  const Point cornersI[] = {Point(2, 2), Point(26, 2), Point(2, 26)};
  using U = Gdiplus::Unit;
  const struct {
    const char* name;
    std::function<bool(Graphics&)> draw;
  } cases[] = {
      {"DrawLine", [&](Graphics& g) { return g.DrawLine(pen, 1.0f, 1.0f, 28.0f, 28.0f); }},
      {"DrawLineI", [&](Graphics& g) { return g.DrawLineI(pen, 1, 1, 28, 28); }},
      {"DrawLines", [&](Graphics& g) { return g.DrawLines(pen, pf, 4); }},
      {"DrawLinesI", [&](Graphics& g) { return g.DrawLinesI(pen, pi, 4); }},
      {"DrawArc", [&](Graphics& g) { return g.DrawArc(pen, 2.0f, 2.0f, 25.0f, 25.0f, 0.0f, 180.0f); }},
      {"DrawArcI", [&](Graphics& g) { return g.DrawArcI(pen, 2, 2, 25, 25, 0.0f, 180.0f); }},
      {"DrawBezier", [&](Graphics& g) { return g.DrawBezier(pen, 1.0f, 1.0f, 30.0f, 1.0f, 1.0f, 30.0f, 30.0f, 30.0f); }},
      {"DrawBezierI", [&](Graphics& g) { return g.DrawBezierI(pen, 1, 1, 30, 1, 1, 30, 30, 30); }},
      {"DrawBeziers", [&](Graphics& g) { return g.DrawBeziers(pen, pf, 4); }},
      {"DrawBeziersI", [&](Graphics& g) { return g.DrawBeziersI(pen, pi, 4); }},
      {"DrawRectangle", [&](Graphics& g) { return g.DrawRectangle(pen, 3.0f, 3.0f, 20.0f, 20.0f); }},
      {"DrawRectangleI", [&](Graphics& g) { return g.DrawRectangleI(pen, 3, 3, 20, 20); }},
      {"DrawRectangles", [&](Graphics& g) { return g.DrawRectangles(pen, rf, 2); }},
      {"DrawRectanglesI", [&](Graphics& g) { return g.DrawRectanglesI(pen, ri, 2); }},
      {"DrawEllipse", [&](Graphics& g) { return g.DrawEllipse(pen, 3.0f, 3.0f, 20.0f, 20.0f); }},
      {"DrawEllipseI", [&](Graphics& g) { return g.DrawEllipseI(pen, 3, 3, 20, 20); }},
      {"DrawPie", [&](Graphics& g) { return g.DrawPie(pen, 3.0f, 3.0f, 20.0f, 20.0f, 0.0f, 90.0f); }},
      {"DrawPieI", [&](Graphics& g) { return g.DrawPieI(pen, 3, 3, 20, 20, 0.0f, 90.0f); }},
      {"DrawPolygon", [&](Graphics& g) { return g.DrawPolygon(pen, pf, 4); }},
      {"DrawPolygonI", [&](Graphics& g) { return g.DrawPolygonI(pen, pi, 4); }},
      {"DrawPath", [&](Graphics& g) { return g.DrawPath(pen, path); }},
      {"DrawCurve", [&](Graphics& g) { return g.DrawCurve(pen, pf, 4); }},
      {"DrawCurveI", [&](Graphics& g) { return g.DrawCurveI(pen, pi, 4); }},
      {"DrawCurve2", [&](Graphics& g) { return g.DrawCurve2(pen, pf, 4, 0.5f); }},
      {"DrawCurve2I", [&](Graphics& g) { return g.DrawCurve2I(pen, pi, 4, 0.5f); }},
      {"DrawCurve3", [&](Graphics& g) { return g.DrawCurve3(pen, pf, 4, 0, 2, 0.5f); }},
      {"DrawCurve3I", [&](Graphics& g) { return g.DrawCurve3I(pen, pi, 4, 0, 2, 0.5f); }},
      {"DrawClosedCurve", [&](Graphics& g) { return g.DrawClosedCurve(pen, pf, 4); }},
      {"DrawClosedCurveI", [&](Graphics& g) { return g.DrawClosedCurveI(pen, pi, 4); }},
      {"DrawClosedCurve2", [&](Graphics& g) { return g.DrawClosedCurve2(pen, pf, 4, 0.5f); }},
      {"DrawClosedCurve2I", [&](Graphics& g) { return g.DrawClosedCurve2I(pen, pi, 4, 0.5f); }},
      {"FillRectangles", [&](Graphics& g) { return g.FillRectangles(brush, rf, 2); }},
      {"FillRectanglesI", [&](Graphics& g) { return g.FillRectanglesI(brush, ri, 2); }},
      {"FillPolygon", [&](Graphics& g) { return g.FillPolygon(brush, pf, 4, Gdiplus::FillModeAlternate); }},
      {"FillPolygonI", [&](Graphics& g) { return g.FillPolygonI(brush, pi, 4, 0); }},
      {"FillEllipse", [&](Graphics& g) { return g.FillEllipse(brush, 3.0f, 3.0f, 20.0f, 20.0f); }},
      {"FillEllipseI", [&](Graphics& g) { return g.FillEllipseI(brush, 3, 3, 20, 20); }},
      {"FillPie", [&](Graphics& g) { return g.FillPie(brush, 3.0f, 3.0f, 20.0f, 20.0f, 0.0f, 90.0f); }},
      {"FillPieI", [&](Graphics& g) { return g.FillPieI(brush, 3, 3, 20, 20, 0.0f, 90.0f); }},
      {"FillClosedCurve", [&](Graphics& g) { return g.FillClosedCurve(brush, pf, 4); }},
      {"FillClosedCurveI", [&](Graphics& g) { return g.FillClosedCurveI(brush, pi, 4); }},
      {"FillClosedCurve2", [&](Graphics& g) { return g.FillClosedCurve2(brush, pf, 4, 0.5f, 0); }},
      {"FillClosedCurve2I", [&](Graphics& g) { return g.FillClosedCurve2I(brush, pi, 4, 0.5f, 0); }},
      {"FillRegion", [&](Graphics& g) { return g.FillRegion(brush, region); }},
      {"DrawImageI", [&](Graphics& g) { return g.DrawImageI(picture, 3, 3); }},
      {"DrawImageRectRectI", [&](Graphics& g) { return g.DrawImageRectRectI(picture, 0, 0, 30, 30); }},
      {"DrawImagePoints", [&](Graphics& g) { return g.DrawImagePoints(picture, corners, 3); }},
      {"DrawImagePointsI", [&](Graphics& g) { return g.DrawImagePointsI(picture, cornersI, 3); }},
      {"DrawImagePointRect", [&](Graphics& g) { return g.DrawImagePointRect(picture, 2.0f, 2.0f, 0.0f, 0.0f, 8.0f, 8.0f, U::UnitPixel); }},
      {"DrawImagePointRectI", [&](Graphics& g) { return g.DrawImagePointRectI(picture, 2, 2, 0, 0, 8, 8, U::UnitPixel); }},
      {"DrawImageRectRect", [&](Graphics& g) { return g.DrawImageRectRect(picture, 0.0f, 0.0f, 30.0f, 30.0f, 0.0f, 0.0f, 8.0f, 8.0f, U::UnitPixel, nullptr, nullptr, nullptr); }},
      {"DrawImageRectRectI(full)", [&](Graphics& g) { return g.DrawImageRectRectI(picture, 0, 0, 30, 30, 0, 0, 8, 8, U::UnitPixel, nullptr, nullptr, nullptr); }},
      {"DrawImagePointsRect", [&](Graphics& g) { return g.DrawImagePointsRect(picture, corners, 3, 0.0f, 0.0f, 8.0f, 8.0f, U::UnitPixel, nullptr, nullptr, nullptr); }},
      {"DrawImagePointsRectI", [&](Graphics& g) { return g.DrawImagePointsRectI(picture, cornersI, 3, 0, 0, 8, 8, U::UnitPixel, nullptr, nullptr, nullptr); }},
  };
  for (const auto& c : cases) {
    Canvas canvas(32, 32);
    EXPECT_TRUE(c.draw(canvas.graphics)) << c.name << " status " << LastStatus;
    EXPECT_GT(canvas.CountNot(32, 32, 0), 0) << c.name;
  }
}

// Stores each value with the setter and reads it back with the getter.
template <class Set, class Get, class T>
void RoundTrip(const char* name, Set set, Get get, std::initializer_list<T> values) {
  for (T value : values) {
    EXPECT_TRUE(set(value)) << name << " status " << LastStatus;
    EXPECT_EQ(get(), value) << name;
  }
}

TEST(Forwards, SettersAndGettersAgree) {
  Canvas canvas(4, 4);
  Graphics& g = canvas.graphics;
  using namespace Gdiplus;
  RoundTrip("CompositingMode", [&](CompositingMode v) { return g.SetCompositingMode(v); }, [&] { return g.GetCompositingMode(); },
            {CompositingModeSourceCopy, CompositingModeSourceOver});
  RoundTrip("CompositingQuality", [&](CompositingQuality v) { return g.SetCompositingQuality(v); }, [&] { return g.GetCompositingQuality(); },
            {CompositingQualityHighQuality, CompositingQualityHighSpeed});
  RoundTrip("TextRenderingHint", [&](TextRenderingHint v) { return g.SetTextRenderingHint(v); }, [&] { return g.GetTextRenderingHint(); },
            {TextRenderingHintAntiAlias, TextRenderingHintSingleBitPerPixel});
  RoundTrip("TextContrast", [&](UINT v) { return g.SetTextContrast(v); }, [&] { return g.GetTextContrast(); }, {2u, 7u});
  RoundTrip("InterpolationMode", [&](InterpolationMode v) { return g.SetInterpolationMode(v); }, [&] { return g.GetInterpolationMode(); },
            {InterpolationModeNearestNeighbor, InterpolationModeHighQualityBicubic});
  RoundTrip("SmoothingMode", [&](SmoothingMode v) { return g.SetSmoothingMode(v); }, [&] { return g.GetSmoothingMode(); },
            {SmoothingModeAntiAlias, SmoothingModeNone});
  RoundTrip("PixelOffsetMode", [&](PixelOffsetMode v) { return g.SetPixelOffsetMode(v); }, [&] { return g.GetPixelOffsetMode(); },
            {PixelOffsetModeHalf, PixelOffsetModeNone});
  RoundTrip("PageUnit", [&](Unit v) { return g.SetPageUnit(v); }, [&] { return g.GetPageUnit(); }, {UnitPoint, UnitPixel});
  RoundTrip("PageScale", [&](REAL v) { return g.SetPageScale(v); }, [&] { return g.GetPageScale(); }, {2.5f, 1.0f});
  EXPECT_TRUE(g.SetSmoothingMode(4));  // a plain number is taken for the mode
  EXPECT_EQ(g.GetSmoothingMode(), SmoothingModeAntiAlias);
  INT x = 0, y = 0;
  ASSERT_TRUE(g.SetRenderingOrigin(3, 4));
  ASSERT_TRUE(g.GetRenderingOrigin(x, y));
  EXPECT_EQ(x * 10 + y, 34);
  EXPECT_GT(g.GetDpiX(), 0);
  EXPECT_GT(g.GetDpiY(), 0);
  GraphicsState state = 0;
  ASSERT_TRUE(g.SaveGraphics(state));
  ASSERT_TRUE(g.SetClipRectI(0, 0, 1, 1, CombineModeReplace));
  EXPECT_FALSE(g.IsVisiblePointI(3, 3));
  ASSERT_TRUE(g.RestoreGraphics(state));
  EXPECT_TRUE(g.IsVisiblePointI(3, 3));
  EXPECT_FALSE(g.IsClipEmpty());

  Pen pen;
  ASSERT_TRUE(pen.CreatePen1(kInk, 1.0f, UnitWorld));
  EXPECT_EQ(pen.GetPenUnit(), UnitWorld);  // (Wine's gdiplus.dll has no SetPenUnit behind its export)
  RoundTrip("PenLineJoin", [&](LineJoin v) { return pen.SetPenLineJoin(v); }, [&] { return pen.GetPenLineJoin(); }, {LineJoinRound, LineJoinBevel});
  RoundTrip("PenMiterLimit", [&](REAL v) { return pen.SetPenMiterLimit(v); }, [&] { return pen.GetPenMiterLimit(); }, {4.0f, 2.0f});
  RoundTrip("PenMode", [&](PenAlignment v) { return pen.SetPenMode(v); }, [&] { return pen.GetPenMode(); }, {PenAlignmentInset, PenAlignmentCenter});
  RoundTrip("PenColor", [&](ARGB v) { return pen.SetPenColor(v); }, [&] { return pen.GetPenColor(); }, {ARGB{0x80123456u}, kInk});
  RoundTrip("PenDashStyle", [&](DashStyle v) { return pen.SetPenDashStyle(v); }, [&] { return pen.GetPenDashStyle(); }, {DashStyleDot, DashStyleSolid});
  RoundTrip("PenDashOffset", [&](REAL v) { return pen.SetPenDashOffset(v); }, [&] { return pen.GetPenDashOffset(); }, {1.5f, 0.0f});
  RoundTrip("PenStartCap", [&](LineCap v) { return pen.SetPenStartCap(v); }, [&] { return pen.GetPenStartCap(); }, {LineCapRound, LineCapFlat});
  RoundTrip("PenEndCap", [&](LineCap v) { return pen.SetPenEndCap(v); }, [&] { return pen.GetPenEndCap(); }, {LineCapSquare, LineCapFlat});
  RoundTrip("PenDashCap", [&](DashCap v) { return pen.SetPenDashCap(v); }, [&] { return pen.GetPenDashCap(); }, {DashCapRound, DashCapFlat});
  ASSERT_TRUE(pen.SetPenLineCap(LineCapTriangle, LineCapRound, DashCapTriangle));
  EXPECT_EQ(pen.GetPenStartCap(), LineCapTriangle);
  EXPECT_EQ(pen.GetPenEndCap(), LineCapRound);
  EXPECT_EQ(pen.GetPenDashCap197819(), DashCapTriangle);

  StringFormat format;
  ASSERT_TRUE(format.CreateStringFormat(0, LANG_NEUTRAL));
  RoundTrip("StringFormatFlags", [&](INT v) { return format.SetStringFormatFlags(v); }, [&] { return format.GetStringFormatFlags(); },
            {static_cast<INT>(StringFormatFlagsNoWrap), 0});
  RoundTrip("StringFormatAlign", [&](StringAlignment v) { return format.SetStringFormatAlign(v); }, [&] { return format.GetStringFormatAlign(); },
            {StringAlignmentCenter, StringAlignmentFar});
  RoundTrip("StringFormatLineAlign", [&](StringAlignment v) { return format.SetStringFormatLineAlign(v); },
            [&] { return format.GetStringFormatLineAlign(); }, {StringAlignmentFar, StringAlignmentNear});
  RoundTrip("StringFormatTrimming", [&](StringTrimming v) { return format.SetStringFormatTrimming(v); },
            [&] { return format.GetStringFormatTrimming(); }, {StringTrimmingEllipsisCharacter, StringTrimmingNone});
  RoundTrip("StringFormatHotkeyPrefix", [&](INT v) { return format.SetStringFormatHotkeyPrefix(v); },
            [&] { return format.GetStringFormatHotkeyPrefix(); }, {static_cast<INT>(HotkeyPrefixShow), static_cast<INT>(HotkeyPrefixNone)});

  LinearGradientBrush line;
  ASSERT_TRUE(line.CreateLineBrushFromRectI(Rect(0, 0, 10, 10), kInk, 0xFFFFFFFF, LinearGradientModeVertical, WrapModeTile));
  RoundTrip("LineWrapMode", [&](WrapMode v) { return line.SetLineWrapMode(v); }, [&] { return line.GetLineWrapMode(); },
            {WrapModeTileFlipX, WrapModeTile});
  RoundTrip("LineGammaCorrection", [&](BOOL v) { return line.SetLineGammaCorrection(v); }, [&] { return line.GetLineGammaCorrection(); },
            {TRUE, FALSE});
  RectF lineRect;
  ASSERT_TRUE(line.GetLineRect(lineRect));
  EXPECT_EQ(lineRect.Width, 10.0f);

  GraphicsPath path;
  ASSERT_TRUE(path.CreatePath(FillModeAlternate));
  RoundTrip("PathFillMode", [&](FillMode v) { return path.SetPathFillMode(v); }, [&] { return path.GetPathFillMode(); },
            {FillModeWinding, FillModeAlternate});
}

}  // namespace
}  // namespace ornivex::gfx
