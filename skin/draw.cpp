#include "skin/draw.h"

#include <algorithm>

#include "runtime/handles.h"

namespace ornivex::skin {

namespace {

// "宋体", the face the skin's texts ask for first.
constexpr std::string_view kSongTi = "\xCB\xCE\xCC\xE5";

}  // namespace

Canvas::Canvas(HDC dc, bool antiAlias) {
  if (!dc || !graphics.CreateFromHDC(dc)) return;
  if (antiAlias) graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
  graphics.SetCompositingQuality(Gdiplus::CompositingQualityHighQuality);
  graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
}

gfx::GraphicsPath RoundRect(float x, float y, float width, float height, float corner) {
  gfx::GraphicsPath path;
  if (path.CreatePath(Gdiplus::FillModeAlternate)) path.AddPathRoundRect(x, y, width, height, corner);
  return path;
}

gfx::GraphicsPath Rectangle(float x, float y, float width, float height) {
  gfx::GraphicsPath path;
  if (path.CreatePath(Gdiplus::FillModeAlternate)) path.AddPathRectangle(x, y, width, height);
  return path;
}

void FillLinear(gfx::Graphics& graphics, const gfx::GraphicsPath& path, gfx::PointF from, gfx::PointF to,
                gfx::ARGB fromColour, gfx::ARGB toColour) {
  if (from.X == to.X && from.Y == to.Y) to.Y += 1;  // GDI+ refuses a gradient of no length
  gfx::LinearGradientBrush brush;
  // Tile-flip keeps the end colours at the very edge instead of wrapping round.
  if (brush.CreateLineBrush(from, to, fromColour, toColour, Gdiplus::WrapModeTileFlipXY))
    graphics.FillPath(brush, path);
}

void FillVertical(gfx::Graphics& graphics, const gfx::GraphicsPath& path, float top, float height, gfx::ARGB from,
                  gfx::ARGB to) {
  FillLinear(graphics, path, gfx::PointF(0, top), gfx::PointF(0, top + height), from, to);
}

void FillSolid(gfx::Graphics& graphics, const gfx::GraphicsPath& path, gfx::ARGB colour) {
  gfx::SolidBrush brush;
  if (brush.CreateSolidFill(colour)) graphics.FillPath(brush, path);
}

void Outline(gfx::Graphics& graphics, const gfx::GraphicsPath& path, gfx::ARGB colour, float width) {
  gfx::Pen pen;
  if (pen.CreatePen1(colour, width, Gdiplus::UnitPixel)) graphics.DrawPath(pen, path);
}

void StrokeRoundRect(gfx::Graphics& graphics, float x, float y, float width, float height, float corner,
                     gfx::ARGB colour, float penWidth) {
  gfx::Pen pen;
  if (!pen.CreatePen1(colour, penWidth, Gdiplus::UnitPixel)) return;
  const float d = std::clamp(corner, 1.0f, 100.0f), r = d / 2;
  const float right = x + width, bottom = y + height;
  graphics.DrawArc(pen, x, y, d, d, 180.0f, 90.0f);
  graphics.DrawLine(pen, x + r, y, right - r, y);
  graphics.DrawArc(pen, right - d, y, d, d, 270.0f, 90.0f);
  graphics.DrawLine(pen, right, y + r, right, bottom - r);
  graphics.DrawArc(pen, right - d, bottom - d, d, d, 0.0f, 90.0f);
  graphics.DrawLine(pen, right - r, bottom, x + r, bottom);
  graphics.DrawArc(pen, x, bottom - d, d, d, 90.0f, 90.0f);
  graphics.DrawLine(pen, x, bottom - r, x, y + r);
}

void DrawPicture(gfx::Graphics& graphics, gfx::Bitmap& bitmap, float x, float y, float width, float height) {
  const auto ownWidth = static_cast<float>(bitmap.GetImageWidth());
  const auto ownHeight = static_cast<float>(bitmap.GetImageHeight());
  if (width <= 0 || height <= 0) {
    width = ownWidth;
    height = ownHeight;
  }
  const bool exact = width == ownWidth && height == ownHeight;
  const auto interpolation = graphics.GetInterpolationMode();
  const auto offset = graphics.GetPixelOffsetMode();
  graphics.SetInterpolationMode(exact ? Gdiplus::InterpolationModeNearestNeighbor
                                      : Gdiplus::InterpolationModeHighQualityBicubic);
  graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
  graphics.DrawImageRectRect(bitmap, x, y, width, height);
  graphics.SetInterpolationMode(interpolation);
  graphics.SetPixelOffsetMode(offset);
}

bool MakeFont(gfx::Font& font, std::string_view face, float pixelSize, int style) {
  if (!face.empty() && font.CreateFontByName(face, pixelSize, style, Gdiplus::UnitPixel)) return true;
  // Not installed: the family of the system's GUI font at the size asked for.
  gfx::Font gui;
  gfx::FontFamily family;
  if (gui.CreateDefaultGuiFont() && gui.GetFamily(family))
    return font.CreateFont(family, pixelSize, style, Gdiplus::UnitPixel);
  return false;
}

FontSpec FontOfWindow(HWND window) {
  FontSpec spec;
  spec.face = std::string(kSongTi);
  HFONT handle = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
  WindowDc dc = WindowDc::Client(window);
  if (!dc) return spec;
  gfx::Font font;
  if (!font.CreateFontFromDCLogfontA(dc.Get(), handle)) return spec;
  gfx::FontFamily family;
  if (font.GetFamily(family)) {
    std::string name = family.GetFamilyName();
    if (!name.empty()) spec.face = std::move(name);
  }
  // Sizes are kept in pixels, whatever unit GDI+ reports the font in.
  const Gdiplus::Unit unit = font.GetFontUnit();
  float size = font.GetFontSize();
  if (unit == Gdiplus::UnitPoint) size = size * static_cast<float>(GetDeviceCaps(dc.Get(), LOGPIXELSY)) / 72.0f;
  if (size > 0) spec.size = size;
  spec.style = font.GetFontStyle();
  return spec;
}

void DrawText(gfx::Graphics& graphics, std::string_view text, const gfx::Font& font, const gfx::RectF& layout,
              gfx::ARGB colour, int horizontal, int vertical, bool hotkeys) {
  gfx::StringFormat format;
  if (!format.CreateStringFormat(Gdiplus::StringFormatFlagsNoWrap, 0)) return;
  format.SetStringFormatAlign(horizontal);
  format.SetStringFormatLineAlign(vertical);
  format.SetStringFormatTrimming(Gdiplus::StringTrimmingEllipsisCharacter);
  format.SetStringFormatHotkeyPrefix(hotkeys ? Gdiplus::HotkeyPrefixShow : Gdiplus::HotkeyPrefixNone);
  gfx::SolidBrush brush;
  if (brush.CreateSolidFill(colour)) graphics.DrawString(text, font, layout, &format, brush);
}

}  // namespace ornivex::skin
