#pragma once
// Screen capture in the program: the capture key registered for the run, the
// item of the main window's system menu, and the region a capture took sent
// into the chain as a picture file, its text also put on the clipboard unless
// the settings say otherwise.
namespace ornivex {

// Start-up, once the settings are read: registers the capture key they ask for
// (kept in Application::captureKey for the run) and adds "截图识别" to the main
// window's system menu. A key that another program holds is traced; the
// program goes on without it.
void StartScreenCapture();
// The end of start-up: says once, in the notice, that the key is held by
// another program, if it is.
void SayIfCaptureKeyTaken();

// The capture key or the menu item: hides the program's windows, freezes the
// screen under the overlay, and sends the region taken into the chain. UI
// thread; nothing while a capture runs.
void OnCaptureScreen();

}  // namespace ornivex
