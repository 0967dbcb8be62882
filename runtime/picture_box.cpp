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

UniqueBitmap CreateBgraBitmap(int width, int height, void** bits) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return UniqueBitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0));
}

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

namespace {

// BMP in all its variants (palettes, bit fields, RLE) is GDI's own format: let
// GDI draw the file's bitmap into a 32-bit one.
std::optional<Picture> DecodeBmp(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) return std::nullopt;
  BITMAPFILEHEADER file;
  std::memcpy(&file, bytes.data(), sizeof file);
  BITMAPINFOHEADER header;
  std::memcpy(&header, bytes.data() + sizeof file, sizeof header);
  if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biSize > bytes.size() - sizeof file) return std::nullopt;
  if (file.bfOffBits >= bytes.size() || file.bfOffBits < sizeof file + header.biSize) return std::nullopt;
  const long long width = header.biWidth;
  const long long height = header.biHeight < 0 ? -static_cast<long long>(header.biHeight) : header.biHeight;
  if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide) return std::nullopt;
  if (header.biBitCount == 0 || header.biCompression == BI_JPEG || header.biCompression == BI_PNG)
    return std::nullopt;
  // Uncompressed rows must all be present: GDI would read past the buffer.
  if (header.biCompression == BI_RGB || header.biCompression == BI_BITFIELDS) {
    const unsigned long long stride = ((width * header.biBitCount + 31) / 32) * 4;
    if (stride * height > bytes.size() - file.bfOffBits) return std::nullopt;
  }
  // Compressed pixels must fit in what is there; GDI reads biSizeImage bytes.
  if ((header.biCompression == BI_RLE8 || header.biCompression == BI_RLE4) &&
      (header.biSizeImage == 0 || header.biSizeImage > bytes.size() - file.bfOffBits))
    return std::nullopt;
  // A palette lies between the header and the pixels.
  const unsigned long long colours =
      header.biBitCount <= 8 ? (header.biClrUsed ? header.biClrUsed : (1ull << header.biBitCount)) : 0;
  if (colours > 256 || sizeof file + header.biSize + colours * sizeof(RGBQUAD) > file.bfOffBits)
    return std::nullopt;

  Picture picture;
  picture.width = static_cast<int>(width);
  picture.height = static_cast<int>(height);
  void* bits = nullptr;
  UniqueBitmap target = CreateBgraBitmap(picture.width, picture.height, &bits);
  UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  if (!target || !dc) return std::nullopt;
  {
    SelectGuard select(dc.Get(), target.Get());
    const auto* info = reinterpret_cast<const BITMAPINFO*>(bytes.data() + sizeof file);
    if (StretchDIBits(dc.Get(), 0, 0, picture.width, picture.height, 0, 0, picture.width, picture.height,
                      bytes.data() + file.bfOffBits, info, DIB_RGB_COLORS, SRCCOPY) == 0)
      return std::nullopt;
    GdiFlush();
  }
  picture.bgra.assign(static_cast<const std::uint8_t*>(bits),
                      static_cast<const std::uint8_t*>(bits) + static_cast<size_t>(picture.width) * picture.height * 4);
  for (size_t i = 3; i < picture.bgra.size(); i += 4) picture.bgra[i] = 255;  // BMP pixels are opaque
  return picture;
}

}  // namespace

std::optional<Picture> DecodePictureFile(std::span<const std::uint8_t> bytes) {
  switch (SniffPictureFormat(bytes)) {
    case PictureFormat::Png: return DecodePng(bytes);
    case PictureFormat::Jpeg: return DecodeJpeg(bytes);
    case PictureFormat::Bmp: return DecodeBmp(bytes);
    case PictureFormat::Unknown: break;
  }
  return std::nullopt;
}

bool SetBoxPicture(HWND box, const Picture& picture) {
  BoxState* state = StateOf(box);
  if (!state || picture.width <= 0 || picture.height <= 0 ||
      picture.bgra.size() != static_cast<size_t>(picture.width) * picture.height * 4)
    return false;
  void* bits = nullptr;
  UniqueBitmap bitmap = CreateBgraBitmap(picture.width, picture.height, &bits);
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

std::optional<std::string> LoadResourceBytes(int id) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (!found) return std::nullopt;
  HGLOBAL loaded = LoadResource(module, found);
  const DWORD size = SizeofResource(module, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return std::nullopt;
  return std::string(static_cast<const char*>(data), size);
}

}  // namespace ornivex
