#pragma once
// Plane geometry of text boxes: convex hulls, minimum-area rectangles and the
// growing of a rectangle by the detector's unclip rule. No Windows header.
#include <array>
#include <span>
#include <vector>

namespace ornivex::ocr {

struct Point {
  float x = 0;
  float y = 0;
};

// Four corners in reading order: top left, top right, bottom right, bottom left.
using Quad = std::array<Point, 4>;

// The convex hull of the points, counter-clockwise in a y-down plane, without
// repeated or collinear points (Andrew's monotone chain).
std::vector<Point> ConvexHull(std::vector<Point> points);

// The rectangle of least area that holds every point of a convex hull, found by
// rotating calipers (one side of the best rectangle lies on a side of the hull).
// A single point or a segment gives a rectangle with an empty side.
struct Rectangle {
  Point centre;
  Point axis;         // unit direction of the first side
  float length = 0;   // along the axis
  float breadth = 0;  // across it
};
Rectangle MinimumAreaRectangle(std::span<const Point> hull);

// The rectangle's corners in reading order: of the two leftmost corners the upper
// is the top left and the lower the bottom left, and so on the right.
Quad Corners(const Rectangle& rectangle);

inline float ShortSide(const Rectangle& r) { return r.length < r.breadth ? r.length : r.breadth; }

// The detector's text kernels are shrunk versions of the text: the box is grown
// by the distance area * ratio / perimeter on every side. (Offsetting the
// rectangle with round joins and taking the least rectangle around the result
// gives exactly this.)
Rectangle Unclip(const Rectangle& rectangle, float ratio);

// The rectangle made longer along its long sides by `share` of its short side,
// half at each end.
Rectangle ExtendEnds(const Rectangle& rectangle, float share);

float Distance(Point a, Point b);

// The upright box around a quad.
struct Bounds {
  float left = 0, top = 0, right = 0, bottom = 0;
  float Width() const { return right - left; }
  float Height() const { return bottom - top; }
};
Bounds BoundsOf(const Quad& quad);

// Whether the point lies in the convex quad, its edges included with a margin.
bool InsideConvexQuad(const Quad& quad, Point p, float margin);

}  // namespace ornivex::ocr
