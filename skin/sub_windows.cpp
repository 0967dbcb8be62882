// Sub-windows: containers inside a skinned window (a group box, a frame, a host
// window) that paint the skin's background under themselves, optionally with a
// soft frame or a group-box frame and caption, and colour their own children
// transparently.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "gfx/gfx.h"
#include "runtime/codepage.h"
#include "runtime/controls.h"
#include "runtime/diagnostics.h"
#include "skin/draw.h"
#include "skin/families.h"
#include "skin/family.h"
#include "skin/family_paint.h"

namespace ornivex::skin {

namespace {

bool IsGroupBox(HWND window) {
  return IsClass(window, L"Button") && (GetWindowLongPtrW(window, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

// The group box's frame and caption, the caption placed by the button's alignment.
void PaintGroupBoxFrame(const SubWindowRecord& sub, gfx::Graphics& g, int width, int height) {
  const int dpi = MetricsOf(sub.window).dpi;
  auto S = [dpi](float v) { return v * static_cast<float>(dpi) / 96.0f; };
  const std::string caption = GetControlText(sub.window);
  SkinEngine* engine = SkinEngine::Instance();
  const gfx::Font* font =
      caption.empty() || !engine ? nullptr : engine->CachedFont(sub.fontFace, sub.fontSize, sub.fontStyle);
  gfx::RectF text;
  if (font) {
    gfx::StringFormat format;
    format.CreateStringFormat(Gdiplus::StringFormatFlagsNoWrap, 0);
    g.MeasureString(caption, *font, gfx::RectF(0, 0, static_cast<float>(width), static_cast<float>(height)), &format,
                    text);
    const auto align = GetWindowLongPtrW(sub.window, GWL_STYLE) & BS_CENTER;
    const float margin = S(8), w = std::min(text.Width, static_cast<float>(width) - 2 * margin);
    text.X = align == BS_CENTER ? (static_cast<float>(width) - w) / 2
             : align == BS_RIGHT ? static_cast<float>(width) - margin - w
                                 : margin;
    text.Y = 0;
    text.Width = w;
    // The frame stops short of the caption on both sides.
    gfx::RectF gap(text.X - S(2), 0, text.Width + S(4), text.Height);
    g.SetClipRect(gap.X, gap.Y, gap.Width, gap.Height, Gdiplus::CombineModeExclude);
  }
  const float top = S(5);
  Outline(g, RoundRect(0, top, static_cast<float>(width) - 1, static_cast<float>(height) - top - 1, S(5)),
          Argb(kBlack, 40));
  Outline(g, RoundRect(1, top + 1, static_cast<float>(width) - 3, static_cast<float>(height) - top - 3, S(3)),
          Argb(kWhite, 90));
  g.ResetClip();
  if (font)
    DrawText(g, caption, *font, text, Argb(static_cast<COLORREF>(WindowProperty(sub.window, prop::kTextColour)), 255), 0,
             0, true);
}

// Composes the sub-window's look and copies it to `target`, or to a fresh DC of
// the sub-window without its children. Its visible children are left as they are
// either way, even in a container whose paint DC does not leave them out
// (one without WS_CLIPCHILDREN).
void PaintSubWindow(SubWindowRecord& sub, HDC target) {
  SkinEngine* engine = SkinEngine::Instance();
  if (!engine) return;
  RECT client;
  GetClientRect(sub.window, &client);
  DibCanvas canvas = engine->BackgroundUnder(sub.window, true, false);
  if (!canvas) return;
  if (sub.groupBox || sub.frame) {
    Canvas drawing(canvas.Dc());
    if (drawing) {
      if (sub.groupBox) {
        PaintGroupBoxFrame(sub, drawing.graphics, client.right, client.bottom);
      } else {
        const FamilyMetrics m = MetricsOf(sub.window);
        const auto w = static_cast<float>(client.right), h = static_cast<float>(client.bottom);
        Outline(drawing.graphics, RoundRect(0, 0, w - 1, h - 1, static_cast<float>(m.subWindowCorner)),
                Argb(kBlack, 40));
        Outline(drawing.graphics, RoundRect(1, 1, w - 3, h - 3, static_cast<float>(m.subWindowInnerCorner)),
                Argb(kWhite, 100));
      }
      drawing.graphics.Flush(Gdiplus::FlushIntentionSync);
    }
  }
  if (target) {
    ExcludeChildren(target, sub.window);
    BitBlt(target, 0, 0, client.right, client.bottom, canvas.Dc(), 0, 0, SRCCOPY);
  } else if (WindowDc dc = WindowDc::ClientWithoutChildren(sub.window)) {
    BitBlt(dc.Get(), 0, 0, client.right, client.bottom, canvas.Dc(), 0, 0, SRCCOPY);
  }
  sub.repaintNeeded = 0;
}

struct SubWindows {
  using Record = SubWindowRecord;
  static constexpr auto kList = &SkinWindowRecord::subWindows;
  using Result = std::optional<LRESULT>;

  static SkinSettings& Settings() { return SkinEngine::Instance()->Settings(); }
  static bool ControlsSkinned() { return Settings().controlsEnabled && Settings().skinChildControls; }

  static Result OnMove(SubWindowRecord& sub) {
    if (sub.transparentBackground && sub.alpha != 255) InvalidateRect(sub.window, nullptr, FALSE);
    return {};
  }
  static Result OnSize(SubWindowRecord& sub) {
    sub.repaintNeeded = 1;
    RECT client;
    GetClientRect(sub.window, &client);
    const int inset = MetricsOf(sub.window).dockInset;
    for (const auto& [child, top] : sub.dockedChildren)
      if (child) MoveWindow(child, inset, top, client.right - 2 * inset, client.bottom - top, TRUE);
    return {};
  }
  // The full paint (after registration and every resize) goes into the paint DC;
  // the quick paint lets the paint DC go first and copies into a fresh DC of the
  // whole client area that leaves the visible children out.
  static Result OnPaint(SubWindowRecord& sub, const WindowMessage& msg) {
    if (!sub.transparentBackground) return {};
    const bool full = sub.repaintNeeded != 0;
    {
      PaintDc dc(sub.window);
      if (full) PaintSubWindow(sub, dc.Get());
    }
    if (!full) PaintSubWindow(sub, nullptr);
    return msg.Default();
  }
  static Result OnEraseBackground(SubWindowRecord& sub, const WindowMessage& msg) {
    if (!sub.transparentBackground) return {};
    SetBkMode(msg.Dc(), TRANSPARENT);
    return 1;
  }
  static Result OnShowWindow(SubWindowRecord& sub, const WindowMessage& msg) {
    if (msg.wparam != 1) return {};
    HWND window = sub.window;
    const LRESULT result = msg.PassOn();
    if (SubWindowRecord* still = FindControlRecord(window, kList); still && still->transparentBackground)
      PaintSubWindow(*still, nullptr);
    return result;
  }
  // A button the skin painted is done: passed on, it would reach the window
  // (a container hands its children's items up) and be painted again.
  static Result OnDrawItem(const WindowMessage& msg) {
    if (msg.lparam) {
      const DRAWITEMSTRUCT item = *reinterpret_cast<const DRAWITEMSTRUCT*>(msg.lparam);
      if (DrawOwnerDrawnItem(*SkinEngine::Instance(), item)) return TRUE;
    }
    return {};
  }
  static Result OnNotify(const WindowMessage& msg) {
    const auto* header = reinterpret_cast<const NMHDR*>(msg.lparam);
    if (header && (header->code == TVN_ITEMEXPANDINGA || header->code == TVN_ITEMEXPANDEDA ||
                   header->code == TVN_ITEMEXPANDINGW || header->code == TVN_ITEMEXPANDEDW))
      InvalidateRect(header->hwndFrom, nullptr, TRUE);
    return {};
  }
  static Result OnCommand(const WindowMessage& msg) {
    if (ControlsSkinned()) RepaintOnNotification(msg.Sender(), HIWORD(msg.wparam));
    return {};
  }
  static Result OnControlColour(const WindowMessage& msg) {
    SkinEngine& engine = *SkinEngine::Instance();
    HWND control = msg.Sender();
    HBRUSH brush = nullptr;
    switch (msg.message) {
      case WM_CTLCOLOREDIT:
        if (ControlsSkinned() && !IsClass(GetParent(control), L"ComboBox")) brush = engine.PictureBrush(control, msg.Dc());
        break;
      case WM_CTLCOLORLISTBOX:
        if (ControlsSkinned() && IsClass(control, L"ListBox") &&
            !(GetWindowLongPtrW(control, GWL_STYLE) & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)))
          brush = engine.HollowBrush(control, msg.Dc());
        break;
      case WM_CTLCOLORBTN:
        if (ControlsSkinned()) brush = engine.HollowBrush(control, msg.Dc());
        break;
      case WM_CTLCOLORSTATIC:
        if (ControlsSkinned()) brush = engine.PictureBrush(control, msg.Dc());
        break;
    }
    if (!brush) return {};
    return reinterpret_cast<LRESULT>(brush);
  }

  static Result OnSetFont(SubWindowRecord& sub, const WindowMessage& msg) {
    const LRESULT result = msg.PassOn();
    if (sub.groupBox) {
      const WindowFont font = FontOfWindow(sub.window);
      sub.fontFace = font.face;
      sub.fontSize = font.size;
      sub.fontStyle = font.style;
      sub.repaintNeeded = 1;
    }
    return result;
  }

  static Result Handle(SubWindowRecord& sub, const WindowMessage& msg) {
    switch (msg.message) {
      case WM_CLOSE: return 0;  // a container never closes (Escape in a multi-line edit box sends this)
      case WM_SETFONT: return OnSetFont(sub, msg);
      case WM_MOVE: return OnMove(sub);
      case WM_SIZE: return OnSize(sub);
      case WM_PAINT: return OnPaint(sub, msg);
      case WM_ERASEBKGND: return OnEraseBackground(sub, msg);
      case WM_SHOWWINDOW: return OnShowWindow(sub, msg);
      case WM_DRAWITEM: return OnDrawItem(msg);
      case WM_NOTIFY: return OnNotify(msg);
      case WM_COMMAND: return OnCommand(msg);
      case WM_CTLCOLOREDIT:
      case WM_CTLCOLORLISTBOX:
      case WM_CTLCOLORBTN:
      case WM_CTLCOLORSTATIC: return OnControlColour(msg);
    }
    return {};
  }
};

// The nearest ancestor that lets controls inside it take their background from
// its own memory DC ("Wxk_Zpf" 1); 0 when none does.
HWND ContainerAbove(HWND window) {
  for (HWND parent = GetParent(window); parent; parent = GetParent(parent))
    if (WindowProperty(parent, prop::kContainerFlag) == 1) return parent;
  return nullptr;
}

}  // namespace

int SkinEngine::AddSubWindow(HWND window, int transparentBackground, COLORREF colour, std::optional<int> alpha,
                             int frame) {
  const int number = WindowNumberOfControl(window);
  SkinWindowRecord* record = Record(number);
  if (!record || !window) return 0;
  for (std::size_t i = 0; i < record->subWindows.size(); ++i)
    if (record->subWindows[i]->window == window) return static_cast<int>(i) + 1;

  SubWindowRecord* sub = EnrolControl<SubWindows>(*record, number, window);
  if (!sub) {
    // A control a family of the skin already paints keeps that family's procedure:
    // the two would keep the procedure each replaced under the same name.
    if (WindowProperty(window, prop::kPrevious))
      TraceNote(L"A control the skin already paints was not made a sub-window");
    else
      TraceFailure(L"Making a sub-window");
    return 0;
  }
  sub->colour = colour;
  sub->alpha = static_cast<std::uint8_t>(alpha ? (*alpha & 0xFF) : 255);
  sub->frame = frame;
  sub->transparentBackground = transparentBackground;
  if (IsGroupBox(window)) {
    sub->groupBox = 1;
    const WindowFont font = FontOfWindow(window);
    sub->fontFace = font.face;
    sub->fontSize = font.size;
    sub->fontStyle = font.style;
  }
  EnrolChildren(number, window);
  sub->repaintNeeded = 1;
  SetWindowPropertyPointer(window, prop::kContainer, ContainerAbove(window));
  InvalidateRect(window, nullptr, TRUE);
  return static_cast<int>(WindowProperty(window, prop::kNumber));
}

void SkinEngine::SetSubWindowAlpha(HWND window, int alpha) {
  SubWindowRecord* sub = FindControlRecord(window, &SkinWindowRecord::subWindows);
  if (!sub || !sub->transparentBackground) return;
  sub->alpha = static_cast<std::uint8_t>(alpha & 0xFF);
  InvalidateRect(window, nullptr, FALSE);
}

void SkinEngine::SetControlTextColour(HWND window, COLORREF colour) {
  if (!window) return;
  // A combo box's text is its edit's.
  if (IsClass(window, L"ComboBox")) {
    window = FirstChildOfClass(window, L"Edit");
    if (!window) return;
  }
  SetWindowProperty(window, prop::kTextColour, static_cast<std::intptr_t>(colour));
}

}  // namespace ornivex::skin
