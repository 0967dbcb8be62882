#include "gfx/region.h"

namespace ornivex::gfx {

bool Region::GetRegionData(std::vector<BYTE>& data) {
  auto* region = Handle<Gdiplus::GpRegion*>();
  return detail::FetchArray<UINT>(data, [&](UINT* n) { return g_flat.GdipGetRegionDataSize(region, n); },
                                  [&](BYTE* block, INT n) { return g_flat.GdipGetRegionData(region, block, n, nullptr); });
}

template <class T, class Fn>
static bool FetchScans(Gdiplus::GpRegion* region, Gdiplus::GpMatrix* matrix, std::vector<T>& rects, Fn fetch) {
  return detail::FetchArray<UINT>(rects, [&](UINT* n) { return g_flat.GdipGetRegionScansCount(region, n, matrix); },
                                  [&](T* data, INT n) { return fetch(region, data, &n, matrix); });
}

bool Region::GetRegionScans(std::vector<RectF>& rects, Gdiplus::GpMatrix* matrix) {
  return FetchScans(Handle<Gdiplus::GpRegion*>(), matrix, rects, g_flat.GdipGetRegionScans);
}

bool Region::GetRegionScansI(std::vector<Rect>& rects, Gdiplus::GpMatrix* matrix) {
  return FetchScans(Handle<Gdiplus::GpRegion*>(), matrix, rects, g_flat.GdipGetRegionScansI);
}

}  // namespace ornivex::gfx
