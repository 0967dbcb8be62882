#pragma once
// Small owners for Win32 handles, so an early return never leaks one.
#include <windows.h>
#include <shellapi.h>

#include <cstddef>
#include <cstdint>
#include <utility>

namespace ornivex {

// Owns one handle. `Traits` names the handle type, its "none" value and how it
// is released.
template <typename Traits>
class UniqueResource {
 public:
  using T = typename Traits::Type;
  UniqueResource() = default;
  explicit UniqueResource(T value) : value_(value) {}
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  UniqueResource(UniqueResource&& other) noexcept : value_(other.Release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  ~UniqueResource() { Reset(); }

  T Get() const { return value_; }
  explicit operator bool() const { return value_ != Traits::Invalid(); }
  T Release() { return std::exchange(value_, Traits::Invalid()); }
  void Reset(T value = Traits::Invalid()) {
    T old = std::exchange(value_, value);
    if (old != Traits::Invalid()) Traits::Close(old);
  }

 private:
  T value_ = Traits::Invalid();
};

namespace handles_detail {
template <typename H, auto CloseFunction>
struct NullIsNone {
  using Type = H;
  static H Invalid() { return nullptr; }
  static void Close(H h) { CloseFunction(h); }
};
struct FileTraits {
  using Type = HANDLE;
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct FindTraits {
  using Type = HANDLE;
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::FindClose(h); }
};
inline void DeleteGdi(HGDIOBJ h) { ::DeleteObject(h); }
}  // namespace handles_detail

// Kernel objects whose "none" value is null (threads, processes, events).
using UniqueHandle = UniqueResource<handles_detail::NullIsNone<HANDLE, ::CloseHandle>>;
// File handles, whose "none" value is INVALID_HANDLE_VALUE.
using UniqueFile = UniqueResource<handles_detail::FileTraits>;
// A search of a folder (FindFirstFileW), released with FindClose.
using UniqueFind = UniqueResource<handles_detail::FindTraits>;
using UniqueFont = UniqueResource<handles_detail::NullIsNone<HFONT, handles_detail::DeleteGdi>>;
using UniqueBrush = UniqueResource<handles_detail::NullIsNone<HBRUSH, handles_detail::DeleteGdi>>;
using UniqueBitmap = UniqueResource<handles_detail::NullIsNone<HBITMAP, handles_detail::DeleteGdi>>;
using UniqueIcon = UniqueResource<handles_detail::NullIsNone<HICON, ::DestroyIcon>>;
using UniqueWindow = UniqueResource<handles_detail::NullIsNone<HWND, ::DestroyWindow>>;
using UniqueMemoryDc = UniqueResource<handles_detail::NullIsNone<HDC, ::DeleteDC>>;
using UniqueHook = UniqueResource<handles_detail::NullIsNone<HHOOK, ::UnhookWindowsHookEx>>;
using UniquePen = UniqueResource<handles_detail::NullIsNone<HPEN, handles_detail::DeleteGdi>>;
using UniqueRegion = UniqueResource<handles_detail::NullIsNone<HRGN, handles_detail::DeleteGdi>>;
// Memory the system hands over with LocalAlloc (CommandLineToArgvW's array).
using UniqueLocalMemory = UniqueResource<handles_detail::NullIsNone<HLOCAL, ::LocalFree>>;
// The files of a drop (WM_DROPFILES), released with DragFinish.
using UniqueDrop = UniqueResource<handles_detail::NullIsNone<HDROP, ::DragFinish>>;

// The clipboard, open for this thread while the guard lives. Another program
// may hold it for a moment: opening is tried a few times, 10 ms apart.
class OpenClipboardGuard {
 public:
  explicit OpenClipboardGuard(HWND owner) {
    for (int attempt = 0; attempt < 5 && !open_; ++attempt) {
      if (attempt) ::Sleep(10);
      open_ = ::OpenClipboard(owner) != FALSE;
    }
  }
  OpenClipboardGuard(const OpenClipboardGuard&) = delete;
  OpenClipboardGuard& operator=(const OpenClipboardGuard&) = delete;
  ~OpenClipboardGuard() {
    if (open_) ::CloseClipboard();
  }
  explicit operator bool() const { return open_; }

 private:
  bool open_ = false;
};

// A global memory block locked for reading while the guard lives; empty when it
// cannot be locked.
class GlobalLockGuard {
 public:
  explicit GlobalLockGuard(HGLOBAL memory)
      : memory_(memory), data_(memory ? ::GlobalLock(memory) : nullptr), size_(data_ ? ::GlobalSize(memory) : 0) {}
  GlobalLockGuard(const GlobalLockGuard&) = delete;
  GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
  ~GlobalLockGuard() {
    if (data_) ::GlobalUnlock(memory_);
  }
  const std::uint8_t* Data() const { return static_cast<const std::uint8_t*>(data_); }
  std::size_t Size() const { return size_; }
  explicit operator bool() const { return data_ != nullptr; }

 private:
  HGLOBAL memory_;
  void* data_;
  std::size_t size_;
};

// Selects a GDI object into a DC for the lifetime of the guard. A region is not
// selected like the other objects: SelectObject copies it into the DC's clipping
// region and answers with a region type, not a handle, so there is nothing to put
// back; the guard then restores the DC's whole state instead.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc) {
    if (::GetObjectType(object) == OBJ_REGION) {
      saved_ = ::SaveDC(dc);
      ::SelectObject(dc, object);
    } else {
      old_ = ::SelectObject(dc, object);
    }
  }
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;
  ~SelectGuard() {
    if (saved_) ::RestoreDC(dc_, saved_);
    else if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
  }

 private:
  HDC dc_;
  HGDIOBJ old_ = nullptr;
  int saved_ = 0;
};

// BeginPaint ... EndPaint.
class PaintDc {
 public:
  explicit PaintDc(HWND window) : window_(window), dc_(::BeginPaint(window, &paint_)) {}
  PaintDc(const PaintDc&) = delete;
  PaintDc& operator=(const PaintDc&) = delete;
  ~PaintDc() {
    if (dc_) ::EndPaint(window_, &paint_);
  }
  HDC Get() const { return dc_; }
  const PAINTSTRUCT& Info() const { return paint_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND window_;
  PAINTSTRUCT paint_ = {};
  HDC dc_;
};

// A DC of a window from GetDC, GetWindowDC or GetDCEx, released with ReleaseDC.
class WindowDc {
 public:
  // The client area.
  static WindowDc Client(HWND window) { return WindowDc(window, ::GetDC(window)); }
  // The whole window, non-client area included.
  static WindowDc Whole(HWND window) { return WindowDc(window, ::GetWindowDC(window)); }
  // The client area without the areas of the window's visible children.
  static WindowDc ClientWithoutChildren(HWND window) {
    return WindowDc(window, ::GetDCEx(window, nullptr, DCX_CACHE | DCX_CLIPCHILDREN));
  }
  WindowDc(WindowDc&& other) noexcept : window_(other.window_), dc_(std::exchange(other.dc_, nullptr)) {}
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  WindowDc& operator=(WindowDc&&) = delete;
  ~WindowDc() {
    if (dc_) ::ReleaseDC(window_, dc_);
  }
  HDC Get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  WindowDc(HWND window, HDC dc) : window_(window), dc_(dc) {}
  HWND window_;
  HDC dc_;
};

// A 32-bit top-down DIB section of w x h pixels, and where its pixels are.
inline UniqueBitmap CreateTopDownDib(int width, int height, void** bits) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return UniqueBitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0));
}

// A memory DC holding a 32-bit top-down DIB section: a back buffer whose pixels
// (BGRA) can also be read and written directly. The DC's own first bitmap goes back
// into it before the DC is deleted.
class DibCanvas {
 public:
  DibCanvas() = default;
  DibCanvas(const DibCanvas&) = delete;
  DibCanvas& operator=(const DibCanvas&) = delete;
  DibCanvas(DibCanvas&& other) noexcept { *this = std::move(other); }
  DibCanvas& operator=(DibCanvas&& other) noexcept {
    if (this != &other) {
      Reset();
      dc_ = std::exchange(other.dc_, nullptr);
      bitmap_ = std::exchange(other.bitmap_, nullptr);
      initial_ = std::exchange(other.initial_, nullptr);
      bits_ = std::exchange(other.bits_, nullptr);
      width_ = std::exchange(other.width_, 0);
      height_ = std::exchange(other.height_, 0);
    }
    return *this;
  }
  ~DibCanvas() { Reset(); }

  // A canvas of w x h (at least 1 x 1). Its pixels start all zero.
  static DibCanvas Create(int width, int height) {
    DibCanvas canvas;
    canvas.Resize(width, height);
    return canvas;
  }

  // Gives the canvas a new w x h bitmap (the DC is made on first use and kept);
  // the previous bitmap is deleted. False, with the canvas unchanged, on failure.
  bool Resize(int width, int height) {
    if (width < 1) width = 1;
    if (height < 1) height = 1;
    if (!dc_) dc_ = ::CreateCompatibleDC(nullptr);
    if (!dc_) return false;
    void* bits = nullptr;
    HBITMAP bitmap = CreateTopDownDib(width, height, &bits).Release();
    if (!bitmap) return false;
    HGDIOBJ displaced = ::SelectObject(dc_, bitmap);
    if (!initial_) initial_ = displaced;
    if (bitmap_) ::DeleteObject(bitmap_);
    bitmap_ = bitmap;
    bits_ = static_cast<std::uint32_t*>(bits);
    width_ = width;
    height_ = height;
    return true;
  }

  // Hands the bitmap over to the caller; the canvas is empty afterwards.
  HBITMAP TakeBitmap() {
    if (dc_ && initial_) ::SelectObject(dc_, initial_);
    HBITMAP bitmap = std::exchange(bitmap_, nullptr);
    Reset();
    return bitmap;
  }

  void Reset() {
    if (dc_ && initial_) ::SelectObject(dc_, initial_);
    if (bitmap_) ::DeleteObject(bitmap_);
    if (dc_) ::DeleteDC(dc_);
    dc_ = nullptr;
    bitmap_ = nullptr;
    initial_ = nullptr;
    bits_ = nullptr;
    width_ = height_ = 0;
  }

  HDC Dc() const { return dc_; }
  HBITMAP Bitmap() const { return bitmap_; }
  // The bitmap the DC held before its first DIB.
  HGDIOBJ InitialBitmap() const { return initial_; }
  // Pixels, row after row from the top, 0xAARRGGBB; call GdiFlush before reading
  // what GDI drew.
  std::uint32_t* Bits() const { return bits_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  explicit operator bool() const { return bitmap_ != nullptr; }

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ initial_ = nullptr;
  std::uint32_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

// Gives a window its region. The system owns the region once SetWindowRgn has
// succeeded, so the owner lets go of it only then.
inline bool SetWindowRegion(HWND window, UniqueRegion& region, bool redraw) {
  if (!::SetWindowRgn(window, region.Get(), redraw)) return false;
  region.Release();
  return true;
}

}  // namespace ornivex
