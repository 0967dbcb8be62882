#include "ocr/geometry.h"

#include <algorithm>
#include <cmath>

namespace ornivex::ocr {

namespace {

double Cross(Point o, Point a, Point b) {
  return (static_cast<double>(a.x) - o.x) * (static_cast<double>(b.y) - o.y) -
         (static_cast<double>(a.y) - o.y) * (static_cast<double>(b.x) - o.x);
}

}  // namespace

float Distance(Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); }

Bounds BoundsOf(const Quad& quad) {
  Bounds b{quad[0].x, quad[0].y, quad[0].x, quad[0].y};
  for (const Point& p : quad) {
    b.left = std::min(b.left, p.x);
    b.right = std::max(b.right, p.x);
    b.top = std::min(b.top, p.y);
    b.bottom = std::max(b.bottom, p.y);
  }
  return b;
}

std::vector<Point> ConvexHull(std::vector<Point> points) {
  std::sort(points.begin(), points.end(),
            [](Point a, Point b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
  points.erase(std::unique(points.begin(), points.end(),
                           [](Point a, Point b) { return a.x == b.x && a.y == b.y; }),
               points.end());
  if (points.size() < 3) return points;
  std::vector<Point> hull(2 * points.size());
  std::size_t k = 0;
  for (const Point& p : points) {
    while (k >= 2 && Cross(hull[k - 2], hull[k - 1], p) <= 0) --k;
    hull[k++] = p;
  }
  for (std::size_t i = points.size() - 1, lower = k + 1; i-- > 0;) {
    while (k >= lower && Cross(hull[k - 2], hull[k - 1], points[i]) <= 0) --k;
    hull[k++] = points[i];
  }
  hull.resize(k - 1);
  return hull;
}

Rectangle MinimumAreaRectangle(std::span<const Point> hull) {
  Rectangle best;
  if (hull.empty()) return best;
  if (hull.size() == 1) {
    best.centre = hull[0];
    best.axis = {1, 0};
    return best;
  }
  double bestArea = -1;
  const std::size_t n = hull.size();
  for (std::size_t i = 0; i < n; ++i) {
    const Point a = hull[i], b = hull[(i + 1) % n];
    const double dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
    if (len == 0) continue;
    const double ux = dx / len, uy = dy / len;
    double minU = 0, maxU = 0, minV = 0, maxV = 0;
    for (std::size_t j = 0; j < n; ++j) {
      const double px = hull[j].x - a.x, py = hull[j].y - a.y;
      const double u = px * ux + py * uy, v = -px * uy + py * ux;
      if (j == 0 || u < minU) minU = u;
      if (j == 0 || u > maxU) maxU = u;
      if (j == 0 || v < minV) minV = v;
      if (j == 0 || v > maxV) maxV = v;
    }
    const double area = (maxU - minU) * (maxV - minV);
    if (bestArea < 0 || area < bestArea - 1e-9) {
      bestArea = area;
      const double cu = (minU + maxU) / 2, cv = (minV + maxV) / 2;
      best.centre = {static_cast<float>(a.x + cu * ux - cv * uy), static_cast<float>(a.y + cu * uy + cv * ux)};
      best.axis = {static_cast<float>(ux), static_cast<float>(uy)};
      best.length = static_cast<float>(maxU - minU);
      best.breadth = static_cast<float>(maxV - minV);
    }
  }
  return best;
}

Quad Corners(const Rectangle& r) {
  const float hx = r.axis.x * r.length / 2, hy = r.axis.y * r.length / 2;
  const float vx = -r.axis.y * r.breadth / 2, vy = r.axis.x * r.breadth / 2;
  std::array<Point, 4> p = {Point{r.centre.x - hx - vx, r.centre.y - hy - vy},
                            Point{r.centre.x + hx - vx, r.centre.y + hy - vy},
                            Point{r.centre.x + hx + vx, r.centre.y + hy + vy},
                            Point{r.centre.x - hx + vx, r.centre.y - hy + vy}};
  std::sort(p.begin(), p.end(), [](Point a, Point b) { return a.x < b.x; });
  Quad q;
  if (p[0].y <= p[1].y) {
    q[0] = p[0];
    q[3] = p[1];
  } else {
    q[0] = p[1];
    q[3] = p[0];
  }
  if (p[2].y <= p[3].y) {
    q[1] = p[2];
    q[2] = p[3];
  } else {
    q[1] = p[3];
    q[2] = p[2];
  }
  return q;
}

Rectangle Unclip(const Rectangle& r, float ratio) {
  const double perimeter = 2.0 * (static_cast<double>(r.length) + r.breadth);
  if (perimeter <= 0) return r;
  const double grow = static_cast<double>(r.length) * r.breadth * ratio / perimeter;
  Rectangle out = r;
  out.length = static_cast<float>(r.length + 2 * grow);
  out.breadth = static_cast<float>(r.breadth + 2 * grow);
  return out;
}

Rectangle ExtendEnds(const Rectangle& r, float share) {
  Rectangle out = r;
  if (out.length >= out.breadth) out.length += share * out.breadth;
  else out.breadth += share * out.length;
  return out;
}

bool InsideConvexQuad(const Quad& q, Point p, float margin) {
  // The quad is clockwise on screen (y down); p is inside when it is on the inner
  // side of every edge, within the margin.
  for (int i = 0; i < 4; ++i) {
    const Point a = q[i], b = q[(i + 1) % 4];
    const double len = std::hypot(b.x - a.x, b.y - a.y);
    if (len == 0) continue;
    if (Cross(a, b, p) / len < -margin) return false;
  }
  return true;
}

}  // namespace ornivex::ocr
