// The skin gallery as a program of its own, for screenshots and for driving it
// with the mouse from outside. With the argument "controls" it shows the controls
// gallery instead.
#include <windows.h>

#include <cwchar>

#include "gallery.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  using namespace ornivex::skin;
  SkinEngine engine(StartSkinModule());
  gallery::ApplyProgramTheme(engine);
  const bool controls = commandLine && std::wcsstr(commandLine, L"controls");
  // The controls gallery from the screen's left edge: at 200 % it is as wide as
  // the test display.
  const gallery::Gallery g = controls ? gallery::CreateControls(engine, 0, 40) : gallery::Create(engine);
  if (!g.window) return 1;
  MSG msg;
  while (IsWindow(g.window) && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
