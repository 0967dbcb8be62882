#pragma once
// Taking a region of the screen: the whole virtual screen is frozen and shown
// in a topmost overlay, dimmed outside the selection; a drag selects, a click
// takes the monitor under the pointer, Esc or the right button cancels.
#include <windows.h>

#include <functional>
#include <optional>

#include "runtime/picture_decode.h"

namespace ornivex::capture {

using CaptureDone = std::function<void(std::optional<Picture>)>;

// Freezes the screen and shows the overlay, then returns: the capture runs in
// the calling thread's message loop. `done` runs once, on this thread, after the
// overlay and everything of the capture are gone: with the region's pixels
// exactly as they were on the screen (straight BGRA, opaque), or with nothing
// when the capture was cancelled. `owner` (may be null) is activated again when
// the capture ends, if it is visible then. False, with `done` never run, when a
// capture is running already or the overlay could not be shown (traced).
//
// The program's own windows are in the picture unless the caller hid them
// first (StartCaptureWithoutOwnWindows, HiddenWindows).
bool StartCapture(HWND owner, CaptureDone done);

// StartCapture with the program's own windows out of the picture: every
// visible top-level window of this process is hidden before the freeze and
// shown again as it was when the capture ends. With a picture, `done` runs
// first, while they are still hidden (so that work on the picture can start at
// once), and then `main` is restored if it was minimised, and activated. After
// a cancel everything is as it was before `done` runs, the window that was
// active active again. Where the capture cannot start, the windows come back as
// they were at once.
bool StartCaptureWithoutOwnWindows(HWND main, CaptureDone done);

// Whether a capture started on this thread is running.
bool CaptureRunning();

// The overlay's window while a capture runs, else null (for tests and benchmarks).
HWND CaptureOverlay();

}  // namespace ornivex::capture
