// Transparent controls: a control of any class keeps painting itself, and its
// painting is laid over a copy of the skin's background under it (washed with the
// veil), with one key colour (the button face by default) letting the background
// through.
#include <windows.h>

#include <algorithm>

#include "runtime/diagnostics.h"
#include "skin/background.h"
#include "skin/families.h"
#include "skin/family.h"

namespace ornivex::skin {

namespace {

// Controls that paint their whole client area into a DC handed to them with
// WM_PAINT, so their painting can be taken off screen.
bool PaintsIntoGivenDc(HWND control) {
  for (const wchar_t* name : {L"SysMonthCal32", L"SysTabControl32", L"ToolbarWindow32", L"msctls_statusbar32",
                              L"Button", L"msctls_trackbar32"})
    if (IsClass(control, name)) return true;
  return false;
}

BOOL CALLBACK InvalidateVisibleChild(HWND child, LPARAM parent) {
  if (GetParent(child) == reinterpret_cast<HWND>(parent) && IsWindowVisible(child))
    InvalidateRect(child, nullptr, TRUE);
  return TRUE;
}

void FillRectWith(HDC dc, const RECT& rect, COLORREF colour) {
  UniqueBrush brush(CreateSolidBrush(colour));
  if (brush) FillRect(dc, &rect, brush.Get());
}

struct TransparentControls {
  using Record = TransparentControlRecord;
  static constexpr auto kList = &SkinWindowRecord::transparentControls;
  static constexpr FamilyProperties kProperties{prop::kTransparentPrevious, prop::kTransparentNumber,
                                                prop::kTransparentWindowNumber};
  using Result = std::optional<LRESULT>;

  static SkinEngine& Engine() { return *SkinEngine::Instance(); }
  static SkinSettings& Settings() { return Engine().Settings(); }

  // The control paints into a canvas first filled with the key colour, so what it
  // leaves unpainted shows the background too; its painting then goes over the
  // veiled background and the whole onto the screen at once.
  static Result PaintComposited(Record& t) {
    RECT client;
    GetClientRect(t.window, &client);
    const int width = std::max<int>(client.right, 1), height = std::max<int>(client.bottom, 1);
    DibCanvas own = DibCanvas::Create(width, height);
    DibCanvas backdrop = Engine().BackgroundUnder(t.window, true, true);
    if (!own || !backdrop) {
      TraceFailure(L"Making a transparent control's canvases");
      return {};
    }
    PaintDc paint(t.window);
    if (!paint) return 0;
    FillRectWith(own.Dc(), client, t.keyColour);
    CallPreviousProcedure(prop::kTransparentPrevious, t.window, WM_PAINT, reinterpret_cast<WPARAM>(own.Dc()), 0);
    TransparentBlt(backdrop.Dc(), 0, 0, width, height, own.Dc(), 0, 0, width, height, t.keyColour);
    BitBlt(paint.Get(), 0, 0, width, height, backdrop.Dc(), 0, 0, SRCCOPY);
    return 0;
  }

  // A control of any other class may ignore a DC handed to it: it paints itself on
  // screen as always, and what it painted in the update area is then laid over
  // the veiled background and put back. Its children, painted over, paint again.
  static Result PaintOverBackground(Record& t, const WindowMessage& msg) {
    RECT update;
    if (!GetUpdateRect(t.window, &update, FALSE)) return {};
    DibCanvas backdrop = Engine().BackgroundUnder(t.window, true, true);
    if (!backdrop) return {};
    HWND control = t.window;
    const COLORREF key = t.keyColour;
    const LRESULT result = msg.PassOn();
    if (!IsWindow(control)) return result;
    const int width = update.right - update.left, height = update.bottom - update.top;
    if (WindowDc dc = WindowDc::Client(control)) {
      TransparentBlt(backdrop.Dc(), update.left, update.top, width, height, dc.Get(), update.left, update.top, width,
                     height, key);
      BitBlt(dc.Get(), update.left, update.top, width, height, backdrop.Dc(), update.left, update.top, SRCCOPY);
    }
    EnumChildWindows(control, InvalidateVisibleChild, reinterpret_cast<LPARAM>(control));
    return result;
  }

  static Result OnPaint(Record& t, const WindowMessage& msg) {
    if (!Settings().controlsEnabled) return {};
    return PaintsIntoGivenDc(t.window) ? PaintComposited(t) : PaintOverBackground(t, msg);
  }
  static Result OnMove(Record& t) {
    if (Settings().skinChildControls) InvalidateRect(t.window, nullptr, FALSE);
    return {};
  }
  static Result OnEraseBackground(const WindowMessage& msg) {
    if (!Settings().skinChildControls) return {};
    SetBkMode(msg.Dc(), TRANSPARENT);
    return 1;
  }
  // A rich edit scrolls by copying its pixels, background and all: it is painted
  // anew instead.
  static Result OnScroll(Record& t) {
    if (IsClass(t.window, L"RichEdit20A") || IsClass(t.window, L"RichEdit20W"))
      InvalidateRect(t.window, nullptr, FALSE);
    return {};
  }

  static Result Handle(Record& t, const WindowMessage& msg) {
    switch (msg.message) {
      case WM_MOVE: return OnMove(t);
      case WM_ERASEBKGND: return OnEraseBackground(msg);
      case WM_HSCROLL:
      case WM_VSCROLL: return OnScroll(t);
      case WM_PAINT: return OnPaint(t, msg);
    }
    return {};
  }
};

}  // namespace

int SkinEngine::AddTransparentControl(HWND window, std::optional<COLORREF> keyColour, COLORREF colour,
                                      std::optional<int> alpha) {
  const int number = WindowNumberOfControl(window);
  SkinWindowRecord* record = Record(number);
  if (!record || !window) return 0;
  for (std::size_t i = 0; i < record->transparentControls.size(); ++i)
    if (record->transparentControls[i]->window == window) return static_cast<int>(i) + 1;

  TransparentControlRecord* control = EnrolControl<TransparentControls>(*record, number, window);
  if (!control) {
    // Registered as transparent in another skinned window already, or its
    // procedure could not be replaced.
    if (WindowProperty(window, prop::kTransparentPrevious))
      TraceNote(L"A control transparent in another skinned window was not registered again");
    else
      TraceFailure(L"Making a control transparent");
    return 0;
  }
  control->keyColour = keyColour.value_or(GetSysColor(COLOR_BTNFACE));
  // Its children (a combo box's edit) send their colour messages to it. A control
  // a family already paints (a combo box) stays that family's: AddSubWindow
  // refuses it and says so.
  if (GetWindow(window, GW_CHILD)) AddSubWindow(window, 0, colour, alpha, 0);
  InvalidateRect(window, nullptr, TRUE);
  return static_cast<int>(WindowProperty(window, prop::kTransparentNumber));
}

}  // namespace ornivex::skin
