#include "capture/own_windows.h"

namespace ornivex::capture {

namespace {

// How long the screen is given to repaint what the hidden windows covered,
// where no compositor says when it has.
constexpr DWORD kUncomposedSettleMs = 40;

BOOL CALLBACK AddOwnVisible(HWND window, LPARAM list) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId() && IsWindowVisible(window))
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

// Waits until the screen no longer shows the hidden windows: the compositor's
// next frame where one composes the desktop, else a short pause.
void WaitForScreen() {
  using IsCompositionEnabledFn = HRESULT(WINAPI*)(BOOL*);
  using FlushFn = HRESULT(WINAPI*)();
  static HMODULE dwm = LoadLibraryExW(L"dwmapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  const auto enabled = dwm ? reinterpret_cast<IsCompositionEnabledFn>(
                                 reinterpret_cast<void*>(GetProcAddress(dwm, "DwmIsCompositionEnabled")))
                           : nullptr;
  const auto flush = dwm ? reinterpret_cast<FlushFn>(reinterpret_cast<void*>(GetProcAddress(dwm, "DwmFlush")))
                         : nullptr;
  BOOL composed = FALSE;
  if (enabled && flush && SUCCEEDED(enabled(&composed)) && composed && SUCCEEDED(flush())) return;
  GdiFlush();
  Sleep(kUncomposedSettleMs);
}

}  // namespace

HiddenWindows HiddenWindows::HideAll() {
  std::vector<HWND> visible;
  EnumWindows(&AddOwnVisible, reinterpret_cast<LPARAM>(&visible));
  HiddenWindows hidden;
  const HWND active = GetForegroundWindow();
  for (HWND window : visible) {
    if (window == active) hidden.active_ = active;
    hidden.windows_.push_back(Hidden{window, IsIconic(window) != FALSE});
    ShowWindow(window, SW_HIDE);
  }
  if (!visible.empty()) WaitForScreen();
  return hidden;
}

void HiddenWindows::Restore(HWND main) {
  // A hidden window keeps its place in the order on the screen; SW_SHOWNA
  // shows it there, minimised or maximised as it was, without activating it.
  for (const Hidden& hidden : windows_) {
    if (!IsWindow(hidden.window)) continue;
    ShowWindow(hidden.window, hidden.window == main && hidden.minimised ? SW_RESTORE : SW_SHOWNA);
  }
  if (main && IsWindowVisible(main)) SetForegroundWindow(main);
  windows_.clear();
}

void HiddenWindows::RestoreAsBefore() {
  const HWND active = active_;
  const bool wasShown = !windows_.empty();
  Restore(nullptr);
  if (wasShown && active && IsWindowVisible(active) && !IsIconic(active)) SetForegroundWindow(active);
}

}  // namespace ornivex::capture
