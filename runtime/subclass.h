#pragma once
// The one way this program hangs state on a window and replaces a window's
// procedure: named window properties.
//
// A procedure finds what belongs to its window through properties (a pointer to
// the runtime's own object, or the numbers that locate a record in the skin's
// registry), and a procedure that replaced another keeps the replaced one in a
// property, so it can pass messages on. Every layer that subclasses a window names
// its own property for the replaced procedure, so layers stack without loops.
#include <windows.h>

#include <cstdint>
#include <initializer_list>

namespace ornivex {

// Integers and pointers kept on a window by name (SetPropW and friends). A window
// without the property reads 0.
std::intptr_t WindowProperty(HWND window, const wchar_t* name);
bool SetWindowProperty(HWND window, const wchar_t* name, std::intptr_t value);
void RemoveWindowProperties(HWND window, std::initializer_list<const wchar_t*> names);

template <class T>
T* WindowPropertyPointer(HWND window, const wchar_t* name) {
  return reinterpret_cast<T*>(WindowProperty(window, name));
}
template <class T>
bool SetWindowPropertyPointer(HWND window, const wchar_t* name, T* pointer) {
  return SetWindowProperty(window, name, reinterpret_cast<std::intptr_t>(pointer));
}

// Replaces the procedure of `window` (a Unicode window) by `procedure` and keeps
// the replaced one in the property `previous`. Refuses (false, nothing changed) a
// window that already carries `previous`: subclassing it twice under one name would
// make the procedure pass messages on to itself.
bool ReplaceWindowProc(HWND window, WNDPROC procedure, const wchar_t* previous);

// Hands a message to the procedure kept in `previous`; to DefWindowProcW when the
// window carries none.
LRESULT CallPreviousProcedure(const wchar_t* previous, HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// One message as a procedure received it, with the name of the property that keeps
// the procedure it replaced. Handlers take it and answer, or leave it to PassOn.
struct WindowMessage {
  HWND window;
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
  const wchar_t* previous;  // null: the window's class procedure is the last stop

  LRESULT PassOn() const {
    return previous ? CallPreviousProcedure(previous, window, message, wparam, lparam)
                    : DefWindowProcW(window, message, wparam, lparam);
  }
  LRESULT Default() const { return DefWindowProcW(window, message, wparam, lparam); }
  // Signed client coordinates packed in lparam.
  int X() const { return static_cast<short>(LOWORD(lparam)); }
  int Y() const { return static_cast<short>(HIWORD(lparam)); }
  HDC Dc() const { return reinterpret_cast<HDC>(wparam); }
  HWND Sender() const { return reinterpret_cast<HWND>(lparam); }
};

}  // namespace ornivex
