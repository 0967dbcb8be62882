#pragma once
// A GDI+ path: figures of lines, curves, shapes and text.
#include "gfx/object.h"

#include <string_view>
#include <vector>

namespace ornivex::gfx {

class FontFamily;
class StringFormat;

class GraphicsPath : public GraphicsObject {
 public:
  using NativeType = Gdiplus::GpPath;

  GFX_DELETER(GraphicsPath, DeletePath)

  GFX_NEW(CreatePath)    // (fill mode)
  GFX_NEW(CreatePath2)   // (points, types, count, fill mode)
  GFX_NEW(CreatePath2I)
  GFX_NEW(ClonePath)     // (source path): this object becomes the copy
  GFX_ACT(ResetPath)
  GFX_GET(GetPathFillMode)
  GFX_ACT(SetPathFillMode)
  // Points and point types of the whole path. With no points the arrays are empty,
  // nothing is allocated and the result is false.
  bool GetPathData(std::vector<PointF>& points, std::vector<BYTE>& types);
  bool GetPathTypes(std::vector<BYTE>& types);
  bool GetPathPoints(std::vector<PointF>& points);
  bool GetPathPointsI(std::vector<Point>& points);
  GFX_ACT(StartPathFigure)
  GFX_ACT(ClosePathFigure)
  GFX_ACT(ClosePathFigures)
  GFX_ACT(SetPathMarker)
  GFX_ACT(ClearPathMarkers)
  GFX_ACT(ReversePath)
  GFX_ACT(GetPathLastPoint)
  GFX_ACT(AddPathLine)
  GFX_ACT(AddPathLineI)
  GFX_ACT(AddPathLine2)
  GFX_ACT(AddPathLine2I)
  GFX_ACT(AddPathArc)
  GFX_ACT(AddPathArcI)
  GFX_ACT(AddPathBezier)
  GFX_ACT(AddPathBezierI)
  GFX_ACT(AddPathBeziers)
  GFX_ACT(AddPathBeziersI)
  GFX_ACT(AddPathCurve)
  GFX_ACT(AddPathCurveI)
  GFX_ACT(AddPathCurve2)
  GFX_ACT(AddPathCurve2I)
  GFX_ACT(AddPathCurve3)
  GFX_ACT(AddPathCurve3I)
  GFX_ACT(AddPathClosedCurve)
  GFX_ACT(AddPathClosedCurveI)
  GFX_ACT(AddPathClosedCurve2)
  GFX_ACT(AddPathClosedCurve2I)
  GFX_ACT(AddPathRectangle)
  // A rectangle with round corners: four quarter arcs whose bounding square has
  // side `corner` (kept within 1..100), then the figure closed.
  bool AddPathRoundRect(REAL x, REAL y, REAL width, REAL height, REAL corner);
  GFX_ACT(AddPathRectangles)
  GFX_ACT(AddPathRectangleI)
  GFX_ACT(AddPathRectanglesI)
  GFX_ACT(AddPathEllipse)
  GFX_ACT(AddPathEllipseI)
  GFX_ACT(AddPathPie)
  GFX_ACT(AddPathPieI)
  GFX_ACT(AddPathPolygon)
  GFX_ACT(AddPathPolygonI)
  GFX_ACT(AddPathPath)  // (other path, connect)
  // Text outlines; the text is the program's GBK, the W forms take UTF-16 bytes.
  bool AddPathString(std::string_view text, const FontFamily& family, INT style, REAL emSize, const RectF& layout,
                     const StringFormat* format);
  bool AddPathStringW(std::string_view utf16, const FontFamily& family, INT style, REAL emSize,
                      const RectF& layout, const StringFormat* format);
  bool AddPathStringI(std::string_view text, const FontFamily& family, INT style, REAL emSize, const Rect& layout,
                      const StringFormat* format);
  bool AddPathStringIW(std::string_view utf16, const FontFamily& family, INT style, REAL emSize,
                       const Rect& layout, const StringFormat* format);
  GFX_ACT(TransformPath)
  GFX_ACT(GetPathWorldBounds)
  GFX_ACT(GetPathWorldBoundsI)
  GFX_ACT(FlattenPath)
  GFX_ACT(WidenPath)
  GFX_ACT(WindingModeOutline)
  GFX_ACT(WarpPath)
  GFX_GET(GetPointCount)
  GFX_GET(IsVisiblePathPoint)
  GFX_GET(IsVisiblePathPointI)
  GFX_GET(IsOutlineVisiblePathPoint)
  GFX_GET(IsOutlineVisiblePathPointI)

 private:
  template <class Fn, class Layout>
  bool AddStringWide(Fn fn, const std::wstring& text, const FontFamily& family, INT style, REAL emSize,
                     const Layout& layout, const StringFormat* format);
  template <class T>
  bool FetchPoints(std::vector<T>& out, GpStatus(WINGDIPAPI* fetch)(Gdiplus::GpPath*, T*, INT));
};

}  // namespace ornivex::gfx
