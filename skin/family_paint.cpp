#include "skin/family_paint.h"

#include <algorithm>

#include "gfx/gfx.h"
#include "skin/control_pixels.h"
#include "skin/draw.h"

namespace ornivex::skin {

SkinEngine& Engine() { return *SkinEngine::Instance(); }

SkinWindowRecord* WindowOf(HWND control) {
  SkinEngine* engine = SkinEngine::Instance();
  return engine ? engine->Record(static_cast<int>(WindowProperty(control, prop::kWindowNumber))) : nullptr;
}

int PositionOf(HWND control) { return static_cast<int>(WindowProperty(control, prop::kNumber)); }

FamilyMetrics MetricsOf(HWND control) {
  const SkinWindowRecord* window = WindowOf(control);
  return FamilyMetrics::ForDpi(window ? window->metrics.dpi : 96);
}

COLORREF Accent() { return Engine().Settings().accent; }
bool ControlsEnabled() { return Engine().Settings().controlsEnabled != 0; }
bool ControlsSkinned() { return ControlsEnabled() && Engine().Settings().skinChildControls; }

DWORD StyleOf(HWND window) { return static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)); }
DWORD ExStyleOf(HWND window) { return static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)); }
bool HasScrollBars(HWND control) { return (StyleOf(control) & (WS_VSCROLL | WS_HSCROLL)) != 0; }

SIZE WindowSize(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

COLORREF TextColourOf(HWND control) { return static_cast<COLORREF>(WindowProperty(control, prop::kTextColour)); }

void InvalidateWhole(HWND control) { RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE); }

void TrackMouseLeave(HWND control) {
  TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, control, 0};
  TrackMouseEvent(&track);
}

bool CursorInside(HWND window) {
  POINT cursor;
  RECT r;
  return GetCursorPos(&cursor) && GetWindowRect(window, &r) && PtInRect(&r, cursor);
}

namespace {

// The screen rectangle of a scroll bar the control shows, if it shows it.
std::optional<RECT> ScrollBarRect(HWND control, LONG which) {
  SCROLLBARINFO info{};
  info.cbSize = sizeof info;
  if (!GetScrollBarInfo(control, which, &info)) return std::nullopt;
  if (info.rgstate[0] & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN)) return std::nullopt;
  if (IsRectEmpty(&info.rcScrollBar)) return std::nullopt;
  return info.rcScrollBar;
}

// The client area with the scroll bars beside it, in screen coordinates.
RECT SystemAreaOnScreen(HWND control) {
  RECT area;
  GetClientRect(control, &area);
  MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&area), 2);
  if (!HasScrollBars(control)) return area;
  for (LONG which : {OBJID_VSCROLL, OBJID_HSCROLL})
    if (std::optional<RECT> bar = ScrollBarRect(control, which)) UnionRect(&area, &area, &*bar);
  return area;
}

}  // namespace

POINT ClientOriginInWindow(HWND control) {
  RECT window;
  GetWindowRect(control, &window);
  POINT origin{0, 0};
  ClientToScreen(control, &origin);
  return POINT{origin.x - window.left, origin.y - window.top};
}

void CopyToControl(HWND control, DibCanvas& canvas, HDC target) {
  if (target) {
    const POINT origin = ClientOriginInWindow(control);
    RECT client;
    GetClientRect(control, &client);
    BitBlt(target, 0, 0, client.right, client.bottom, canvas.Dc(), origin.x, origin.y, SRCCOPY);
    return;
  }
  WindowDc dc = WindowDc::Whole(control);
  if (dc) BitBlt(dc.Get(), 0, 0, canvas.Width(), canvas.Height(), canvas.Dc(), 0, 0, SRCCOPY);
}

bool HasNonClientArea(HWND control) {
  RECT client;
  GetClientRect(control, &client);
  const SIZE size = WindowSize(control);
  return client.right != size.cx || client.bottom != size.cy;
}

RECT SystemArea(HWND control) {
  RECT area = SystemAreaOnScreen(control);
  RECT window;
  GetWindowRect(control, &window);
  OffsetRect(&area, -window.left, -window.top);
  return area;
}

UniqueRegion ScrollBarRegion(HWND control) {
  if (!HasScrollBars(control)) return {};
  RECT client;
  GetClientRect(control, &client);
  MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&client), 2);
  const RECT area = SystemAreaOnScreen(control);
  if (EqualRect(&area, &client)) return {};
  UniqueRegion region(CreateRectRgnIndirect(&area));
  UniqueRegion clientRegion(CreateRectRgnIndirect(&client));
  if (!region || !clientRegion) return {};
  CombineRgn(region.Get(), region.Get(), clientRegion.Get(), RGN_DIFF);
  return region;
}

void PaintNonClientFrame(HWND control, const std::optional<FrameLook>& look, bool veil) {
  const RECT inner = SystemArea(control);
  const SIZE size = WindowSize(control);
  // Nothing of the window lies outside what the system paints: no frame to draw.
  if (inner.left <= 0 && inner.top <= 0 && inner.right >= size.cx && inner.bottom >= size.cy) return;
  DibCanvas canvas = Engine().BackgroundUnder(control, false, veil);
  if (!canvas) return;
  if (look) {
    GdiFlush();
    BlendFrame({canvas.Bits(), static_cast<std::size_t>(canvas.Width()) * canvas.Height()}, canvas.Width(),
               canvas.Height(), look->penWidth, Argb(look->accent ? Accent() : kBlack, look->alpha));
  }
  WindowDc dc = WindowDc::Whole(control);
  if (!dc) return;
  ExcludeClipRect(dc.Get(), inner.left, inner.top, inner.right, inner.bottom);
  BitBlt(dc.Get(), 0, 0, size.cx, size.cy, canvas.Dc(), 0, 0, SRCCOPY);
}

LRESULT PaintSystemScrollBars(const WindowMessage& msg) {
  UniqueRegion bars = ScrollBarRegion(msg.window);
  if (!bars) return 0;
  return DefWindowProcW(msg.window, WM_NCPAINT, reinterpret_cast<WPARAM>(bars.Get()), 0);
}

PixelGraphics::PixelGraphics(DibCanvas& canvas) {
  if (!canvas) return;
  GdiFlush();  // what GDI drew is in the pixels before GDI+ reads them
  if (!bitmap_.CreateBitmapFromScan0(canvas.Width(), canvas.Height(), canvas.Width() * 4, PixelFormat32bppRGB,
                                     reinterpret_cast<BYTE*>(canvas.Bits())) ||
      !graphics_.GetImageGraphicsContext(bitmap_))
    return;
  graphics_.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
  graphics_.SetCompositingQuality(Gdiplus::CompositingQualityHighQuality);
  graphics_.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
}

void ExcludeChildren(HDC dc, HWND window) {
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
  }
}

}  // namespace ornivex::skin
