#pragma once
// GDI+ brushes: solid, linear gradient and path gradient.
#include "gfx/object.h"

#include <vector>

namespace ornivex::gfx {

// What every brush has: delete, clone, type.
class Brush : public GraphicsObject {
 public:
  using NativeType = Gdiplus::GpBrush;

  GFX_DELETER(Brush, DeleteBrush)

  GFX_NEW(CloneBrush)  // (source brush): this object becomes the copy
  GFX_GET(GetBrushType)

 protected:
  // Blend factors (or preset colours) and their positions, count first.
  template <class T, class CountFn, class FetchFn>
  bool FetchBlend(CountFn count, FetchFn fetch, std::vector<T>& values, std::vector<REAL>& positions) {
    using Sig = detail::FlatSig<CountFn>;
    const auto handle = Handle<typename Sig::template Param<0>>();
    positions.clear();
    return detail::FetchArray(values, [&](INT* n) { return count(handle, n); },
                      [&](T* out, INT n) {
                        positions.assign(static_cast<std::size_t>(n), 0.0f);
                        const GpStatus status = fetch(handle, out, positions.data(), n);
                        if (status != Gdiplus::Ok) positions.clear();
                        return status;
                      });
  }
};

// The members both gradient brushes have, named after their kind X (Line,
// PathGradient): Set/GetXGammaCorrection; SetXBlend, GetXBlendCount, GetXBlend;
// SetXPresetBlend, GetXPresetBlendCount, GetXPresetBlend; SetXSigmaBlend,
// SetXLinearBlend; Get/SetXWrapMode; and the transform members (gfx/object.h).
#define GFX_GRADIENT(kind)                                                                                  \
  GFX_ACT(Set##kind##GammaCorrection)                                                                       \
  GFX_GET(Get##kind##GammaCorrection)                                                                       \
  GFX_ACT(Set##kind##Blend)                                                                                 \
  GFX_GET(Get##kind##BlendCount)                                                                            \
  bool Get##kind##Blend(std::vector<REAL>& factors, std::vector<REAL>& positions) {                         \
    return FetchBlend(g_flat.GdipGet##kind##BlendCount, g_flat.GdipGet##kind##Blend, factors, positions);   \
  }                                                                                                         \
  GFX_ACT(Set##kind##PresetBlend)                                                                           \
  GFX_GET(Get##kind##PresetBlendCount)                                                                      \
  bool Get##kind##PresetBlend(std::vector<ARGB>& colors, std::vector<REAL>& positions) {                    \
    return FetchBlend(g_flat.GdipGet##kind##PresetBlendCount, g_flat.GdipGet##kind##PresetBlend, colors,    \
                      positions);                                                                           \
  }                                                                                                         \
  GFX_ACT(Set##kind##SigmaBlend)                                                                            \
  GFX_ACT(Set##kind##LinearBlend)                                                                           \
  GFX_GET(Get##kind##WrapMode)                                                                              \
  GFX_ACT(Set##kind##WrapMode)                                                                              \
  GFX_TRANSFORM(kind)

class SolidBrush : public Brush {
 public:
  using NativeType = Gdiplus::GpSolidFill;
  GFX_NEW(CreateSolidFill)  // (ARGB)
  GFX_ACT(SetSolidFillColor)
  GFX_GET(GetSolidFillColor)
};

class LinearGradientBrush : public Brush {
 public:
  using NativeType = Gdiplus::GpLineGradient;
  GFX_NEW(CreateLineBrush)                    // (point1, point2, colour1, colour2, wrap mode)
  GFX_NEW(CreateLineBrushI)
  GFX_NEW(CreateLineBrushFromRect)            // (rect, colour1, colour2, gradient mode, wrap mode)
  GFX_NEW(CreateLineBrushFromRectI)
  GFX_NEW(CreateLineBrushFromRectWithAngle)   // (rect, colour1, colour2, angle, scalable, wrap mode)
  GFX_NEW(CreateLineBrushFromRectWithAngleI)
  GFX_ACT(GetLineColors)  // (ARGB[2])
  GFX_ACT(SetLineColors)
  GFX_ACT(GetLineRect)
  GFX_ACT(GetLineRectI)
  GFX_GRADIENT(Line)
};

class PathGradientBrush : public Brush {
 public:
  using NativeType = Gdiplus::GpPathGradient;
  GFX_NEW(CreatePathGradient)  // (points, count, wrap mode)
  GFX_NEW(CreatePathGradientI)
  GFX_NEW(CreatePathGradientFromPath)  // (path)
  GFX_GET(GetPathGradientCenterColor)
  GFX_ACT(SetPathGradientCenterColor)
  GFX_GET(GetPathGradientPointCount)
  GFX_GET(GetPathGradientSurroundColorCount)
  bool GetPathGradientSurroundColorsWithCount(std::vector<ARGB>& colors);
  GFX_ACT(SetPathGradientSurroundColorsWithCount)  // (colours, in/out count)
  GFX_ACT(GetPathGradientPath)  // (path to fill)
  GFX_ACT(SetPathGradientPath)
  GFX_ACT(GetPathGradientCenterPoint)
  GFX_ACT(GetPathGradientCenterPointI)
  GFX_ACT(SetPathGradientCenterPoint)
  GFX_ACT(SetPathGradientCenterPointI)
  GFX_ACT(GetPathGradientRect)
  GFX_ACT(GetPathGradientRectI)
  GFX_GRADIENT(PathGradient)
  GFX_ACT(GetPathGradientFocusScales)
  GFX_ACT(SetPathGradientFocusScales)
};

}  // namespace ornivex::gfx
