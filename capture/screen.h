#pragma once
// The whole virtual screen, every monitor, copied in physical pixels at one
// moment.
#include <windows.h>

#include <optional>
#include <vector>

#include "capture/selection.h"
#include "runtime/handles.h"

namespace ornivex::capture {

// While it lives, the calling thread measures, copies and creates windows per
// monitor DPI aware (per-monitor v2 where the system has it, else per-monitor),
// whatever the process declared: coordinates are physical pixels, and a window
// created meanwhile is never stretched by the system. Does nothing on systems
// without per-thread awareness.
class PerMonitorDpiScope {
 public:
  PerMonitorDpiScope();
  ~PerMonitorDpiScope();
  PerMonitorDpiScope(const PerMonitorDpiScope&) = delete;
  PerMonitorDpiScope& operator=(const PerMonitorDpiScope&) = delete;

 private:
  HANDLE previous_ = nullptr;  // the thread's context before, to put back
};

struct FrozenScreen {
  Rect bounds;                    // the virtual screen, in the system's coordinates
  std::vector<Monitor> monitors;  // each with its DPI, relative to bounds' top-left
  DibCanvas pixels;               // bounds.width x bounds.height, 0x00RRGGBB
};

// The monitors and their DPIs, in the system's physical coordinates. Call
// inside a PerMonitorDpiScope.
std::vector<Monitor> DisplayMonitors();

// Copies the virtual screen, layered windows included. Call inside a
// PerMonitorDpiScope. Nothing (traced) when the copy cannot be made.
std::optional<FrozenScreen> FreezeScreen();

}  // namespace ornivex::capture
