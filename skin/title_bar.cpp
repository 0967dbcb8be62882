// The caption's title buttons on screen: their layout with the tooltips, hit
// testing, moving and sizing from the window's body, and painting one button.
#include "gfx/gfx.h"
#include "skin/draw.h"
#include "skin/engine.h"

namespace ornivex::skin {

namespace {

RECT ToRect(const BoundsF& b) {
  return RECT{static_cast<LONG>(b.x), static_cast<LONG>(b.y), static_cast<LONG>(b.x + b.width),
              static_cast<LONG>(b.y + b.height)};
}

// The close button's shape: square but for its top-right corner, rounded like the
// window's.
gfx::GraphicsPath CloseShape(const BoundsF& b, float corner) {
  gfx::GraphicsPath path;
  if (!path.CreatePath(Gdiplus::FillModeAlternate)) return path;
  const float right = b.x + b.width, bottom = b.y + b.height;
  path.AddPathLine(b.x, bottom, b.x, b.y);
  path.AddPathLine(b.x, b.y, right - corner, b.y);
  path.AddPathArc(right - corner, b.y, corner, corner, 270.0f, 90.0f);
  path.AddPathLine(right, b.y + corner, right, bottom);
  path.ClosePathFigure();
  return path;
}

}  // namespace

void SkinEngine::LayoutTitleButtons(int number) {
  SkinWindowRecord* record = Record(number);
  if (!record || record->captionHeight <= 0) return;
  RECT client;
  GetClientRect(record->window, &client);
  const StripLayout strip = LayoutStrip(record->TitleKinds(), client.right, record->metrics);
  record->stripLeft = strip.left;
  record->stripWidth = strip.width;
  record->stripHeight = strip.height;
  for (std::size_t i = 0; i < record->titleButtons.size(); ++i) {
    TitleButton& button = record->titleButtons[i];
    button.bounds = strip.buttons[i];
    if (record->tooltip.GetHandle()) {
      record->tooltip.NewToolRect(i + 1, ToRect(button.bounds));
      record->tooltip.UpdateTipText(i + 1, button.caption);
    }
  }
}

void SkinEngine::EnsureTooltips(SkinWindowRecord& record) {
  if (record.tooltip.GetHandle() || !record.tooltip.Create(record.window, false)) return;
  for (std::size_t i = 0; i < record.titleButtons.size(); ++i)
    record.tooltip.AddTool(ToRect(record.titleButtons[i].bounds), record.titleButtons[i].caption, i + 1);
  record.toolCount = static_cast<int>(record.titleButtons.size());
}

int SkinEngine::HitTestTitleButton(int number, int x, int y) {
  const SkinWindowRecord* record = Record(number);
  // With its title buttons off a window shows none, so none is hit.
  return record && record->titleButtonsActive ? HitTestStrip(record->Strip(), x, y) : 0;
}

int SkinEngine::FindMaximizeButton(int number) {
  const SkinWindowRecord* record = Record(number);
  return record ? skin::FindMaximizeButton(record->TitleKinds()) : 0;
}

void SkinEngine::BodyMouseDown(int number, LPARAM lparam, const RECT& client) {
  SkinWindowRecord* record = Record(number);
  if (!record) return;
  const int x = static_cast<short>(LOWORD(lparam)), y = static_cast<short>(HIWORD(lparam));
  if (InPressBand(record->Strip(), x, y)) return;  // the title buttons' own
  if (!record->titleButtonsActive) return;
  const SizingZone zone = ZoneAt(x, y, client.right, client.bottom, record->sizable, record->metrics);
  if (zone != SizingZone::None) {
    SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(CursorIdFor(zone))));
    SendMessageW(record->window, WM_SYSCOMMAND, SizeCommandFor(zone), 0);
    return;
  }
  // The whole body acts as a caption: the system moves the window.
  SendMessageW(record->window, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void SkinEngine::BodyMouseMove(int number, LPARAM lparam, const RECT& client) {
  const SkinWindowRecord* record = Record(number);
  if (!record || !record->sizable) return;
  const SizingZone zone = ZoneAt(static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam)),
                                 client.right, client.bottom, true, record->metrics);
  if (zone != SizingZone::None) SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(CursorIdFor(zone))));
}

void SkinEngine::ShowSystemMenu(int number, POINT screen) {
  const SkinWindowRecord* record = Record(number);
  HMENU menu = record ? GetSystemMenu(record->window, FALSE) : nullptr;
  if (!menu) return;
  HWND window = record->window;
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
  const SystemMenuChoices choices =
      SystemMenuChoicesFor(record->minimized || IsIconic(window), record->maximized, style & WS_THICKFRAME,
                           style & WS_MINIMIZEBOX, style & WS_MAXIMIZEBOX);
  const auto offer = [menu](UINT command, bool enabled) {
    EnableMenuItem(menu, command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
  };
  offer(SC_RESTORE, choices.restore);
  offer(SC_MOVE, choices.move);
  offer(SC_SIZE, choices.size);
  offer(SC_MINIMIZE, choices.minimize);
  offer(SC_MAXIMIZE, choices.maximize);
  // The menu's own loop runs here; the choice is posted, as the system does, so
  // that it runs once the loop is over.
  const UINT command = static_cast<UINT>(
      TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, screen.x, screen.y, 0, window, nullptr));
  if (command && IsWindow(window)) PostMessageW(window, WM_SYSCOMMAND, command, MAKELPARAM(screen.x, screen.y));
}

void SkinEngine::RefreshPaint(int number, HDC dc) {
  SkinWindowRecord* record = Record(number);
  if (!record || !record->mainDc) return;
  RECT window;
  GetWindowRect(record->window, &window);
  const int width = window.right - window.left, height = window.bottom - window.top;
  if (dc) {
    BitBlt(dc, 0, 0, width, height, record->mainDc.Dc(), 0, 0, SRCCOPY);
    return;
  }
  WindowDc target = WindowDc::ClientWithoutChildren(record->window);
  if (target) BitBlt(target.Get(), 0, 0, width, height, record->mainDc.Dc(), 0, 0, SRCCOPY);
}

void SkinEngine::PaintTitleButton(int number, int buttonNumber, bool pressed, int hotAlpha, bool toScreen) {
  SkinWindowRecord* record = Record(number);
  if (!record || !record->mainDc || !record->dc2 || buttonNumber < 1 ||
      buttonNumber > static_cast<int>(record->titleButtons.size()))
    return;
  const TitleButton& button = record->titleButtons[buttonNumber - 1];
  const BoundsF& b = button.bounds;
  const RECT area = ToRect(b);
  HDC main = record->mainDc.Dc();
  // The area comes back from the background copy that holds no title buttons.
  BitBlt(main, area.left, area.top, area.right - area.left, area.bottom - area.top, record->dc2.Dc(), area.left,
         area.top, SRCCOPY);
  {
    Canvas canvas(main);
    if (!canvas) return;
    gfx::Graphics& g = canvas.graphics;
    const bool close = button.kind == TitleButtonKind::Close;
    const float corner = static_cast<float>(record->metrics.Scale(5));
    gfx::GraphicsPath shape = close ? CloseShape(b, corner) : Rectangle(b.x, b.y, b.width, b.height);
    const COLORREF tint = close ? kRed : settings_.accent;
    if (pressed) {
      if (close) FillVertical(g, shape, b.y, b.height, Argb(kRed, 255), Argb(kWhite, 30));
      else FillVertical(g, shape, b.y, b.height, Argb(kBlack, 80), Argb(kWhite, 5));
    } else if (hotAlpha > 0) {
      const float a = static_cast<float>(hotAlpha);
      gfx::GraphicsPath upper = RoundRect(b.x, b.y, b.width, b.height / 2, 1);
      FillVertical(g, upper, b.y, b.height / 2, Argb(kBlack, static_cast<int>(a / 5)), Argb(kWhite, 0));
      FillVertical(g, shape, b.y, b.height, Argb(tint, hotAlpha), Argb(kWhite, 0));
      gfx::GraphicsPath highlight = Rectangle(b.x, b.y, b.width, b.height * 0.8f);
      FillVertical(g, highlight, b.y, b.height * 0.8f, Argb(kWhite, static_cast<int>(0.8f * a)), Argb(kWhite, 0));
    }
    const bool restore = button.kind == TitleButtonKind::Maximize && record->maximized && !button.altPicture.empty();
    if (gfx::Bitmap* picture = Picture(restore ? button.altPicture : button.picture))
      DrawPicture(g, *picture, b.x, b.y, static_cast<float>(button.width), static_cast<float>(button.height));
    g.Flush(Gdiplus::FlushIntentionSync);
  }
  if (!toScreen) return;
  WindowDc dc = WindowDc::Client(record->window);
  if (dc)
    BitBlt(dc.Get(), area.left, area.top, area.right - area.left, area.bottom - area.top, main, area.left, area.top,
           SRCCOPY);
}

void SkinEngine::PaintTitleButtonsAsTheyAre(int number) {
  SkinWindowRecord* record = Record(number);
  if (!record || !record->titleButtonsActive) return;
  for (int i = 1; i <= static_cast<int>(record->titleButtons.size()); ++i) {
    const bool pressed = record->pressedTitleButton == i;
    PaintTitleButton(number, i, pressed, pressed ? 0 : FadeAlphaOf(record->fade, i), false);
  }
}

}  // namespace ornivex::skin
