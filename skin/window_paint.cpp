// Composing a skinned window: background colour and picture, frame, icon and
// caption, title buttons and menu items, into the window's memory DCs, and copying
// the result to the screen.
#include <algorithm>

#include "gfx/gfx.h"
#include "runtime/codepage.h"
#include "runtime/controls.h"
#include "runtime/diagnostics.h"
#include "runtime/picture_decode.h"
#include "runtime/resample.h"
#include "runtime/subclass.h"
#include "skin/background.h"
#include "skin/draw.h"
#include "skin/engine.h"

namespace ornivex::skin {

namespace {

// The window's text in GBK.
// The window's rounded shape: its region, and the area its background fills.
UniqueRegion WindowShape(int width, int height, const TitleMetrics& metrics) {
  const int corner = metrics.Scale(5);
  return UniqueRegion(CreateRoundRectRgn(0, 0, width + 1, height + 1, corner, corner));
}

// Paints magenta over what lies outside the window's shape.
void PaintOutsideShape(HDC dc, int width, int height, const TitleMetrics& metrics) {
  UniqueRegion outside(CreateRectRgn(0, 0, width, height));
  UniqueRegion shape = WindowShape(width, height, metrics);
  UniqueBrush magenta(CreateSolidBrush(kMagenta));
  if (outside && shape && magenta && CombineRgn(outside.Get(), outside.Get(), shape.Get(), RGN_DIFF) != ERROR)
    FillRgn(dc, outside.Get(), magenta.Get());
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
  // An unchanged size keeps its region. A new one replaces the old in one step,
  // without a redraw of its own: the full paint that asked for it shows the window
  // anew anyway, and a borderless window has no frame to refresh first.
  if (record.regionSize.cx == width && record.regionSize.cy == height) return;
  UniqueRegion region = WindowShape(width, height, record.metrics);
  if (!region || !SetWindowRegion(record.window, region, false)) {
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
    const bool copied = CopyScaledBackground(*record, main, width, height);
    Canvas canvas(main);
    if (!canvas) return;
    PaintBackground(canvas.graphics, *record, width, height, copied);
    if (record->titleButtonsActive) PaintFrame(*record, canvas.graphics, width, height);
    canvas.graphics.Flush(Gdiplus::FlushIntentionSync);
  }
  // Outside the window's own rounded shape the picture is magenta, the key colour:
  // exactly the pixels the region leaves out, so none shows inside it.
  PaintOutsideShape(main, width, height, record->metrics);
  // The background and frame without caption and buttons, for partial repaints.
  if (record->dc2.Width() != width || record->dc2.Height() != height) record->dc2.Resize(width, height);
  BitBlt(record->dc2.Dc(), 0, 0, width, height, main, 0, 0, SRCCOPY);

  if (record->titleButtonsActive && record->captionText) PaintCaption(*record, main, width, GetControlText(record->window));
  PaintTitleButtonsAsTheyAre(number);
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

bool SkinEngine::CopyScaledBackground(SkinWindowRecord& record, HDC target, int width, int height) {
  gfx::Bitmap* own = OwnBackgroundBitmap(record);
  DibCanvas& scaled = record.scaledBackground;
  const void* source = own ? static_cast<const void*>(own) : static_cast<const void*>(&settings_.themePicture);
  // The theme scaled for this size already (a new theme drops every window's copy).
  if (!own && scaled && record.scaledSource == source && scaled.Width() == width && scaled.Height() == height)
    return BitBlt(target, 0, 0, width, height, scaled.Dc(), 0, 0, SRCCOPY) != 0;
  // The theme picture not decoded yet is decoded here to its pixels alone: when it
  // is stretched they are all the window needs, and no bitmap is made for them.
  std::optional<ornivex::Picture> decoded;
  if (!own && !themeBitmap_ && !settings_.themePicture.empty()) {
    decoded = DecodePictureFile(settings_.themePicture);
    if (!decoded) themeBitmap_ = DecodePicture(settings_.themePicture);
  }
  gfx::Bitmap* picture = own ? own : decoded ? nullptr : ThemeBitmap();
  if (!picture && !decoded) return false;
  const int mode = own ? record.backgroundMode : settings_.defaultBackgroundMode;
  const auto pw = static_cast<float>(picture ? picture->GetImageWidth() : decoded->width);
  const auto ph = static_cast<float>(picture ? picture->GetImageHeight() : decoded->height);
  const gfx::RectF place = Placement(mode, static_cast<float>(width), static_cast<float>(height), pw, ph);
  if (place.Width == pw && place.Height == ph) {  // drawn at its own size, no scaling
    if (decoded) themeBitmap_ = BitmapFromPixels(*decoded);
    return false;
  }
  // Scaled once with care (a cubic filter, prefiltered where it shrinks, edges kept)
  // and kept until the size or the picture changes; full paints then only copy it.
  if (!scaled || record.scaledSource != source || scaled.Width() != width || scaled.Height() != height) {
    std::vector<std::uint8_t> pixels;
    int sw = 0, sh = 0;
    if (decoded) {
      pixels = std::move(decoded->bgra);
      sw = decoded->width;
      sh = decoded->height;
    } else if (!ReadPremultipliedPixels(*picture, pixels, sw, sh)) {
      return false;
    }
    if (!scaled.Resize(width, height)) return false;
    GdiFlush();
    const std::span<std::uint8_t> target(reinterpret_cast<std::uint8_t*>(scaled.Bits()),
                                         static_cast<std::size_t>(width) * height * 4);
    if (!ResamplePremultiplied(pixels, sw, sh, target, width, height)) return false;
    // What the picture leaves transparent shows the window's own colour.
    const COLORREF fill = own ? RGB((record.backgroundKey >> 16) & 0xFF, (record.backgroundKey >> 8) & 0xFF,
                                    record.backgroundKey & 0xFF)
                              : settings_.themeColour;
    CompositeOverColour(target, (static_cast<std::uint32_t>(GetRValue(fill)) << 16) |
                                    (static_cast<std::uint32_t>(GetGValue(fill)) << 8) | GetBValue(fill));
    record.scaledSource = source;
  }
  return BitBlt(target, 0, 0, width, height, scaled.Dc(), 0, 0, SRCCOPY) != 0;
}

void SkinEngine::PaintBackground(gfx::Graphics& graphics, SkinWindowRecord& record, int width, int height,
                                 bool pictureCopied) {
  const auto W = static_cast<float>(width), H = static_cast<float>(height);
  if (!pictureCopied) {
    gfx::Bitmap* own = OwnBackgroundBitmap(record);
    gfx::Bitmap* picture = own ? own : ThemeBitmap();
    const int mode = own ? record.backgroundMode : settings_.defaultBackgroundMode;
    const float pw = picture ? static_cast<float>(picture->GetImageWidth()) : 0;
    const float ph = picture ? static_cast<float>(picture->GetImageHeight()) : 0;
    const gfx::RectF place = Placement(mode, W, H, pw, ph);
    // The colour shows wherever the picture leaves room.
    if (!picture || place.X > 0 || place.Y > 0 || place.X + place.Width < W || place.Y + place.Height < H)
      graphics.GraphicsClear(own ? record.backgroundKey : Argb(settings_.themeColour, 255));
    if (picture) DrawPicture(graphics, *picture, place.X, place.Y);
  }
  if (record.captionGloss) {
    gfx::GraphicsPath band = Rectangle(0, 0, W, static_cast<float>(record.captionHeight));
    FillVertical(graphics, band, 0, static_cast<float>(record.captionHeight), Argb(kWhite, 150), Argb(kWhite, 0));
  }
}

void SkinEngine::PaintFrame(SkinWindowRecord& record, gfx::Graphics& graphics, int width, int height) {
  const TitleMetrics& m = record.metrics;
  const auto W = static_cast<float>(width), H = static_cast<float>(height);
  const float line = static_cast<float>(std::max(m.Scale(1), 1));
  // Two rounded outlines, dark outside and light inside. Stroked edge by edge
  // rather than as one path, so only the thin bands along the edges are drawn.
  StrokeRoundRect(graphics, 0, 0, W - line, H - line, static_cast<float>(m.Scale(7)), Argb(kBlack, 180), line);
  StrokeRoundRect(graphics, line, line, W - 3 * line, H - 3 * line, static_cast<float>(m.Scale(6)), Argb(kWhite, 180),
                  line);
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
  const gfx::Font* font = CachedFont(record.captionFont, static_cast<float>(m.Scale(record.captionFontSize)), 0);
  if (!font) return;
  const gfx::RectF layout(static_cast<float>(margin + m.Scale(6) + m.Scale(20)), static_cast<float>(margin + m.Scale(5)),
                          static_cast<float>(width - record.stripWidth - m.Scale(10) - 2 * margin),
                          static_cast<float>(m.Scale(32)));
  if (record.captionStyle == 1) {
    // The text effect: a soft shadow in the second caption colour, one pixel down
    // and right, so white text stays legible over light pictures.
    gfx::RectF shadow = layout;
    shadow.X += static_cast<float>(m.Scale(1));
    shadow.Y += static_cast<float>(m.Scale(1));
    DrawText(canvas.graphics, text, *font, shadow, Argb(record.captionColour2, 160), 0, 0);
  }
  DrawText(canvas.graphics, text, *font, layout, Argb(record.captionColour, 255), 0, 0);
  canvas.graphics.Flush(Gdiplus::FlushIntentionSync);
}

void SkinEngine::PaintMenuItems(SkinWindowRecord& record, gfx::Graphics& graphics) {
  const gfx::Font* font = CachedFont(record.menuFont, static_cast<float>(record.metrics.Scale(record.menuFontSize)), 0);
  if (!font) return;
  const std::size_t count = std::min(record.itemList.size(), record.rectList.size());
  for (std::size_t i = 0; i < count; ++i) {
    const RECT& r = record.rectList[i];
    const gfx::RectF layout(static_cast<float>(r.left), static_cast<float>(r.top), static_cast<float>(r.right - r.left),
                            static_cast<float>(r.bottom - r.top));
    DrawText(graphics, record.itemList[i].text, *font, layout, Argb(static_cast<COLORREF>(record.menuBar[3]), 255), 1, 1);
  }
}

}  // namespace ornivex::skin
