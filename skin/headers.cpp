// Column headers, stand-alone ones and those of list views, painted by the skin:
// the background shows through, each item gets a soft gradient in the accent
// colour, hot and pressed items of a header with buttons are tinted, items are
// parted by a one-pixel gradient line, and icons and text are drawn over it.
#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>
#include <vector>

#include "gfx/gfx.h"
#include "runtime/codepage.h"
#include "skin/draw.h"
#include "skin/families.h"
#include "skin/family.h"
#include "skin/family_paint.h"

namespace ornivex::skin {

namespace {

constexpr int kHeaderKind = static_cast<int>(HotKind::Header);
constexpr int kTextBuffer = 260;

int ItemCount(HWND header) { return static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)); }

RECT ItemRect(HWND header, int index) {
  RECT r{};
  SendMessageW(header, HDM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
  return r;
}

// The right edge of the list view a header belongs to, in the header's
// coordinates; nothing for a stand-alone header.
std::optional<int> ListRightEdge(HWND header) {
  HWND parent = GetParent(header);
  if (!parent || !IsClass(parent, L"SysListView32")) return std::nullopt;
  RECT client;
  GetClientRect(parent, &client);
  POINT right{client.right, 0};
  MapWindowPoints(parent, header, &right, 1);
  return right.x;
}

// The face, size and style of the header's font, which its text is drawn in.
void TakeFont(HeaderRecord& header) {
  const WindowFont font = FontOfWindow(header.window);
  header.fontFace = font.face;
  header.fontSize = font.size;
  header.fontStyle = font.style;
}

int HitTestHeader(const HeaderRecord& header, LPARAM lparam) {
  std::vector<ItemSpan> spans;
  const int count = ItemCount(header.window);
  for (int i = 0; i < count; ++i) {
    const RECT r = ItemRect(header.window, i);
    spans.push_back({r.left, r.right});
  }
  return HeaderItemAt(static_cast<short>(LOWORD(lparam)), spans, MetricsOf(header.window).headerDeadZone);
}

// The item's icon from the header's image list, drawn at the bitmap margin and
// centred vertically; its width (with the margin after it), 0 when there is none.
float PaintItemIcon(gfx::Graphics& g, HIMAGELIST images, int image, float left, float top, float height,
                    float margin) {
  if (!images || image < 0) return 0;
  UniqueIcon icon(ImageList_GetIcon(images, image, ILD_TRANSPARENT));
  if (!icon) return 0;
  gfx::Bitmap bitmap;
  if (!bitmap.CreateBitmapFromHICON(icon.Get())) return 0;
  const auto w = static_cast<float>(bitmap.GetImageWidth()), h = static_cast<float>(bitmap.GetImageHeight());
  DrawPicture(g, bitmap, left + margin, top + static_cast<float>(static_cast<int>((height - h) / 2)));
  return w + margin;
}

struct ItemLook {
  bool buttons;
  ItemTint tint;
  int veilAlpha;
};

void PaintItemFace(gfx::Graphics& g, const gfx::RectF& r, const ItemLook& look) {
  gfx::GraphicsPath path = Rectangle(r.X, r.Y, r.Width, r.Height);
  FillSolid(g, path, Argb(kWhite, look.veilAlpha));
  if (look.buttons) FillVertical(g, path, r.Y, r.Height, Argb(kWhite, 80), Argb(Accent(), 120));
  else FillVertical(g, path, r.Y, r.Height, Argb(Accent(), 60), Argb(Accent(), 10));
  if (look.tint.hot) FillVertical(g, path, r.Y, r.Height, Argb(Accent(), 60), Argb(kBlack, 30));
  if (look.tint.pressed) FillVertical(g, path, r.Y, r.Height, Argb(kBlack, 30), Argb(kWhite, 120));
  // The separator: a line fading from dark at the top to light at the bottom.
  gfx::LinearGradientBrush fade;
  gfx::Pen separator;
  const float x = r.X + r.Width - 0.5f;
  if (fade.CreateLineBrush(gfx::PointF(0, r.Y), gfx::PointF(0, r.Y + r.Height), Argb(kBlack, 60), Argb(kWhite, 50),
                           Gdiplus::WrapModeTileFlipXY) &&
      separator.CreatePen2(fade, 1.0f, Gdiplus::UnitPixel))
    g.DrawLine(separator, x, r.Y, x, r.Y + r.Height);
}

void PaintHeader(HeaderRecord& header, HDC target) {
  HWND control = header.window;
  RECT client;
  GetClientRect(control, &client);
  if (client.right <= 0 || client.bottom <= 0) return;
  DibCanvas canvas = Engine().BackgroundUnder(control, true, false);
  if (!canvas) return;
  const SkinSettings& settings = Engine().Settings();
  const ItemLook base{header.buttons != 0, {}, settings.skinChildControls ? settings.veilAlpha : 0};
  // The image list is asked for at each paint: the program may give one later.
  header.imageList = reinterpret_cast<HANDLE>(SendMessageW(control, HDM_GETIMAGELIST, 0, 0));
  const auto images = static_cast<HIMAGELIST>(header.imageList);
  const auto margin = static_cast<float>(SendMessageW(control, HDM_GETBITMAPMARGIN, 0, 0));
  const std::optional<int> listRight = ListRightEdge(control);
  const int count = ItemCount(control);
  {
    PixelGraphics drawing(canvas);
    if (!drawing) return;
    gfx::Graphics& g = drawing.Get();
    const gfx::Font* font = Engine().CachedFont(header.fontFace, header.fontSize, header.fontStyle);
    for (int i = 1; i <= count; ++i) {
      wchar_t text[kTextBuffer] = {};
      HDITEMW item{};
      item.mask = HDI_TEXT | HDI_FORMAT | HDI_IMAGE | HDI_WIDTH | HDI_BITMAP | HDI_LPARAM;
      item.pszText = text;
      item.cchTextMax = kTextBuffer;
      SendMessageW(control, HDM_GETITEMW, i - 1, reinterpret_cast<LPARAM>(&item));
      RECT r = ItemRect(control, i - 1);
      if (i == count && listRight && *listRight > r.right) r.right = *listRight;
      const gfx::RectF area(static_cast<float>(r.left), static_cast<float>(r.top), static_cast<float>(r.right - r.left),
                            static_cast<float>(r.bottom - r.top));
      ItemLook look = base;
      look.tint = HeaderItemTint(header, i);
      PaintItemFace(g, area, look);
      float iconWidth = 0;
      if (item.fmt & HDF_IMAGE) iconWidth = PaintItemIcon(g, images, item.iImage, area.X, area.Y, area.Height, margin);
      if (!font || !text[0]) continue;
      const int justify = item.fmt & HDF_JUSTIFYMASK;
      const int align = justify == HDF_RIGHT ? 2 : justify == HDF_CENTER ? 1 : 0;
      const float left = area.X + margin + (align == 0 ? iconWidth : 0);
      DrawText(g, WideToGbk(text), *font, gfx::RectF(left, area.Y, area.X + area.Width - margin - left, area.Height),
               Argb(kBlack, 255), align, 1);
    }
  }
  if (target) {
    BitBlt(target, 0, 0, canvas.Width(), canvas.Height(), canvas.Dc(), 0, 0, SRCCOPY);
  } else if (WindowDc dc = WindowDc::Client(control)) {
    BitBlt(dc.Get(), 0, 0, canvas.Width(), canvas.Height(), canvas.Dc(), 0, 0, SRCCOPY);
  }
}

struct Headers {
  using Record = HeaderRecord;
  static constexpr auto kList = &SkinWindowRecord::headerControls;
  using Result = std::optional<LRESULT>;

  static void PaintAgain(HWND window) {
    if (HeaderRecord* header = FindControlRecord(window, kList)) PaintHeader(*header, nullptr);
  }

  static Result OnMove(HeaderRecord& h) {
    PaintHeader(h, nullptr);
    return {};
  }
  static Result OnPaint(HeaderRecord& h, const WindowMessage& msg) {
    if (HDC given = msg.Dc()) {
      PaintHeader(h, given);
      return 0;
    }
    {
      PaintDc dc(h.window);
      if (dc) PaintHeader(h, dc.Get());
    }
    return msg.Default();
  }
  static Result OnEraseBackground(const WindowMessage& msg) {
    SetBkMode(msg.Dc(), TRANSPARENT);
    return 1;
  }
  static Result OnNcDestroy(HeaderRecord& h) {
    // The image list is the program's (or the list view's), which destroys it.
    h.imageList = nullptr;
    return {};
  }
  static Result OnMouseMove(HeaderRecord& h, const WindowMessage& msg) {
    TrackMouseLeave(h.window);
    TakeHover(*WindowOf(h.window), kHeaderKind, PositionOf(h.window));
    if (HeaderMouseMove(h, HitTestHeader(h, msg.lparam))) PaintHeader(h, nullptr);
    return {};
  }
  // The header's own handling first (it may start dragging a divider), then the
  // pressed look.
  static Result OnLButtonDown(HeaderRecord& h, const WindowMessage& msg) {
    const bool changed = HeaderButtonDown(h);
    const LRESULT result = msg.PassOn();
    if (changed) PaintAgain(msg.window);
    return result;
  }
  static Result OnLButtonUp(HeaderRecord& h, const WindowMessage& msg) {
    const bool changed = HeaderButtonUp(h);
    const LRESULT result = msg.PassOn();
    if (changed) PaintAgain(msg.window);
    return result;
  }
  // A new font (a new display scale, say) is the one the text is drawn in from now on.
  static Result OnSetFont(const WindowMessage& msg) {
    const LRESULT result = msg.PassOn();
    if (HeaderRecord* still = FindControlRecord(msg.window, kList)) TakeFont(*still);
    return result;
  }
  static Result OnMouseLeave(HeaderRecord& h) {
    DropHover(*WindowOf(h.window), kHeaderKind, PositionOf(h.window));
    HeaderMouseLeave(h);
    PaintHeader(h, nullptr);
    return {};
  }

  static Result Handle(HeaderRecord& h, const WindowMessage& msg) {
    switch (msg.message) {
      case WM_SETFONT: return OnSetFont(msg);
      case WM_MOVE: return OnMove(h);
      case WM_PAINT: return OnPaint(h, msg);
      case WM_ERASEBKGND: return OnEraseBackground(msg);
      case WM_NCDESTROY: return OnNcDestroy(h);
      case WM_MOUSEMOVE: return OnMouseMove(h, msg);
      case WM_LBUTTONDOWN: return OnLButtonDown(h, msg);
      case WM_LBUTTONUP: return OnLButtonUp(h, msg);
      case WM_MOUSELEAVE: return OnMouseLeave(h);
    }
    return {};
  }
};

void EnrolHeader(SkinWindowRecord& record, int number, HWND control) {
  HeaderRecord* header = EnrolControl<Headers>(record, number, control);
  if (!header) return;
  header->buttons = (StyleOf(control) & HDS_BUTTONS) ? 1 : 0;
  // Every header draws its text in its own font (a stand-alone one too).
  TakeFont(*header);
  header->imageList = reinterpret_cast<HANDLE>(SendMessageW(control, HDM_GETIMAGELIST, 0, 0));
  InvalidateWhole(control);
}

}  // namespace

void SubclassHeaders(SkinEngine& engine, SkinWindowRecord& record, int number, HWND parent) {
  if (!engine.Settings().controlsEnabled) return;
  ForEachChildOfClass(parent, WC_HEADERW, [&](HWND header) { EnrolHeader(record, number, header); });
  ForEachChildOfClass(parent, WC_LISTVIEWW, [&](HWND list) {
    ForEachChildOfClass(list, WC_HEADERW, [&](HWND header) { EnrolHeader(record, number, header); });
  });
}

}  // namespace ornivex::skin
