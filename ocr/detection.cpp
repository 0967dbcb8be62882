#include "ocr/detection.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "runtime/resample.h"

namespace ornivex::ocr {

namespace {

int RoundTo32(double side) { return std::max(32, static_cast<int>(std::lround(side / 32.0)) * 32); }

}  // namespace

Size DetectionSize(int width, int height, const DetectionLimits& limits) {
  if (width <= 0 || height <= 0) return {};
  double scale = 1.0;
  const double pixels = static_cast<double>(width) * height;
  if (pixels > static_cast<double>(limits.maxPixels)) scale = std::sqrt(static_cast<double>(limits.maxPixels) / pixels);
  const int longSide = std::max(width, height);
  if (longSide * scale > limits.maxSide) scale = static_cast<double>(limits.maxSide) / longSide;
  return {RoundTo32(width * scale), RoundTo32(height * scale)};
}

std::vector<float> DetectionTensor(const Picture& opaque, Size size) {
  const std::size_t plane = static_cast<std::size_t>(size.width) * size.height;
  if (size.width <= 0 || size.height <= 0 || opaque.width <= 0 || opaque.height <= 0 ||
      opaque.bgra.size() != static_cast<std::size_t>(opaque.width) * opaque.height * 4)
    return {};
  try {
    std::vector<std::uint8_t> scaled;
    const std::uint8_t* pixels = opaque.bgra.data();
    if (size.width != opaque.width || size.height != opaque.height) {
      scaled.resize(plane * 4);
      if (!ResamplePremultiplied(opaque.bgra, opaque.width, opaque.height, scaled, size.width, size.height)) return {};
      pixels = scaled.data();
    }
    // ImageNet's mean and deviation, listed for red, green and blue; the models
    // were trained on pictures whose channels came in the order blue, green, red
    // with these values taken in that order.
    static constexpr float kMean[3] = {0.485f, 0.456f, 0.406f};
    static constexpr float kDeviation[3] = {0.229f, 0.224f, 0.225f};
    std::vector<float> tensor(plane * 3);
    for (int c = 0; c < 3; ++c) {
      const float scale = 1.0f / (255.0f * kDeviation[c]), offset = kMean[c] / kDeviation[c];
      float* out = tensor.data() + c * plane;
      for (std::size_t i = 0; i < plane; ++i) out[i] = pixels[i * 4 + c] * scale - offset;
    }
    return tensor;
  } catch (const std::bad_alloc&) {
    return {};
  }
}

namespace {

// The mean probability inside the quad, over the pixels of its bounding box.
float BoxScore(std::span<const float> probability, int width, int height, const Quad& quad) {
  float minX = quad[0].x, maxX = quad[0].x, minY = quad[0].y, maxY = quad[0].y;
  for (const Point& p : quad) {
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
  const int x0 = std::clamp(static_cast<int>(std::floor(minX)), 0, width - 1);
  const int x1 = std::clamp(static_cast<int>(std::ceil(maxX)), 0, width - 1);
  const int y0 = std::clamp(static_cast<int>(std::floor(minY)), 0, height - 1);
  const int y1 = std::clamp(static_cast<int>(std::ceil(maxY)), 0, height - 1);
  double sum = 0;
  std::size_t count = 0;
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      if (!InsideConvexQuad(quad, {static_cast<float>(x), static_cast<float>(y)}, 0.5f)) continue;
      sum += probability[static_cast<std::size_t>(y) * width + x];
      ++count;
    }
  }
  return count ? static_cast<float>(sum / count) : 0.0f;
}

}  // namespace

std::vector<TextBox> FindTextBoxes(std::span<const float> probability, int width, int height,
                                   const BoxRules& rules) {
  std::vector<TextBox> boxes;
  if (width <= 0 || height <= 0 || probability.size() != static_cast<std::size_t>(width) * height) return boxes;
  const std::size_t total = probability.size();
  std::vector<std::uint8_t> seen(total, 0);
  std::vector<std::uint32_t> stack, region;
  std::vector<int> rowMin, rowMax;
  std::vector<Point> extremes;
  int candidates = 0;
  for (std::size_t start = 0; start < total && candidates < rules.maxCandidates; ++start) {
    if (seen[start] || !(probability[start] > rules.threshold)) continue;
    // The 8-connected region of text pixels around `start`.
    region.clear();
    stack.assign(1, static_cast<std::uint32_t>(start));
    seen[start] = 1;
    int minY = height, maxY = -1;
    while (!stack.empty()) {
      const std::uint32_t at = stack.back();
      stack.pop_back();
      region.push_back(at);
      const int x = static_cast<int>(at % width), y = static_cast<int>(at / width);
      minY = std::min(minY, y);
      maxY = std::max(maxY, y);
      for (int dy = -1; dy <= 1; ++dy) {
        const int ny = y + dy;
        if (ny < 0 || ny >= height) continue;
        for (int dx = -1; dx <= 1; ++dx) {
          const int nx = x + dx;
          if (nx < 0 || nx >= width || (dx == 0 && dy == 0)) continue;
          const std::size_t next = static_cast<std::size_t>(ny) * width + nx;
          if (seen[next] || !(probability[next] > rules.threshold)) continue;
          seen[next] = 1;
          stack.push_back(static_cast<std::uint32_t>(next));
        }
      }
    }
    ++candidates;
    // Its outline: the first and last pixel of each row hold the convex hull.
    const int rows = maxY - minY + 1;
    rowMin.assign(rows, width);
    rowMax.assign(rows, -1);
    for (std::uint32_t at : region) {
      const int x = static_cast<int>(at % width), r = static_cast<int>(at / width) - minY;
      rowMin[r] = std::min(rowMin[r], x);
      rowMax[r] = std::max(rowMax[r], x);
    }
    extremes.clear();
    for (int r = 0; r < rows; ++r) {
      extremes.push_back({static_cast<float>(rowMin[r]), static_cast<float>(minY + r)});
      if (rowMax[r] != rowMin[r]) extremes.push_back({static_cast<float>(rowMax[r]), static_cast<float>(minY + r)});
    }
    const std::vector<Point> hull = ConvexHull(extremes);
    const Rectangle kernel = MinimumAreaRectangle(hull);
    if (ShortSide(kernel) < rules.minGlyphSide) continue;
    const bool small = ShortSide(kernel) < rules.minSide;
    const float score = BoxScore(probability, width, height, Corners(kernel));
    if (score < rules.boxThreshold) continue;
    const Rectangle grown = ExtendEnds(Unclip(kernel, rules.unclipRatio), rules.endMargin);
    if (!small && ShortSide(grown) < rules.minSide + 2) continue;
    boxes.push_back({Corners(grown), score, small});
  }
  return boxes;
}

bool IsProbabilityMap(std::span<const std::int64_t> shape, std::size_t values, Size input) {
  if (shape.size() < 3 || shape.size() > 4 || input.width <= 0 || input.height <= 0) return false;
  for (std::size_t i = 0; i + 2 < shape.size(); ++i)
    if (shape[i] != 1) return false;
  return shape[shape.size() - 2] == input.height && shape[shape.size() - 1] == input.width &&
         values == static_cast<std::size_t>(input.width) * input.height;
}

std::vector<TextBox> BoxesOnPicture(std::span<const TextBox> boxes, Size map, Size picture) {
  std::vector<TextBox> out;
  if (map.width <= 0 || map.height <= 0 || picture.width <= 0 || picture.height <= 0) return out;
  const float sx = static_cast<float>(picture.width) / map.width, sy = static_cast<float>(picture.height) / map.height;
  for (const TextBox& box : boxes) {
    TextBox moved = box;
    for (Point& p : moved.quad) {
      p.x = std::clamp(std::round(p.x * sx), 0.0f, static_cast<float>(picture.width - 1));
      p.y = std::clamp(std::round(p.y * sy), 0.0f, static_cast<float>(picture.height - 1));
    }
    const float across = Distance(moved.quad[0], moved.quad[1]), down = Distance(moved.quad[0], moved.quad[3]);
    if (!box.small && (across <= 3 || down <= 3)) continue;
    out.push_back(moved);
  }
  return out;
}

std::vector<TextBox> FitGlyphBoxes(std::span<const TextBox> boxes, Size picture) {
  std::vector<Bounds> bounds;
  bounds.reserve(boxes.size());
  for (const TextBox& box : boxes) bounds.push_back(BoundsOf(box.quad));
  // Lines that can lend their height: not small, and level (their top edge
  // rises or falls by less than a fifth of their height).
  std::vector<bool> level(boxes.size());
  for (std::size_t i = 0; i < boxes.size(); ++i)
    level[i] = !boxes[i].small && std::abs(boxes[i].quad[1].y - boxes[i].quad[0].y) < 0.2f * bounds[i].Height();
  std::vector<TextBox> out;
  out.reserve(boxes.size());
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    const Bounds& s = bounds[i];
    const float centre = (s.top + s.bottom) / 2;
    std::size_t best = boxes.size();
    float bestGap = 0;
    for (std::size_t j = 0; j < boxes.size(); ++j) {
      if (j == i || !level[j]) continue;
      const Bounds& n = bounds[j];
      const float h = n.Height();
      if (centre < n.top || centre > n.bottom || s.Height() >= 0.75f * h || s.Width() >= 1.5f * h) continue;
      const float overlap = std::min(s.right, n.right) - std::max(s.left, n.left);
      if (overlap > 0.25f * s.Width()) continue;
      const float gap = std::max(0.0f, -overlap);
      if (gap > 1.5f * h || (best < boxes.size() && gap >= bestGap)) continue;
      best = j;
      bestGap = gap;
    }
    if (best == boxes.size()) {
      if (!boxes[i].small) out.push_back(boxes[i]);
      continue;
    }
    const Bounds& n = bounds[best];
    const float half = std::max(s.Width(), n.Height() * 2 / 3) / 2, middle = (s.left + s.right) / 2;
    const float left = std::max(0.0f, middle - half), right = std::min(static_cast<float>(picture.width - 1), middle + half);
    TextBox fitted = boxes[i];
    fitted.quad = {{{left, n.top}, {right, n.top}, {right, n.bottom}, {left, n.bottom}}};
    fitted.small = false;
    out.push_back(fitted);
  }
  return out;
}

}  // namespace ornivex::ocr
