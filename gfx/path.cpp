#include "gfx/path.h"

#include <algorithm>
#include <cstring>

#include "gfx/font.h"

namespace ornivex::gfx {

bool GraphicsPath::GetPathData(std::vector<PointF>& points, std::vector<BYTE>& types) {
  const INT n = GetPointCount();
  const GpStatus countStatus = LastStatus;
  points.assign(static_cast<std::size_t>(std::max(n, 0)), PointF());
  types.assign(points.size(), 0);
  if (countStatus != Gdiplus::Ok || n <= 0) return false;
  // GDI+ fills blocks from its own heap; both are freed whatever happens.
  auto* pointBlock = static_cast<PointF*>(Alloc(sizeof(PointF) * n));
  auto* typeBlock = static_cast<BYTE*>(Alloc(static_cast<std::size_t>(n)));
  bool ok = false;
  if (pointBlock && typeBlock) {
    // The PathData record: count, points, types.
    struct {
      INT count;
      PointF* points;
      BYTE* types;
    } data{n, pointBlock, typeBlock};
    ok = Act(g_flat.GdipGetPathData, reinterpret_cast<Gdiplus::GpPathData*>(&data));
    if (ok) {
      std::copy(pointBlock, pointBlock + n, points.begin());
      std::memcpy(types.data(), typeBlock, static_cast<std::size_t>(n));
    }
  } else {
    StoreStatus(Gdiplus::OutOfMemory);
  }
  Free(pointBlock);
  Free(typeBlock);
  return ok;
}

template <class T>
bool GraphicsPath::FetchPoints(std::vector<T>& out, GpStatus(WINGDIPAPI* fetch)(Gdiplus::GpPath*, T*, INT)) {
  auto* path = Handle<Gdiplus::GpPath*>();
  return detail::FetchArray(out, [&](INT* n) { return g_flat.GdipGetPointCount(path, n); },
                    [&](T* data, INT n) { return fetch(path, data, n); });
}

bool GraphicsPath::GetPathTypes(std::vector<BYTE>& types) { return FetchPoints(types, g_flat.GdipGetPathTypes); }
bool GraphicsPath::GetPathPoints(std::vector<PointF>& points) { return FetchPoints(points, g_flat.GdipGetPathPoints); }
bool GraphicsPath::GetPathPointsI(std::vector<Point>& points) { return FetchPoints(points, g_flat.GdipGetPathPointsI); }

bool GraphicsPath::AddPathRoundRect(REAL x, REAL y, REAL width, REAL height, REAL corner) {
  const REAL d = std::clamp(corner, 1.0f, 100.0f);
  return AddPathArc(x, y, d, d, 180.0f, 90.0f) && AddPathArc(x + width - d, y, d, d, 270.0f, 90.0f) &&
         AddPathArc(x + width - d, y + height - d, d, d, 0.0f, 90.0f) &&
         AddPathArc(x, y + height - d, d, d, 90.0f, 90.0f) && ClosePathFigure();
}

template <class Fn, class Layout>
bool GraphicsPath::AddStringWide(Fn fn, const std::wstring& text, const FontFamily& family, INT style, REAL emSize,
                                 const Layout& layout, const StringFormat* format) {
  return Act(fn, text.c_str(), static_cast<INT>(text.size()), family, style, emSize, layout, format);
}

bool GraphicsPath::AddPathString(std::string_view text, const FontFamily& family, INT style, REAL emSize,
                                 const RectF& layout, const StringFormat* format) {
  return AddStringWide(g_flat.GdipAddPathString, TextToWide(text), family, style, emSize, layout, format);
}

bool GraphicsPath::AddPathStringW(std::string_view utf16, const FontFamily& family, INT style, REAL emSize,
                                  const RectF& layout, const StringFormat* format) {
  return AddStringWide(g_flat.GdipAddPathString, BytesToWide(utf16), family, style, emSize, layout, format);
}

bool GraphicsPath::AddPathStringI(std::string_view text, const FontFamily& family, INT style, REAL emSize,
                                  const Rect& layout, const StringFormat* format) {
  return AddStringWide(g_flat.GdipAddPathStringI, TextToWide(text), family, style, emSize, layout, format);
}

bool GraphicsPath::AddPathStringIW(std::string_view utf16, const FontFamily& family, INT style, REAL emSize,
                                   const Rect& layout, const StringFormat* format) {
  return AddStringWide(g_flat.GdipAddPathStringI, BytesToWide(utf16), family, style, emSize, layout, format);
}

}  // namespace ornivex::gfx
