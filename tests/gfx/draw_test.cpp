// The wrapper against the real GDI+: drawing read back pixel by pixel, pictures from
// memory, saving through encoders, paths, ownership and the status rules.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <span>
#include <string>

#include "tests/gfx/gfx_env.h"
#include "tests/gfx/pictures.h"

namespace ornivex::gfx {
namespace {

using testing::Canvas;
using testing::Near;
using testing::Pixels;

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new testing::GdiplusEnvironment);

constexpr ARGB kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;

std::string TempPath(const char* name) {
  char dir[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, dir);
  return std::string(dir) + name;
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A small opaque picture whose every pixel differs from its neighbours.
Pixels Pattern(int width, int height) {
  Pixels p{width, height, {}};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) p.argb.push_back(0xFF000000u | (x * 40) << 16 | (y * 60) << 8 | (x + y) * 20);
  }
  return p;
}

void PaintPattern(Bitmap& bitmap, const Pixels& p) {
  ASSERT_TRUE(bitmap.CreateBitmapFromScan0Default(p.width, p.height));
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) ASSERT_TRUE(bitmap.BitmapSetPixel(x, y, p.At(x, y)));
  }
}

TEST(Saving, WithoutFormatWritesBmpAndWithPngFormatWritesPng) {
  const Pixels pattern = Pattern(5, 3);
  Bitmap bitmap;
  PaintPattern(bitmap, pattern);

  const std::string bmpPath = TempPath("ornivex-gfx-save.bmp");
  DeleteFileA(bmpPath.c_str());
  ASSERT_TRUE(bitmap.SaveImageToFile(bmpPath));
  Pixels decoded;
  ASSERT_TRUE(testing::DecodeBmp(testing::ReadFileBytes(bmpPath), decoded));
  ASSERT_EQ(decoded.width, 5);
  ASSERT_EQ(decoded.height, 3);
  for (size_t i = 0; i < pattern.argb.size(); ++i) EXPECT_EQ(decoded.argb[i] & 0xFFFFFF, pattern.argb[i] & 0xFFFFFF) << i;

  const std::string pngPath = TempPath("ornivex-gfx-save.png");
  DeleteFileA(pngPath.c_str());
  ASSERT_TRUE(bitmap.SaveImageToFile(pngPath, kPngFormat));
  const auto png = testing::ReadFileBytes(pngPath);
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
  ASSERT_TRUE(testing::DecodePng(png, decoded));
  EXPECT_EQ(decoded.argb, pattern.argb);

  // The same picture into memory; and the lower-case spelling of the format.
  const auto bytes = bitmap.SaveImageToStream("{b96b3caf-0728-11d3-9d7b-0000f81ef32e}");
  ASSERT_TRUE(testing::DecodePng(std::vector<unsigned char>(bytes.begin(), bytes.end()), decoded));
  EXPECT_EQ(decoded.argb, pattern.argb);
  DeleteFileA(bmpPath.c_str());
  DeleteFileA(pngPath.c_str());
}

TEST(Saving, UnknownFormatWritesNothingAndCallsNoEncoder) {
  Bitmap bitmap;
  ASSERT_TRUE(bitmap.CreateBitmapFromScan0Default(2, 2));
  const std::string path = TempPath("ornivex-gfx-none.img");
  DeleteFileA(path.c_str());
  const char* unknown = "{00000000-1111-2222-3333-444444444444}";
  EXPECT_EQ(FindEncoderClsid(unknown), "");
  LastStatus = Gdiplus::Ok;
  EXPECT_FALSE(bitmap.SaveImageToFile(path, unknown));
  EXPECT_FALSE(bitmap.SaveImageToFile(path, "not a guid"));
  EXPECT_FALSE(FileExists(path));
  EXPECT_TRUE(bitmap.SaveImageToStream(unknown).empty());
}

TEST(Saving, EncoderListAndParameterBlockReachTheEncoder) {
  const auto encoders = GetImageEncoders();
  ASSERT_FALSE(encoders.empty());
  bool png = false;
  for (const EncoderInfo& e : encoders) {
    EXPECT_EQ(e.Clsid.size(), 38u);
    EXPECT_EQ(e.SigPattern.size(), size_t{e.SigCount} * e.SigSize);
    EXPECT_EQ(e.SigMask.size(), e.SigPattern.size());
    if (e.FormatID == kPngFormat) {
      png = true;
      EXPECT_EQ(e.MimeType, "image/png");
      EXPECT_EQ(FindEncoderClsid(kPngFormat), e.Clsid);
    }
  }
  EXPECT_TRUE(png);

  // JPEG with a quality parameter; a parameter whose GUID does not parse stops the save.
  Bitmap bitmap;
  ASSERT_TRUE(bitmap.CreateBitmapFromScan0Default(64, 64));
  for (int i = 0; i < 64 * 64; ++i) bitmap.BitmapSetPixel(i % 64, i / 64, 0xFF000000u | (i * 2654435761u >> 8));
  const char* jpeg = "{B96B3CAE-0728-11D3-9D7B-0000F81EF32E}";
  const char* quality = "{1D5BE4B5-FA4A-452D-9CDD-5DB35105E7EB}";
  ULONG low = 5, high = 95;
  const EncoderParameterValue lowQuality[] = {{quality, 1, Gdiplus::EncoderParameterValueTypeLong, &low}};
  const EncoderParameterValue highQuality[] = {{quality, 1, Gdiplus::EncoderParameterValueTypeLong, &high}};
  for (const auto& parameters : {std::span<const EncoderParameterValue>(lowQuality), std::span<const EncoderParameterValue>(highQuality)}) {
    const auto bytes = bitmap.SaveImageToStream(jpeg, parameters);
    ASSERT_GT(bytes.size(), 3u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xD8);  // start of image
  }
  const EncoderParameterValue broken[] = {{"nonsense", 1, Gdiplus::EncoderParameterValueTypeLong, &low}};
  EXPECT_TRUE(bitmap.SaveImageToStream(jpeg, broken).empty());
}

TEST(Rotation, RotatedSizeAndRotatedCopy) {
  const SizeF one = Bitmap::RotatedSize(1, 1, 90);
  EXPECT_NEAR(one.Width, 1, 1e-4);
  EXPECT_NEAR(one.Height, 1, 1e-4);
  const SizeF quarter = Bitmap::RotatedSize(101, 51, 90);
  EXPECT_NEAR(quarter.Width, 51, 1e-3);
  EXPECT_NEAR(quarter.Height, 101, 1e-3);

  // Left half red, right half blue; a quarter turn clockwise puts red on top.
  Canvas source(20, 10);
  SolidBrush red, blue;
  ASSERT_TRUE(red.CreateSolidFill(kRed));
  ASSERT_TRUE(blue.CreateSolidFill(kBlue));
  source.graphics.FillRectangleI(red, 0, 0, 10, 10);
  source.graphics.FillRectangleI(blue, 10, 0, 10, 10);
  source.graphics.Flush(Gdiplus::FlushIntentionSync);
  Bitmap rotated;
  ASSERT_TRUE(source.bitmap.RotateToBitmap(90, rotated, kWhite, true, Gdiplus::InterpolationModeNearestNeighbor, true));
  EXPECT_EQ(rotated.GetImageWidth(), 10u);
  EXPECT_EQ(rotated.GetImageHeight(), 20u);
  EXPECT_EQ(rotated.BitmapGetPixel(5, 4), kRed);
  EXPECT_EQ(rotated.BitmapGetPixel(5, 15), kBlue);

  // A one-pixel picture rotates into a one-pixel picture; an explicit size is kept.
  Canvas dot(1, 1, kGreen);
  Bitmap turned;
  ASSERT_TRUE(dot.bitmap.RotateToBitmap(90, turned));
  EXPECT_EQ(turned.GetImageWidth(), 1u);
  const SizeF wanted(7, 3);
  ASSERT_TRUE(source.bitmap.RotateToBitmap(45, turned, 0, false, Gdiplus::InterpolationModeDefault, false, &wanted));
  EXPECT_EQ(turned.GetImageWidth(), 7u);
  EXPECT_EQ(turned.GetImageHeight(), 3u);
}

TEST(Paths, EmptyPathHasNoDataAndRoundRectIsClosed) {
  GraphicsPath path;
  ASSERT_TRUE(path.CreatePath(Gdiplus::FillModeAlternate));
  std::vector<PointF> points(3);
  std::vector<BYTE> types(3);
  EXPECT_FALSE(path.GetPathData(points, types));
  EXPECT_TRUE(points.empty());
  EXPECT_TRUE(types.empty());
  EXPECT_TRUE(path.GetPathPoints(points));
  EXPECT_TRUE(points.empty());

  ASSERT_TRUE(path.AddPathRoundRect(10, 20, 100, 50, 500));  // corner kept at 100... and below
  ASSERT_TRUE(path.GetPathData(points, types));
  ASSERT_EQ(points.size(), static_cast<size_t>(path.GetPointCount()));
  ASSERT_EQ(types.size(), points.size());
  EXPECT_EQ(types.front() & Gdiplus::PathPointTypePathTypeMask, Gdiplus::PathPointTypeStart);
  EXPECT_TRUE(types.back() & Gdiplus::PathPointTypeCloseSubpath);
  RectF bounds;
  ASSERT_TRUE(path.GetPathWorldBounds(bounds, nullptr, nullptr));
  EXPECT_NEAR(bounds.X, 10, 0.01);
  EXPECT_NEAR(bounds.Y, 20, 0.01);
  EXPECT_NEAR(bounds.Width, 100, 0.01);
  EXPECT_NEAR(bounds.Height, 50, 0.01);

  std::vector<Point> integer;
  std::vector<BYTE> onlyTypes;
  ASSERT_TRUE(path.GetPathPointsI(integer));
  ASSERT_TRUE(path.GetPathTypes(onlyTypes));
  EXPECT_EQ(integer.size(), points.size());
  EXPECT_EQ(onlyTypes, types);

  GraphicsPath copy;
  ASSERT_TRUE(copy.ClonePath(path));
  EXPECT_EQ(copy.GetPointCount(), path.GetPointCount());
  EXPECT_TRUE(path.ResetPath());
  EXPECT_EQ(path.GetPointCount(), 0);
}

TEST(Drawing, FillsReadBackFromTheBitmap) {
  Canvas canvas(40, 30);
  SolidBrush red;
  ASSERT_TRUE(red.CreateSolidFill(kRed));
  ASSERT_TRUE(canvas.graphics.FillRectangle(red, 5.0f, 5.0f, 10.0f, 10.0f));
  EXPECT_EQ(canvas.At(7, 7), kRed);
  EXPECT_EQ(canvas.At(4, 4), 0u);
  EXPECT_EQ(canvas.At(15, 15), 0u);
  ASSERT_TRUE(canvas.graphics.FillRectangleRect(red, RectF(30, 20, 5, 5)));
  EXPECT_EQ(canvas.At(32, 22), kRed);
  EXPECT_EQ(red.GetSolidFillColor(), kRed);
  EXPECT_EQ(red.GetBrushType(), Gdiplus::BrushTypeSolidColor);

  // A rounded rectangle leaves its corners empty and fills its edges' middles.
  Canvas round(40, 30);
  GraphicsPath path;
  SolidBrush green;
  ASSERT_TRUE(green.CreateSolidFill(kGreen));
  ASSERT_TRUE(path.CreatePath(0));
  ASSERT_TRUE(path.AddPathRoundRect(0, 0, 39, 29, 16));
  ASSERT_TRUE(round.graphics.FillPath(green, path));
  EXPECT_EQ(round.At(0, 0), 0u);
  EXPECT_EQ(round.At(38, 28), 0u);
  EXPECT_EQ(round.At(20, 15), kGreen);
  EXPECT_EQ(round.At(20, 1), kGreen);
  EXPECT_EQ(round.At(1, 15), kGreen);

  // A pen draws the outline only.
  Pen pen;
  ASSERT_TRUE(pen.CreatePen1(kBlue, 1.0f, Gdiplus::UnitWorld));
  EXPECT_EQ(pen.GetPenWidth(), 1.0f);
  EXPECT_EQ(pen.GetPenColor(), kBlue);
  ASSERT_TRUE(pen.SetPenWidth(3.0f));
  EXPECT_EQ(pen.GetPenWidth(), 3.0f);
  ASSERT_TRUE(round.graphics.DrawLine(pen, 0.0f, 20.0f, 40.0f, 20.0f));
  EXPECT_EQ(round.At(20, 20), kBlue);
  EXPECT_EQ(round.At(20, 24), kGreen);
}

TEST(Drawing, LinearGradientEndsAndPenFromBrush) {
  Canvas canvas(100, 4);
  LinearGradientBrush gradient;
  ASSERT_TRUE(gradient.CreateLineBrush(PointF(0, 0), PointF(100, 0), kRed, kBlue, Gdiplus::WrapModeTile));
  ASSERT_TRUE(canvas.graphics.FillRectangleI(gradient, 0, 0, 100, 4));
  EXPECT_TRUE(Near(canvas.At(0, 2), kRed, 6)) << std::hex << canvas.At(0, 2);
  EXPECT_TRUE(Near(canvas.At(99, 2), kBlue, 6)) << std::hex << canvas.At(99, 2);
  EXPECT_TRUE(Near(canvas.At(50, 2), 0xFF7F0080, 8)) << std::hex << canvas.At(50, 2);
  ARGB colors[2] = {};
  ASSERT_TRUE(gradient.GetLineColors(colors));
  EXPECT_EQ(colors[0], kRed);
  EXPECT_EQ(colors[1], kBlue);

  // Blend factors go in and come back through the count-then-fetch getter.
  const REAL factors[] = {0.0f, 0.25f, 1.0f}, positions[] = {0.0f, 0.5f, 1.0f};
  ASSERT_TRUE(gradient.SetLineBlend(factors, positions, 3));
  EXPECT_EQ(gradient.GetLineBlendCount(), 3);
  std::vector<REAL> gotFactors, gotPositions;
  ASSERT_TRUE(gradient.GetLineBlend(gotFactors, gotPositions));
  EXPECT_EQ(gotFactors, std::vector<REAL>(std::begin(factors), std::end(factors)));
  EXPECT_EQ(gotPositions, std::vector<REAL>(std::begin(positions), std::end(positions)));

  Pen pen;
  ASSERT_TRUE(pen.CreatePen2(gradient, 1.0f, 0));
  EXPECT_EQ(pen.GetPenFillType(), Gdiplus::PenTypeLinearGradient);
  SolidBrush fill;
  ASSERT_TRUE(pen.GetPenBrushFill(fill));
  EXPECT_FALSE(fill.Empty());
  const REAL dashes[] = {2, 1, 3};
  ASSERT_TRUE(pen.SetPenDashArray(dashes, 3));
  std::vector<REAL> gotDashes;
  ASSERT_TRUE(pen.GetPenDashArray(gotDashes));
  EXPECT_EQ(gotDashes, std::vector<REAL>(std::begin(dashes), std::end(dashes)));
}

TEST(Drawing, PngWithAlphaFromBytes) {
  // Left half opaque green, right half half-transparent blue.
  Pixels picture{8, 4, {}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) picture.argb.push_back(x < 4 ? kGreen : 0x800000FFu);
  const auto png = testing::EncodePng(picture);
  ASSERT_FALSE(png.empty());

  Bitmap bitmap;
  ASSERT_TRUE(bitmap.CreateBitmapFromBytes(png));
  EXPECT_EQ(bitmap.GetImageWidth(), 8u);
  EXPECT_EQ(bitmap.GetImageHeight(), 4u);
  EXPECT_EQ(bitmap.GetImageRawFormat(), kPngFormat);
  EXPECT_TRUE(bitmap.GetImageFlags() & Gdiplus::ImageFlagsHasAlpha);

  Image image;
  ASSERT_TRUE(image.LoadImageFromBytes(png));
  Canvas canvas(16, 8, kWhite);
  ASSERT_TRUE(canvas.graphics.DrawImage(image, 0.0f, 0.0f));
  EXPECT_EQ(canvas.At(1, 1), kGreen);
  EXPECT_TRUE(Near(canvas.At(6, 1), 0xFF7F7FFF, 3)) << std::hex << canvas.At(6, 1);
  EXPECT_EQ(canvas.At(12, 6), kWhite);

  // Stretched over the whole canvas (short form), nearest neighbour.
  ASSERT_TRUE(canvas.graphics.SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor));
  ASSERT_TRUE(canvas.graphics.DrawImageRectRect(bitmap, 0, 0, 16, 8));
  EXPECT_EQ(canvas.At(6, 1), kGreen);  // was the blended blue, now the stretched green
  EXPECT_EQ(canvas.At(3, 6), kGreen);
  EXPECT_TRUE(Near(canvas.At(13, 6), 0xFF7F7FFF, 3)) << std::hex << canvas.At(13, 6);

  // Loading again replaces the picture and its stream.
  ASSERT_TRUE(image.LoadImageFromBytes(testing::EncodePng(Pattern(3, 2))));
  EXPECT_EQ(image.GetImageWidth(), 3u);
}

TEST(Transforms, AtMembersKeepTheCentreFixed) {
  for (auto order : {Gdiplus::MatrixOrderPrepend, Gdiplus::MatrixOrderAppend}) {
    Canvas canvas(4, 4);
    ASSERT_TRUE(canvas.graphics.RotateWorldTransformAt(90.0f, 10.0f, 20.0f, order));
    ASSERT_TRUE(canvas.graphics.ScaleWorldTransformAt(2.0f, 3.0f, 10.0f, 20.0f, order));
    PointF points[3] = {PointF(10, 20), PointF(11, 20), PointF(10, 21)};
    ASSERT_TRUE(canvas.graphics.TransformPoints(Gdiplus::CoordinateSpaceDevice, Gdiplus::CoordinateSpaceWorld, points, 3));
    EXPECT_NEAR(points[0].X, 10, 1e-3) << order;
    EXPECT_NEAR(points[0].Y, 20, 1e-3) << order;
    // Prepended, the scale acts first: one unit right becomes two, then turns down.
    // Appended, the turn comes first: one unit right turns down, then stretches to three.
    const REAL right = order == Gdiplus::MatrixOrderPrepend ? 2.0f : 3.0f;
    const REAL down = order == Gdiplus::MatrixOrderPrepend ? 3.0f : 2.0f;
    EXPECT_NEAR(points[1].X, 10, 1e-3) << order;
    EXPECT_NEAR(points[1].Y, 20 + right, 1e-3) << order;
    EXPECT_NEAR(points[2].X, 10 - down, 1e-3) << order;
    EXPECT_NEAR(points[2].Y, 20, 1e-3) << order;
  }
  // The brush and pen twins follow the same rule.
  Pen pen;
  ASSERT_TRUE(pen.CreatePen1(kRed, 1.0f, 0));
  ASSERT_TRUE(pen.RotatePenTransformAt(180.0f, 5.0f, 5.0f));
  LinearGradientBrush brush;
  ASSERT_TRUE(brush.CreateLineBrush(PointF(0, 0), PointF(1, 0), kRed, kBlue, 0));
  ASSERT_TRUE(brush.ScaleLineTransformAt(2.0f, 2.0f, 1.0f, 1.0f, Gdiplus::MatrixOrderAppend));
}

TEST(Ownership, DeletingTwiceReturnsTrueThenFalse) {
  struct Case {
    const char* name;
    std::function<bool(void)> run;
  };
  auto twice = [](GraphicsObject& object, bool created, auto erase) {
    if (!created || object.Empty()) return false;
    const bool first = erase();
    LastStatus = Gdiplus::Ok;
    const bool second = erase();
    return first && !second && object.Empty() && LastStatus == Gdiplus::Ok;  // no GDI+ call the second time
  };
  Bitmap target;
  ASSERT_TRUE(target.CreateBitmapFromScan0Default(2, 2));
  const Case cases[] = {
      {"Graphics", [&] { Graphics o; return twice(o, o.GetImageGraphicsContext(target), [&] { return o.DeleteGraphics(); }); }},
      {"GraphicsPath", [&] { GraphicsPath o; return twice(o, o.CreatePath(0), [&] { return o.DeletePath(); }); }},
      {"SolidBrush", [&] { SolidBrush o; return twice(o, o.CreateSolidFill(kRed), [&] { return o.DeleteBrush(); }); }},
      {"LinearGradientBrush", [&] { LinearGradientBrush o; return twice(o, o.CreateLineBrushI(Point(0, 0), Point(5, 5), kRed, kBlue, 0), [&] { return o.DeleteBrush(); }); }},
      {"PathGradientBrush", [&] { PathGradientBrush o; const PointF p[] = {PointF(0, 0), PointF(9, 0), PointF(0, 9)}; return twice(o, o.CreatePathGradient(p, 3, 0), [&] { return o.DeleteBrush(); }); }},
      {"Pen", [&] { Pen o; return twice(o, o.CreatePen1(kRed, 1.0f, 0), [&] { return o.DeletePen(); }); }},
      {"Font", [&] { Font o; return twice(o, o.CreateDefaultGuiFont(), [&] { return o.DeleteFont(); }); }},
      {"FontFamily", [&] { Font f; FontFamily o; return f.CreateDefaultGuiFont() && twice(o, f.GetFamily(o), [&] { return o.DeleteFontFamily(); }); }},
      {"StringFormat", [&] { StringFormat o; return twice(o, o.CreateStringFormat(0, 0), [&] { return o.DeleteStringFormat(); }); }},
      {"Image", [&] { Image o; return twice(o, o.CloneImage(target), [&] { return o.DisposeImage(); }); }},
      {"Bitmap", [&] { Bitmap o; return twice(o, o.CreateBitmapFromScan0Default(3, 3), [&] { return o.DisposeImage(); }); }},
      {"Region", [&] { Region o; return twice(o, o.CreateRegionRectI(Rect(0, 0, 4, 4)), [&] { return o.DeleteRegion(); }); }},
  };
  for (const Case& c : cases) EXPECT_TRUE(c.run()) << c.name;
}

TEST(Ownership, ShallowCopySharesWithoutOwning) {
  Pen original;
  ASSERT_TRUE(original.CreatePen1(kRed, 3.0f, 0));
  {
    Pen copy;
    copy.ShallowCopyFrom(original);
    EXPECT_EQ(copy.GetNative(), original.GetNative());
    EXPECT_FALSE(copy.OwnsNative());
    EXPECT_EQ(copy.GetPenWidth(), 3.0f);
  }  // the copy goes without deleting the shared pen
  EXPECT_EQ(original.GetPenWidth(), 3.0f);
  EXPECT_EQ(LastStatus, Gdiplus::Ok);
  EXPECT_TRUE(original.OwnsNative());

  // Loading into a shared image lets the shared one go without disposing it.
  Bitmap owner;
  ASSERT_TRUE(owner.CreateBitmapFromScan0Default(5, 5));
  Image sharer;
  sharer.ShallowCopyFrom(owner);
  ASSERT_TRUE(sharer.LoadImageFromBytes(testing::EncodePng(Pattern(2, 2))));
  EXPECT_EQ(sharer.GetImageWidth(), 2u);
  EXPECT_EQ(owner.GetImageWidth(), 5u);
  EXPECT_EQ(LastStatus, Gdiplus::Ok);

  // Detached, a handle is the caller's to delete.
  void* handle = original.Detach();
  EXPECT_TRUE(original.Empty());
  EXPECT_FALSE(original.DeletePen());
  EXPECT_EQ(g_flat.GdipDeletePen(static_cast<Gdiplus::GpPen*>(handle)), Gdiplus::Ok);
}

TEST(Ownership, MovesHandOverTheHandle) {
  std::vector<Pen> pens;
  for (int i = 1; i <= 3; ++i) {
    Pen pen;
    ASSERT_TRUE(pen.CreatePen1(kRed, static_cast<REAL>(i), 0));
    pens.push_back(std::move(pen));  // the vector grows by moving
    EXPECT_TRUE(pen.Empty());
    EXPECT_FALSE(pen.DeletePen());
  }
  for (int i = 0; i < 3; ++i) EXPECT_EQ(pens[i].GetPenWidth(), static_cast<REAL>(i + 1));

  // A picture loaded from bytes moves with the stream it reads from.
  Image first;
  ASSERT_TRUE(first.LoadImageFromBytes(testing::EncodePng(Pattern(4, 3))));
  Image second = std::move(first);
  EXPECT_TRUE(first.Empty());
  Canvas canvas(4, 3);
  ASSERT_TRUE(canvas.graphics.DrawImageI(second, 0, 0));
  EXPECT_EQ(canvas.At(1, 2), Pattern(4, 3).At(1, 2));
  Image third;
  ASSERT_TRUE(third.LoadImageFromBytes(testing::EncodePng(Pattern(2, 2))));
  third = std::move(second);  // the 2 x 2 picture is disposed
  EXPECT_EQ(third.GetImageWidth(), 4u);
}

TEST(Status, LastStatusFollowsEveryCall) {
  Image image;
  const BYTE garbage[] = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_FALSE(image.LoadImageFromBytes(garbage));
  EXPECT_NE(LastStatus, Gdiplus::Ok);
  EXPECT_TRUE(image.Empty());

  // A reader on an empty object yields 0 and the status GDI+ gave.
  EXPECT_EQ(image.GetImageWidth(), 0u);
  EXPECT_EQ(LastStatus, Gdiplus::InvalidParameter);

  Bitmap bitmap;
  ASSERT_TRUE(bitmap.CreateBitmapFromScan0Default(2, 2));
  EXPECT_EQ(LastStatus, Gdiplus::Ok);
  EXPECT_FALSE(bitmap.BitmapSetPixel(5, 5, kRed));  // outside the bitmap
  EXPECT_EQ(LastStatus, Gdiplus::InvalidParameter);
  EXPECT_EQ(bitmap.GetImageWidth(), 2u);
  EXPECT_EQ(LastStatus, Gdiplus::Ok);

  // A failed creation leaves the object empty.
  Bitmap none;
  EXPECT_FALSE(none.CreateBitmapFromScan0(0, 0, 0, PixelFormat32bppARGB, nullptr));
  EXPECT_TRUE(none.Empty());
}

TEST(MemoryStreams, HoldCopyAndAttach) {
  const BYTE bytes[] = {1, 2, 3};
  MemoryStream stream;
  ASSERT_TRUE(stream.CreateFromBytes(bytes, 6));
  EXPECT_EQ(stream.GetSize(), 6u);
  EXPECT_EQ(stream.ReadAllBytes(), (std::vector<BYTE>{1, 2, 3, 0, 0, 0}));
  ASSERT_NE(stream.GetHandle(), nullptr);

  // What a stream writes past the block's end is kept, and only that.
  ULONG written = 0;
  LARGE_INTEGER end{};
  end.QuadPart = 6;
  ASSERT_EQ(stream.GetStream()->Seek(end, STREAM_SEEK_SET, nullptr), S_OK);
  ASSERT_EQ(stream.GetStream()->Write("\x09\x08", 2, &written), S_OK);
  EXPECT_EQ(stream.ReadAllBytes(), (std::vector<BYTE>{1, 2, 3, 0, 0, 0, 9, 8}));

  // An empty stream grows as it is written and reads back just what was written.
  MemoryStream empty;
  ASSERT_TRUE(empty.CreateFromBytes({}));
  EXPECT_EQ(empty.GetSize(), 0u);
  EXPECT_TRUE(empty.ReadAllBytes().empty());
  ASSERT_EQ(empty.GetStream()->Write("abc", 3, &written), S_OK);
  EXPECT_EQ(empty.ReadAllBytes(), (std::vector<BYTE>{'a', 'b', 'c'}));

  // Its own stream: nothing changes.
  ASSERT_TRUE(stream.Attach(stream.GetStream()));
  EXPECT_EQ(stream.ReadAllBytes(), (std::vector<BYTE>{1, 2, 3, 0, 0, 0, 9, 8}));

  MemoryStream other;
  ASSERT_TRUE(other.Attach(stream.GetStream()));
  EXPECT_EQ(other.GetHandle(), stream.GetHandle());
  EXPECT_EQ(other.ReadAllBytes(), stream.ReadAllBytes());
  other.Release();
  EXPECT_EQ(stream.ReadAllBytes().size(), 8u);  // the block stayed the first stream's
  EXPECT_FALSE(other.Attach(nullptr));
  stream.Release();
  EXPECT_EQ(stream.GetStream(), nullptr);
  EXPECT_TRUE(stream.ReadAllBytes().empty());
}

TEST(Conversions, GdiBitmapsAndIconsRoundTrip) {
  Canvas canvas(16, 16, kGreen);
  SolidBrush red;
  ASSERT_TRUE(red.CreateSolidFill(kRed));
  ASSERT_TRUE(canvas.graphics.FillRectangleI(red, 0, 0, 8, 16));
  canvas.graphics.Flush(Gdiplus::FlushIntentionSync);

  HBITMAP gdi = canvas.bitmap.CreateHBITMAPFromBitmap(kWhite);
  ASSERT_NE(gdi, nullptr);
  Bitmap back;
  ASSERT_TRUE(back.CreateBitmapFromHBITMAP(gdi, nullptr));
  DeleteObject(gdi);
  EXPECT_EQ(back.GetImageWidth(), 16u);
  EXPECT_EQ(back.BitmapGetPixel(2, 2) | 0xFF000000, kRed);
  EXPECT_EQ(back.BitmapGetPixel(12, 2) | 0xFF000000, kGreen);

  HICON icon = canvas.bitmap.CreateHICONFromBitmap();
  ASSERT_NE(icon, nullptr);
  Bitmap fromIcon;
  ASSERT_TRUE(fromIcon.CreateBitmapFromHICON(icon));
  DestroyIcon(icon);
  EXPECT_EQ(fromIcon.GetImageWidth(), 16u);
  EXPECT_EQ(fromIcon.GetImageHeight(), 16u);
  EXPECT_EQ(fromIcon.BitmapGetPixel(2, 2), kRed);
  EXPECT_EQ(fromIcon.BitmapGetPixel(12, 2), kGreen);

  // A cut-out keeps the pixels of its area.
  Bitmap area;
  ASSERT_TRUE(area.CloneBitmapAreaI(6, 0, 4, 4, PixelFormat32bppARGB, canvas.bitmap));
  EXPECT_EQ(area.GetImageWidth(), 4u);
  EXPECT_EQ(area.BitmapGetPixel(1, 1), kRed);
  EXPECT_EQ(area.BitmapGetPixel(3, 1), kGreen);
}

TEST(Brushes, PathGradientColoursComeBack) {
  const PointF triangle[] = {PointF(0, 0), PointF(30, 0), PointF(0, 30)};
  PathGradientBrush brush;
  ASSERT_TRUE(brush.CreatePathGradient(triangle, 3, Gdiplus::WrapModeClamp));
  ASSERT_TRUE(brush.SetPathGradientCenterColor(kRed));
  EXPECT_EQ(brush.GetPathGradientCenterColor(), kRed);
  EXPECT_EQ(brush.GetPathGradientPointCount(), 3);
  const ARGB surround[] = {kGreen, kBlue, kWhite};
  INT count = 3;
  ASSERT_TRUE(brush.SetPathGradientSurroundColorsWithCount(surround, count));
  std::vector<ARGB> colors;
  ASSERT_TRUE(brush.GetPathGradientSurroundColorsWithCount(colors));
  EXPECT_EQ(colors, std::vector<ARGB>(std::begin(surround), std::end(surround)));
  PointF centre;
  ASSERT_TRUE(brush.GetPathGradientCenterPoint(centre));
  EXPECT_NEAR(centre.X, 10, 0.01);
  EXPECT_NEAR(centre.Y, 10, 0.01);

  // Painting with it: the corners take their surround colours.
  Canvas canvas(31, 31);
  ASSERT_TRUE(canvas.graphics.FillRectangleI(brush, 0, 0, 31, 31));
  EXPECT_TRUE(Near(canvas.At(1, 1), kGreen, 40)) << std::hex << canvas.At(1, 1);

  StringFormat format;
  ASSERT_TRUE(format.StringFormatGetGenericDefault());
  const REAL stops[] = {10, 20, 40};
  ASSERT_TRUE(format.SetStringFormatTabStops(5.0f, 3, stops));
  REAL first = 0;
  std::vector<REAL> gotStops;
  ASSERT_TRUE(format.GetStringFormatTabStops(first, gotStops));
  EXPECT_EQ(first, 5.0f);
  EXPECT_EQ(gotStops, std::vector<REAL>(std::begin(stops), std::end(stops)));
}

TEST(Regions, CombineScanAndClip) {
  Region region;
  ASSERT_TRUE(region.CreateRegionRectI(Rect(0, 0, 10, 10)));
  ASSERT_TRUE(region.CombineRegionRectI(Rect(20, 0, 5, 5), Gdiplus::CombineModeUnion));
  Gdiplus::GpMatrix* identity = nullptr;
  ASSERT_EQ(g_flat.GdipCreateMatrix(&identity), Gdiplus::Ok);
  std::vector<Rect> scans;
  ASSERT_TRUE(region.GetRegionScansI(scans, identity));
  EXPECT_EQ(scans.size(), region.GetRegionScansCount(identity));
  EXPECT_GE(scans.size(), 2u);
  std::vector<RectF> floatScans;
  ASSERT_TRUE(region.GetRegionScans(floatScans, identity));
  EXPECT_EQ(floatScans.size(), scans.size());
  g_flat.GdipDeleteMatrix(identity);
  std::vector<BYTE> data;
  ASSERT_TRUE(region.GetRegionData(data));
  EXPECT_EQ(data.size(), region.GetRegionDataSize());

  Canvas canvas(30, 12);
  EXPECT_TRUE(region.IsVisibleRegionPointI(22, 2, canvas.graphics));
  EXPECT_FALSE(region.IsVisibleRegionPointI(15, 2, canvas.graphics));
  ASSERT_TRUE(canvas.graphics.SetClipRegion(region, Gdiplus::CombineModeReplace));
  SolidBrush red;
  ASSERT_TRUE(red.CreateSolidFill(kRed));
  ASSERT_TRUE(canvas.graphics.FillRectangleI(red, 0, 0, 30, 12));
  EXPECT_EQ(canvas.At(5, 5), kRed);
  EXPECT_EQ(canvas.At(15, 5), 0u);
  Region clip;
  ASSERT_TRUE(clip.CreateRegion());
  ASSERT_TRUE(canvas.graphics.GetClip(clip));
  EXPECT_TRUE(clip.IsEqualRegion(region, canvas.graphics));
}

}  // namespace
}  // namespace ornivex::gfx
