#pragma once
// What the families of edit-like, list-like, bar, header and up-down controls
// share on the Windows side: a control's window record, place and metrics, the
// engine's frame in a control's non-client area (the system keeps painting the
// scroll bars), and the small steps every procedure takes.
#include <windows.h>

#include <optional>

#include "gfx/gfx.h"
#include "runtime/handles.h"
#include "runtime/subclass.h"
#include "skin/engine.h"
#include "skin/families.h"
#include "skin/family_rules.h"

namespace ornivex::skin {

// The engine, which exists whenever a family procedure found its record.
SkinEngine& Engine();
// The window record of an enrolled control and its place in its family list.
SkinWindowRecord* WindowOf(HWND control);
int PositionOf(HWND control);
// The families' metrics at the DPI of the control's window.
FamilyMetrics MetricsOf(HWND control);
COLORREF Accent();
bool ControlsEnabled();
bool ControlsSkinned();  // controls enabled and child controls skinned

DWORD StyleOf(HWND window);
DWORD ExStyleOf(HWND window);
bool HasScrollBars(HWND control);
SIZE WindowSize(HWND window);
// The text colour of a control's colour messages ("Kj_Ztys").
COLORREF TextColourOf(HWND control);

// Marks the whole control, its non-client area too, to be painted again: a newly
// enrolled control loses the look the system gave it.
void InvalidateWhole(HWND control);

// Asks for WM_MOUSELEAVE when the mouse leaves `control`.
void TrackMouseLeave(HWND control);
// Whether the cursor is over `window`'s rectangle now.
bool CursorInside(HWND window);

// The client area's origin within the control's window rectangle.
POINT ClientOriginInWindow(HWND control);
// Shows a canvas of the control's whole window rectangle: in the control's window
// DC, or, when a caller handed a DC over with WM_PAINT (to take the painting off
// screen), the client area's part of it in that DC.
void CopyToControl(HWND control, DibCanvas& canvas, HDC target);

// Whether the control's window is larger than its client area (a border, an
// edge, scroll bars): only then has WM_NCPAINT anything to paint.
bool HasNonClientArea(HWND control);

// The part of a control's window rectangle the system paints (window
// coordinates): the client area with the scroll bars beside it and the corner
// between them.
RECT SystemArea(HWND control);
// The scroll bars and their corner as a region in screen coordinates, for the
// system's WM_NCPAINT; null when the control shows none.
UniqueRegion ScrollBarRegion(HWND control);
// The engine's frame in a control's non-client area, drawn now: the background
// under the whole control (veiled when asked), the frame line when `look` is given,
// and all of it copied around the area the system paints.
void PaintNonClientFrame(HWND control, const std::optional<FrameLook>& look, bool veil);
// WM_NCPAINT of a control that wears the engine's frame: the system paints its
// scroll bars only; nothing at all when it has none.
LRESULT PaintSystemScrollBars(const WindowMessage& msg);

// Draws with GDI+ straight into a canvas's pixels (the system's GDI+ draws far
// faster into memory it owns than through a DC). Anti-aliased, high-quality
// compositing. False when GDI+ could not wrap the canvas.
template <class Draw>
bool DrawInto(DibCanvas& canvas, Draw draw);

// Clips the visible children of `window` out of `dc` (client coordinates), so a
// copy over the whole client area leaves them as they are.
void ExcludeChildren(HDC dc, HWND window);

// A GDI+ graphics over a canvas's pixels; what it draws is in the pixels once it
// is gone.
class PixelGraphics {
 public:
  explicit PixelGraphics(DibCanvas& canvas);
  PixelGraphics(const PixelGraphics&) = delete;
  PixelGraphics& operator=(const PixelGraphics&) = delete;
  explicit operator bool() const { return !graphics_.Empty(); }
  gfx::Graphics& Get() { return graphics_; }

 private:
  gfx::Bitmap bitmap_;
  gfx::Graphics graphics_;  // after the bitmap: it goes first
};

template <class Draw>
bool DrawInto(DibCanvas& canvas, Draw draw) {
  PixelGraphics graphics(canvas);
  if (!graphics) return false;
  draw(graphics.Get());
  return true;
}

}  // namespace ornivex::skin
