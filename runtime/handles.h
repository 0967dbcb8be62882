#pragma once
// Small owners for Win32 handles, so an early return never leaks one.
#include <windows.h>

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
inline void DeleteGdi(HGDIOBJ h) { ::DeleteObject(h); }
}  // namespace handles_detail

// Kernel objects whose "none" value is null (threads, processes, events).
using UniqueHandle = UniqueResource<handles_detail::NullIsNone<HANDLE, ::CloseHandle>>;
// File handles, whose "none" value is INVALID_HANDLE_VALUE.
using UniqueFile = UniqueResource<handles_detail::FileTraits>;
using UniqueFont = UniqueResource<handles_detail::NullIsNone<HFONT, handles_detail::DeleteGdi>>;
using UniqueBrush = UniqueResource<handles_detail::NullIsNone<HBRUSH, handles_detail::DeleteGdi>>;
using UniqueBitmap = UniqueResource<handles_detail::NullIsNone<HBITMAP, handles_detail::DeleteGdi>>;
using UniqueIcon = UniqueResource<handles_detail::NullIsNone<HICON, ::DestroyIcon>>;
using UniqueWindow = UniqueResource<handles_detail::NullIsNone<HWND, ::DestroyWindow>>;
using UniqueMemoryDc = UniqueResource<handles_detail::NullIsNone<HDC, ::DeleteDC>>;
using UniqueHook = UniqueResource<handles_detail::NullIsNone<HHOOK, ::UnhookWindowsHookEx>>;

// Selects a GDI object into a DC for the lifetime of the guard.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;
  ~SelectGuard() {
    if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
  }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace ornivex
