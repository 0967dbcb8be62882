#include "app/notice.h"

#include <commctrl.h>

#include <string>
#include <utility>

#include "gfx/tooltip.h"
#include "runtime/codepage.h"
#include "runtime/diagnostics.h"
#include "runtime/dpi.h"
#include "runtime/layout.h"
#include "runtime/handles.h"

namespace ornivex {

namespace {

// The notice's lengths at 96 DPI, scaled by the anchor's window.
constexpr int kMaxWidth = 260;      // the balloon wraps its sentence at this width
constexpr int kFontHeight = -13;
constexpr UINT kShownForMs = 10000;

struct Notice {
  gfx::ToolTip tip;
  UniqueFont font;
  UniqueHook mouse;
  UniqueHook keyboard;
  UINT_PTR timer = 0;
  bool shown = false;
};

Notice& State() {
  static Notice notice;
  return notice;
}

LRESULT CALLBACK OnMouse(int code, WPARAM wparam, LPARAM lparam) {
  const HHOOK self = State().mouse.Get();
  if (code == HC_ACTION) {
    switch (wparam) {
      case WM_LBUTTONDOWN:
      case WM_RBUTTONDOWN:
      case WM_MBUTTONDOWN:
      case WM_NCLBUTTONDOWN:
      case WM_NCRBUTTONDOWN:
      case WM_NCMBUTTONDOWN: HideNotice(); break;
      default: break;
    }
  }
  return CallNextHookEx(self, code, wparam, lparam);
}

LRESULT CALLBACK OnKeyboard(int code, WPARAM wparam, LPARAM lparam) {
  const HHOOK self = State().keyboard.Get();
  // Bit 31 clear: the key goes down (not up).
  if (code == HC_ACTION && !(lparam & (LPARAM{1} << 31))) HideNotice();
  return CallNextHookEx(self, code, wparam, lparam);
}

void CALLBACK OnTimeUp(HWND, UINT, UINT_PTR, DWORD) { HideNotice(); }

// The place the balloon's stem points at: into a tall control (a box that
// shows no text) a third of the way down and a fifth of the way across, so that
// the balloon, which opens to the right of its stem, stays over the box; at the
// middle of the bottom edge of a short one (a button).
POINT StemPoint(HWND anchor) {
  RECT r{};
  GetWindowRect(anchor, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  if (height > width / 2) return {r.left + width / 5, r.top + height / 3};
  return {r.left + width / 2, r.bottom};
}

}  // namespace

void ShowNotice(HWND anchor, std::string_view gbkText) {
  HideNotice();
  if (!anchor || !IsWindow(anchor)) return;
  Notice& notice = State();
  HWND owner = GetAncestor(anchor, GA_ROOT);
  HWND tip = notice.tip.GetHandle();
  if (!tip || !IsWindow(tip) || notice.tip.GetOwner() != owner) {
    tip = notice.tip.Create(owner, true);
    if (!tip) {
      TraceFailure(L"Making the notice's balloon");
      return;
    }
    const int dpi = WindowDpi(owner);
    notice.font.Reset(CreateFontW(ScaleForDpi(kFontHeight, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                  GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                  DEFAULT_PITCH, L"\u5FAE\u8F6F\u96C5\u9ED1"));  // 微软雅黑, as the result box
    if (notice.font) SendMessageW(tip, WM_SETFONT, reinterpret_cast<WPARAM>(notice.font.Get()), FALSE);
    notice.tip.SetMaxTipWidth(ScaleForDpi(kMaxWidth, dpi));
  } else {
    notice.tip.DelTool(kNoticeToolId);
  }
  if (!notice.tip.AddTrackingTool(GbkToWide(gbkText), kNoticeToolId)) {
    TraceFailure(L"Giving the notice its text");
    return;
  }
  notice.tip.TrackTool(kNoticeToolId, true, StemPoint(anchor));
  notice.shown = true;
  // A click or a key anywhere in this thread's windows closes it, and so does time.
  const DWORD thread = GetCurrentThreadId();
  notice.mouse.Reset(SetWindowsHookExW(WH_MOUSE, OnMouse, nullptr, thread));
  notice.keyboard.Reset(SetWindowsHookExW(WH_KEYBOARD, OnKeyboard, nullptr, thread));
  if (!notice.mouse || !notice.keyboard) TraceFailure(L"Watching for the click or key that closes the notice");
  notice.timer = SetTimer(nullptr, 0, kShownForMs, OnTimeUp);
}

void HideNotice() {
  Notice& notice = State();
  if (!notice.shown) return;
  notice.shown = false;
  notice.mouse.Reset();
  notice.keyboard.Reset();
  if (notice.timer) KillTimer(nullptr, std::exchange(notice.timer, 0));
  if (IsWindow(notice.tip.GetHandle())) notice.tip.TrackTool(kNoticeToolId, false);
}

HWND NoticeWindow() {
  const Notice& notice = State();
  return notice.shown && IsWindow(notice.tip.GetHandle()) ? notice.tip.GetHandle() : nullptr;
}

}  // namespace ornivex
