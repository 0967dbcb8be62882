#pragma once
// What the capture overlay decides, free of Windows headers: the rectangle a
// drag selects over the frozen screen, the whole monitor a click takes, the
// size label beside the selection, which parts of the overlay a change of the
// selection repaints and where each of their pixels comes from, and the region's
// pixels as a picture.
//
// Coordinates are physical pixels, the screen and its monitors in one space
// (the overlay's is the frozen screen's, with (0, 0) at the virtual screen's
// top-left corner; the system's own puts it at the primary monitor's).
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "runtime/layout.h"
#include "runtime/picture_decode.h"

namespace ornivex::capture {

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Monitor {
  Rect bounds;    // physical pixels
  int dpi = 96;   // its display scale
};

// The overlay's lengths at 96 DPI; a monitor of another scale multiplies them.
struct OverlayMetrics {
  int frame;          // width of the selection's frame, drawn outside it
  int labelPaddingX;  // around the size label's text
  int labelPaddingY;
  int labelGap;       // between the frame and the label
  int dragThreshold;  // a press and release closer than this is a click
};
inline constexpr OverlayMetrics kOverlayMetrics96{1, 6, 3, 4, 4};
OverlayMetrics ScaledOverlayMetrics(int dpi);

// The overlap of two rectangles; an empty rectangle (width or height 0) when
// they do not overlap.
Rect Intersection(const Rect& a, const Rect& b);
bool IsEmpty(const Rect& r);

// The smallest rectangle holding every monitor: the virtual screen.
Rect BoundingRect(std::span<const Monitor> monitors);

// The monitor holding the pixel, else the one nearest to it; null when there
// is none.
const Monitor* MonitorAt(std::span<const Monitor> monitors, Point p);

// The rectangle a drag from pixel `a` to pixel `b` selects, in any direction:
// both pixels are inside it.
Rect SpannedRect(Point a, Point b);

// "640 × 480".
std::wstring SizeLabelText(int width, int height);

// The size label of a selection: its box and where its text starts.
struct SizeLabel {
  Rect box;
  Point text;
};
// The DPI the label of this selection is drawn at: that of the monitor under
// the selection's bottom-left pixel.
int SizeLabelDpi(const Rect& selection, std::span<const Monitor> monitors);
// The box for a text of that size (drawn at SizeLabelDpi): below the selection's
// left end, outside its frame; above it where the monitor has no room below;
// inside the selection's top where it has room for neither. Kept within the
// monitor's width.
SizeLabel PlaceSizeLabel(const Rect& selection, int textWidth, int textHeight, std::span<const Monitor> monitors);

// A press, drags and a release over the frozen screen, or a cancel.
class SelectionTracker {
 public:
  enum class State { kIdle, kDragging, kDone, kCancelled };

  // `screen`: the frozen screen's rectangle; `monitors` within it.
  SelectionTracker(Rect screen, std::vector<Monitor> monitors);

  // The left button went down: a drag starts there (only while idle).
  void Press(Point p);
  // The pointer moved; only a drag cares.
  void Move(Point p);
  // The left button went up: a drag that went past the threshold takes the
  // rectangle spanned, one that did not takes the whole monitor under the press.
  void Release(Point p);
  // Esc, the right button, the overlay losing the pointer or the focus: nothing
  // is taken. Ends a capture in any state but done.
  void Cancel();

  State GetState() const { return state_; }
  bool Ended() const { return state_ == State::kDone || state_ == State::kCancelled; }
  // The rectangle the overlay shows: during a drag once it went past the
  // threshold, and once done.
  std::optional<Rect> Shown() const;
  // The region taken, once done: within the screen, at least one pixel.
  Rect Region() const { return region_; }
  const Rect& Screen() const { return screen_; }
  const std::vector<Monitor>& Monitors() const { return monitors_; }

 private:
  Point Clamped(Point p) const;

  Rect screen_;
  std::vector<Monitor> monitors_;
  State state_ = State::kIdle;
  Point anchor_;
  Point current_;
  int threshold_ = 0;
  bool moved_ = false;
  Rect region_;
};

// What the overlay shows: everything dimmed but the selection, its frame
// around it, and its size label.
struct OverlayView {
  std::optional<Rect> selection;
  std::optional<Rect> label;  // the label's box
  int frame = 1;              // frame width in pixels
};

// The parts of the overlay whose pixels may differ between showing `before`
// and showing `after`, within `clip`: the two selections with their frames,
// except where both selections overlap, and both label boxes. Empty when
// nothing changed. The parts may overlap.
std::vector<Rect> ChangedAreas(const OverlayView& before, const OverlayView& after, const Rect& clip);

// Where each pixel of `area` comes from. The rectangles do not overlap and
// together cover the area exactly.
struct PaintPlan {
  std::vector<Rect> dimmed;  // the dimmed copy of the frozen screen
  std::vector<Rect> bright;  // the frozen screen as it is: the selection
  std::vector<Rect> frame;   // the frame colour
  Rect label;                // the label box's part of the area; empty when none
};
PaintPlan PlanPaint(const Rect& area, const OverlayView& view);

// The parts of the rectangles `from` outside `hole`: each one it cuts into
// becomes up to four.
std::vector<Rect> Subtract(std::vector<Rect> from, const Rect& hole);

// The pixel as the overlay shows it outside the selection: half as bright.
constexpr std::uint32_t DimmedPixel(std::uint32_t pixel) { return (pixel >> 1) & 0x007F7F7Fu; }

// The region of a frozen screen (0x00RRGGBB pixels, top row first, `width` to a
// row, whatever their top byte holds) as an opaque picture of straight BGRA:
// each pixel's colour as it is, its alpha 255. Nothing when the region is not
// inside the screen or is empty.
std::optional<Picture> CopyRegion(std::span<const std::uint32_t> pixels, int width, int height, const Rect& region);

}  // namespace ornivex::capture
