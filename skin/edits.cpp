// Edit boxes and combo boxes of a skinned window. An edit box keeps the system's
// editing and scroll bars; it shows the window's background behind its text (the
// picture brush of its colour message, and its erasing) and wears the engine's
// frame in its non-client area. A combo box is painted by the engine entirely,
// around its own edit and embedded list, which paint themselves.
#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>

#include "gfx/gfx.h"
#include "resources/skin_pictures.h"
#include "skin/control_pixels.h"
#include "skin/draw.h"
#include "skin/families.h"
#include "skin/family.h"
#include "skin/family_paint.h"
#include "skin/pixels.h"

namespace ornivex::skin {

namespace {

constexpr int kEditKind = static_cast<int>(HotKind::Edit);
constexpr int kComboKind = static_cast<int>(HotKind::Combo);
constexpr int kEditFrameAccentAlpha = 180;
constexpr int kEditFramePlainAlpha = 80;

ComboRecord* ComboAround(HWND edit) {
  HWND parent = GetParent(edit);
  return IsClass(parent, L"ComboBox") ? FindControlRecord(parent, &SkinWindowRecord::combos) : nullptr;
}

bool HasFocusWithin(HWND window) {
  HWND focus = GetFocus();
  return focus && (focus == window || IsChild(window, focus));
}

// --- combo painting ------------------------------------------------------------

// The text a drop-down-list combo shows: its selected item's.
std::wstring SelectedText(HWND combo) {
  const auto selected = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (selected == CB_ERR) return {};
  const auto length = SendMessageW(combo, CB_GETLBTEXTLEN, selected, 0);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const auto copied = SendMessageW(combo, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return text;
}

// The selected item of a drop-down list in the combo's own font, as the system
// would write it, over the canvas.
void PaintComboText(DibCanvas& canvas, HWND combo, RECT area) {
  const std::wstring text = SelectedText(combo);
  if (text.empty() || IsRectEmpty(&area)) return;
  HDC dc = canvas.Dc();
  auto* font = reinterpret_cast<HFONT>(SendMessageW(combo, WM_GETFONT, 0, 0));
  SelectGuard selected(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, IsWindowEnabled(combo) ? TextColourOf(combo) : GetSysColor(COLOR_GRAYTEXT));
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area,
            DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
}

// The drop-down button: outlined like the combo, lit inside while hot, its arrow
// in the middle.
void PaintComboButton(gfx::Graphics& g, const Box& button, bool outlineLit, bool hot, const FamilyMetrics& m,
                      const SkinWindowRecord& window) {
  const auto x = static_cast<float>(button.x), y = static_cast<float>(button.y);
  const auto w = static_cast<float>(button.width), h = static_cast<float>(button.height);
  const gfx::ARGB pen = outlineLit ? Argb(Accent(), 200) : Argb(kBlack, 80);
  Outline(g, RoundRect(x, y, w - 1, h - 1, static_cast<float>(m.comboButtonCorner)), pen);
  gfx::GraphicsPath inside = RoundRect(x + 1, y + 1, w - 3, h - 3, 1);
  if (hot) FillVertical(g, inside, y + 1, h - 3, Argb(kWhite, 100), Argb(Accent(), 150));
  else FillVertical(g, inside, y + 1, h - 3, Argb(Accent(), 30), Argb(Accent(), 100));
  if (gfx::Bitmap* arrow =
          Engine().Picture(pictures::Embedded(pictures::SkinPicture::ArrowDown, PictureScaleStep(window.metrics.dpi)))) {
    const auto aw = static_cast<int>(arrow->GetImageWidth()), ah = static_cast<int>(arrow->GetImageHeight());
    DrawPicture(g, *arrow, static_cast<float>(button.x + (button.width - aw) / 2),
                static_cast<float>(button.y + (button.height - ah) / 2));
  }
}

void PaintCombo(ComboRecord& combo, bool hot, bool focused, HDC target) {
  SkinWindowRecord* window = WindowOf(combo.window);
  if (!window) return;
  const SIZE size = WindowSize(combo.window);
  const int w = size.cx, h = size.cy;
  if (w <= 0 || h <= 0) return;
  DibCanvas canvas = Engine().BackgroundUnder(combo.window, false, true);
  if (!canvas) return;
  const FamilyMetrics m = MetricsOf(combo.window);
  const DWORD style = StyleOf(combo.window);
  const bool lit = hot || focused;
  const Box button = ComboButton(w, h, style, m);
  const bool dropList = (style & 3) == CBS_DROPDOWNLIST;
  const int inset = m.comboTextInset;
  const Box textArea{inset, inset, button.x - 2 * inset, h - 2 * inset};
  DrawInto(canvas, [&](gfx::Graphics& g) {
    // A drop-down list with the focus marks its text softly in the accent colour.
    if (dropList && focused && !textArea.Empty())
      FillSolid(g,
                RoundRect(static_cast<float>(textArea.x), static_cast<float>(textArea.y),
                          static_cast<float>(textArea.width - 1), static_cast<float>(textArea.height - 1), 2),
                Argb(Accent(), 60));
    if (ComboHasButton(style)) PaintComboButton(g, button, lit, hot, m, *window);
  });
  if (dropList)
    PaintComboText(canvas, combo.window,
                   RECT{textArea.x + 2, textArea.y, textArea.Right() - 2, textArea.Bottom()});
  GdiFlush();
  BlendFrame({canvas.Bits(), static_cast<std::size_t>(w) * h}, w, h, 1, lit ? Argb(Accent(), 200) : Argb(kBlack, 80));
  // The combo's own edit and embedded list paint themselves: their places carry
  // the key colour, so the copy leaves them as they are.
  RECT outer;
  GetWindowRect(combo.window, &outer);
  UniqueBrush key(CreateSolidBrush(kMagenta));
  bool keyed = false;
  for (HWND child = GetWindow(combo.window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    RECT r;
    GetWindowRect(child, &r);
    OffsetRect(&r, -outer.left, -outer.top);
    FillRect(canvas.Dc(), &r, key.Get());
    keyed = true;
  }
  if (!keyed) {
    CopyToControl(combo.window, canvas, target);
    return;
  }
  if (target) {
    const POINT origin = ClientOriginInWindow(combo.window);
    RECT client;
    GetClientRect(combo.window, &client);
    TransparentBlt(target, 0, 0, client.right, client.bottom, canvas.Dc(), origin.x, origin.y, client.right,
                   client.bottom, kMagenta);
  } else if (WindowDc dc = WindowDc::Whole(combo.window)) {
    TransparentBlt(dc.Get(), 0, 0, w, h, canvas.Dc(), 0, 0, w, h, kMagenta);
  }
}

void PaintComboNow(ComboRecord& combo, std::optional<bool> hot = std::nullopt, HDC target = nullptr) {
  SkinWindowRecord* window = WindowOf(combo.window);
  if (!window) return;
  const bool isHot = hot.value_or(IsHovered(*window, kComboKind, PositionOf(combo.window)));
  PaintCombo(combo, isHot, combo.focused || HasFocusWithin(combo.window), target);
}

// The combo the mouse left: plain again, unless the mouse only moved between the
// combo and its own edit.
void LeaveCombo(ComboRecord& combo) {
  if (CursorInside(combo.window)) return;
  if (SkinWindowRecord* window = WindowOf(combo.window)) DropHover(*window, kComboKind, PositionOf(combo.window));
  PaintComboNow(combo, false);
}

// --- edit boxes ---------------------------------------------------------------

void PaintEditFrame(EditRecord& edit, std::optional<bool> hot = std::nullopt,
                    std::optional<bool> focused = std::nullopt) {
  const bool isHot = hot.value_or(edit.hot != 0), isFocused = focused.value_or(edit.focused != 0);
  PaintNonClientFrame(edit.window,
                      NonClientFrame(isHot, isFocused, kEditFrameAccentAlpha, kEditFramePlainAlpha,
                                     MetricsOf(edit.window)),
                      true);
}

struct Edits {
  using Record = EditRecord;
  static constexpr auto kList = &SkinWindowRecord::edits;
  using Result = std::optional<LRESULT>;

  // Typing or selecting redraws the text over a transparent background: the whole
  // edit is drawn again, except in one with scroll bars, which redraws what it
  // changes itself (and scrolling repaints it whole).
  static void RepaintWhole(const EditRecord& e) {
    if (ControlsEnabled() && !HasScrollBars(e.window)) InvalidateRect(e.window, nullptr, TRUE);
  }

  static Result OnDestroy(EditRecord& e) {
    Engine().ForgetControlBrush(e.window);
    return {};
  }
  static Result OnMove(EditRecord& e) {
    if (ControlsEnabled()) InvalidateRect(e.window, nullptr, TRUE);
    return {};
  }
  static Result OnSetFocus(EditRecord& e, const WindowMessage& msg) {
    e.focused = 1;
    const LRESULT result = msg.PassOn();
    if (EditRecord* still = FindControlRecord(msg.window, kList)) {
      if (ComboRecord* combo = ComboAround(still->window)) PaintComboNow(*combo);
      else PaintEditFrame(*still);
    }
    return result;
  }
  static Result OnKillFocus(EditRecord& e, const WindowMessage& msg) {
    e.focused = 0;
    if (ComboAround(e.window)) {
      // A combo's edit wears no frame of its own: the combo shows the focus leaving.
      const LRESULT result = msg.PassOn();
      if (EditRecord* still = FindControlRecord(msg.window, kList))
        if (ComboRecord* combo = ComboAround(still->window)) PaintComboNow(*combo);
      return result;
    }
    InvalidateRect(e.window, nullptr, TRUE);
    return {};
  }
  static Result OnPaint(EditRecord& e) {
    PaintEditFrame(e);
    return {};
  }
  static Result OnEraseBackground(EditRecord& e, const WindowMessage& msg) {
    if (!ControlsEnabled()) return {};
    SetBkMode(msg.Dc(), TRANSPARENT);
    DibCanvas background = Engine().BackgroundUnder(e.window, true, true);
    if (background) BitBlt(msg.Dc(), 0, 0, background.Width(), background.Height(), background.Dc(), 0, 0, SRCCOPY);
    return 1;
  }
  static Result OnNcPaint(EditRecord& e, const WindowMessage& msg) {
    PaintEditFrame(e);
    return PaintSystemScrollBars(msg);
  }
  static Result OnKeyDown(EditRecord& e) {
    RepaintWhole(e);
    return {};
  }
  static Result OnScroll(EditRecord& e) {
    if (ControlsEnabled()) InvalidateRect(e.window, nullptr, TRUE);
    return {};
  }
  static Result OnMouseMove(EditRecord& e) {
    TrackMouseLeave(e.window);
    SkinWindowRecord& window = *WindowOf(e.window);
    if (ComboRecord* combo = ComboAround(e.window)) {
      // Over a combo's edit the combo is the hot control.
      if (TakeHover(window, kComboKind, PositionOf(combo->window))) PaintComboNow(*combo, true);
    } else {
      HWND parent = GetParent(e.window);
      const bool newParent = window.hotEditParent != parent;
      if (TakeHover(window, kEditKind, PositionOf(e.window)) || newParent) {
        window.hotEditParent = parent;
        e.hot = 1;
        PaintEditFrame(e, true);
      }
    }
    if (e.mouseDown) RepaintWhole(e);
    return {};
  }
  static Result OnLButtonDown(EditRecord& e) {
    e.mouseDown = 1;
    RepaintWhole(e);
    return {};
  }
  static Result OnLButtonUp(EditRecord& e) {
    e.mouseDown = 0;
    return {};
  }
  static Result OnMouseLeave(EditRecord& e) {
    if (ComboRecord* combo = ComboAround(e.window)) {
      LeaveCombo(*combo);
      return {};
    }
    DropHover(*WindowOf(e.window), kEditKind, PositionOf(e.window));
    e.hot = 0;
    PaintEditFrame(e, false);
    return {};
  }

  static Result Handle(EditRecord& e, const WindowMessage& msg) {
    switch (msg.message) {
      case WM_DESTROY: return OnDestroy(e);
      case WM_MOVE: return OnMove(e);
      case WM_SETFOCUS: return OnSetFocus(e, msg);
      case WM_KILLFOCUS: return OnKillFocus(e, msg);
      case WM_PAINT: return OnPaint(e);
      case WM_ERASEBKGND: return OnEraseBackground(e, msg);
      case WM_NCPAINT: return OnNcPaint(e, msg);
      case WM_KEYDOWN: return OnKeyDown(e);
      case WM_HSCROLL:
      case WM_VSCROLL: return OnScroll(e);
      case WM_MOUSEMOVE: return OnMouseMove(e);
      case WM_LBUTTONDOWN: return OnLButtonDown(e);
      case WM_LBUTTONUP: return OnLButtonUp(e);
      case WM_MOUSELEAVE: return OnMouseLeave(e);
    }
    return {};
  }
};

struct Combos {
  using Record = ComboRecord;
  static constexpr auto kList = &SkinWindowRecord::combos;
  using Result = std::optional<LRESULT>;

  static Result OnMove(ComboRecord& c) {
    PaintComboNow(c);
    return {};
  }
  static Result OnSetFocus(ComboRecord& c) {
    c.focused = 1;
    PaintComboNow(c);
    return {};
  }
  static Result OnKillFocus(ComboRecord& c) {
    c.focused = 0;
    return {};
  }
  static Result OnSetText(ComboRecord& c) {
    if (FirstChildOfClass(c.window, L"Edit")) InvalidateRect(c.window, nullptr, TRUE);
    return {};
  }
  static Result OnPaint(ComboRecord& c, const WindowMessage& msg) {
    if (HDC given = msg.Dc()) {
      PaintComboNow(c, std::nullopt, given);
      return 0;
    }
    { PaintDc validate(c.window); }
    PaintComboNow(c);
    return msg.Default();
  }
  static Result OnEraseBackground(const WindowMessage& msg) {
    SetBkMode(msg.Dc(), TRANSPARENT);
    return 1;
  }
  static Result OnNcPaint(ComboRecord& c) {
    if (HasNonClientArea(c.window)) PaintComboNow(c);  // else WM_PAINT paints it all
    return 0;
  }
  static Result OnCommand(const WindowMessage& msg) {
    if (ControlsSkinned()) RepaintOnNotification(msg.Sender(), HIWORD(msg.wparam));
    return {};
  }
  static Result OnCtlColorEdit(ComboRecord& c, const WindowMessage& msg) {
    if (GetParent(msg.Sender()) != c.window) return {};
    HBRUSH brush = Engine().PictureBrush(msg.Sender(), msg.Dc());
    if (!brush) return {};
    return reinterpret_cast<LRESULT>(brush);
  }
  static Result OnMouseMove(ComboRecord& c) {
    TrackMouseLeave(c.window);
    if (TakeHover(*WindowOf(c.window), kComboKind, PositionOf(c.window))) PaintComboNow(c, true);
    return {};
  }
  static Result OnMouseLeave(ComboRecord& c) {
    LeaveCombo(c);
    return {};
  }

  static Result Handle(ComboRecord& c, const WindowMessage& msg) {
    switch (msg.message) {
      case WM_MOVE: return OnMove(c);
      case WM_SETFOCUS: return OnSetFocus(c);
      case WM_KILLFOCUS: return OnKillFocus(c);
      case WM_SETTEXT: return OnSetText(c);
      case WM_PAINT: return OnPaint(c, msg);
      case WM_ERASEBKGND: return OnEraseBackground(msg);
      case WM_NCPAINT: return OnNcPaint(c);
      case WM_COMMAND: return OnCommand(msg);
      case WM_CTLCOLOREDIT: return OnCtlColorEdit(c, msg);
      case WM_MOUSEMOVE: return OnMouseMove(c);
      case WM_MOUSELEAVE: return OnMouseLeave(c);
    }
    return {};
  }
};

void EnrolEdit(SkinWindowRecord& record, int number, HWND edit) {
  if (!EnrolControl<Edits>(record, number, edit)) return;
  // Black unless the program chose a colour already.
  if (!WindowProperty(edit, prop::kTextColour)) SetWindowProperty(edit, prop::kTextColour, 0);
  InvalidateWhole(edit);
}

}  // namespace

void EnrolEditsAndCombos(SkinEngine& engine, SkinWindowRecord& record, int number, HWND parent) {
  if (!engine.Settings().skinChildControls) return;
  ForEachChildOfClass(parent, L"Edit", [&](HWND edit) { EnrolEdit(record, number, edit); });
  ForEachChildOfClass(parent, L"ComboBox", [&](HWND combo) {
    if (!EnrolControl<Combos>(record, number, combo)) return;
    InvalidateWhole(combo);
    if (HWND edit = FirstChildOfClass(combo, L"Edit")) EnrolEdit(record, number, edit);
  });
}

}  // namespace ornivex::skin
