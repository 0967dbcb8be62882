// List-like controls of a skinned window: list boxes, the embedded lists of combo
// boxes, list views, tree views, IP-address fields and date-time pickers. Each
// still paints its own items; the engine has it paint them over the window's
// background, and gives it the engine's frame.
//
// A list view draws its item text without a background, so it paints straight onto
// a copy of the background. List boxes and tree views fill their items with a
// background colour: they paint on the key colour, and their painting is then laid
// over the background with the key taken out (and the soft edges of their text
// laid over it at their share, so no trace of the key is left).
#include <windows.h>
#include <commctrl.h>

#include <optional>

#include "skin/control_pixels.h"
#include "skin/draw.h"
#include "skin/families.h"
#include "skin/family.h"
#include "skin/family_paint.h"

namespace ornivex::skin {

namespace {

constexpr int kListKind = static_cast<int>(HotKind::List);
constexpr int kFrameAccentAlpha = 200;
constexpr int kFramePlainAlpha = 90;

ListKind KindOf(const ListRecord& list) { return static_cast<ListKind>(list.kind); }

bool IsOwnerDrawnListBox(HWND list) { return (StyleOf(list) & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0; }

// How the control's client area is painted over the background.
enum class Backdrop { None, Background, Key };

// A tree view always paints on the key colour, so it always needs taking out; the
// others only while controls are painted over the background.
Backdrop BackdropOf(const ListRecord& list) {
  switch (KindOf(list)) {
    case ListKind::TreeView: return Backdrop::Key;
    case ListKind::ListView: return ControlsEnabled() ? Backdrop::Background : Backdrop::None;
    case ListKind::ListBox:
      return ControlsEnabled() && !IsOwnerDrawnListBox(list.window) ? Backdrop::Key : Backdrop::None;
    default: return Backdrop::None;
  }
}

// What shows under the control's items: the window's background, or the system's
// window colour while controls are not painted over it.
DibCanvas BackdropUnder(HWND control) {
  if (ControlsEnabled()) return Engine().BackgroundUnder(control, true, true);
  RECT client;
  GetClientRect(control, &client);
  DibCanvas canvas = DibCanvas::Create(client.right, client.bottom);
  if (canvas) FillRect(canvas.Dc(), &client, GetSysColorBrush(COLOR_WINDOW));
  return canvas;
}

// The colour a keyed control draws its text in.
COLORREF KeyedTextColour(const ListRecord& list) {
  if (KindOf(list) == ListKind::TreeView) {
    const auto colour = static_cast<COLORREF>(SendMessageW(list.window, TVM_GETTEXTCOLOR, 0, 0));
    return colour == CLR_NONE ? GetSysColor(COLOR_WINDOWTEXT) : colour;
  }
  return IsWindowEnabled(list.window) ? TextColourOf(list.window) : GetSysColor(COLOR_GRAYTEXT);
}

void PaintListFrame(const ListRecord& list) {
  const bool comboList = KindOf(list) == ListKind::ComboList;
  std::optional<FrameLook> look;
  if (ListHasBorder(StyleOf(list.window), ExStyleOf(list.window), comboList))
    look = NonClientFrame(list.hot != 0, list.focused != 0, kFrameAccentAlpha, kFramePlainAlpha,
                          MetricsOf(list.window));
  PaintNonClientFrame(list.window, look, ControlsEnabled());
}

// Our own paint: the control paints its items into a memory canvas through its
// own procedure, and the canvas, laid over the background, goes to the screen, or
// into the DC a caller handed over with the message.
LRESULT PaintOverBackground(ListRecord& list, const WindowMessage& msg, Backdrop backdrop) {
  HWND control = list.window;
  const COLORREF text = KeyedTextColour(list);
  std::optional<PaintDc> own;
  HDC target = msg.Dc();
  if (!target) {
    list.painting = true;
    own.emplace(control);  // erases first
    list.painting = false;
    if (!*own) return 0;
    target = own->Get();
    ExcludeChildren(target, control);
  }
  DibCanvas background = BackdropUnder(control);
  if (!background) return 0;
  LRESULT result = 0;
  if (backdrop == Backdrop::Background) {
    result = CallPreviousProcedure(msg.previous, control, WM_PAINT, reinterpret_cast<WPARAM>(background.Dc()), 0);
  } else {
    DibCanvas painted = DibCanvas::Create(background.Width(), background.Height());
    if (!painted) return 0;
    RECT all{0, 0, painted.Width(), painted.Height()};
    UniqueBrush key(CreateSolidBrush(kMagenta));
    FillRect(painted.Dc(), &all, key.Get());
    SetBkColor(painted.Dc(), kMagenta);
    result = CallPreviousProcedure(msg.previous, control, WM_PAINT, reinterpret_cast<WPARAM>(painted.Dc()), 0);
    GdiFlush();
    const auto pixels = static_cast<std::size_t>(painted.Width()) * painted.Height();
    LayOverBackground({painted.Bits(), pixels}, {background.Bits(), pixels}, Argb(kMagenta, 255), Argb(text, 255));
  }
  BitBlt(target, 0, 0, background.Width(), background.Height(), background.Dc(), 0, 0, SRCCOPY);
  return result;
}

struct Lists {
  using Record = ListRecord;
  static constexpr auto kList = &SkinWindowRecord::lists;
  using Result = std::optional<LRESULT>;

  static Result OnMove(ListRecord& l) {
    if (ControlsEnabled()) InvalidateRect(l.window, nullptr, TRUE);
    return {};
  }
  static Result OnFocus(ListRecord& l, bool focused) {
    l.focused = focused ? 1 : 0;
    PaintListFrame(l);
    return {};
  }
  static Result OnPaint(ListRecord& l, const WindowMessage& msg) {
    PaintListFrame(l);
    const Backdrop backdrop = BackdropOf(l);
    if (backdrop == Backdrop::None) return {};
    return PaintOverBackground(l, msg, backdrop);
  }
  static Result OnEraseBackground(ListRecord& l, const WindowMessage& msg) {
    if (BackdropOf(l) == Backdrop::None) return {};
    if (l.painting) return 1;
    SetBkMode(msg.Dc(), TRANSPARENT);
    DibCanvas background = BackdropUnder(l.window);
    if (background) BitBlt(msg.Dc(), 0, 0, background.Width(), background.Height(), background.Dc(), 0, 0, SRCCOPY);
    SetTextColor(msg.Dc(), TextColourOf(l.window));
    return 1;
  }
  static Result OnNcPaint(ListRecord& l, const WindowMessage& msg) {
    PaintListFrame(l);
    return PaintSystemScrollBars(msg);
  }
  static Result OnKeyDown(ListRecord& l, const WindowMessage& msg) {
    if (IsArrowKey(static_cast<unsigned>(msg.wparam))) l.tracking = 1;
    return {};
  }
  static Result OnKeyUp(ListRecord& l) {
    if (GetCapture() == l.window) ReleaseCapture();
    l.tracking = 0;
    return {};
  }
  static Result OnScroll(ListRecord& l) {
    if (ControlsEnabled()) InvalidateRect(l.window, nullptr, TRUE);
    return {};
  }
  static Result OnMouseMove(ListRecord& l) {
    TrackMouseLeave(l.window);
    // While an arrow key is held the selection moves without telling anyone.
    if (ControlsEnabled() && l.tracking) InvalidateRect(l.window, nullptr, FALSE);
    if (TakeHover(*WindowOf(l.window), kListKind, PositionOf(l.window))) {
      l.hot = 1;
      PaintListFrame(l);
    }
    return {};
  }
  static Result OnMouseLeave(ListRecord& l) {
    DropHover(*WindowOf(l.window), kListKind, PositionOf(l.window));
    l.hot = 0;
    PaintListFrame(l);
    return {};
  }
  static Result OnRepaint(ListRecord& l) {
    InvalidateRect(l.window, nullptr, TRUE);
    return 0;
  }

  static Result Handle(ListRecord& l, const WindowMessage& msg) {
    switch (msg.message) {
      case WM_MOVE: return OnMove(l);
      case WM_SETFOCUS: return OnFocus(l, true);
      case WM_KILLFOCUS: return OnFocus(l, false);
      case WM_PAINT: return OnPaint(l, msg);
      case WM_ERASEBKGND: return OnEraseBackground(l, msg);
      case WM_NCPAINT: return OnNcPaint(l, msg);
      case WM_KEYDOWN: return OnKeyDown(l, msg);
      case WM_KEYUP: return OnKeyUp(l);
      case WM_HSCROLL:
      case WM_VSCROLL: return OnScroll(l);
      case WM_MOUSEMOVE: return OnMouseMove(l);
      case WM_MOUSEWHEEL: return OnScroll(l);
      case WM_MOUSELEAVE: return OnMouseLeave(l);
      case kRepaintListMessage: return OnRepaint(l);
    }
    return {};
  }
};

void EnrolList(SkinWindowRecord& record, int number, HWND control, ListKind kind) {
  ListRecord* list = EnrolControl<Lists>(record, number, control);
  if (!list) return;
  list->kind = static_cast<int>(kind);
  if (kind == ListKind::ListView) SendMessageW(control, LVM_SETTEXTBKCOLOR, 0, CLR_NONE);
  if (kind == ListKind::TreeView) SendMessageW(control, TVM_SETBKCOLOR, 0, kMagenta);
  InvalidateWhole(control);
}

}  // namespace

void EnrolLists(SkinEngine& engine, SkinWindowRecord& record, int number, HWND parent) {
  if (!engine.Settings().skinChildControls) return;
  auto enrol = [&](const wchar_t* className, ListKind kind) {
    ForEachChildOfClass(parent, className, [&](HWND child) { EnrolList(record, number, child, kind); });
  };
  enrol(L"ListBox", ListKind::ListBox);
  // A combo's list is asked of the combo: only a simple combo's is its child; a
  // drop-down combo's list is a window of the desktop's.
  ForEachChildOfClass(parent, L"ComboBox", [&](HWND combo) {
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (GetComboBoxInfo(combo, &info) && info.hwndList) EnrolList(record, number, info.hwndList, ListKind::ComboList);
  });
  enrol(L"SysListView32", ListKind::ListView);
  enrol(L"SysTreeView32", ListKind::TreeView);
  enrol(L"SysIPAddress32", ListKind::IpAddress);
  enrol(L"SysDateTimePick32", ListKind::DateTime);
}

}  // namespace ornivex::skin
