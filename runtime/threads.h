#pragma once
// Worker threads, the message loop and handing work back to the UI thread.
#include <windows.h>

#include <functional>

namespace ornivex {

// Runs `work` on a new thread that nobody joins; the thread handle is closed at
// once. An exception that escapes `work` (an allocation that failed) ends that
// thread only, with a trace. False when the thread could not be created (the
// work is dropped, with a trace).
bool StartWorker(std::function<void()> work);

// The workers started by StartWorker that have not ended yet.
int RunningWorkers();
// Waits until no worker runs, at most `timeoutMs`; true when none runs.
bool WaitForWorkers(DWORD timeoutMs);

// Queues `work` to run on the thread that owns `window`, inside its window
// procedure. This is how worker threads change controls. False when the window
// does not take posted work (it is gone, or being destroyed): the work is then
// dropped here. The work waits in a queue of this module, not in the message, so
// nothing queued for a window that goes away is ever lost track of.
bool PostToWindowThread(HWND window, std::function<void()> work);

// The message number PostToWindowThread posts. A window procedure that takes
// posted work calls AcceptPostedWork when the window is created (WM_NCCREATE),
// RunPostedWork for each such message, and DiscardPostedWork when the window is
// destroyed (WM_NCDESTROY), which frees the work still queued for it and refuses
// any posted later. Every window created by Form does.
UINT PostedWorkMessage();
void AcceptPostedWork(HWND window);
void RunPostedWork(HWND window);
void DiscardPostedWork(HWND window);

// Dispatches messages until WM_QUIT; returns its exit code. Keyboard navigation
// between controls (Tab, arrow keys) works in every top-level window.
int RunMessageLoop();

// Dispatches messages until `done` returns true or WM_QUIT arrives (which is put
// back for the outer loop). False when it stopped for WM_QUIT.
bool PumpMessagesUntil(const std::function<bool()>& done);

}  // namespace ornivex
