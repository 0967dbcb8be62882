#include "gfx/pen.h"

#include "gfx/brush.h"

namespace ornivex::gfx {

bool Pen::GetPenBrushFill(Brush& brush) {
  Gdiplus::GpBrush* handle = nullptr;
  const bool ok = Act(g_flat.GdipGetPenBrushFill, handle);
  brush.SetNative(handle, Ownership::Take);  // a copy of the pen's brush
  return ok;
}

bool Pen::GetPenDashArray(std::vector<REAL>& dashes) {
  auto* pen = Handle<Gdiplus::GpPen*>();
  return detail::FetchArray(dashes, [&](INT* n) { return g_flat.GdipGetPenDashCount(pen, n); },
                    [&](REAL* data, INT n) { return g_flat.GdipGetPenDashArray(pen, data, n); });
}

bool Pen::GetPenCompoundArray(std::vector<REAL>& compounds) {
  auto* pen = Handle<Gdiplus::GpPen*>();
  return detail::FetchArray(compounds, [&](INT* n) { return g_flat.GdipGetPenCompoundCount(pen, n); },
                    [&](REAL* data, INT n) { return g_flat.GdipGetPenCompoundArray(pen, data, n); });
}

}  // namespace ornivex::gfx
