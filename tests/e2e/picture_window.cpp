// Another program's window with a picture in it, for the capture tests: shows
// the PNG file at a place of the screen, pixel for pixel, without taking the
// focus; sets the named event once it is painted, and stays until it is ended
// (or for a minute).
//   usage: e2e_picture_window <picture.png> <left> <top> <ready event>
#include <windows.h>

#include <optional>
#include <string>

#include "runtime/files.h"
#include "runtime/picture_decode.h"

namespace {

std::optional<ornivex::Picture> gPicture;

LRESULT CALLBACK PictureProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = gPicture->width;
    info.bmiHeader.biHeight = -gPicture->height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, 0, 0, gPicture->width, gPicture->height, 0, 0, 0, gPicture->height,
                      gPicture->bgra.data(), &info, DIB_RGB_COLORS);
    EndPaint(window, &paint);
    return 0;
  }
  if (message == WM_ERASEBKGND) return 1;
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) return 2;
  const std::optional<std::string> file = ornivex::ReadWholeFile(argv[1]);
  if (file)
    gPicture = ornivex::DecodePng({reinterpret_cast<const std::uint8_t*>(file->data()), file->size()},
                                  ornivex::Alpha::Straight);
  HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[4]);
  if (!gPicture || !ready) return 1;
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = PictureProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"OrnivexTestPicture";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, windowClass.lpszClassName,
                                L"picture", WS_POPUP, _wtoi(argv[2]), _wtoi(argv[3]), gPicture->width,
                                gPicture->height, nullptr, nullptr, windowClass.hInstance, nullptr);
  if (!window) return 1;
  ShowWindow(window, SW_SHOWNOACTIVATE);
  UpdateWindow(window);
  GdiFlush();
  SetEvent(ready);
  const DWORD end = GetTickCount() + 60000;
  MSG msg;
  while (static_cast<int>(end - GetTickCount()) > 0) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  return 0;
}
