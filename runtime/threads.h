#pragma once
// Worker threads, the message loop and handing work back to the UI thread.
#include <windows.h>

#include <functional>

namespace ornivex {

// Runs `work` on a new thread that nobody waits for; the thread handle is closed
// at once. False when the thread could not be created (the work is dropped).
bool StartWorker(std::function<void()> work);

// Queues `work` to run on the thread that owns `window`, inside its window
// procedure. This is how worker threads change controls. False when the window
// is gone (the work is dropped). Any window created by Form accepts these.
bool PostToWindowThread(HWND window, std::function<void()> work);

// The message number PostToWindowThread uses; window procedures call
// RunPostedWork for it.
UINT PostedWorkMessage();
void RunPostedWork(LPARAM lparam);
// Frees the work still queued for a window that is being destroyed.
void DiscardPostedWork(HWND window);

// Dispatches messages until WM_QUIT; returns its exit code. Keyboard navigation
// between controls (Tab, arrow keys) works in every top-level window.
int RunMessageLoop();

// Dispatches messages until `done` returns true or WM_QUIT arrives (which is put
// back for the outer loop). False when it stopped for WM_QUIT.
bool PumpMessagesUntil(const std::function<bool()>& done);

}  // namespace ornivex
