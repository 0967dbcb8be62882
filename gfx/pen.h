#pragma once
// A GDI+ pen.
#include "gfx/object.h"

#include <vector>

namespace ornivex::gfx {

class Brush;

class Pen : public GraphicsObject {
 public:
  using NativeType = Gdiplus::GpPen;

  GFX_DELETER(Pen, DeletePen)

  GFX_NEW(CreatePen1)  // (ARGB, width, unit)
  GFX_NEW(CreatePen2)  // (brush, width, unit)
  GFX_NEW(ClonePen)    // (source pen): this object becomes the copy
  GFX_GET(GetPenWidth)
  GFX_ACT(SetPenWidth)
  GFX_GET(GetPenUnit)
  GFX_ACT(SetPenUnit)
  GFX_ACT_AS(SetPenLineCap, GdipSetPenLineCap197819)  // (start, end, dash cap)
  GFX_ACT_AS(SetPenLineCap197819, GdipSetPenLineCap197819)
  GFX_ACT(SetPenStartCap)
  GFX_ACT(SetPenEndCap)
  GFX_ACT_AS(SetPenDashCap, GdipSetPenDashCap197819)
  GFX_GET(GetPenStartCap)
  GFX_GET(GetPenEndCap)
  GFX_GET_AS(GetPenDashCap, GdipGetPenDashCap197819)
  GFX_GET_AS(GetPenDashCap197819, GdipGetPenDashCap197819)
  GFX_ACT(SetPenLineJoin)
  GFX_GET(GetPenLineJoin)
  GFX_ACT(SetPenCustomStartCap)
  GFX_ACT(GetPenCustomStartCap)
  GFX_ACT(SetPenCustomEndCap)
  GFX_ACT(GetPenCustomEndCap)
  GFX_ACT(SetPenMiterLimit)
  GFX_GET(GetPenMiterLimit)
  GFX_ACT(SetPenMode)
  GFX_GET(GetPenMode)
  GFX_TRANSFORM(Pen)  // the pen transform members (gfx/object.h)
  GFX_GET(GetPenColor)
  GFX_ACT(SetPenColor)
  GFX_ACT(SetPenBrushFill)  // (brush)
  // A new brush of the pen's fill, handed to `brush` (any brush class).
  bool GetPenBrushFill(Brush& brush);
  GFX_GET(GetPenFillType)
  GFX_ACT(SetPenDashStyle)
  GFX_GET(GetPenDashStyle)
  GFX_GET(GetPenDashOffset)
  GFX_ACT(SetPenDashOffset)
  bool GetPenDashArray(std::vector<REAL>& dashes);
  GFX_ACT(SetPenDashArray)
  GFX_ACT(SetPenCompoundArray)
  bool GetPenCompoundArray(std::vector<REAL>& compounds);
};

}  // namespace ornivex::gfx
