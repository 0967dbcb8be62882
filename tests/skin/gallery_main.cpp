// The skin gallery as a program of its own, for screenshots and for driving it
// with the mouse from outside.
#include <windows.h>

#include "gallery.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace ornivex::skin;
  SkinEngine engine(StartSkinModule());
  gallery::ApplyProgramTheme(engine);
  const gallery::Gallery g = gallery::Create(engine);
  if (!g.window) return 1;
  MSG msg;
  while (IsWindow(g.window) && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
