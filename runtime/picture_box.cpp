#include "runtime/picture_box.h"

#include <cstring>
#include <memory>

#include "runtime/handles.h"
#include "runtime/layout.h"
#include "runtime/subclass.h"

namespace ornivex {

namespace {

struct BoxState {
  UniqueBitmap bitmap;  // 32-bit top-down DIB section, premultiplied
  int width = 0;
  int height = 0;
};

constexpr wchar_t kBoxState[] = L"Rt_Box";

BoxState* StateOf(HWND box) { return WindowPropertyPointer<BoxState>(box, kBoxState); }

void Paint(HWND box) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(box, &ps);
  BoxState* state = StateOf(box);
  if (state && state->bitmap) {
    RECT client;
    GetClientRect(box, &client);
    const Rect area = VisiblePictureArea(client.right, client.bottom, state->width, state->height);
    UniqueMemoryDc memory(CreateCompatibleDC(dc));
    if (memory) {
      SelectGuard select(memory.Get(), state->bitmap.Get());
      BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
      AlphaBlend(dc, area.left, area.top, area.width, area.height, memory.Get(), 0, 0, area.width, area.height,
                 blend);
    }
  }
  EndPaint(box, &ps);
}

}  // namespace

LRESULT CALLBACK PictureBoxProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCREATE: {
      auto state = std::make_unique<BoxState>();
      if (!SetWindowPropertyPointer(box, kBoxState, state.get())) return FALSE;
      state.release();
      break;
    }
    case WM_NCDESTROY:
      delete StateOf(box);
      RemoveWindowProperties(box, {kBoxState});
      break;
    case WM_PAINT:
      Paint(box);
      return 0;
    case WM_NCHITTEST:
      return HTCLIENT;
  }
  return DefWindowProcW(box, message, wparam, lparam);
}

bool SetBoxPicture(HWND box, const Picture& picture) {
  BoxState* state = StateOf(box);
  if (!state || picture.width <= 0 || picture.height <= 0 ||
      picture.bgra.size() != static_cast<size_t>(picture.width) * picture.height * 4)
    return false;
  void* bits = nullptr;
  UniqueBitmap bitmap = CreateTopDownDib(picture.width, picture.height, &bits);
  if (!bitmap) return false;
  std::memcpy(bits, picture.bgra.data(), picture.bgra.size());
  state->bitmap = std::move(bitmap);
  state->width = picture.width;
  state->height = picture.height;
  InvalidateRect(box, nullptr, TRUE);
  return true;
}

SIZE BoxPictureSize(HWND box) {
  const BoxState* state = StateOf(box);
  if (!state || !state->bitmap) return SIZE{0, 0};
  return SIZE{state->width, state->height};
}

}  // namespace ornivex
