#include "gfx/rotation.h"

#include <algorithm>
#include <cmath>

namespace ornivex::gfx {

RotatedExtent RotatedPictureExtent(double width, double height, double angleDegrees) {
  constexpr double kPi = 3.14159265358979323846;
  const double radians = angleDegrees * kPi / 180.0;
  const double c = std::cos(radians), s = std::sin(radians);
  const double a = width / 2, b = height / 2;
  // Corners in order around the picture; opposite corners are two apart.
  const double xs[4] = {-a, a, a, -a}, ys[4] = {-b, -b, b, b};
  double rx[4], ry[4];
  for (int i = 0; i < 4; ++i) {
    rx[i] = xs[i] * c + ys[i] * s;
    ry[i] = -xs[i] * s + ys[i] * c;
  }
  RotatedExtent extent;
  extent.width = std::max(std::fabs(rx[0] - rx[2]), std::fabs(rx[1] - rx[3]));
  extent.height = std::max(std::fabs(ry[0] - ry[2]), std::fabs(ry[1] - ry[3]));
  return extent;
}

int PixelCount(double extent) {
  if (!(extent > 0)) return 1;
  return std::max(1, static_cast<int>(std::ceil(extent - 1e-3)));
}

}  // namespace ornivex::gfx
