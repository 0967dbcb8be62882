// The procedure of a skinned top-level window: a table of the messages it takes
// part in, each handled by a named handler; everything else, and most of those
// too once handled, goes on to the procedure the skin replaced.
#include <shlwapi.h>
#include <commctrl.h>

#include <optional>

#include "runtime/codepage.h"
#include "runtime/subclass.h"
#include "skin/engine.h"
#include "skin/families.h"

namespace ornivex::skin {

namespace {

int TaskbarHeight() {
  HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
  RECT r;
  return tray && GetWindowRect(tray, &r) ? r.bottom - r.top : 0;
}

}  // namespace

// The handlers, one per message of the table. A handler answers with a result, or
// with nothing to let the message go on to the replaced procedure.
struct WindowMessages {
  SkinEngine& engine;
  SkinWindowRecord& record;
  int number;
  const WindowMessage& msg;

  using Result = std::optional<LRESULT>;
  SkinSettings& Settings() { return engine.settings_; }
  UINT_PTR FadeTimer() const { return reinterpret_cast<UINT_PTR>(msg.window); }
  bool ControlsSkinned() { return Settings().skinChildControls && Settings().controlsEnabled; }

  void Apply(const FadeEffects& effects) {
    for (const ButtonPaint& paint : effects.paints) engine.PaintTitleButton(number, paint.button, false, paint.alpha);
    if (effects.trackMouse) {
      TRACKMOUSEEVENT track{sizeof track, TME_HOVER | TME_LEAVE, msg.window, 1};
      TrackMouseEvent(&track);
    }
    if (effects.startTimer) SetTimer(msg.window, FadeTimer(), kFadeIntervalMs, nullptr);
    if (effects.stopTimer) KillTimer(msg.window, FadeTimer());
  }

  Result OnSize() {
    // The window is composed anew with plain title buttons: their fade starts afresh.
    Apply(FadeReset(record.fade));
    if (Settings().firstSize) {
      record.repaintAll = 0;
      Settings().firstSize = 0;
    } else {
      record.repaintAll = 1;
    }
    // A window that shrank (or whose class lacks CS_HREDRAW | CS_VREDRAW) gets no
    // WM_PAINT of its own: its frame and title buttons would stay where they were.
    const int width = LOWORD(msg.lparam), height = HIWORD(msg.lparam);
    if (record.mainDc && (record.mainDc.Width() != width || record.mainDc.Height() != height))
      InvalidateRect(msg.window, nullptr, FALSE);
    engine.AfterSize(msg.window);
    return {};
  }

  Result OnSetText() {
    if (record.captionText && record.titleButtonsActive && msg.lparam)
      engine.CaptionTextChanged(msg.window, WideToGbk(reinterpret_cast<const wchar_t*>(msg.lparam)));
    return {};
  }

  Result OnPaint() {
    {
      PaintDc dc(msg.window);
      if (!record.minimized) {
        // A picture composed at another size is never copied out as it is, whatever
        // the first-size flag spared.
        RECT client;
        GetClientRect(msg.window, &client);
        const bool stale = record.mainDc.Width() != client.right || record.mainDc.Height() != client.bottom;
        if (record.repaintAll || stale) {
          engine.FullPaint(number, dc.Get(), true);
          record.repaintAll = 0;
        } else {
          engine.RefreshPaint(number, dc.Get());
        }
      }
    }
    return msg.Default();
  }

  Result OnQueryOpen() {
    record.minimized = 0;
    return {};
  }

  Result OnEraseBackground() {
    SetBkMode(msg.Dc(), TRANSPARENT);
    return 1;
  }

  Result OnShowWindow() {
    if (msg.wparam != 1) return {};
    if (record.minimized) {
      record.minimized = 0;
    } else {
      PaintDc dc(msg.window);
      engine.FullPaint(number, dc.Get(), true);
      record.repaintAll = 0;
    }
    return {};
  }

  Result OnActivateApp() {
    if (msg.wparam == 0 && engine.deactivation_) SHCreateThread(engine.deactivation_, nullptr, 0, nullptr);
    return {};
  }

  Result OnGetMinMaxInfo() {
    auto* info = reinterpret_cast<MINMAXINFO*>(msg.lparam);
    if (!info) return {};
    POINT max{record.maxTrackWidth, record.maxTrackHeight};
    if (record.maximized)
      max = POINT{GetSystemMetrics(SM_CXSCREEN), MaximizedHeight(GetSystemMetrics(SM_CYSCREEN), TaskbarHeight())};
    info->ptMinTrackSize = POINT{record.minTrackWidth, record.minTrackHeight};
    info->ptMaxTrackSize = max;
    return {};
  }

  Result OnDrawItem() {
    if (msg.lparam) {
      const DRAWITEMSTRUCT item = *reinterpret_cast<const DRAWITEMSTRUCT*>(msg.lparam);
      DrawOwnerDrawnItem(engine, item);
    }
    return {};
  }

  Result OnWindowPosChanged() {
    if (record.hasMaximize) {
      RECT client;
      GetClientRect(msg.window, &client);
      const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
      if (client.right == screenWidth && client.bottom == screenHeight) {
        // Full screen: maximized, the taskbar left visible.
        record.maximized = 1;
        SetWindowPos(msg.window, nullptr, 0, 0, screenWidth, MaximizedHeight(screenHeight, TaskbarHeight()),
                     SWP_NOZORDER | SWP_NOOWNERZORDER);
      }
    }
    engine.LayoutTitleButtons(number);
    if (record.extraCount > 0) engine.ExtraLayout(number);
    return {};
  }

  Result OnNotify() {
    const auto* header = reinterpret_cast<const NMHDR*>(msg.lparam);
    // Tree items expanding or expanded (both character sets): the tree repaints on
    // the background.
    if (header && (header->code == TVN_ITEMEXPANDINGA || header->code == TVN_ITEMEXPANDEDA ||
                   header->code == TVN_ITEMEXPANDINGW || header->code == TVN_ITEMEXPANDEDW))
      InvalidateRect(header->hwndFrom, nullptr, TRUE);
    return {};
  }

  Result OnDpiChanged() {
    // Moved to a monitor of another scale: the caption takes its metrics, then the
    // window's own procedure lays the window out anew, and everything is drawn again.
    engine.ApplyDpi(record, HIWORD(msg.wparam));
    HWND window = msg.window;
    const LRESULT result = msg.PassOn();
    engine.LayoutTitleButtons(engine.WindowNumberOf(window));
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    return result;
  }

  Result OnNcDestroy() {
    HWND window = msg.window;
    engine.DestroyRecord(window);  // `record` is gone from here on
    KillTimer(window, reinterpret_cast<UINT_PTR>(window));
    const LRESULT result = msg.PassOn();
    RemoveWindowProperties(window, {prop::kNumber, prop::kPrevious, prop::kInitialBitmap, prop::kFrameBitmap});
    return result;
  }

  Result OnCommand() {
    if (ControlsSkinned()) RepaintOnNotification(msg.Sender(), HIWORD(msg.wparam));
    return {};
  }

  Result OnSysCommand() {
    switch (msg.wparam & 0xFFF0) {
      case SC_MAXIMIZE:
        record.maximized = 1;
        record.repaintAll = 1;
        break;
      case SC_RESTORE:
        record.repaintAll = 1;
        // From the system menu, the keyboard or the taskbar as well as from the
        // title button: a window restored from maximized is no longer maximized
        // (one restored from minimized goes back to what it was).
        if (!record.minimized && !IsIconic(msg.window)) record.maximized = 0;
        record.minimized = 0;
        break;
      case SC_MINIMIZE:
        record.repaintAll = 1;
        record.minimized = 1;
        break;
    }
    return {};
  }

  Result OnContextMenu() {
    // A right click on the caption the skin draws: the system menu, as on a
    // system caption. Not from the keyboard (-1, -1), nor one a child passed up.
    if (reinterpret_cast<HWND>(msg.wparam) != msg.window || (msg.X() == -1 && msg.Y() == -1)) return {};
    const POINT screen{msg.X(), msg.Y()};
    POINT client = screen;
    if (!record.titleButtonsActive || !ScreenToClient(msg.window, &client) ||
        !OpensSystemMenu(record.Strip(), record.captionHeight, client.x, client.y))
      return {};
    engine.ShowSystemMenu(number, screen);
    return 0;
  }

  Result OnTimer() {
    if (msg.wparam == FadeTimer()) Apply(FadeOnTimer(record.fade));
    return {};
  }

  Result OnCtlColorEdit() {
    if (IsClass(GetParent(msg.Sender()), L"ComboBox") || !ControlsSkinned()) return {};
    return Brush(engine.PictureBrush(msg.Sender(), msg.Dc()));
  }

  Result OnCtlColorListBox() {
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(msg.Sender(), GWL_STYLE));
    if (!ControlsSkinned() || !IsClass(msg.Sender(), L"ListBox") ||
        (style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)))
      return {};
    return Brush(engine.HollowBrush(msg.Sender(), msg.Dc()));
  }

  Result OnCtlColorButton() {
    if (!ControlsSkinned()) return {};
    return Brush(engine.HollowBrush(msg.Sender(), msg.Dc()));
  }

  Result OnCtlColorStatic() {
    if (!ControlsSkinned()) return {};
    return Brush(engine.PictureBrush(msg.Sender(), msg.Dc()));
  }

  static Result Brush(HBRUSH brush) {
    if (!brush) return {};
    return reinterpret_cast<LRESULT>(brush);
  }

  Result OnMouseMove() {
    RECT client;
    GetClientRect(msg.window, &client);
    if (!record.titleButtonsActive) {
      if (!record.fade.mouseInside) Apply(FadeEffects{.trackMouse = true});
      return {};
    }
    engine.EnsureTooltips(record);
    const int x = msg.X(), y = msg.Y();
    const int hot = engine.HitTestTitleButton(number, x, y);
    engine.hotButton_ = hot;
    Apply(FadeOnMouseMove(record.fade, hot, InFadeBand(record.Strip(), x, y, record.metrics)));
    if (!record.maximized) engine.BodyMouseMove(number, msg.lparam, client);
    return {};
  }

  Result OnLButtonDown() {
    RECT client;
    GetClientRect(msg.window, &client);
    record.fade.fadeIn = {};
    if (!record.titleButtonsActive) return {};
    if (!record.maximized && !record.minimized) engine.BodyMouseDown(number, msg.lparam, client);
    // Moving or sizing may have run a modal loop: the record is looked up afresh.
    SkinWindowRecord* current = engine.Record(number);
    if (!current || current->window != msg.window) return 0;
    engine.hotButton_ = engine.HitTestTitleButton(number, msg.X(), msg.Y());
    if (engine.hotButton_ >= 1) {
      current->pressedTitleButton = engine.hotButton_;
      // The release is wanted even outside the window, to tell a click from a press
      // dragged away.
      SetCapture(msg.window);
      engine.PaintTitleButton(number, current->pressedTitleButton, true, 0);
    }
    return {};
  }

  Result OnLButtonUp() {
    // The press is taken before the capture goes: releasing it sends
    // WM_CAPTURECHANGED, which would forget the press.
    const int pressed = record.pressedTitleButton;
    record.pressedTitleButton = 0;
    if (GetCapture() == msg.window) ReleaseCapture();
    if (pressed < 1 || pressed > static_cast<int>(record.titleButtons.size()) || !record.titleButtonsActive)
      return {};
    // A press dragged off its button and released elsewhere (another title button
    // too) does nothing, as with any Windows button.
    const int released = engine.HitTestTitleButton(number, msg.X(), msg.Y());
    if (released != pressed) {
      engine.PaintTitleButton(number, pressed, false, ButtonAlpha(pressed));
      return {};
    }
    HWND window = msg.window;
    engine.TitleButtonAction(number, pressed);
    if (!IsWindow(window)) return 0;
    // Back from pressed to the look its fade gives it (hot, while still under the mouse).
    const int now = engine.WindowNumberOf(window);
    if (SkinWindowRecord* current = engine.Record(now); current && !current->minimized)
      engine.PaintTitleButton(now, pressed, false, FadeAlphaOf(current->fade, pressed));
    return {};
  }

  // Another window took the mouse (or the capture was released) while a title
  // button was held: the press is over without an action.
  Result OnCaptureChanged() {
    const int pressed = record.pressedTitleButton;
    record.pressedTitleButton = 0;
    if (pressed >= 1 && pressed <= static_cast<int>(record.titleButtons.size()))
      engine.PaintTitleButton(number, pressed, false, ButtonAlpha(pressed));
    return {};
  }

  // The look a title button falls back to from pressed: the one its hover fade
  // gives it.
  int ButtonAlpha(int button) const { return FadeAlphaOf(record.fade, button); }

  Result OnLButtonDoubleClick() {
    if (msg.Y() <= record.captionHeight && record.sizable) {
      const int maximize = engine.FindMaximizeButton(number);
      HWND window = msg.window;
      if (maximize > 0) engine.TitleButtonAction(number, maximize);
      if (!IsWindow(window)) return 0;
    }
    return {};
  }

  Result OnMouseHover() {
    FadeOnHover(record.fade);
    return {};
  }

  Result OnMouseLeave() {
    if (record.titleButtonsActive) Apply(FadeOnMouseLeave(record.fade));
    else record.fade.mouseInside = false;
    return {};
  }
};

LRESULT SkinEngine::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  const WindowMessage msg{window, message, wparam, lparam, prop::kPrevious};
  const int number = static_cast<int>(WindowProperty(window, prop::kNumber));
  SkinWindowRecord* record = Record(number);
  if (!record || record->window != window) return msg.PassOn();
  WindowMessages on{*this, *record, number, msg};
  std::optional<LRESULT> result;
  switch (message) {
    case WM_SIZE: result = on.OnSize(); break;
    case WM_SETTEXT: result = on.OnSetText(); break;
    case WM_PAINT: result = on.OnPaint(); break;
    // WM_QUIT, should one be sent on purpose, simply passes on: GDI+ lives as long as
    // the engine, whose destructor alone shuts it down after its last object.
    case WM_QUERYOPEN: result = on.OnQueryOpen(); break;
    case WM_ERASEBKGND: result = on.OnEraseBackground(); break;
    case WM_SHOWWINDOW: result = on.OnShowWindow(); break;
    case WM_ACTIVATEAPP: result = on.OnActivateApp(); break;
    case WM_GETMINMAXINFO: result = on.OnGetMinMaxInfo(); break;
    case WM_DRAWITEM: result = on.OnDrawItem(); break;
    case WM_WINDOWPOSCHANGED: result = on.OnWindowPosChanged(); break;
    case WM_NOTIFY: result = on.OnNotify(); break;
    case WM_NCDESTROY: return *on.OnNcDestroy();
    case WM_DPICHANGED: return *on.OnDpiChanged();
    case WM_COMMAND: result = on.OnCommand(); break;
    case WM_SYSCOMMAND: result = on.OnSysCommand(); break;
    case WM_CONTEXTMENU: result = on.OnContextMenu(); break;
    case WM_TIMER: result = on.OnTimer(); break;
    case WM_CTLCOLOREDIT: result = on.OnCtlColorEdit(); break;
    case WM_CTLCOLORLISTBOX: result = on.OnCtlColorListBox(); break;
    case WM_CTLCOLORBTN: result = on.OnCtlColorButton(); break;
    case WM_CTLCOLORSTATIC: result = on.OnCtlColorStatic(); break;
    case WM_MOUSEMOVE: result = on.OnMouseMove(); break;
    case WM_LBUTTONDOWN: result = on.OnLButtonDown(); break;
    case WM_LBUTTONUP: result = on.OnLButtonUp(); break;
    case WM_CAPTURECHANGED: result = on.OnCaptureChanged(); break;
    case WM_LBUTTONDBLCLK: result = on.OnLButtonDoubleClick(); break;
    case WM_MOUSEHOVER: result = on.OnMouseHover(); break;
    case WM_MOUSELEAVE: result = on.OnMouseLeave(); break;
  }
  return result ? *result : msg.PassOn();
}

void SkinEngine::TitleButtonAction(int number, int button) {
  SkinWindowRecord* record = Record(number);
  if (!record || button < 1 || button > static_cast<int>(record->titleButtons.size())) return;
  HWND window = record->window;
  const TitleButton& title = record->titleButtons[button - 1];
  switch (title.kind) {
    case TitleButtonKind::Close:
      SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
      break;
    case TitleButtonKind::Maximize:
      record->repaintAll = 1;
      record->minimized = 0;
      if (record->maximized) {
        record->maximized = 0;
        SendMessageW(window, WM_SYSCOMMAND, SC_RESTORE, 0);
      } else {
        record->maximized = 1;
        SendMessageW(window, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
      }
      break;
    case TitleButtonKind::Minimize:
      record->minimized = 1;
      SendMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
      break;
    case TitleButtonKind::MainMenu:
      if (record->menuCallback) record->menuCallback();
      break;
    case TitleButtonKind::Help:
      if (record->helpCallback) record->helpCallback();
      break;
    case TitleButtonKind::Custom:
      if (title.callback) title.callback();
      break;
  }
}

}  // namespace ornivex::skin
