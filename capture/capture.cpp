#include "capture/capture.h"

#include <windowsx.h>

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "capture/own_windows.h"
#include "capture/screen.h"
#include "capture/selection.h"
#include "runtime/diagnostics.h"
#include "runtime/form.h"
#include "runtime/handles.h"
#include "runtime/subclass.h"

namespace ornivex::capture {

namespace {

constexpr wchar_t kOverlayClass[] = L"OrnivexCaptureOverlay";
constexpr wchar_t kSessionProperty[] = L"Cap_Session";

// The overlay's colours.
constexpr COLORREF kFrameColour = RGB(0, 120, 215);
constexpr COLORREF kLabelBackground = RGB(32, 32, 32);
constexpr COLORREF kLabelText = RGB(255, 255, 255);
// The size label's font at 96 DPI: the system's interface face.
constexpr FontDef kLabelFont{.height = -12, .weight = 400, .charset = DEFAULT_CHARSET, .face = "Segoe UI"};

Rect RectOf(const RECT& r) { return Rect{r.left, r.top, r.right - r.left, r.bottom - r.top}; }
RECT RectOf(const Rect& r) { return RECT{r.left, r.top, r.Right(), r.Bottom()}; }

class Session {
 public:
  Session(HWND owner, CaptureDone done, FrozenScreen frozen)
      : owner_(owner),
        done_(std::move(done)),
        frozen_(std::move(frozen)),
        tracker_(Rect{0, 0, frozen_.bounds.width, frozen_.bounds.height}, frozen_.monitors) {}

  // Makes the dimmed copy, the brushes and the window; false (traced) when one
  // cannot be made.
  bool Open();

  HWND Window() const { return window_.Get(); }
  LRESULT Dispatch(const WindowMessage& m);

 private:
  void OnPaint();
  void OnPress(Point p);
  void OnMove(Point p);
  void OnRelease(Point p);
  void OnCancel();
  void OnCaptureChanged(HWND gainer);
  void OnActivate(bool active);

  // Shows what the tracker holds now, painting only what changed.
  void ShowSelection();
  void PaintArea(HDC dc, const Rect& area);
  HFONT LabelFont(int dpi);
  // Ends the capture: everything of it is freed, then `done` runs. The session
  // is gone when this returns.
  void End();

  HWND owner_;
  CaptureDone done_;
  FrozenScreen frozen_;
  DibCanvas dimmed_;
  SelectionTracker tracker_;
  OverlayView shown_;
  std::wstring labelText_;
  Point labelOrigin_;
  int labelDpi_ = 96;
  std::map<int, UniqueFont> fonts_;
  UniqueBrush frameBrush_;
  UniqueWindow window_;
  bool open_ = false;  // shown and ready: until then nothing ends the capture
  bool wasActive_ = false;
};

// The capture of this thread; the UI thread is the only one that starts one.
thread_local std::unique_ptr<Session> current;

LRESULT CALLBACK OverlayProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    SetWindowPropertyPointer(window, kSessionProperty, static_cast<Session*>(create->lpCreateParams));
  }
  auto* session = WindowPropertyPointer<Session>(window, kSessionProperty);
  if (message == WM_NCDESTROY) RemoveWindowProperties(window, {kSessionProperty});
  const WindowMessage m{window, message, wparam, lparam, nullptr};
  return session ? session->Dispatch(m) : m.Default();
}

bool Session::Open() {
  const int width = frozen_.bounds.width, height = frozen_.bounds.height;
  if (!dimmed_.Resize(width, height)) {
    TraceFailure(L"Making the dimmed copy of the screen");
    return false;
  }
  const std::uint32_t* from = frozen_.pixels.Bits();
  std::uint32_t* to = dimmed_.Bits();
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  for (std::size_t i = 0; i < count; ++i) to[i] = DimmedPixel(from[i]);

  frameBrush_.Reset(CreateSolidBrush(kFrameColour));
  static const bool registered = RegisterWindowClass(kOverlayClass, &OverlayProc, 0);
  if (!registered || !frameBrush_) {
    TraceFailure(L"Preparing the capture overlay");
    return false;
  }
  // Topmost over everything, the taskbar included; no taskbar button of its own.
  window_.Reset(CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kOverlayClass, L"", WS_POPUP,
                                frozen_.bounds.left, frozen_.bounds.top, width, height, nullptr, nullptr,
                                GetModuleHandleW(nullptr), this));
  if (!window_) {
    TraceFailure(L"Creating the capture overlay");
    return false;
  }
  ShowWindow(window_.Get(), SW_SHOW);
  UpdateWindow(window_.Get());
  SetForegroundWindow(window_.Get());
  SetFocus(window_.Get());
  // The cross at once, not at the pointer's first move.
  SetCursor(LoadCursorW(nullptr, IDC_CROSS));
  open_ = true;
  return true;
}

LRESULT Session::Dispatch(const WindowMessage& m) {
  const Point at{m.X(), m.Y()};
  switch (m.message) {
    case WM_PAINT: OnPaint(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETCURSOR: SetCursor(LoadCursorW(nullptr, IDC_CROSS)); return TRUE;
    case WM_LBUTTONDOWN: OnPress(at); return 0;
    case WM_MOUSEMOVE: OnMove(at); return 0;
    case WM_LBUTTONUP: OnRelease(at); return 0;
    case WM_RBUTTONDOWN: OnCancel(); return 0;
    case WM_KEYDOWN:
      if (m.wparam == VK_ESCAPE) OnCancel();
      return 0;
    // The message loop's dialog navigation turns Esc into IDCANCEL; every key
    // is the overlay's own.
    case WM_GETDLGCODE: return DLGC_WANTALLKEYS;
    case WM_COMMAND:
      if (LOWORD(m.wparam) == IDCANCEL) OnCancel();
      return 0;
    // Alt+F4, the system ending modes, or the screens changing under the frozen copy.
    case WM_CLOSE:
    case WM_CANCELMODE:
    case WM_DISPLAYCHANGE: OnCancel(); return 0;
    case WM_CAPTURECHANGED: OnCaptureChanged(reinterpret_cast<HWND>(m.lparam)); return 0;
    case WM_ACTIVATE: OnActivate(LOWORD(m.wparam) != WA_INACTIVE); return 0;
    // Spread over monitors of several scales, the overlay stays where it is.
    case WM_DPICHANGED: return 0;
    default: return m.Default();
  }
}

void Session::OnPaint() {
  PaintDc paint(window_.Get());
  if (paint) PaintArea(paint.Get(), RectOf(paint.Info().rcPaint));
}

void Session::OnPress(Point p) {
  tracker_.Press(p);
  SetCapture(window_.Get());
}

void Session::OnMove(Point p) {
  if (tracker_.GetState() != SelectionTracker::State::kDragging) return;
  tracker_.Move(p);
  ShowSelection();
}

void Session::OnRelease(Point p) {
  if (!open_ || tracker_.GetState() != SelectionTracker::State::kDragging) return;
  tracker_.Release(p);
  End();
}

void Session::OnCancel() {
  if (!open_) return;
  tracker_.Cancel();
  End();
}

void Session::OnCaptureChanged(HWND gainer) {
  // Another window took the pointer in the middle of a drag.
  if (gainer != window_.Get() && tracker_.GetState() == SelectionTracker::State::kDragging) OnCancel();
}

void Session::OnActivate(bool active) {
  // The user switched to another program: the frozen screen is out of date.
  if (active) wasActive_ = true;
  else if (wasActive_) OnCancel();
}

HFONT Session::LabelFont(int dpi) {
  UniqueFont& font = fonts_[dpi];
  if (!font) font = CreateScaledFont(kLabelFont, dpi);
  return font ? font.Get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void Session::ShowSelection() {
  OverlayView next;
  next.selection = tracker_.Shown();
  const std::vector<Monitor>& monitors = frozen_.monitors;
  if (next.selection) {
    labelDpi_ = SizeLabelDpi(*next.selection, monitors);
    next.frame = ScaledOverlayMetrics(labelDpi_).frame;
    labelText_ = SizeLabelText(next.selection->width, next.selection->height);
  }
  WindowDc dc = WindowDc::Client(window_.Get());
  if (!dc) return;
  if (next.selection) {
    SelectGuard font(dc.Get(), LabelFont(labelDpi_));
    SIZE text{};
    GetTextExtentPoint32W(dc.Get(), labelText_.c_str(), static_cast<int>(labelText_.size()), &text);
    const SizeLabel label = PlaceSizeLabel(*next.selection, text.cx, text.cy, monitors);
    next.label = label.box;
    labelOrigin_ = label.text;
  }
  const std::vector<Rect> areas = ChangedAreas(shown_, next, tracker_.Screen());
  shown_ = next;
  for (const Rect& area : areas) PaintArea(dc.Get(), area);
}

void Session::PaintArea(HDC dc, const Rect& area) {
  const PaintPlan plan = PlanPaint(area, shown_);
  for (const Rect& r : plan.dimmed) BitBlt(dc, r.left, r.top, r.width, r.height, dimmed_.Dc(), r.left, r.top, SRCCOPY);
  for (const Rect& r : plan.bright)
    BitBlt(dc, r.left, r.top, r.width, r.height, frozen_.pixels.Dc(), r.left, r.top, SRCCOPY);
  for (const Rect& r : plan.frame) {
    const RECT box = RectOf(r);
    FillRect(dc, &box, frameBrush_.Get());
  }
  if (!IsEmpty(plan.label)) {
    // One call fills the box and draws the text in it: nothing flickers.
    SelectGuard font(dc, LabelFont(labelDpi_));
    SetTextColor(dc, kLabelText);
    SetBkColor(dc, kLabelBackground);
    SetTextAlign(dc, TA_LEFT | TA_TOP);
    const RECT box = RectOf(plan.label);
    ExtTextOutW(dc, labelOrigin_.x, labelOrigin_.y, ETO_OPAQUE | ETO_CLIPPED, &box, labelText_.c_str(),
                static_cast<UINT>(labelText_.size()), nullptr);
  }
}

void Session::End() {
  std::optional<Picture> picture;
  if (tracker_.GetState() == SelectionTracker::State::kDone) {
    const auto& pixels = frozen_.pixels;
    picture = CopyRegion({pixels.Bits(), static_cast<std::size_t>(pixels.Width()) * pixels.Height()}, pixels.Width(),
                         pixels.Height(), tracker_.Region());
    if (!picture) TraceNote(L"Capturing the screen: the region could not be copied");
  }
  // From here on the overlay's messages find no session.
  RemoveWindowProperties(window_.Get(), {kSessionProperty});
  if (GetCapture() == window_.Get()) ReleaseCapture();
  HWND owner = owner_;
  CaptureDone done = std::move(done_);
  std::unique_ptr<Session> self = std::move(current);  // this
  self.reset();
  if (owner && IsWindowVisible(owner)) SetForegroundWindow(owner);
  if (done) done(std::move(picture));
}

}  // namespace

bool StartCapture(HWND owner, CaptureDone done) {
  if (current) return false;
  PerMonitorDpiScope perMonitor;
  std::optional<FrozenScreen> frozen = FreezeScreen();
  if (!frozen) return false;
  auto session = std::make_unique<Session>(owner, std::move(done), std::move(*frozen));
  Session* opening = session.get();
  current = std::move(session);
  if (!opening->Open()) {
    current.reset();
    return false;
  }
  return true;
}

bool StartCaptureWithoutOwnWindows(HWND main, CaptureDone done) {
  if (current) return false;
  // Shared: a function object is copied, and the windows are one.
  auto hidden = std::make_shared<HiddenWindows>(HiddenWindows::HideAll());
  const bool started = StartCapture(main, [hidden, main, done = std::move(done)](std::optional<Picture> picture) {
    if (!picture) {
      hidden->RestoreAsBefore();
      if (done) done(std::nullopt);
      return;
    }
    // The caller's work on the picture (a file to write, on a worker) starts
    // first, and goes on while the windows are shown again.
    if (done) done(std::move(picture));
    hidden->Restore(main);
  });
  if (!started) hidden->RestoreAsBefore();
  return started;
}

bool CaptureRunning() { return current != nullptr; }

HWND CaptureOverlay() { return current ? current->Window() : nullptr; }

}  // namespace ornivex::capture
