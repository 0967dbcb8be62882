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
  GFX_ACT(SetLineGammaCorrection)
  GFX_GET(GetLineGammaCorrection)
  GFX_ACT(SetLineBlend)
  GFX_GET(GetLineBlendCount)
  bool GetLineBlend(std::vector<REAL>& factors, std::vector<REAL>& positions) {
    return FetchBlend(g_flat.GdipGetLineBlendCount, g_flat.GdipGetLineBlend, factors, positions);
  }
  GFX_ACT(SetLinePresetBlend)
  GFX_GET(GetLinePresetBlendCount)
  bool GetLinePresetBlend(std::vector<ARGB>& colors, std::vector<REAL>& positions) {
    return FetchBlend(g_flat.GdipGetLinePresetBlendCount, g_flat.GdipGetLinePresetBlend, colors, positions);
  }
  GFX_ACT(SetLineSigmaBlend)
  GFX_ACT(SetLineLinearBlend)
  GFX_GET(GetLineWrapMode)
  GFX_ACT(SetLineWrapMode)
  GFX_ACT(GetLineTransform)
  GFX_ACT(SetLineTransform)
  GFX_ACT(ResetLineTransform)
  GFX_ACT(MultiplyLineTransform)
  GFX_ACT(TranslateLineTransform)
  GFX_ACT(ScaleLineTransform)
  GFX_ACT(RotateLineTransform)
  GFX_TRANSFORM_AT(Line)  // ScaleLineTransformAt, RotateLineTransformAt
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
  GFX_ACT(SetPathGradientGammaCorrection)
  GFX_GET(GetPathGradientGammaCorrection)
  GFX_ACT(SetPathGradientBlend)
  GFX_GET(GetPathGradientBlendCount)
  bool GetPathGradientBlend(std::vector<REAL>& factors, std::vector<REAL>& positions) {
    return FetchBlend(g_flat.GdipGetPathGradientBlendCount, g_flat.GdipGetPathGradientBlend, factors, positions);
  }
  GFX_ACT(SetPathGradientPresetBlend)
  GFX_GET(GetPathGradientPresetBlendCount)
  bool GetPathGradientPresetBlend(std::vector<ARGB>& colors, std::vector<REAL>& positions) {
    return FetchBlend(g_flat.GdipGetPathGradientPresetBlendCount, g_flat.GdipGetPathGradientPresetBlend, colors,
                      positions);
  }
  GFX_ACT(SetPathGradientSigmaBlend)
  GFX_ACT(SetPathGradientLinearBlend)
  GFX_ACT(GetPathGradientFocusScales)
  GFX_ACT(SetPathGradientFocusScales)
  GFX_GET(GetPathGradientWrapMode)
  GFX_ACT(SetPathGradientWrapMode)
  GFX_ACT(GetPathGradientTransform)
  GFX_ACT(SetPathGradientTransform)
  GFX_ACT(ResetPathGradientTransform)
  GFX_ACT(MultiplyPathGradientTransform)
  GFX_ACT(TranslatePathGradientTransform)
  GFX_ACT(ScalePathGradientTransform)
  GFX_ACT(RotatePathGradientTransform)
  GFX_TRANSFORM_AT(PathGradient)  // ScalePathGradientTransformAt, RotatePathGradientTransformAt
};

}  // namespace ornivex::gfx
