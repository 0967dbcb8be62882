// Up-down (spin) controls painted by the skin: a translucent rounded body over the
// background, two rounded halves with gradients in the accent colour, the half
// under the mouse lit (and darker while pressed), and a small arrow in each.
#include <windows.h>
#include <commctrl.h>

#include <optional>

#include "gfx/gfx.h"
#include "resources/skin_pictures.h"
#include "skin/draw.h"
#include "skin/families.h"
#include "skin/family.h"
#include "skin/family_paint.h"
#include "skin/pixels.h"

namespace ornivex::skin {

namespace {

constexpr int kUpDownKind = static_cast<int>(HotKind::UpDown);

pictures::SkinPicture ArrowOf(bool horizontal, int half) {
  if (horizontal) return half == 0 ? pictures::SkinPicture::ArrowLeft : pictures::SkinPicture::ArrowRight;
  return half == 0 ? pictures::SkinPicture::ArrowUp : pictures::SkinPicture::ArrowDown;
}

// Paints the control now; with `hotHalf`, that half lit.
void PaintUpDown(const UpDownRecord& upDown, std::optional<int> hotHalf, HDC target = nullptr) {
  HWND control = upDown.window;
  const SIZE size = WindowSize(control);
  const int w = size.cx, h = size.cy;
  SkinWindowRecord* window = WindowOf(control);
  if (!window || w <= 0 || h <= 0) return;
  DibCanvas canvas = Engine().BackgroundUnder(control, false, false);
  if (!canvas) return;
  const FamilyMetrics m = MetricsOf(control);
  const bool horizontal = upDown.horizontal != 0;
  const auto corner = static_cast<float>(m.upDownCorner);
  {
    PixelGraphics drawing(canvas);
    if (!drawing) return;
    gfx::Graphics& g = drawing.Get();
    FillSolid(g, RoundRect(0, 0, static_cast<float>(w - 1), static_cast<float>(h - 1), corner), Argb(kWhite, 160));
    const UpDownHalves halves = UpDownHalfBoxes(w, h, horizontal);
    for (int half = 0; half < 2; ++half) {
      const Box& box = half == 0 ? halves.first : halves.second;
      const auto x = static_cast<float>(box.x), y = static_cast<float>(box.y);
      const auto bw = static_cast<float>(box.width), bh = static_cast<float>(box.height);
      gfx::GraphicsPath path = RoundRect(x, y, bw, bh, corner);
      // Across the half, from its first edge to its far one.
      const gfx::PointF from(x, y), to = horizontal ? gfx::PointF(x + bw, y) : gfx::PointF(x, y + bh);
      const bool lit = hotHalf && *hotHalf == half;
      if (lit && upDown.buttonDown) {
        FillLinear(g, path, from, to, Argb(Accent(), 160), Argb(Accent(), 90));
        Outline(g, path, Argb(Accent(), 220));
      } else if (lit) {
        FillLinear(g, path, from, to, Argb(kWhite, 100), Argb(Accent(), 150));
        Outline(g, path, Argb(Accent(), 200));
      } else {
        const int startAlpha = (!horizontal && half == 0) ? 60 : 20;
        FillLinear(g, path, from, to, Argb(kWhite, startAlpha), Argb(Accent(), 100));
        Outline(g, path, Argb(kBlack, 100));
      }
      if (gfx::Bitmap* arrow =
              Engine().Picture(pictures::Embedded(ArrowOf(horizontal, half), PictureScaleStep(window->metrics.dpi)))) {
        const auto aw = static_cast<int>(arrow->GetImageWidth()), ah = static_cast<int>(arrow->GetImageHeight());
        DrawPicture(g, *arrow, static_cast<float>(box.x + (box.width - aw) / 2),
                    static_cast<float>(box.y + (box.height - ah) / 2));
      }
    }
  }
  CopyToControl(control, canvas, target);
}

// The look the control has now: lit where the mouse is.
void PaintUpDownAsItIs(const UpDownRecord& upDown, HDC target = nullptr) {
  PaintUpDown(upDown, upDown.tracking ? std::optional<int>(upDown.hotHalf) : std::nullopt, target);
}

struct UpDowns {
  using Record = UpDownRecord;
  static constexpr auto kList = &SkinWindowRecord::upDownControls;
  using Result = std::optional<LRESULT>;

  static Result OnMove(UpDownRecord& u) {
    PaintUpDownAsItIs(u);
    return {};
  }
  // The control's own painting is replaced; DefWindowProc validates. A DC handed
  // over with the message is painted into instead.
  static Result OnPaint(UpDownRecord& u, const WindowMessage& msg) {
    if (HDC given = msg.Dc()) {
      PaintUpDownAsItIs(u, given);
      return 0;
    }
    PaintUpDownAsItIs(u);
    return msg.Default();
  }
  static Result OnEraseBackground(const WindowMessage& msg) {
    SetBkMode(msg.Dc(), TRANSPARENT);
    return 1;
  }
  static Result OnMouseMove(UpDownRecord& u, const WindowMessage& msg) {
    TrackMouseLeave(u.window);
    const SIZE size = WindowSize(u.window);
    const int half = UpDownHalfAt(size.cx, size.cy, u.horizontal != 0, msg.X(), msg.Y());
    SkinWindowRecord& window = *WindowOf(u.window);
    const bool same = u.tracking && u.hotHalf == half && IsHovered(window, kUpDownKind, PositionOf(u.window));
    TakeHover(window, kUpDownKind, PositionOf(u.window));
    u.tracking = 1;
    u.hotHalf = half;
    if (!same) PaintUpDown(u, half);
    return {};
  }
  // The control's own handling first (it starts its repeat), then the pressed look.
  static Result OnButton(UpDownRecord& u, const WindowMessage& msg, bool down) {
    u.buttonDown = down ? 1 : 0;
    u.lastPress = msg.lparam;
    const LRESULT result = msg.PassOn();
    if (UpDownRecord* still = FindControlRecord(msg.window, kList)) PaintUpDownAsItIs(*still);
    return result;
  }
  static Result OnMouseLeave(UpDownRecord& u) {
    DropHover(*WindowOf(u.window), kUpDownKind, PositionOf(u.window));
    u.tracking = 0;
    PaintUpDown(u, std::nullopt);
    return {};
  }

  static Result Handle(UpDownRecord& u, const WindowMessage& msg) {
    switch (msg.message) {
      case WM_MOVE: return OnMove(u);
      case WM_PAINT: return OnPaint(u, msg);
      case WM_ERASEBKGND: return OnEraseBackground(msg);
      case WM_NCPAINT: return 1;  // no frame
      case WM_MOUSEMOVE: return OnMouseMove(u, msg);
      case WM_LBUTTONDOWN: return OnButton(u, msg, true);
      case WM_LBUTTONUP: return OnButton(u, msg, false);
      case WM_MOUSELEAVE: return OnMouseLeave(u);
    }
    return {};
  }
};

}  // namespace

void SubclassUpDowns(SkinEngine& engine, SkinWindowRecord& record, int number, HWND parent) {
  if (!engine.Settings().controlsEnabled) return;
  ForEachChildOfClass(parent, UPDOWN_CLASSW, [&](HWND child) {
    if (UpDownRecord* upDown = EnrolControl<UpDowns>(record, number, child)) {
      upDown->horizontal = (StyleOf(child) & UDS_HORZ) ? 1 : 0;
      InvalidateWhole(child);
    }
  });
}

}  // namespace ornivex::skin
