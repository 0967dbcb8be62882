#include "capture/screen.h"

#include "runtime/diagnostics.h"
#include "runtime/dpi.h"

namespace ornivex::capture {

namespace {

// DPI_AWARENESS_CONTEXT values, which older headers lack.
const HANDLE kPerMonitorV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
const HANDLE kPerMonitor = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3));

// Windows 10 1607 and later; looked up so the program still starts on older ones.
using SetThreadDpiAwarenessContextFn = HANDLE(WINAPI*)(HANDLE);
SetThreadDpiAwarenessContextFn SetThreadAwareness() {
  static const auto function = reinterpret_cast<SetThreadDpiAwarenessContextFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetThreadDpiAwarenessContext")));
  return function;
}

// Windows 8.1 and later (shcore.dll, loaded once and kept).
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
GetDpiForMonitorFn DpiForMonitor() {
  static const auto function = [] {
    HMODULE shcore = LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return shcore ? reinterpret_cast<GetDpiForMonitorFn>(
                        reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")))
                  : nullptr;
  }();
  return function;
}

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(monitor, &info)) return TRUE;
  const RECT& r = info.rcMonitor;
  int dpi = 0;
  UINT x = 0, y = 0;
  if (GetDpiForMonitorFn get = DpiForMonitor(); get && SUCCEEDED(get(monitor, 0 /* effective */, &x, &y))) dpi = static_cast<int>(x);
  if (dpi <= 0) dpi = WindowDpi(nullptr);
  reinterpret_cast<std::vector<Monitor>*>(list)->push_back(
      Monitor{Rect{r.left, r.top, r.right - r.left, r.bottom - r.top}, dpi});
  return TRUE;
}

}  // namespace

PerMonitorDpiScope::PerMonitorDpiScope() {
  if (SetThreadDpiAwarenessContextFn set = SetThreadAwareness()) {
    previous_ = set(kPerMonitorV2);
    if (!previous_) previous_ = set(kPerMonitor);  // before Windows 10 1703, and Wine 8
  }
}

PerMonitorDpiScope::~PerMonitorDpiScope() {
  if (previous_) SetThreadAwareness()(previous_);
}

std::vector<Monitor> DisplayMonitors() {
  std::vector<Monitor> monitors;
  EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&monitors));
  return monitors;
}

std::optional<FrozenScreen> FreezeScreen() {
  FrozenScreen frozen;
  frozen.bounds = Rect{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                       GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  frozen.monitors = DisplayMonitors();
  if (IsEmpty(frozen.bounds)) frozen.bounds = BoundingRect(frozen.monitors);
  if (IsEmpty(frozen.bounds)) {
    TraceNote(L"Capturing the screen: the system names no screen");
    return std::nullopt;
  }
  for (Monitor& m : frozen.monitors) {
    m.bounds.left -= frozen.bounds.left;
    m.bounds.top -= frozen.bounds.top;
  }
  if (!frozen.pixels.Resize(frozen.bounds.width, frozen.bounds.height)) {
    TraceFailure(L"Making the bitmap for the screen's copy");
    return std::nullopt;
  }
  WindowDc screen = WindowDc::Client(nullptr);
  if (!screen || !BitBlt(frozen.pixels.Dc(), 0, 0, frozen.bounds.width, frozen.bounds.height, screen.Get(),
                         frozen.bounds.left, frozen.bounds.top, SRCCOPY | CAPTUREBLT)) {
    TraceFailure(L"Copying the screen");
    return std::nullopt;
  }
  GdiFlush();
  return frozen;
}

}  // namespace ornivex::capture
