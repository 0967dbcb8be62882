#pragma once
// Drawing helpers the skin's painters share: colours, rounded shapes, gradients,
// pictures and text, over the graphics wrapper.
#include <windows.h>

#include <string>
#include <string_view>

#include "gfx/gfx.h"

namespace ornivex::skin {

// A COLORREF (0x00BBGGRR) with an alpha as GDI+ ARGB (0xAARRGGBB).
constexpr gfx::ARGB Argb(COLORREF colour, int alpha = 255) {
  const unsigned a = static_cast<unsigned>(alpha < 0 ? 0 : alpha > 255 ? 255 : alpha);
  return (a << 24) | ((colour & 0xFFu) << 16) | (colour & 0xFF00u) | ((colour >> 16) & 0xFFu);
}
// "宋体" (GBK), the face the skin's texts ask for first.
inline constexpr std::string_view kSongTi = "\xCB\xCE\xCC\xE5";

inline constexpr COLORREF kWhite = 0xFFFFFF;
inline constexpr COLORREF kBlack = 0x000000;
inline constexpr COLORREF kRed = 0x0000FF;
inline constexpr COLORREF kMagenta = 0xFF00FF;  // the key colour of transparent copies
inline constexpr COLORREF kGlow = 0xDDCA22;     // the focus glow of push buttons

// A graphics on a DC, anti-aliased, ready for the skin's shapes.
struct Canvas {
  gfx::Graphics graphics;
  explicit Canvas(HDC dc, bool antiAlias = true);
  explicit operator bool() const { return !graphics.Empty(); }
};

// A rounded rectangle: four quarter arcs whose bounding square has side `corner`.
gfx::GraphicsPath RoundRect(float x, float y, float width, float height, float corner);
gfx::GraphicsPath Rectangle(float x, float y, float width, float height);

// Fills `path` with a vertical gradient over the band top .. top + height.
void FillVertical(gfx::Graphics& graphics, const gfx::GraphicsPath& path, float top, float height, gfx::ARGB from,
                  gfx::ARGB to);
// Fills `path` with a gradient from (x1, y1) to (x2, y2).
void FillLinear(gfx::Graphics& graphics, const gfx::GraphicsPath& path, gfx::PointF from, gfx::PointF to,
                gfx::ARGB fromColour, gfx::ARGB toColour);
void FillSolid(gfx::Graphics& graphics, const gfx::GraphicsPath& path, gfx::ARGB colour);
void Outline(gfx::Graphics& graphics, const gfx::GraphicsPath& path, gfx::ARGB colour, float width = 1.0f);

// Strokes the outline of RoundRect(x, y, width, height, corner) as four arcs and
// four lines: the same outline, drawn without covering the whole rectangle.
void StrokeRoundRect(gfx::Graphics& graphics, float x, float y, float width, float height, float corner,
                     gfx::ARGB colour, float penWidth = 1.0f);

// Draws `bitmap` into the rectangle (x, y, width, height): pixel for pixel when it
// has that size, otherwise scaled with high-quality interpolation. Without a size,
// at the bitmap's own size.
void DrawPicture(gfx::Graphics& graphics, gfx::Bitmap& bitmap, float x, float y, float width = 0, float height = 0);

// A font by face name (GBK) and pixel size; falls back to the system's GUI font
// family when the face is not installed.
bool MakeFont(gfx::Font& font, std::string_view face, float pixelSize, int style);

// The face name (GBK), em size in pixels and GDI+ style of a window's font
// (WM_GETFONT, else the system font) as the window's DC renders it: face "宋体"
// and size 12 when nothing can be read.
struct WindowFont {
  std::string face;
  float size = 12;
  int style = 0;
};
WindowFont FontOfWindow(HWND window);

// Draws GBK text in `colour` inside `layout` with the given alignments (near,
// centre, far: 0, 1, 2), trimmed on one line. With `hotkeys` an ampersand
// underlines the next character, as in a button's caption.
void DrawText(gfx::Graphics& graphics, std::string_view text, const gfx::Font& font, const gfx::RectF& layout,
              gfx::ARGB colour, int horizontal, int vertical, bool hotkeys = false);

}  // namespace ornivex::skin
