// Composing a skinned window: background colour and picture, frame, icon and
// caption, title buttons and menu items, into the window's memory DCs, and copying
// the result to the screen.
#include <algorithm>

#include "gfx/gfx.h"
#include "runtime/codepage.h"
#include "runtime/diagnostics.h"
#include "runtime/subclass.h"
#include "skin/draw.h"
#include "skin/engine.h"

namespace ornivex::skin {

namespace {

// The window's text in GBK.
std::string WindowTextGbk(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
  return WideToGbk(text);
}

// The window's rounded shape: its region, and the area its background fills.
UniqueRegion WindowShape(int width, int height, const TitleMetrics& metrics) {
  const int corner = metrics.Scale(5);
  return UniqueRegion(CreateRoundRectRgn(0, 0, width + 1, height + 1, corner, corner));
}

// Where a picture of w x h goes in a W x H window for a background mode.
gfx::RectF Placement(int mode, float W, float H, float w, float h) {
  switch (mode) {
    case 1: return {W - w, 0, w, h};
    case 2: return {(W - w) / 2, (H - h) / 2, w, h};
    case 3: return {0, 0, W, H};
    default: return {0, 0, w, h};  // 0 and 4: top-left, own size
  }
}

}  // namespace

void SkinEngine::ShapeWindow(SkinWindowRecord& record, int width, int height) {
  // An unchanged size keeps its region: giving the same one again only makes the
  // system repaint the frame.
  if (record.regionSize.cx == width && record.regionSize.cy == height) return;
  SetWindowRgn(record.window, nullptr, TRUE);
  SetWindowPos(record.window, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER);
  RECT client;
  GetClientRect(record.window, &client);
  UniqueRegion region = WindowShape(client.right, client.bottom, record.metrics);
  if (!region || !SetWindowRegion(record.window, region, true)) {
    TraceFailure(L"Giving a skinned window its rounded region");
    return;
  }
  record.regionSize = SIZE{width, height};
}

void SkinEngine::FullPaint(int number, HDC target, bool copyToScreen) {
  SkinWindowRecord* record = Record(number);
  if (!record) return;
  RECT client;
  GetClientRect(record->window, &client);
  ShapeWindow(*record, client.right, client.bottom);
  GetClientRect(record->window, &client);
  const int width = std::max<int>(client.right, 1), height = std::max<int>(client.bottom, 1);
  record->clientRect = client;

  // Children copy their backgrounds from the composed picture: at a new size they
  // are drawn again over the new one.
  const bool resized = record->mainDc && (record->mainDc.Width() != width || record->mainDc.Height() != height);
  // A new frame bitmap for mainDC: the first one the DC held stays in "Ck_Ycjdx"
  // for the clean-up, the previous frame is deleted.
  if (!record->mainDc.Resize(width, height)) {
    TraceFailure(L"Creating a skinned window's frame bitmap");
    return;
  }
  SetWindowPropertyPointer(record->window, prop::kInitialBitmap, record->mainDc.InitialBitmap());
  SetWindowPropertyPointer(record->window, prop::kFrameBitmap, record->mainDc.Bitmap());
  HDC main = record->mainDc.Dc();
  {
    Canvas canvas(main);
    if (!canvas) return;
    PaintBackground(canvas.graphics, *record, width, height);
    if (record->titleButtonsActive) PaintFrame(*record, canvas.graphics, width, height);
    canvas.graphics.Flush(Gdiplus::FlushIntentionSync);
  }
  // The background and frame without caption and buttons, for partial repaints.
  if (record->dc2.Width() != width || record->dc2.Height() != height) record->dc2.Resize(width, height);
  BitBlt(record->dc2.Dc(), 0, 0, width, height, main, 0, 0, SRCCOPY);
  const int cw = std::max<int>(record->clientRect.right - record->clientRect.left, 1);
  const int ch = std::max<int>(record->clientRect.bottom - record->clientRect.top, 1);
  if (record->dc3.Width() != cw || record->dc3.Height() != ch) record->dc3.Resize(cw, ch);
  BitBlt(record->dc3.Dc(), 0, 0, cw, ch, main, record->clientRect.left, record->clientRect.top, SRCCOPY);

  if (record->titleButtonsActive && record->captionText) PaintCaption(*record, main, width, WindowTextGbk(record->window));
  for (int i = 1; i <= static_cast<int>(record->titleButtons.size()); ++i) PaintTitleButton(number, i, false, 0, false);
  if (record->extraCount > 0) {
    Canvas canvas(main);
    if (canvas) PaintMenuItems(*record, canvas.graphics);
  }

  if (resized) RedrawWindow(record->window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_NOFRAME);
  if (!copyToScreen) return;
  if (target) {
    BitBlt(target, 0, 0, width, height, main, 0, 0, SRCCOPY);
  } else if (WindowDc dc = WindowDc::ClientWithoutChildren(record->window)) {
    BitBlt(dc.Get(), 0, 0, width, height, main, 0, 0, SRCCOPY);
  }
}

void SkinEngine::PaintBackground(gfx::Graphics& graphics, SkinWindowRecord& record, int width, int height) {
  const auto W = static_cast<float>(width), H = static_cast<float>(height);
  graphics.GraphicsClear(Argb(kMagenta, 255));
  // Clipped to the window's own region: every pixel it shows is painted, and only
  // the corners it leaves out stay magenta (a rounded path of its own, rasterised
  // otherwise, left stray magenta pixels inside the region).
  UniqueRegion shape = WindowShape(width, height, record.metrics);
  gfx::GraphicsPath clip = RoundRect(0, 0, W, H, static_cast<float>(record.metrics.Scale(4)));
  if (shape) graphics.SetClipHrgn(shape.Get(), Gdiplus::CombineModeReplace);
  else graphics.SetClipPath(clip, Gdiplus::CombineModeReplace);

  gfx::Bitmap* own = OwnBackgroundBitmap(record);
  const std::uint32_t fill = own ? record.backgroundKey : Argb(settings_.themeColour, 255);
  gfx::SolidBrush brush;
  if (brush.CreateSolidFill(fill)) graphics.FillRectangle(brush, 0.0f, 0.0f, W, H);

  gfx::Bitmap* picture = own ? own : ThemeBitmap();
  const int mode = own ? record.backgroundMode : settings_.defaultBackgroundMode;
  if (picture) {
    const auto pw = static_cast<float>(picture->GetImageWidth()), ph = static_cast<float>(picture->GetImageHeight());
    const gfx::RectF place = Placement(mode, W, H, pw, ph);
    if (place.Width == pw && place.Height == ph) {
      DrawPicture(graphics, *picture, place.X, place.Y);
    } else {
      // Stretched: scaled once with care and kept until the size or the picture
      // changes, so later full paints only copy it.
      if (!record.scaledBackground || record.scaledSource != picture || record.scaledSize.cx != width ||
          record.scaledSize.cy != height) {
        auto scaled = std::make_unique<gfx::Bitmap>();
        gfx::Graphics g;
        if (scaled->CreateBitmapFromScan0(width, height, 0, PixelFormat32bppPARGB, nullptr) &&
            g.GetImageGraphicsContext(*scaled)) {
          // On the fill colour, so the outermost pixels, which the filter blends with
          // what lies beyond the picture, blend with the window's own colour.
          g.GraphicsClear(fill);
          g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
          g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
          g.DrawImageRectRect(*picture, place.X, place.Y, place.Width, place.Height);
          record.scaledBackground = std::move(scaled);
          record.scaledSource = picture;
          record.scaledSize = SIZE{width, height};
        }
      }
      if (record.scaledBackground) DrawPicture(graphics, *record.scaledBackground, 0, 0);
    }
  }
  if (record.captionGloss) {
    gfx::GraphicsPath band = Rectangle(0, 0, W, static_cast<float>(record.captionHeight));
    FillVertical(graphics, band, 0, static_cast<float>(record.captionHeight), Argb(kWhite, 150), Argb(kWhite, 0));
  }
  graphics.ResetClip();
}

void SkinEngine::PaintFrame(SkinWindowRecord& record, gfx::Graphics& graphics, int width, int height) {
  const TitleMetrics& m = record.metrics;
  const auto W = static_cast<float>(width), H = static_cast<float>(height);
  const float line = static_cast<float>(std::max(m.Scale(1), 1));
  Outline(graphics, RoundRect(0, 0, W - line, H - line, static_cast<float>(m.Scale(7))), Argb(kBlack, 180), line);
  Outline(graphics, RoundRect(line, line, W - 3 * line, H - 3 * line, static_cast<float>(m.Scale(6))),
          Argb(kWhite, 180), line);
}

void SkinEngine::PaintCaption(SkinWindowRecord& record, HDC dc, int width, std::string_view text) {
  const TitleMetrics& m = record.metrics;
  const int margin = m.margin;
  const int iconSize = m.Scale(17);
  if (HICON icon = WindowIcon(iconSize))
    DrawIconEx(dc, margin + m.Scale(6), margin + m.Scale(2), icon, iconSize, iconSize, 0, nullptr, DI_NORMAL);
  if (text.empty()) return;
  Canvas canvas(dc);
  if (!canvas) return;
  gfx::Font font;
  if (!MakeFont(font, record.captionFont, static_cast<float>(m.Scale(record.captionFontSize)), 0)) return;
  const gfx::RectF layout(static_cast<float>(margin + m.Scale(6) + m.Scale(20)), static_cast<float>(margin + m.Scale(5)),
                          static_cast<float>(width - record.stripWidth - m.Scale(10) - 2 * margin),
                          static_cast<float>(m.Scale(32)));
  if (record.captionStyle == 1) {
    // The text effect: a soft shadow in the second caption colour, one pixel down
    // and right, so white text stays legible over light pictures.
    gfx::RectF shadow = layout;
    shadow.X += static_cast<float>(m.Scale(1));
    shadow.Y += static_cast<float>(m.Scale(1));
    DrawText(canvas.graphics, text, font, shadow, Argb(record.captionColour2, 160), 0, 0);
  }
  DrawText(canvas.graphics, text, font, layout, Argb(record.captionColour, 255), 0, 0);
  canvas.graphics.Flush(Gdiplus::FlushIntentionSync);
}

void SkinEngine::PaintMenuItems(SkinWindowRecord& record, gfx::Graphics& graphics) {
  gfx::Font font;
  if (!MakeFont(font, record.menuFont, static_cast<float>(record.metrics.Scale(record.menuFontSize)), 0)) return;
  const std::size_t count = std::min(record.itemList.size(), record.rectList.size());
  for (std::size_t i = 0; i < count; ++i) {
    const RECT& r = record.rectList[i];
    const gfx::RectF layout(static_cast<float>(r.left), static_cast<float>(r.top), static_cast<float>(r.right - r.left),
                            static_cast<float>(r.bottom - r.top));
    DrawText(graphics, record.itemList[i].text, font, layout, Argb(static_cast<COLORREF>(record.menuBar[3]), 255), 1, 1);
  }
}

}  // namespace ornivex::skin
