#include "skin/family_rules.h"

#include <algorithm>
#include <cstdint>

#include "skin/title_geometry.h"

namespace ornivex::skin {

namespace {

// Style bits, as the system defines them.
constexpr std::uint32_t kComboTypeMask = 0x3;   // CBS_SIMPLE 1, CBS_DROPDOWN 2, CBS_DROPDOWNLIST 3
constexpr std::uint32_t kComboDropDownList = 0x3;
constexpr std::uint32_t kComboButtonBit = 0x2;  // set for both drop-down kinds
constexpr std::uint32_t kBorder = 0x00800000;   // WS_BORDER
// WS_EX_DLGMODALFRAME, WS_EX_WINDOWEDGE, WS_EX_CLIENTEDGE, WS_EX_OVERLAPPEDWINDOW
// and WS_EX_PALETTEWINDOW: a control with all bits of any of them has an edge.
constexpr std::uint32_t kEdgeStyles[] = {0x1, 0x100, 0x200, 0x300, 0x188};

// `value`'s share of `range` of `length`, without overflow, within 0..length.
int Share(long long value, long long range, int length) {
  if (range <= 0 || length <= 0) return 0;
  value = std::clamp<long long>(value, 0, range);
  return static_cast<int>(value * length / range);
}

}  // namespace

FamilyMetrics FamilyMetrics::ForDpi(int dpi) {
  FamilyMetrics m;
  m.dpi = dpi;
  for (int* length : {&m.comboButton, &m.comboListButton, &m.comboButtonInset, &m.comboButtonCorner,
                      &m.comboTextInset, &m.headerDeadZone, &m.barInset, &m.barCorner, &m.channelThickness,
                      &m.thumbCorner, &m.upDownCorner, &m.frameHotPen, &m.subWindowCorner, &m.subWindowInnerCorner,
                      &m.subWindowFillInset, &m.dockInset})
    *length = ScaleForDpi(*length, dpi);
  return m;
}

int FamilyMetrics::Scale(int length96) const { return ScaleForDpi(length96, dpi); }

bool ComboHasButton(std::uint32_t style) { return (style & kComboButtonBit) != 0; }

Box ComboButton(int width, int height, std::uint32_t style, const FamilyMetrics& m) {
  const int buttonWidth = (style & kComboTypeMask) == kComboDropDownList ? m.comboListButton : m.comboButton;
  const int inset = m.comboButtonInset;
  return Box{width - inset - buttonWidth, inset, buttonWidth, std::max(height - 2 * inset, 0)};
}

FrameLook NonClientFrame(bool hot, bool focused, int accentAlpha, int plainAlpha, const FamilyMetrics& m) {
  if (hot) return FrameLook{m.frameHotPen, true, accentAlpha};
  if (focused) return FrameLook{1, true, accentAlpha};
  return FrameLook{1, false, plainAlpha};
}

bool ListHasBorder(std::uint32_t style, std::uint32_t exStyle, bool comboList) {
  if (comboList) return false;
  if (style & kBorder) return true;
  return std::any_of(std::begin(kEdgeStyles), std::end(kEdgeStyles),
                     [exStyle](std::uint32_t edge) { return (exStyle & edge) == edge; });
}

bool IsArrowKey(unsigned virtualKey) { return virtualKey >= 37 && virtualKey <= 40; }  // VK_LEFT .. VK_DOWN

int HeaderItemAt(int x, std::span<const ItemSpan> items, int deadZone) {
  for (std::size_t i = 0; i < items.size(); ++i)
    if (x >= items[i].left + deadZone && x <= items[i].right - deadZone) return static_cast<int>(i) + 1;
  return 0;
}

int UpDownHalfAt(int width, int height, bool horizontal, int x, int y) {
  return horizontal ? (x > width / 2 ? 1 : 0) : (y > height / 2 ? 1 : 0);
}

UpDownHalves UpDownHalfBoxes(int width, int height, bool horizontal) {
  if (horizontal) {
    const int half = width / 2;
    return {Box{0, 0, half - 1, height - 1}, Box{half, 0, width - half - 1, height - 1}};
  }
  const int half = height / 2;
  return {Box{0, 0, width - 1, half - 1}, Box{0, half, width - 1, height - half - 1}};
}

Box TrackbarChannel(Box reported, bool vertical, const FamilyMetrics& m) {
  if (vertical && reported.width > reported.height) reported = Box{reported.y, reported.x, reported.height, reported.width};
  int& thickness = vertical ? reported.width : reported.height;
  int& start = vertical ? reported.x : reported.y;
  if (thickness < m.channelThickness) {
    start -= (m.channelThickness - thickness) / 2;
    thickness = m.channelThickness;
  }
  return reported;
}

Box TrackbarFill(const Box& channel, const Box& thumb, bool vertical, bool showsSelection, int minimum,
                 int maximum, int selectionStart, int selectionEnd) {
  const int origin = vertical ? channel.y : channel.x;
  const int length = vertical ? channel.height : channel.width;
  int from = 0, to = 0;
  if (showsSelection && selectionEnd > selectionStart) {
    const long long range = static_cast<long long>(maximum) - minimum;
    from = Share(static_cast<long long>(selectionStart) - minimum, range, length);
    to = Share(static_cast<long long>(selectionEnd) - minimum, range, length);
  } else {
    const int middle = vertical ? thumb.y + thumb.height / 2 : thumb.x + thumb.width / 2;
    to = std::clamp(middle - origin, 0, std::max(length, 0));
  }
  if (vertical) return Box{channel.x, origin + from, channel.width, to - from};
  return Box{origin + from, channel.y, to - from, channel.height};
}

int TrackbarPositionAt(const Box& channel, const Box& thumb, bool vertical, int minimum, int maximum, int value) {
  const int half = (vertical ? thumb.height : thumb.width) / 2;
  const int start = (vertical ? channel.y : channel.x) + half;
  const int travel = std::max((vertical ? channel.height : channel.width) - 2 * half, 0);
  return start + Share(static_cast<long long>(value) - minimum, static_cast<long long>(maximum) - minimum, travel);
}

Box ProgressTrack(int width, int height, const FamilyMetrics& m) {
  const int inset = m.barInset;
  return Box{inset, inset, std::max(width - 2 * inset, 0), std::max(height - 2 * inset, 0)};
}

Box ProgressFill(int width, int height, bool vertical, int position, int low, int high, const FamilyMetrics& m) {
  const Box track = ProgressTrack(width, height, m);
  const long long range = static_cast<long long>(high) - low;
  const long long value = static_cast<long long>(position) - low;
  if (vertical) {
    const int length = Share(value, range, track.height);
    return Box{track.x, track.Bottom() - length, track.width, length};
  }
  return Box{track.x, track.y, Share(value, range, track.width), track.height};
}

}  // namespace ornivex::skin
