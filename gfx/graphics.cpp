#include "gfx/graphics.h"

#include "gfx/brush.h"
#include "gfx/font.h"
#include "gfx/image.h"
#include "gfx/region.h"

namespace ornivex::gfx {

namespace {

INT Length(const std::wstring& text) { return static_cast<INT>(text.size()); }

}  // namespace

bool Graphics::CreateFromHWND(HWND window, bool icm) {
  return icm ? New(g_flat.GdipCreateFromHWNDICM, window) : New(g_flat.GdipCreateFromHWND, window);
}

bool Graphics::CreateFromHDC(HDC dc, bool withDevice, HANDLE device) {
  return withDevice ? New(g_flat.GdipCreateFromHDC2, dc, device) : New(g_flat.GdipCreateFromHDC, dc);
}

bool Graphics::FillRectangleRect(const Brush& brush, const RectF& rect) {
  return FillRectangle(brush, rect.X, rect.Y, rect.Width, rect.Height);
}

bool Graphics::DrawWide(const std::wstring& text, const Font& font, const RectF& layout,
                        const StringFormat* format, const Brush& brush) {
  return Act(g_flat.GdipDrawString, text.c_str(), Length(text), font, layout, format, brush);
}

bool Graphics::DrawString(std::string_view text, const Font& font, const RectF& layout, const StringFormat* format,
                          const Brush& brush) {
  return DrawWide(TextToWide(text), font, layout, format, brush);
}

bool Graphics::DrawStringW(std::string_view utf16, const Font& font, const RectF& layout, const StringFormat* format,
                           const Brush& brush) {
  return DrawWide(BytesToWide(utf16), font, layout, format, brush);
}

bool Graphics::MeasureWide(const std::wstring& text, const Font& font, const RectF& layout,
                           const StringFormat* format, RectF& bounds) {
  RectF result;
  // The counts of fitted characters and lines are not asked for.
  if (!Act(g_flat.GdipMeasureString, text.c_str(), Length(text), font, layout, format, result, nullptr, nullptr)) {
    return false;
  }
  bounds = result;
  return true;
}

bool Graphics::MeasureString(std::string_view text, const Font& font, const RectF& layout,
                             const StringFormat* format, RectF& bounds) {
  return MeasureWide(TextToWide(text), font, layout, format, bounds);
}

bool Graphics::MeasureStringW(std::string_view utf16, const Font& font, const RectF& layout,
                              const StringFormat* format, RectF& bounds) {
  return MeasureWide(BytesToWide(utf16), font, layout, format, bounds);
}

bool Graphics::MeasureRangesWide(const std::wstring& text, const Font& font, const RectF& layout,
                                 const StringFormat& format, std::vector<Region>& regions) {
  std::vector<Region> made(const_cast<StringFormat&>(format).GetStringFormatMeasurableCharacterRangeCount());
  if (LastStatus != Gdiplus::Ok) return false;
  std::vector<Gdiplus::GpRegion*> handles;
  for (Region& region : made) {
    if (!region.CreateRegion()) return false;
    handles.push_back(static_cast<Gdiplus::GpRegion*>(region.GetNative()));
  }
  if (!Act(g_flat.GdipMeasureCharacterRanges, text.c_str(), Length(text), font, layout, format,
           static_cast<INT>(handles.size()), handles.data())) {
    return false;
  }
  regions.swap(made);
  return true;
}

bool Graphics::MeasureCharacterRanges(std::string_view text, const Font& font, const RectF& layout,
                                      const StringFormat& format, std::vector<Region>& regions) {
  return MeasureRangesWide(TextToWide(text), font, layout, format, regions);
}

bool Graphics::MeasureCharacterRangesW(std::string_view utf16, const Font& font, const RectF& layout,
                                       const StringFormat& format, std::vector<Region>& regions) {
  return MeasureRangesWide(BytesToWide(utf16), font, layout, format, regions);
}

bool Graphics::DrawDriverWide(const std::wstring& text, const Font& font, const Brush& brush,
                              const PointF* positions, INT flags, Gdiplus::GpMatrix* matrix) {
  return Act(g_flat.GdipDrawDriverString, reinterpret_cast<const UINT16*>(text.c_str()), Length(text), font, brush,
             positions, flags, matrix);
}

bool Graphics::DrawDriverString(std::string_view text, const Font& font, const Brush& brush,
                                const PointF* positions, INT flags, Gdiplus::GpMatrix* matrix) {
  return DrawDriverWide(TextToWide(text), font, brush, positions, flags, matrix);
}

bool Graphics::DrawDriverStringW(std::string_view utf16, const Font& font, const Brush& brush,
                                 const PointF* positions, INT flags, Gdiplus::GpMatrix* matrix) {
  return DrawDriverWide(BytesToWide(utf16), font, brush, positions, flags, matrix);
}

bool Graphics::DrawImageRectRect(const Image& image, REAL x, REAL y, REAL width, REAL height) {
  return Act(g_flat.GdipDrawImageRect, image, x, y, width, height);
}

bool Graphics::DrawImageRectRectI(const Image& image, INT x, INT y, INT width, INT height) {
  return Act(g_flat.GdipDrawImageRectI, image, x, y, width, height);
}

}  // namespace ornivex::gfx
