// The skin engine's part in start-up and exit. The main window is shown with the
// system's drawing until the engine is in place.
#include "app/application.h"

namespace ornivex {

void SkinStartup() {
  // Before the main window exists: start GDI+, load the application icon and
  // create the skin engine object.
}

void ApplyMainWindowSkin(HWND mainWindow) {
  // From OnMainWindowCreated, after the window became layered: theme, control
  // skinning, SkinWindow for the main window and a sub-window for the group box.
  (void)mainWindow;
}

void SkinExit() {
  // After the message loop: destroy the skin engine object, which stops GDI+.
}

}  // namespace ornivex
