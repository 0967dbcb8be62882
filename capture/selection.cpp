#include "capture/selection.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace ornivex::capture {

namespace {

Rect FromEdges(int left, int top, int right, int bottom) { return Rect{left, top, right - left, bottom - top}; }

Rect Inflated(const Rect& r, int by) { return FromEdges(r.left - by, r.top - by, r.Right() + by, r.Bottom() + by); }

bool Holds(const Rect& r, Point p) { return p.x >= r.left && p.x < r.Right() && p.y >= r.top && p.y < r.Bottom(); }

void AddIfNotEmpty(std::vector<Rect>& list, const Rect& r) {
  if (!IsEmpty(r)) list.push_back(r);
}

// The rectangles of `from` within `within`.
std::vector<Rect> Within(const std::vector<Rect>& from, const Rect& within) {
  std::vector<Rect> out;
  for (const Rect& r : from) AddIfNotEmpty(out, Intersection(r, within));
  return out;
}

const Monitor* LabelMonitor(const Rect& selection, std::span<const Monitor> monitors) {
  return MonitorAt(monitors, Point{selection.left, selection.Bottom() - 1});
}

}  // namespace

OverlayMetrics ScaledOverlayMetrics(int dpi) {
  const OverlayMetrics& m = kOverlayMetrics96;
  return OverlayMetrics{
      .frame = std::max(1, ScaleForDpi(m.frame, dpi)),
      .labelPaddingX = ScaleForDpi(m.labelPaddingX, dpi),
      .labelPaddingY = ScaleForDpi(m.labelPaddingY, dpi),
      .labelGap = ScaleForDpi(m.labelGap, dpi),
      .dragThreshold = std::max(1, ScaleForDpi(m.dragThreshold, dpi)),
  };
}

bool IsEmpty(const Rect& r) { return r.width <= 0 || r.height <= 0; }

Rect Intersection(const Rect& a, const Rect& b) {
  const int left = std::max(a.left, b.left);
  const int top = std::max(a.top, b.top);
  const int right = std::min(a.Right(), b.Right());
  const int bottom = std::min(a.Bottom(), b.Bottom());
  if (right <= left || bottom <= top) return Rect{left, top, 0, 0};
  return FromEdges(left, top, right, bottom);
}

Rect BoundingRect(std::span<const Monitor> monitors) {
  if (monitors.empty()) return Rect{};
  int left = std::numeric_limits<int>::max(), top = left;
  int right = std::numeric_limits<int>::min(), bottom = right;
  for (const Monitor& m : monitors) {
    left = std::min(left, m.bounds.left);
    top = std::min(top, m.bounds.top);
    right = std::max(right, m.bounds.Right());
    bottom = std::max(bottom, m.bounds.Bottom());
  }
  return FromEdges(left, top, right, bottom);
}

const Monitor* MonitorAt(std::span<const Monitor> monitors, Point p) {
  const Monitor* nearest = nullptr;
  std::int64_t best = std::numeric_limits<std::int64_t>::max();
  for (const Monitor& m : monitors) {
    if (Holds(m.bounds, p)) return &m;
    const std::int64_t dx = p.x < m.bounds.left ? m.bounds.left - p.x : std::max(0, p.x - (m.bounds.Right() - 1));
    const std::int64_t dy = p.y < m.bounds.top ? m.bounds.top - p.y : std::max(0, p.y - (m.bounds.Bottom() - 1));
    if (dx * dx + dy * dy < best) {
      best = dx * dx + dy * dy;
      nearest = &m;
    }
  }
  return nearest;
}

Rect SpannedRect(Point a, Point b) {
  return FromEdges(std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x) + 1, std::max(a.y, b.y) + 1);
}

std::wstring SizeLabelText(int width, int height) {
  return std::to_wstring(width) + L" \u00D7 " + std::to_wstring(height);
}

int SizeLabelDpi(const Rect& selection, std::span<const Monitor> monitors) {
  const Monitor* monitor = LabelMonitor(selection, monitors);
  return monitor ? monitor->dpi : 96;
}

SizeLabel PlaceSizeLabel(const Rect& selection, int textWidth, int textHeight, std::span<const Monitor> monitors) {
  const Monitor* monitor = LabelMonitor(selection, monitors);
  const Rect bounds = monitor ? monitor->bounds : selection;
  const OverlayMetrics m = ScaledOverlayMetrics(monitor ? monitor->dpi : 96);
  const int width = textWidth + 2 * m.labelPaddingX;
  const int height = textHeight + 2 * m.labelPaddingY;
  const int outside = m.frame + m.labelGap;

  int top = selection.Bottom() + outside;
  if (top + height > bounds.Bottom()) {
    top = selection.top - outside - height;
    if (top < bounds.top) top = std::max(selection.top, bounds.top) + m.labelGap;
  }
  int left = std::min(selection.left, bounds.Right() - width);
  left = std::max(left, bounds.left);
  const Rect box{left, top, width, height};
  return SizeLabel{box, Point{left + m.labelPaddingX, top + m.labelPaddingY}};
}

SelectionTracker::SelectionTracker(Rect screen, std::vector<Monitor> monitors)
    : screen_(screen), monitors_(std::move(monitors)) {
  if (monitors_.empty()) monitors_.push_back(Monitor{screen_, 96});
}

Point SelectionTracker::Clamped(Point p) const {
  return Point{std::clamp(p.x, screen_.left, std::max(screen_.left, screen_.Right() - 1)),
               std::clamp(p.y, screen_.top, std::max(screen_.top, screen_.Bottom() - 1))};
}

void SelectionTracker::Press(Point p) {
  if (state_ != State::kIdle) return;
  anchor_ = current_ = Clamped(p);
  const Monitor* monitor = MonitorAt(monitors_, anchor_);
  threshold_ = ScaledOverlayMetrics(monitor ? monitor->dpi : 96).dragThreshold;
  moved_ = false;
  state_ = State::kDragging;
}

void SelectionTracker::Move(Point p) {
  if (state_ != State::kDragging) return;
  current_ = Clamped(p);
  if (!moved_ && (std::abs(current_.x - anchor_.x) >= threshold_ || std::abs(current_.y - anchor_.y) >= threshold_))
    moved_ = true;
}

void SelectionTracker::Release(Point p) {
  if (state_ != State::kDragging) return;
  Move(p);
  if (moved_) {
    region_ = SpannedRect(anchor_, current_);
  } else {
    const Monitor* monitor = MonitorAt(monitors_, anchor_);
    region_ = Intersection(monitor ? monitor->bounds : screen_, screen_);
    // A monitor outside the frozen screen (it came or went meanwhile): the pixel.
    if (IsEmpty(region_)) region_ = Rect{anchor_.x, anchor_.y, 1, 1};
  }
  state_ = State::kDone;
}

void SelectionTracker::Cancel() {
  if (state_ != State::kDone) state_ = State::kCancelled;
}

std::optional<Rect> SelectionTracker::Shown() const {
  if (state_ == State::kDone) return region_;
  if (state_ == State::kDragging && moved_) return SpannedRect(anchor_, current_);
  return std::nullopt;
}

std::vector<Rect> Subtract(std::vector<Rect> from, const Rect& hole) {
  if (IsEmpty(hole)) return from;
  std::vector<Rect> out;
  for (const Rect& r : from) {
    const Rect cut = Intersection(r, hole);
    if (IsEmpty(cut)) {
      out.push_back(r);
      continue;
    }
    AddIfNotEmpty(out, FromEdges(r.left, r.top, r.Right(), cut.top));              // above
    AddIfNotEmpty(out, FromEdges(r.left, cut.Bottom(), r.Right(), r.Bottom()));    // below
    AddIfNotEmpty(out, FromEdges(r.left, cut.top, cut.left, cut.Bottom()));        // left
    AddIfNotEmpty(out, FromEdges(cut.Right(), cut.top, r.Right(), cut.Bottom()));  // right
  }
  return out;
}

std::vector<Rect> ChangedAreas(const OverlayView& before, const OverlayView& after, const Rect& clip) {
  std::vector<Rect> areas;
  const bool sameSelection = before.selection == after.selection && (!before.selection || before.frame == after.frame);
  if (!sameSelection) {
    Rect keep{};
    if (before.selection && after.selection) keep = Intersection(*before.selection, *after.selection);
    for (const OverlayView* view : {&before, &after}) {
      if (!view->selection) continue;
      for (const Rect& r : Subtract({Inflated(*view->selection, view->frame)}, keep)) areas.push_back(r);
    }
  }
  if (before.label != after.label || !sameSelection) {
    if (before.label) areas.push_back(*before.label);
    if (after.label && after.label != before.label) areas.push_back(*after.label);
  }
  return Within(areas, clip);
}

PaintPlan PlanPaint(const Rect& area, const OverlayView& view) {
  PaintPlan plan;
  std::vector<Rect> rest;
  AddIfNotEmpty(rest, area);
  if (view.label) {
    plan.label = Intersection(area, *view.label);
    rest = Subtract(std::move(rest), plan.label);
  }
  if (!view.selection) {
    plan.dimmed = std::move(rest);
    return plan;
  }
  const Rect& selection = *view.selection;
  const Rect outer = Inflated(selection, view.frame);
  plan.bright = Within(rest, selection);
  plan.frame = Subtract(Within(rest, outer), selection);
  plan.dimmed = Subtract(std::move(rest), outer);
  return plan;
}

std::optional<Picture> CopyRegion(std::span<const std::uint32_t> pixels, int width, int height, const Rect& region) {
  if (width <= 0 || height <= 0 || pixels.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
    return std::nullopt;
  if (IsEmpty(region) || !Rect{0, 0, width, height}.Contains(region)) return std::nullopt;
  Picture picture;
  picture.width = region.width;
  picture.height = region.height;
  picture.bgra.resize(static_cast<std::size_t>(region.width) * static_cast<std::size_t>(region.height) * 4);
  std::uint8_t* out = picture.bgra.data();
  for (int y = region.top; y < region.Bottom(); ++y) {
    const std::uint32_t* row = pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    for (int x = region.left; x < region.Right(); ++x) {
      const std::uint32_t p = row[x];
      *out++ = static_cast<std::uint8_t>(p);
      *out++ = static_cast<std::uint8_t>(p >> 8);
      *out++ = static_cast<std::uint8_t>(p >> 16);
      *out++ = 0xFF;
    }
  }
  return picture;
}

}  // namespace ornivex::capture
