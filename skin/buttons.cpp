// Buttons of a skinned window: push buttons become owner-drawn glass buttons;
// check boxes and automatic radio buttons keep their behaviour but are painted
// here. All three share one family list and one procedure.

#include <optional>

#include "gfx/gfx.h"
#include "resources/skin_pictures.h"
#include "runtime/codepage.h"
#include "runtime/controls.h"
#include "skin/draw.h"
#include "skin/enrol_rules.h"
#include "skin/families.h"
#include "skin/family.h"
#include "skin/pixels.h"

namespace ornivex::skin {

namespace {

// Item-state bits the painters read.
constexpr UINT kSelected = ODS_SELECTED;  // 1
constexpr UINT kDisabled = ODS_DISABLED;  // 4
constexpr UINT kFocus = ODS_FOCUS;        // 16
constexpr UINT kHot = ODS_HOTLIGHT;       // 64

// What a painter needs besides the button: where to draw, in which state, and the
// window's scale.
struct Paint {
  SkinEngine& engine;
  const ButtonRecord& button;
  UINT state;
  RECT rect;
  int dpi;

  float S(float length96) const { return length96 * static_cast<float>(dpi) / 96.0f; }
  COLORREF Accent() const { return engine.Settings().accent; }
  COLORREF TextColour() const { return static_cast<COLORREF>(WindowProperty(button.window, prop::kTextColour)); }
};

// The shape P of every button: its rectangle less one pixel, corners of 5.
gfx::GraphicsPath ButtonShape(const Paint& p, float x, float y, float w, float h) {
  return RoundRect(x, y, w - 1, h - 1, p.S(5));
}

// The upper half with only its top corners rounded.
gfx::GraphicsPath UpperHalf(float x, float y, float w, float h, float corner) {
  gfx::GraphicsPath path;
  if (!path.CreatePath(Gdiplus::FillModeAlternate)) return path;
  path.AddPathArc(x, y, corner, corner, 180.0f, 90.0f);
  path.AddPathArc(x + w - corner, y, corner, corner, 270.0f, 90.0f);
  path.AddPathLine(x + w, y + h, x, y + h);
  path.ClosePathFigure();
  return path;
}

// The disabled look shared by all three kinds: silver, a soft three-stop sheen and
// a faint outline.
void PaintDisabled(gfx::Graphics& g, const gfx::GraphicsPath& shape, float x, float y, float w, float h) {
  gfx::GraphicsPath whole = Rectangle(x, y, w, h);
  FillSolid(g, whole, Argb(0xC0C0C0, 255));
  gfx::LinearGradientBrush sheen;
  if (sheen.CreateLineBrush(gfx::PointF(0, y), gfx::PointF(0, y + h), Argb(kWhite, 50), Argb(kWhite, 50),
                            Gdiplus::WrapModeTileFlipXY)) {
    const gfx::ARGB colours[3] = {Argb(kWhite, 50), Argb(kBlack, 10), Argb(kWhite, 50)};
    const gfx::REAL positions[3] = {0.0f, 0.6f, 1.0f};
    sheen.SetLinePresetBlend(colours, positions, 3);
    g.FillPath(sheen, shape);
  }
  Outline(g, shape, Argb(kBlack, 80));
}

void PaintPushButton(const Paint& p, gfx::Graphics& g, int width, int height) {
  const float x = 0, y = 0, w = static_cast<float>(width), h = static_cast<float>(height);
  gfx::GraphicsPath shape = ButtonShape(p, x, y, w, h);
  FillSolid(g, shape, Argb(kWhite, 120));
  if (p.state & kDisabled) {
    PaintDisabled(g, shape, x, y, w, h);
  } else {
    FillVertical(g, shape, y, h, Argb(kWhite, 0), Argb(0x808080, 60));
    gfx::GraphicsPath upper = UpperHalf(x, y, w - 1, h / 2, p.S(5));
    FillVertical(g, upper, y, h / 2, Argb(kWhite, 50), Argb(kWhite, 10));
    if (p.state & kHot) {
      FillVertical(g, shape, y, h, Argb(p.Accent(), 60), Argb(p.Accent(), 10));
      Outline(g, shape, Argb(p.Accent(), 255));
    } else if (p.state & kFocus) {
      for (float pen : {1.0f, 2.0f, 3.0f}) Outline(g, shape, Argb(kGlow, 120), p.S(pen));
      Outline(g, shape, Argb(kBlack, 70));
    } else {
      Outline(g, shape, Argb(kBlack, 120));
    }
    if (p.state & kSelected) {
      gfx::GraphicsPath inner = RoundRect(x + p.S(2), y + p.S(2), w - 1 - p.S(5), h - 1 - p.S(5), p.S(5));
      FillVertical(g, inner, y + p.S(2), h - p.S(5), Argb(p.Accent(), 60), Argb(kWhite, 100));
    }
  }
  if (const gfx::Font* font = p.engine.CachedFont(p.button.fontFace, p.button.fontSize, p.button.fontStyle))
    DrawText(g, p.button.caption, *font, gfx::RectF(0, p.S(2), w, h - p.S(2)), Argb(p.TextColour(), 255), 1, 1, true);
}

// The caption of a radio button or check box, left of it the mark.
void PaintMarkCaption(const Paint& p, gfx::Graphics& g, float w, float h) {
  if (const gfx::Font* font = p.engine.CachedFont(p.button.fontFace, p.button.fontSize, p.button.fontStyle))
    DrawText(g, p.button.caption, *font, gfx::RectF(p.S(18), 0, w - p.S(18), h), Argb(p.TextColour(), 255), 0, 1, true);
}

bool IsChecked(const ButtonRecord& button) { return SendMessageW(button.window, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void PaintRadioButton(const Paint& p, gfx::Graphics& g, int width, int height) {
  const float w = static_cast<float>(width), h = static_cast<float>(height);
  if (p.state & kDisabled) {
    PaintDisabled(g, ButtonShape(p, 0, 0, w, h), 0, 0, w, h);
  } else {
    const float mark = p.S(12), markTop = (h - mark) / 2;
    gfx::GraphicsPath outer;
    if (outer.CreatePath(Gdiplus::FillModeAlternate)) outer.AddPathEllipse(p.S(2), markTop, mark, mark);
    FillSolid(g, outer, Argb(kBlack, 200));
    gfx::GraphicsPath inner;
    if (inner.CreatePath(Gdiplus::FillModeAlternate))
      inner.AddPathEllipse(p.S(3), (h - p.S(11)) / 2 + p.S(1), p.S(9), p.S(9));
    FillSolid(g, inner, Argb(kWhite, 255));
    Outline(g, inner, Argb(kWhite, 255));
    FillVertical(g, outer, markTop, mark, Argb(kBlack, 100), Argb(kBlack, 0));
    if (p.state & kHot) {
      FillVertical(g, outer, markTop, mark, Argb(p.Accent(), 100), Argb(p.Accent(), 0));
      Outline(g, outer, Argb(kGlow, 30), p.S(1));
      Outline(g, outer, Argb(kGlow, 30), p.S(2));
      Outline(g, outer, Argb(p.Accent(), 255));
    }
    if (IsChecked(p.button)) {
      gfx::GraphicsPath dot;
      if (dot.CreatePath(Gdiplus::FillModeAlternate)) dot.AddPathEllipse(p.S(5), markTop + p.S(3), p.S(6), p.S(6));
      FillVertical(g, dot, markTop + p.S(3), p.S(6), Argb(kWhite, 100), Argb(0x808000, 255));
      Outline(g, dot, Argb(kBlack, 200));
    }
  }
  PaintMarkCaption(p, g, w, h);
}

void PaintCheckBox(const Paint& p, gfx::Graphics& g, int width, int height) {
  const float w = static_cast<float>(width), h = static_cast<float>(height);
  if (p.state & kDisabled) {
    PaintDisabled(g, ButtonShape(p, 0, 0, w, h), 0, 0, w, h);
  } else {
    const float mark = p.S(13), markTop = static_cast<float>(static_cast<int>((h - mark) / 2));
    const int step = PictureScaleStep(p.dpi);
    if (gfx::Bitmap* box = p.engine.Picture(pictures::Embedded(pictures::SkinPicture::CheckBox, step)))
      DrawPicture(g, *box, 0, markTop, mark, mark);
    if (IsChecked(p.button))
      if (gfx::Bitmap* tick = p.engine.Picture(pictures::Embedded(pictures::SkinPicture::Tick, step)))
        DrawPicture(g, *tick, 0, markTop, mark, mark);
    if (p.state & kHot) {
      gfx::GraphicsPath box = Rectangle(0, markTop, mark, mark);
      FillVertical(g, box, markTop, mark, Argb(p.Accent(), 100), Argb(p.Accent(), 0));
      Outline(g, box, Argb(kGlow, 30), p.S(1));
      Outline(g, box, Argb(kGlow, 30), p.S(2));
    }
  }
  PaintMarkCaption(p, g, w, h);
}

// Every painter: the background under the button, the kind's drawing on it, and
// the whole copied to `target` at the rectangle.
void PaintButton(SkinEngine& engine, const ButtonRecord& button, HDC target, UINT state, const RECT& rect) {
  SkinWindowRecord* window = engine.Record(static_cast<int>(WindowProperty(button.window, prop::kWindowNumber)));
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (!window || width <= 0 || height <= 0) return;
  DibCanvas canvas = engine.BackgroundUnder(button.window, true, false);
  if (!canvas) return;
  {
    Canvas drawing(canvas.Dc());
    if (!drawing) return;
    const Paint p{engine, button, state, rect, window->metrics.dpi};
    switch (static_cast<ButtonKind>(button.kind)) {
      case ButtonKind::Push: PaintPushButton(p, drawing.graphics, width, height); break;
      case ButtonKind::Radio: PaintRadioButton(p, drawing.graphics, width, height); break;
      case ButtonKind::Check: PaintCheckBox(p, drawing.graphics, width, height); break;
    }
    drawing.graphics.Flush(Gdiplus::FlushIntentionSync);
  }
  BitBlt(target, rect.left, rect.top, width, height, canvas.Dc(), 0, 0, SRCCOPY);
}

// Paints a button at once on its own DC.
void PaintButtonNow(SkinEngine& engine, const ButtonRecord& button, UINT state, bool hot) {
  WindowDc dc = WindowDc::Client(button.window);
  if (!dc) return;
  RECT client;
  GetClientRect(button.window, &client);
  PaintButton(engine, button, dc.Get(), hot ? (state | kHot) : state, client);
}

// The state a check box or radio button is in now.
UINT OwnState(const ButtonRecord& button) {
  UINT state = 0;
  if (!IsWindowEnabled(button.window)) state |= kDisabled;
  if (button.focused) state |= kFocus;
  return state;
}

bool PaintsItself(const ButtonRecord& button) {
  return button.kind == static_cast<int>(ButtonKind::Radio) || button.kind == static_cast<int>(ButtonKind::Check);
}

struct Buttons {
  using Record = ButtonRecord;
  static constexpr auto kList = &SkinWindowRecord::buttons;
  using Result = std::optional<LRESULT>;

  static SkinEngine& Engine() { return *SkinEngine::Instance(); }
  static SkinWindowRecord& Window(const ButtonRecord& b) {
    return *Engine().Record(static_cast<int>(WindowProperty(b.window, prop::kWindowNumber)));
  }
  static int Position(const ButtonRecord& b) { return static_cast<int>(WindowProperty(b.window, prop::kNumber)); }
  static bool IsHot(const ButtonRecord& b) {
    const SkinWindowRecord& w = Window(b);
    return w.hotKind == static_cast<int>(HotKind::Button) && w.lastHotButton == Position(b);
  }

  static Result OnMove(ButtonRecord& b) {
    InvalidateRect(b.window, nullptr, TRUE);
    return {};
  }
  static Result OnFocus(ButtonRecord& b, bool focused) {
    b.focused = focused ? 1 : 0;
    return {};
  }
  static Result OnSetText(ButtonRecord& b, const WindowMessage& msg) {
    b.caption = msg.lparam ? WideToGbk(reinterpret_cast<const wchar_t*>(msg.lparam)) : std::string();
    return {};
  }
  // A DC handed over with the message (a caller taking the painting off screen)
  // is painted into; otherwise the button's own.
  static Result OnPaint(ButtonRecord& b, const WindowMessage& msg) {
    if (!PaintsItself(b)) return {};  // the old procedure raises WM_DRAWITEM, into the same DC
    RECT client;
    GetClientRect(b.window, &client);
    const UINT state = OwnState(b) | (IsHot(b) ? kHot : 0);
    if (HDC given = msg.Dc()) {
      PaintButton(Engine(), b, given, state, client);
      return 0;
    }
    {
      PaintDc dc(b.window);
      if (dc) PaintButton(Engine(), b, dc.Get(), state, client);
    }
    return msg.Default();
  }
  static Result OnEraseBackground(ButtonRecord& b, const WindowMessage& msg) {
    SetBkMode(msg.Dc(), TRANSPARENT);
    SetTextColor(msg.Dc(), static_cast<COLORREF>(WindowProperty(b.window, prop::kTextColour)));
    return 1;
  }
  // The check changes first, then the new mark is painted.
  static Result OnCheckChange(ButtonRecord& b, const WindowMessage& msg) {
    if (!PaintsItself(b)) return {};
    const LRESULT result = msg.PassOn();
    PaintButtonNow(Engine(), b, OwnState(b), IsHot(b));
    return result;
  }
  static Result OnMouseMove(ButtonRecord& b) {
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, b.window, 0};
    TrackMouseEvent(&track);
    SkinWindowRecord& w = Window(b);
    w.hotButton = Position(b);
    if (w.hotButton != w.lastHotButton || w.hotKind != static_cast<int>(HotKind::Button)) {
      // The first move over this button: the hot look, once.
      w.lastHotButton = w.hotButton;
      w.hotKind = static_cast<int>(HotKind::Button);
      PaintButtonNow(Engine(), b, PaintsItself(b) ? OwnState(b) : 0, true);
    }
    return {};
  }
  static Result OnLButtonDown(ButtonRecord& b, const WindowMessage& msg) {
    if (!PaintsItself(b)) return {};
    const LRESULT result = msg.PassOn();
    PaintButtonNow(Engine(), b, OwnState(b) | (b.kind == static_cast<int>(ButtonKind::Radio) ? kSelected : 0),
                   IsHot(b));
    return result;
  }
  static Result OnLButtonUp(ButtonRecord& b) {
    Window(b).lastHotButton = 0;
    return {};
  }
  static Result OnMouseLeave(ButtonRecord& b) {
    Window(b).lastHotButton = 0;
    PaintButtonNow(Engine(), b, b.focused ? kFocus : 0, false);
    return {};
  }

  // A new font (a new scale, say) is the one the caption is drawn in from now on.
  static Result OnSetFont(ButtonRecord& b, const WindowMessage& msg) {
    const LRESULT result = msg.PassOn();
    const WindowFont font = FontOfWindow(b.window);
    b.fontFace = font.face;
    b.fontSize = font.size;
    b.fontStyle = font.style;
    return result;
  }

  static Result Handle(ButtonRecord& b, const WindowMessage& msg) {
    switch (msg.message) {
      case WM_SETFONT: return OnSetFont(b, msg);
      case WM_MOVE: return OnMove(b);
      case WM_SETFOCUS: return OnFocus(b, true);
      case WM_KILLFOCUS: return OnFocus(b, false);
      case WM_SETTEXT: return OnSetText(b, msg);
      case WM_PAINT: return OnPaint(b, msg);
      case WM_ERASEBKGND: return OnEraseBackground(b, msg);
      case WM_NCPAINT: return 1;  // no border
      case BM_SETCHECK: return OnCheckChange(b, msg);
      case WM_KEYDOWN: return msg.wparam == VK_SPACE ? OnCheckChange(b, msg) : Result{};
      case WM_MOUSEMOVE: return OnMouseMove(b);
      case WM_LBUTTONDOWN: return OnLButtonDown(b, msg);
      case WM_LBUTTONUP: return OnLButtonUp(b);
      case WM_LBUTTONDBLCLK: return 0;  // swallowed
      case WM_MOUSELEAVE: return OnMouseLeave(b);
    }
    return {};
  }
};

// Enrols one button: its record, caption and font.
ButtonRecord* EnrolButton(SkinWindowRecord& record, int number, HWND child, ButtonKind kind) {
  ButtonRecord* button = EnrolControl<Buttons>(record, number, child);
  if (!button) return nullptr;
  button->kind = static_cast<int>(kind);
  button->caption = GetControlText(child);
  const WindowFont font = FontOfWindow(child);
  button->fontFace = font.face;
  button->fontSize = font.size;
  button->fontStyle = font.style;
  return button;
}

template <class Take>
void ForEachButtonChild(HWND parent, Take take) {
  ForEachChildOfClass(parent, L"Button", [&](HWND child) {
    take(child, static_cast<std::uint32_t>(GetWindowLongPtrW(child, GWL_STYLE)));
  });
}

}  // namespace

void EnrolPushButtons(SkinEngine& engine, SkinWindowRecord& record, int number, HWND parent) {
  if (!engine.Settings().skinChildControls) return;
  ForEachButtonChild(parent, [&](HWND child, std::uint32_t style) {
    if (!IsSkinnablePushButton(style) || Listed(record.buttons, child)) return;
    if (!EnrolButton(record, number, child, ButtonKind::Push)) return;
    SetWindowLongPtrW(child, GWL_STYLE, static_cast<LONG_PTR>(style | BS_OWNERDRAW));
    InvalidateRect(child, nullptr, TRUE);
  });
}

void EnrolCheckAndRadioButtons(SkinEngine& engine, SkinWindowRecord& record, int number, HWND parent) {
  if (!engine.Settings().skinChildControls) return;
  ForEachButtonChild(parent, [&](HWND child, std::uint32_t style) {
    const std::optional<ButtonKind> kind = CheckOrRadioKind(style);
    if (!kind || Listed(record.buttons, child)) return;
    if (ButtonRecord* button = EnrolButton(record, number, child, *kind)) {
      button->ownerWindow = record.window;
      InvalidateRect(child, nullptr, TRUE);
    }
  });
}

bool DrawOwnerDrawnItem(SkinEngine& engine, const DRAWITEMSTRUCT& item) {
  if (item.CtlType != ODT_BUTTON) return false;
  ButtonRecord* button = FindControlRecord(item.hwndItem, &SkinWindowRecord::buttons);
  if (!button || button->kind != static_cast<int>(ButtonKind::Push)) return false;
  // A repaint while the mouse rests on the button keeps its hot look.
  UINT state = item.itemState;
  if (Buttons::IsHot(*button)) state |= kHot;
  PaintButton(engine, *button, item.hDC, state, item.rcItem);
  return true;
}


}  // namespace ornivex::skin
