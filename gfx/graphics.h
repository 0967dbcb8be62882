#pragma once
// A GDI+ drawing surface: a window, a device context or an image.
#include "gfx/object.h"

#include <string_view>
#include <vector>

namespace ornivex::gfx {

class Brush;
class Font;
class Image;
class Region;
class StringFormat;

class Graphics : public GraphicsObject {
 public:
  using NativeType = Gdiplus::GpGraphics;

  GFX_DELETER(Graphics, DeleteGraphics)

  GFX_ACT(Flush)
  // On a window; `icm` selects colour management.
  bool CreateFromHWND(HWND window, bool icm = false);
  // On a device context; `withDevice` selects the form that also takes a device handle.
  bool CreateFromHDC(HDC dc, bool withDevice = false, HANDLE device = nullptr);
  GFX_NEW(GetImageGraphicsContext)  // (image)
  GFX_GET(GetDC)
  GFX_ACT(ReleaseDC)
  GFX_ACT(GetRenderingOrigin)
  GFX_ACT(SetRenderingOrigin)
  GFX_GET(GetCompositingMode)
  GFX_ACT(SetCompositingMode)
  GFX_GET(GetCompositingQuality)
  GFX_ACT(SetCompositingQuality)
  GFX_ACT(SetTextRenderingHint)
  GFX_GET(GetTextRenderingHint)
  GFX_ACT(SetTextContrast)
  GFX_GET(GetTextContrast)
  GFX_ACT(SetInterpolationMode)
  GFX_GET(GetInterpolationMode)
  GFX_ACT(SetSmoothingMode)
  GFX_GET(GetSmoothingMode)
  GFX_ACT(SetPixelOffsetMode)
  GFX_GET(GetPixelOffsetMode)
  GFX_TRANSFORM(World)  // the world transform members (gfx/object.h)
  GFX_ACT(SetPageUnit)
  GFX_GET(GetPageUnit)
  GFX_ACT(SetPageScale)
  GFX_GET(GetPageScale)
  GFX_GET(GetDpiX)
  GFX_GET(GetDpiY)
  GFX_ACT(TransformPoints)
  GFX_ACT(TransformPointsI)
  GFX_ACT(GetNearestColor)

  GFX_ACT(DrawLine)
  GFX_ACT(DrawLineI)
  GFX_ACT(DrawLines)
  GFX_ACT(DrawLinesI)
  GFX_ACT(DrawArc)
  GFX_ACT(DrawArcI)
  GFX_ACT(DrawBezier)
  GFX_ACT(DrawBezierI)
  GFX_ACT(DrawBeziers)
  GFX_ACT(DrawBeziersI)
  GFX_ACT(DrawRectangle)
  GFX_ACT(DrawRectangleI)
  GFX_ACT(DrawRectangles)
  GFX_ACT(DrawRectanglesI)
  GFX_ACT(DrawEllipse)
  GFX_ACT(DrawEllipseI)
  GFX_ACT(DrawPie)
  GFX_ACT(DrawPieI)
  GFX_ACT(DrawPolygon)
  GFX_ACT(DrawPolygonI)
  GFX_ACT(DrawPath)
  GFX_ACT(DrawCurve)
  GFX_ACT(DrawCurveI)
  GFX_ACT(DrawCurve2)
  GFX_ACT(DrawCurve2I)
  GFX_ACT(DrawCurve3)
  GFX_ACT(DrawCurve3I)
  GFX_ACT(DrawClosedCurve)
  GFX_ACT(DrawClosedCurveI)
  GFX_ACT(DrawClosedCurve2)
  GFX_ACT(DrawClosedCurve2I)
  GFX_ACT(GraphicsClear)
  GFX_ACT(FillRectangle)
  bool FillRectangleRect(const Brush& brush, const RectF& rect);
  GFX_ACT(FillRectangleI)
  GFX_ACT(FillRectangles)
  GFX_ACT(FillRectanglesI)
  GFX_ACT(FillPolygon)
  GFX_ACT(FillPolygonI)
  GFX_ACT(FillEllipse)
  GFX_ACT(FillEllipseI)
  GFX_ACT(FillPie)
  GFX_ACT(FillPieI)
  GFX_ACT(FillPath)
  GFX_ACT(FillClosedCurve)
  GFX_ACT(FillClosedCurve2)
  GFX_ACT(FillClosedCurveI)
  GFX_ACT(FillClosedCurve2I)
  GFX_ACT(FillRegion)

  // Text in the program's code page (GBK); the W forms take UTF-16 bytes. Font,
  // format and brush may be absent (null) where GDI+ allows it.
  bool DrawString(std::string_view text, const Font& font, const RectF& layout, const StringFormat* format,
                  const Brush& brush);
  bool DrawStringW(std::string_view utf16, const Font& font, const RectF& layout, const StringFormat* format,
                   const Brush& brush);
  // Fills `bounds` with the box the text needs inside `layout`.
  bool MeasureString(std::string_view text, const Font& font, const RectF& layout, const StringFormat* format,
                     RectF& bounds);
  bool MeasureStringW(std::string_view utf16, const Font& font, const RectF& layout, const StringFormat* format,
                      RectF& bounds);
  // One region per measurable character range of `format`, in `regions`.
  bool MeasureCharacterRanges(std::string_view text, const Font& font, const RectF& layout,
                              const StringFormat& format, std::vector<Region>& regions);
  bool MeasureCharacterRangesW(std::string_view utf16, const Font& font, const RectF& layout,
                               const StringFormat& format, std::vector<Region>& regions);
  // Glyphs at given positions (one PointF per character, or one for the origin,
  // as `flags` says); `matrix` is optional.
  bool DrawDriverString(std::string_view text, const Font& font, const Brush& brush, const PointF* positions,
                        INT flags, Gdiplus::GpMatrix* matrix = nullptr);
  bool DrawDriverStringW(std::string_view utf16, const Font& font, const Brush& brush,
                         const PointF* positions, INT flags, Gdiplus::GpMatrix* matrix = nullptr);

  GFX_ACT(DrawImage)
  GFX_ACT(DrawImageI)
  GFX_ACT(DrawCachedBitmap)
  // Short form: the whole image stretched into a destination rectangle.
  bool DrawImageRectRect(const Image& image, REAL x, REAL y, REAL width, REAL height);
  bool DrawImageRectRectI(const Image& image, INT x, INT y, INT width, INT height);
  GFX_ACT(DrawImagePoints)
  GFX_ACT(DrawImagePointsI)
  GFX_ACT(DrawImagePointRect)
  GFX_ACT(DrawImagePointRectI)
  // Full form: (image, destination rectangle, source rectangle, unit, attributes,
  // abort callback, callback data).
  template <class... A>
    requires(sizeof...(A) > 4)
  bool DrawImageRectRect(const Image& image, A&&... a) {
    return Act(g_flat.GdipDrawImageRectRect, image, std::forward<A>(a)...);
  }
  template <class... A>
    requires(sizeof...(A) > 4)
  bool DrawImageRectRectI(const Image& image, A&&... a) {
    return Act(g_flat.GdipDrawImageRectRectI, image, std::forward<A>(a)...);
  }
  GFX_ACT(DrawImagePointsRect)
  GFX_ACT(DrawImagePointsRectI)
  GFX_ACT(EnumerateMetafileDestPoint)
  GFX_ACT(EnumerateMetafileDestPointI)
  GFX_ACT(EnumerateMetafileDestRect)
  GFX_ACT(EnumerateMetafileDestRectI)
  GFX_ACT(EnumerateMetafileDestPoints)
  GFX_ACT(EnumerateMetafileDestPointsI)
  GFX_ACT(EnumerateMetafileSrcRectDestPoint)
  GFX_ACT(EnumerateMetafileSrcRectDestPointI)
  GFX_ACT(EnumerateMetafileSrcRectDestRect)
  GFX_ACT(EnumerateMetafileSrcRectDestRectI)
  GFX_ACT(EnumerateMetafileSrcRectDestPoints)
  GFX_ACT(EnumerateMetafileSrcRectDestPointsI)

  GFX_ACT(SetClipGraphics)
  GFX_ACT(SetClipPath)
  GFX_ACT(SetClipRect)
  GFX_ACT(SetClipRectI)
  GFX_ACT(SetClipRegion)
  GFX_ACT(SetClipHrgn)
  GFX_ACT(ResetClip)
  GFX_ACT(TranslateClip)
  GFX_ACT(TranslateClipI)
  GFX_ACT(GetClip)  // (region to fill)
  GFX_ACT(GetClipBounds)
  GFX_ACT(GetClipBoundsI)
  GFX_ACT(GetVisibleClipBounds)
  GFX_ACT(GetVisibleClipBoundsI)
  GFX_GET(IsClipEmpty)
  GFX_GET(IsVisibleClipEmpty)
  GFX_GET(IsVisiblePoint)
  GFX_GET(IsVisiblePointI)
  GFX_GET(IsVisibleRect)
  GFX_GET(IsVisibleRectI)
  GFX_ACT(SaveGraphics)
  GFX_ACT(RestoreGraphics)
  GFX_ACT(BeginContainer)
  GFX_ACT(BeginContainerI)
  GFX_ACT(BeginContainer2)
  GFX_ACT(EndContainer)
  GFX_ACT(Comment)

 private:
  bool DrawWide(const std::wstring& text, const Font& font, const RectF& layout, const StringFormat* format,
                const Brush& brush);
  bool MeasureWide(const std::wstring& text, const Font& font, const RectF& layout, const StringFormat* format,
                   RectF& bounds);
  bool MeasureRangesWide(const std::wstring& text, const Font& font, const RectF& layout, const StringFormat& format,
                         std::vector<Region>& regions);
  bool DrawDriverWide(const std::wstring& text, const Font& font, const Brush& brush,
                      const PointF* positions, INT flags, Gdiplus::GpMatrix* matrix);
};

}  // namespace ornivex::gfx
