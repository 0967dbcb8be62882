#include "gfx/brush.h"

namespace ornivex::gfx {

bool PathGradientBrush::GetPathGradientSurroundColorsWithCount(std::vector<ARGB>& colors) {
  auto* brush = Handle<Gdiplus::GpPathGradient*>();
  return detail::FetchArray(colors, [&](INT* n) { return g_flat.GdipGetPathGradientSurroundColorCount(brush, n); },
                    [&](ARGB* data, INT n) { return g_flat.GdipGetPathGradientSurroundColorsWithCount(brush, data, &n); });
}

}  // namespace ornivex::gfx
