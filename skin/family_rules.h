#pragma once
// Geometry and state decisions of the control families (edit and combo boxes,
// list-like controls, trackbars and progress bars, headers, up-down controls). No
// Windows header: style values are the ordinary Win32 bits, spelled out where they
// are needed, and the hover state is read from any record that has the fields.
//
// Every length is in device pixels at the control's DPI; the 96-DPI values live in
// FamilyMetrics's initialisers and FamilyMetrics::ForDpi scales them all at once.
#include <cstdint>
#include <span>

namespace ornivex::skin {

struct FamilyMetrics {
  int dpi = 96;
  int comboButton = 18;          // the drop-down button of a drop-down combo
  int comboListButton = 17;      // ... of a drop-down-list combo
  int comboButtonInset = 2;      // from the right, top and bottom edges
  int comboButtonCorner = 4;
  int comboTextInset = 3;        // the inner area a drop-down-list combo shows its text in
  int headerDeadZone = 5;        // either side of a header divider: no item
  int barInset = 1;              // the progress track inside its outline
  int barCorner = 5;             // outline of progress bars and trackbar panels
  int channelThickness = 4;      // the least thickness a trackbar channel is drawn with
  int thumbCorner = 1;
  int upDownCorner = 3;
  int frameHotPen = 2;           // the hot frame of edit boxes and list-like controls
  int subWindowCorner = 5;       // a sub-window's soft frame, and its fill when framed
  int subWindowInnerCorner = 3;  // the soft frame's inner, light line
  int subWindowFillInset = 6;    // how much shorter than a framed sub-window its fill is
  int dockInset = 2;             // a child docked in a sub-window, from its left and right edges

  static FamilyMetrics ForDpi(int dpi);
  int Scale(int length96) const;
};

struct Box {
  int x = 0, y = 0, width = 0, height = 0;
  int Right() const { return x + width; }
  int Bottom() const { return y + height; }
  bool Empty() const { return width <= 0 || height <= 0; }
  friend bool operator==(const Box&, const Box&) = default;
};

// --- combo boxes -------------------------------------------------------------

// A combo box shows a drop-down button unless it is a simple one (its list always
// shown below its edit).
bool ComboHasButton(std::uint32_t style);
// The drop-down button of a w x h combo: narrower for a drop-down list, inset from
// the right edge, over the height less the insets.
Box ComboButton(int width, int height, std::uint32_t style, const FamilyMetrics& m);

// --- frames of edit boxes and list-like controls -----------------------------

// How a non-client frame is drawn along the inside of the control's edge: the pen's
// width, whether it is in the accent colour (else black), and its alpha.
struct FrameLook {
  int penWidth = 1;
  bool accent = false;
  int alpha = 0;
};
// Hot draws a wide accent pen; focused a thin accent one; otherwise a thin black
// one at `plainAlpha`.
FrameLook NonClientFrame(bool hot, bool focused, int accentAlpha, int plainAlpha, const FamilyMetrics& m);

// Whether a list-like control wears the engine's frame: a plain border or one of
// the extended edge styles, and never the drop-down list of a combo box.
bool ListHasBorder(std::uint32_t style, std::uint32_t exStyle, bool comboList);

// --- hover tracking ------------------------------------------------------------
// A window remembers which control it last painted hot: its family (hotKind) and
// its place in that family's list (lastHotButton). `W` is the window record.

template <class W>
bool IsHovered(const W& window, int kind, int position) {
  return window.hotKind == kind && window.lastHotButton == position;
}
// The mouse is over the control: true when it was not the hot one (it must be
// painted hot now); it is the hot one afterwards.
template <class W>
bool TakeHover(W& window, int kind, int position) {
  const bool changed = !IsHovered(window, kind, position);
  window.hotButton = position;
  window.lastHotButton = position;
  window.hotKind = kind;
  return changed;
}
// The mouse left the control. A neighbour that already took the hover keeps it.
template <class W>
void DropHover(W& window, int kind, int position) {
  if (IsHovered(window, kind, position)) window.lastHotButton = 0;
}

// --- list-like controls: an arrow key held makes mouse moves repaint ------------

bool IsArrowKey(unsigned virtualKey);

// --- headers -------------------------------------------------------------------

// One header item's left and right edges.
struct ItemSpan {
  int left = 0, right = 0;
};
// The 1-based item whose span holds x at least the dead zone away from both its
// edges; 0 near a divider or outside every item.
int HeaderItemAt(int x, std::span<const ItemSpan> items, int deadZone);

// The tints of a header item: hot under the mouse, pressed under a held button;
// neither in a header without buttons.
struct ItemTint {
  bool hot = false;
  bool pressed = false;
};

// The hover and press state of a header; `R` has tracking, hotItem,
// lastPaintedItem, buttons, pressedItem and buttonDown.
template <class R>
ItemTint HeaderItemTint(const R& header, int item) {
  return {header.buttons && header.tracking && item == header.hotItem,
          header.buttons && item == header.pressedItem};
}
// The mouse moved to item `hit` (0 for none). True when the header must be painted
// again: another item became hot while no button is held, or the last item painted
// hot is hot no more.
template <class R>
bool HeaderMouseMove(R& header, int hit) {
  header.hotItem = hit;
  if (hit >= 1) {
    header.tracking = 1;
    if (hit == header.lastPaintedItem || header.buttonDown) return false;
    header.lastPaintedItem = hit;
    return true;
  }
  header.tracking = 0;
  const bool wasPainted = header.lastPaintedItem != 0;
  header.lastPaintedItem = 0;
  return wasPainted;
}
// The left button went down or up; true when the pressed look changed.
template <class R>
bool HeaderButtonDown(R& header) {
  header.buttonDown = 1;
  if (header.hotItem >= 1) header.pressedItem = header.hotItem;
  return header.buttons && header.pressedItem >= 1;
}
template <class R>
bool HeaderButtonUp(R& header) {
  const bool wasPressed = header.pressedItem >= 1;
  header.buttonDown = 0;
  header.pressedItem = 0;
  return header.buttons && wasPressed;
}
template <class R>
void HeaderMouseLeave(R& header) {
  header.tracking = 0;
  header.hotItem = 0;
  header.lastPaintedItem = 0;
}

// --- up-down controls ----------------------------------------------------------

// 1 when (x, y) lies beyond the middle of a w x h control (right of it when
// horizontal, below it otherwise), else 0.
int UpDownHalfAt(int width, int height, bool horizontal, int x, int y);
// The two halves of a w x h control, up (or left) first, each one pixel short of
// its share so that neighbouring outlines do not overlap.
struct UpDownHalves {
  Box first, second;
};
UpDownHalves UpDownHalfBoxes(int width, int height, bool horizontal);

// --- trackbars and progress bars ---------------------------------------------

// A trackbar's channel as it is drawn: some systems report a vertical trackbar's
// channel as if it lay horizontally, and a channel is never thinner than the
// metrics' thickness (it grows about its middle).
Box TrackbarChannel(Box reported, bool vertical, const FamilyMetrics& m);
// The part of the channel drawn in the accent colour: the selection when the
// trackbar shows one (from its start to its end position, within min..max), else
// from the channel's start to the middle of the thumb.
Box TrackbarFill(const Box& channel, const Box& thumb, bool vertical, bool showsSelection, int minimum,
                 int maximum, int selectionStart, int selectionEnd);

// Where the thumb's middle stands along the channel (x, or y when vertical) for
// `value`: the thumb travels from one end of the channel to the other as the value
// goes from minimum to maximum. Tick marks stand there too.
int TrackbarPositionAt(const Box& channel, const Box& thumb, bool vertical, int minimum, int maximum, int value);

// The filled part of a w x h progress bar: from its low end (left, or bottom when
// vertical) inside the track, as long as the position's share of the range.
Box ProgressTrack(int width, int height, const FamilyMetrics& m);
Box ProgressFill(int width, int height, bool vertical, int position, int low, int high, const FamilyMetrics& m);

}  // namespace ornivex::skin
