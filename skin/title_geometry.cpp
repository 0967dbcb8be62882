#include "skin/title_geometry.h"

#include <algorithm>

namespace ornivex::skin {

int TitleMetrics::Scale(int length96) const { return ScaleForDpi(length96, dpi); }

TitleMetrics TitleMetrics::ForDpi(int dpi) {
  TitleMetrics m;
  m.dpi = dpi;
  for (int* length : {&m.minCaptionHeight, &m.margin, &m.corner, &m.stripHeight, &m.buttonHeight, &m.buttonWidth,
                      &m.closeWidth, &m.closeHitWidth, &m.gap, &m.stripInsetX, &m.stripInsetY, &m.minTrackWidth,
                      &m.minTrackHeight, &m.dockInset, &m.dockBottom})
    *length = ScaleForDpi(*length, dpi);
  // The pitch follows the scaled button and gap, so neighbours never overlap or drift.
  m.pitch = m.buttonWidth + m.gap;
  return m;
}

int CaptionHeightFor(int requested96, const TitleMetrics& m) {
  return std::max(m.Scale(requested96), m.minCaptionHeight);
}

std::vector<TitleButtonKind> StandardTitleButtons(bool help, bool menu, bool minimize, bool maximize) {
  std::vector<TitleButtonKind> buttons;
  if (help) buttons.push_back(TitleButtonKind::Help);
  if (menu) buttons.push_back(TitleButtonKind::MainMenu);
  if (minimize) buttons.push_back(TitleButtonKind::Minimize);
  if (maximize) buttons.push_back(TitleButtonKind::Maximize);
  buttons.push_back(TitleButtonKind::Close);
  return buttons;
}

int PictureWidth(TitleButtonKind kind, const TitleMetrics& m) {
  return kind == TitleButtonKind::Close ? m.closeWidth : m.buttonWidth;
}

int BoundsWidth(TitleButtonKind kind, const TitleMetrics& m) {
  return kind == TitleButtonKind::Close ? m.closeHitWidth : m.buttonWidth;
}

int StripWidth(std::span<const TitleButtonKind> buttons, const TitleMetrics& m) {
  int width = 0;
  for (TitleButtonKind kind : buttons) width += PictureWidth(kind, m);
  const int gaps = buttons.empty() ? 0 : static_cast<int>(buttons.size()) - 1;
  return width + gaps * m.gap + m.margin;
}

int StripLeftAtEnrolment(int clientWidth, int stripWidth, const TitleMetrics& m) {
  return clientWidth - m.margin - stripWidth - m.stripInsetX;
}

StripLayout LayoutStrip(std::span<const TitleButtonKind> buttons, int clientWidth, const TitleMetrics& m) {
  StripLayout strip;
  strip.width = StripWidth(buttons, m);
  strip.height = m.stripHeight;
  // Placed so that the last picture (the close button's) ends exactly at the client
  // edge; the close button's wider hit bounds overhang it.
  strip.left = clientWidth - strip.width + (m.margin - m.stripInsetX);
  const float x0 = static_cast<float>(strip.left + m.stripInsetX);
  const float y0 = static_cast<float>(strip.top + m.stripInsetY);
  for (std::size_t i = 0; i < buttons.size(); ++i)
    strip.buttons.push_back({x0 + static_cast<float>(m.pitch) * static_cast<float>(i), y0,
                             static_cast<float>(BoundsWidth(buttons[i], m)), static_cast<float>(m.buttonHeight)});
  return strip;
}

int HitTestStrip(const StripLayout& strip, int x, int y) {
  if (x < strip.left || y < strip.top || y > strip.top + strip.height) return 0;
  const float fx = static_cast<float>(x), fy = static_cast<float>(y);
  for (std::size_t i = 0; i < strip.buttons.size(); ++i) {
    const BoundsF& b = strip.buttons[i];
    if (b.x < fx && fx < b.x + b.width && b.y < fy && fy < b.y + b.height) return static_cast<int>(i) + 1;
  }
  return 0;
}

int FindMaximizeButton(std::span<const TitleButtonKind> buttons) {
  for (std::size_t i = 0; i < buttons.size(); ++i)
    if (buttons[i] == TitleButtonKind::Maximize) return static_cast<int>(i) + 1;
  return 0;
}

bool InFadeBand(const StripLayout& strip, int x, int y, const TitleMetrics& m) {
  return x >= strip.left - m.stripInsetX && x <= strip.left + strip.width && y >= 0 && y <= strip.height;
}

bool InPressBand(const StripLayout& strip, int x, int y) {
  return x >= strip.left && x <= strip.left + strip.width && y <= strip.height;
}

bool OpensSystemMenu(const StripLayout& strip, int captionHeight, int x, int y) {
  return x >= 0 && y >= 0 && y < captionHeight && !InPressBand(strip, x, y);
}

SystemMenuChoices SystemMenuChoicesFor(bool minimized, bool maximized, bool sizable, bool minimizeBox,
                                       bool maximizeBox) {
  const bool normal = !minimized && !maximized;
  return SystemMenuChoices{.restore = !normal,
                           .move = !maximized,
                           .size = sizable && normal,
                           .minimize = minimizeBox && !minimized,
                           .maximize = maximizeBox && !maximized};
}

SizingZone ZoneAt(int x, int y, int w, int h, bool sizable, const TitleMetrics& m) {
  if (!sizable) return SizingZone::None;
  const int edge = m.margin, c = m.corner;
  if (x <= edge && y > c && y < h - c) return SizingZone::Left;
  if (x >= w - edge && y > c && y < h - c) return SizingZone::Right;
  if (y <= edge && x > c && x < w - c) return SizingZone::Top;
  if (y >= h - edge && x > c && x < w - c) return SizingZone::Bottom;
  if (x <= c && y <= c) return SizingZone::TopLeft;
  if (x >= w - c && y <= c) return SizingZone::TopRight;
  if (x <= c && y >= h - c) return SizingZone::BottomLeft;
  if (x >= w - c && y >= h - c) return SizingZone::BottomRight;
  return SizingZone::None;
}

unsigned SizeCommandFor(SizingZone zone) {
  constexpr unsigned kScSize = 0xF000;
  switch (zone) {
    case SizingZone::Left: return kScSize + 1;
    case SizingZone::Right: return kScSize + 2;
    case SizingZone::Top: return kScSize + 3;
    case SizingZone::TopLeft: return kScSize + 4;
    case SizingZone::TopRight: return kScSize + 5;
    case SizingZone::Bottom: return kScSize + 6;
    case SizingZone::BottomLeft: return kScSize + 7;
    case SizingZone::BottomRight: return kScSize + 8;
    case SizingZone::None: break;
  }
  return 0;
}

int CursorIdFor(SizingZone zone) {
  constexpr int kSizeNwse = 32642, kSizeNesw = 32643, kSizeWe = 32644, kSizeNs = 32645;
  switch (zone) {
    case SizingZone::Left:
    case SizingZone::Right: return kSizeWe;
    case SizingZone::Top:
    case SizingZone::Bottom: return kSizeNs;
    case SizingZone::TopLeft:
    case SizingZone::BottomRight: return kSizeNwse;
    case SizingZone::TopRight:
    case SizingZone::BottomLeft: return kSizeNesw;
    case SizingZone::None: break;
  }
  return 0;
}

int MaximizedHeight(int screenHeight, int taskbarHeight) { return screenHeight - std::max(taskbarHeight, 0); }

}  // namespace ornivex::skin
