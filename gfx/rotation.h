#pragma once
// Size arithmetic for rotated pictures (no Windows header: also built natively).

namespace ornivex::gfx {

struct RotatedExtent {
  double width = 0;
  double height = 0;
};

// The extent of a w x h picture rotated by `angleDegrees` about its centre: the
// bounding box of its four rotated corners (±w/2, ±h/2).
RotatedExtent RotatedPictureExtent(double width, double height, double angleDegrees);

// Whole pixels that hold an extent: rounded up, ignoring the last thousandth of a
// pixel that the sine and cosine leave behind, and at least 1.
int PixelCount(double extent);

}  // namespace ornivex::gfx
