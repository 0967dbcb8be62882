// Trackbars and progress bars of a skinned window: painted by the engine over the
// window's background in the accent colour, horizontal or vertical. Both keep the
// system's behaviour; only their painting is the engine's.
#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <vector>

#include "gfx/gfx.h"
#include "skin/draw.h"
#include "skin/families.h"
#include "skin/family.h"
#include "skin/family_paint.h"

namespace ornivex::skin {

namespace {

constexpr int kTrackbarKind = static_cast<int>(HotKind::Trackbar);

gfx::GraphicsPath BoxPath(const Box& box, float corner) {
  return RoundRect(static_cast<float>(box.x), static_cast<float>(box.y), static_cast<float>(box.width - 1),
                   static_cast<float>(box.height - 1), corner);
}

// A gradient across a bar: from the box's top to its bottom for a horizontal bar,
// from its left to its right for a vertical one.
void FillAcross(gfx::Graphics& g, const gfx::GraphicsPath& path, const Box& box, bool vertical, gfx::ARGB from,
                gfx::ARGB to) {
  const auto x = static_cast<float>(box.x), y = static_cast<float>(box.y);
  if (vertical) FillLinear(g, path, gfx::PointF(x, 0), gfx::PointF(x + static_cast<float>(box.width), 0), from, to);
  else FillLinear(g, path, gfx::PointF(0, y), gfx::PointF(0, y + static_cast<float>(box.height)), from, to);
}

// Paints `paint` on the background under the whole control and shows it in the
// control's window DC, or in `target` (a DC of the client area that a caller
// handed over with WM_PAINT, to take the painting off screen).
template <class Paint>
void PaintOnBackground(HWND control, Paint paint, HDC target = nullptr) {
  const SIZE size = WindowSize(control);
  if (size.cx <= 0 || size.cy <= 0) return;
  DibCanvas canvas = Engine().BackgroundUnder(control, false, false);
  if (!canvas) return;
  if (!DrawInto(canvas, [&](gfx::Graphics& g) { paint(g, static_cast<int>(size.cx), static_cast<int>(size.cy)); }))
    return;
  CopyToControl(control, canvas, target);
}

Box ToBox(const RECT& r, POINT offset) {
  return Box{r.left + offset.x, r.top + offset.y, r.right - r.left, r.bottom - r.top};
}

// --- trackbars ----------------------------------------------------------------

// Tick marks beside the channel, where the trackbar puts them: at both ends and at
// each tick of its own. (Their positions are worked out from their values: not
// every system reports a vertical trackbar's tick positions.)
void PaintTicks(gfx::Graphics& g, HWND trackbar, DWORD style, bool vertical, const Box& channel, const Box& thumb,
                int minimum, int maximum, const FamilyMetrics& m) {
  if (style & TBS_NOTICKS) return;
  const int count = static_cast<int>(SendMessageW(trackbar, TBM_GETNUMTICS, 0, 0));
  if (count < 2) return;
  std::vector<int> ticks{TrackbarPositionAt(channel, thumb, vertical, minimum, maximum, minimum),
                         TrackbarPositionAt(channel, thumb, vertical, minimum, maximum, maximum)};
  for (int i = 0; i < count - 2; ++i) {
    const auto value = static_cast<int>(SendMessageW(trackbar, TBM_GETTIC, i, 0));
    if (value >= minimum && value <= maximum)
      ticks.push_back(TrackbarPositionAt(channel, thumb, vertical, minimum, maximum, value));
  }
  const bool before = (style & (TBS_TOP | TBS_BOTH)) != 0;  // TBS_LEFT is TBS_TOP
  const bool after = !(style & TBS_TOP) || (style & TBS_BOTH);
  const auto length = static_cast<float>(m.Scale(3)), gap = static_cast<float>(m.Scale(2));
  gfx::Pen pen;
  if (!pen.CreatePen1(Argb(kBlack, 110), 1.0f, Gdiplus::UnitPixel)) return;
  const auto thumbStart = static_cast<float>(vertical ? thumb.x : thumb.y);
  const auto thumbEnd = static_cast<float>(vertical ? thumb.Right() : thumb.Bottom());
  for (int at : ticks) {
    const auto a = static_cast<float>(at) + 0.5f;
    auto line = [&](float from, float to) {
      if (vertical) g.DrawLine(pen, from, a, to, a);
      else g.DrawLine(pen, a, from, a, to);
    };
    if (before) line(thumbStart - gap - length, thumbStart - gap);
    if (after) line(thumbEnd + gap, thumbEnd + gap + length);
  }
}

void PaintTrackbar(const TrackbarRecord& trackbar, HDC target = nullptr) {
  HWND control = trackbar.window;
  const DWORD style = StyleOf(control);
  const bool vertical = (style & TBS_VERT) != 0;
  const FamilyMetrics m = MetricsOf(control);
  const POINT offset = ClientOriginInWindow(control);
  RECT channelRect{}, thumbRect{};
  SendMessageW(control, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channelRect));
  SendMessageW(control, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumbRect));
  const int minimum = static_cast<int>(SendMessageW(control, TBM_GETRANGEMIN, 0, 0));
  const int maximum = static_cast<int>(SendMessageW(control, TBM_GETRANGEMAX, 0, 0));
  const int selectionStart = static_cast<int>(SendMessageW(control, TBM_GETSELSTART, 0, 0));
  const int selectionEnd = static_cast<int>(SendMessageW(control, TBM_GETSELEND, 0, 0));
  const Box channel = TrackbarChannel(ToBox(channelRect, offset), vertical, m);
  const Box thumb = ToBox(thumbRect, offset);
  const Box fill = TrackbarFill(channel, thumb, vertical, (style & TBS_ENABLESELRANGE) != 0, minimum, maximum,
                                selectionStart, selectionEnd);
  const bool panel = Engine().Settings().trackbarStyle != 0;
  const bool hot = trackbar.hot != 0;
  PaintOnBackground(control, [&](gfx::Graphics& g, int w, int h) {
    if (panel) {
      const Box whole{0, 0, w, h};
      Outline(g, BoxPath(whole, static_cast<float>(m.barCorner)), Argb(kBlack, 30));
      const Box inner{1, 1, w - 2, h - 2};
      gfx::GraphicsPath innerPath = BoxPath(inner, static_cast<float>(m.Scale(3)));
      // The sheen runs along the trackbar.
      FillAcross(g, innerPath, inner, !vertical, Argb(kWhite, 160), Argb(kBlack, 30));
    }
    const auto corner = static_cast<float>(m.thumbCorner);
    gfx::GraphicsPath channelPath = BoxPath(channel, corner);
    FillSolid(g, channelPath, Argb(kWhite, 170));
    Outline(g, channelPath, Argb(kBlack, 80));
    if (!fill.Empty()) {
      gfx::GraphicsPath fillPath = BoxPath(fill, corner);
      FillAcross(g, fillPath, fill, vertical, Argb(Accent(), 170), Argb(Accent(), 255));
    }
    PaintTicks(g, control, style, vertical, channel, thumb, minimum, maximum, m);
    if (!(style & TBS_NOTHUMB) && !thumb.Empty()) {
      gfx::GraphicsPath thumbPath = BoxPath(thumb, static_cast<float>(m.Scale(2)));
      FillSolid(g, thumbPath, Argb(kWhite, 235));  // the channel does not show through
      if (hot) {
        FillAcross(g, thumbPath, thumb, vertical, Argb(kWhite, 230), Argb(Accent(), 220));
        Outline(g, thumbPath, Argb(Accent(), 255));
      } else {
        FillAcross(g, thumbPath, thumb, vertical, Argb(kWhite, 210), Argb(Accent(), 110));
        Outline(g, thumbPath, Argb(Accent(), 200));
      }
    }
  }, target);
}

struct Trackbars {
  using Record = TrackbarRecord;
  static constexpr auto kList = &SkinWindowRecord::trackbars;
  using Result = std::optional<LRESULT>;

  static Result OnMove(TrackbarRecord& t) {
    PaintTrackbar(t);
    return {};
  }
  static Result OnPaint(TrackbarRecord& t, const WindowMessage& msg) {
    if (HDC given = msg.Dc()) {
      PaintTrackbar(t, given);
      return 0;
    }
    { PaintDc validate(t.window); }
    PaintTrackbar(t);
    return msg.Default();
  }
  static Result OnEraseBackground(const WindowMessage& msg) {
    SetBkMode(msg.Dc(), TRANSPARENT);
    return 1;
  }
  static Result OnNcPaint(TrackbarRecord& t) {
    if (HasNonClientArea(t.window)) PaintTrackbar(t);  // else WM_PAINT paints it all
    return 1;
  }
  static Result OnMouseMove(TrackbarRecord& t) {
    TrackMouseLeave(t.window);
    if (TakeHover(*WindowOf(t.window), kTrackbarKind, PositionOf(t.window))) {
      t.hot = 1;
      PaintTrackbar(t);
    }
    return {};
  }
  static Result OnMouseLeave(TrackbarRecord& t) {
    DropHover(*WindowOf(t.window), kTrackbarKind, PositionOf(t.window));
    t.hot = 0;
    PaintTrackbar(t);
    return {};
  }

  static Result Handle(TrackbarRecord& t, const WindowMessage& msg) {
    switch (msg.message) {
      case WM_MOVE: return OnMove(t);
      case WM_PAINT: return OnPaint(t, msg);
      case WM_ERASEBKGND: return OnEraseBackground(msg);
      case WM_NCPAINT: return OnNcPaint(t);
      case WM_MOUSEMOVE: return OnMouseMove(t);
      case WM_MOUSELEAVE: return OnMouseLeave(t);
    }
    return {};
  }
};

// --- progress bars --------------------------------------------------------------

void PaintProgress(const ProgressRecord& progress, HDC target = nullptr) {
  HWND control = progress.window;
  const bool vertical = (StyleOf(control) & PBS_VERTICAL) != 0;
  const FamilyMetrics m = MetricsOf(control);
  PBRANGE range{};
  SendMessageW(control, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
  const int position = static_cast<int>(SendMessageW(control, PBM_GETPOS, 0, 0));
  PaintOnBackground(control, [&](gfx::Graphics& g, int w, int h) {
    Outline(g, BoxPath(Box{0, 0, w, h}, static_cast<float>(m.barCorner)), Argb(kBlack, 50));
    const Box track = ProgressTrack(w, h, m);
    const auto corner = static_cast<float>(m.thumbCorner);
    FillAcross(g, BoxPath(track, corner), track, vertical, Argb(kWhite, 160), Argb(kBlack, 30));
    const Box fill = ProgressFill(w, h, vertical, position, range.iLow, range.iHigh, m);
    if (fill.Empty()) return;
    gfx::GraphicsPath fillPath = BoxPath(fill, corner);
    FillAcross(g, fillPath, fill, vertical, Argb(kWhite, 90), Argb(Accent(), 255));
    Outline(g, fillPath, Argb(Accent(), 150));
  }, target);
}

struct ProgressBars {
  using Record = ProgressRecord;
  static constexpr auto kList = &SkinWindowRecord::progressBars;
  using Result = std::optional<LRESULT>;

  // The system's own handling first, then the engine's look over it.
  static Result PassOnThenPaint(const WindowMessage& msg) {
    const LRESULT result = msg.PassOn();
    if (ProgressRecord* still = FindControlRecord(msg.window, kList)) PaintProgress(*still);
    return result;
  }
  static Result OnPaint(ProgressRecord& p, const WindowMessage& msg) {
    if (HDC given = msg.Dc()) {
      PaintProgress(p, given);
      return 0;
    }
    {
      PaintDc validate(p.window);
      PaintProgress(p);
    }
    return msg.Default();
  }
  static Result OnEraseBackground(const WindowMessage& msg) {
    SetBkMode(msg.Dc(), TRANSPARENT);
    return 1;
  }

  static Result Handle(ProgressRecord& p, const WindowMessage& msg) {
    switch (msg.message) {
      case WM_MOVE:
      case WM_SETFOCUS:
      case WM_KILLFOCUS:
      case WM_SETTEXT:
      case WM_MOUSEMOVE:
      case WM_MOUSELEAVE: return PassOnThenPaint(msg);
      case WM_NCPAINT: return HasNonClientArea(p.window) ? PassOnThenPaint(msg) : Result{};
      case WM_PAINT: return OnPaint(p, msg);
      case WM_ERASEBKGND: return OnEraseBackground(msg);
    }
    return {};
  }
};

}  // namespace

void EnrolTrackbars(SkinEngine& engine, SkinWindowRecord& record, int number, HWND parent) {
  if (!engine.Settings().skinChildControls) return;
  ForEachChildOfClass(parent, TRACKBAR_CLASSW, [&](HWND child) {
    if (TrackbarRecord* trackbar = EnrolControl<Trackbars>(record, number, child)) {
      trackbar->vertical = (StyleOf(child) & TBS_VERT) ? 1 : 0;
      InvalidateWhole(child);
    }
  });
}

void EnrolProgressBars(SkinEngine& engine, SkinWindowRecord& record, int number, HWND parent) {
  if (!engine.Settings().skinChildControls) return;
  ForEachChildOfClass(parent, PROGRESS_CLASSW, [&](HWND child) {
    if (EnrolControl<ProgressBars>(record, number, child)) InvalidateWhole(child);
  });
}

}  // namespace ornivex::skin
