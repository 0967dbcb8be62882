#pragma once
// A GDI+ region.
#include "gfx/object.h"

#include <vector>

namespace ornivex::gfx {

class Region : public GraphicsObject {
 public:
  using NativeType = Gdiplus::GpRegion;

  GFX_DELETER(Region, DeleteRegion)

  GFX_NEW(CreateRegion)
  GFX_NEW(CreateRegionRect)
  GFX_NEW(CreateRegionRectI)
  GFX_NEW(CreateRegionPath)
  GFX_NEW(CreateRegionHrgn)
  GFX_NEW(CreateRegionRgnData)
  GFX_NEW(CloneRegion)  // (source region)
  GFX_ACT(SetInfinite)
  GFX_ACT(SetEmpty)
  GFX_ACT(CombineRegionRect)
  GFX_ACT(CombineRegionRectI)
  GFX_ACT(CombineRegionRegion)
  GFX_ACT(CombineRegionPath)
  GFX_ACT(TranslateRegion)
  GFX_ACT(TranslateRegionI)
  GFX_ACT(TransformRegion)
  GFX_ACT(GetRegionBounds)   // (graphics, RectF to fill)
  GFX_ACT(GetRegionBoundsI)
  GFX_GET(GetRegionDataSize)
  bool GetRegionData(std::vector<BYTE>& data);
  GFX_GET(GetRegionHRgn)      // (graphics)
  GFX_GET(IsEmptyRegion)      // (graphics)
  GFX_GET(IsInfiniteRegion)   // (graphics)
  GFX_GET(IsEqualRegion)      // (other region, graphics)
  GFX_GET(IsVisibleRegionPoint)
  GFX_GET(IsVisibleRegionPointI)
  GFX_GET(IsVisibleRegionRect)
  GFX_GET(IsVisibleRegionRectI)
  UINT GetRegionScansCount(Gdiplus::GpMatrix* matrix) {
    UINT count = 0;
    Act(g_flat.GdipGetRegionScansCount, count, matrix);
    return count;
  }
  bool GetRegionScans(std::vector<RectF>& rects, Gdiplus::GpMatrix* matrix);
  bool GetRegionScansI(std::vector<Rect>& rects, Gdiplus::GpMatrix* matrix);
};

}  // namespace ornivex::gfx
