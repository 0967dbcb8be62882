#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  MessageBoxW(nullptr, L"Ornivex", L"Ornivex", MB_OK);
  return 0;
}
