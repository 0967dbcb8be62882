#include "skin/draw.h"

#include <algorithm>

#include "runtime/codepage.h"
#include "runtime/handles.h"

namespace ornivex::skin {

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
  // Through the system's font mapper: a face that is not installed gets the one the
  // system puts in its place (the same the controls get), with Chinese glyphs, and
  // no lookup of GDI+ font families is needed.
  LOGFONTW logfont = {};
  logfont.lfHeight = -static_cast<LONG>(pixelSize + 0.5f);
  logfont.lfWeight = (style & Gdiplus::FontStyleBold) ? FW_BOLD : FW_NORMAL;
  logfont.lfItalic = (style & Gdiplus::FontStyleItalic) ? TRUE : FALSE;
  logfont.lfUnderline = (style & Gdiplus::FontStyleUnderline) ? TRUE : FALSE;
  logfont.lfStrikeOut = (style & Gdiplus::FontStyleStrikeout) ? TRUE : FALSE;
  logfont.lfCharSet = GB2312_CHARSET;
  logfont.lfQuality = ANTIALIASED_QUALITY;
  GbkToWide(face).copy(logfont.lfFaceName, LF_FACESIZE - 1);
  WindowDc screen = WindowDc::Client(nullptr);
  return screen && font.CreateFontFromDCLogfontRecordW(screen.Get(), logfont);
}

WindowFont FontOfWindow(HWND window) {
  WindowFont font;
  font.face = std::string(kSongTi);
  HFONT handle = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
  if (!handle) handle = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
  LOGFONTW logfont = {};
  if (GetObjectW(handle, sizeof logfont, &logfont) != sizeof logfont) return font;
  // Read through GDI alone: the face the font mapper actually chose and the em
  // height in pixels, with no GDI+ font machinery to start for it.
  if (WindowDc dc = WindowDc::Client(window)) {
    SelectGuard select(dc.Get(), handle);
    wchar_t face[LF_FACESIZE] = {};
    if (GetTextFaceW(dc.Get(), LF_FACESIZE, face) > 0 && face[0]) font.face = WideToGbk(face);
    TEXTMETRICW metrics = {};
    if (GetTextMetricsW(dc.Get(), &metrics) && metrics.tmHeight - metrics.tmInternalLeading > 0)
      font.size = static_cast<float>(metrics.tmHeight - metrics.tmInternalLeading);
  }
  font.style = (logfont.lfWeight >= FW_BOLD ? Gdiplus::FontStyleBold : 0) |
               (logfont.lfItalic ? Gdiplus::FontStyleItalic : 0) |
               (logfont.lfUnderline ? Gdiplus::FontStyleUnderline : 0) |
               (logfont.lfStrikeOut ? Gdiplus::FontStyleStrikeout : 0);
  return font;
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
