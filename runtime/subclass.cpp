#include "runtime/subclass.h"

namespace ornivex {

std::intptr_t WindowProperty(HWND window, const wchar_t* name) {
  return window ? reinterpret_cast<std::intptr_t>(GetPropW(window, name)) : 0;
}

bool SetWindowProperty(HWND window, const wchar_t* name, std::intptr_t value) {
  return window && SetPropW(window, name, reinterpret_cast<HANDLE>(value));
}

void RemoveWindowProperties(HWND window, std::initializer_list<const wchar_t*> names) {
  for (const wchar_t* name : names) RemovePropW(window, name);
}

bool ReplaceWindowProc(HWND window, WNDPROC procedure, const wchar_t* previous) {
  if (!window || GetPropW(window, previous)) return false;
  // The property has to be in place before the first message reaches the new
  // procedure, which can happen inside SetWindowLongPtrW itself.
  const auto current = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC));
  if (!current || current == procedure) return false;
  if (!SetPropW(window, previous, reinterpret_cast<HANDLE>(current))) return false;
  SetLastError(0);
  const LONG_PTR replaced = SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
  if (!replaced && GetLastError() != 0) {
    RemovePropW(window, previous);
    return false;
  }
  return true;
}

LRESULT CallPreviousProcedure(const wchar_t* previous, HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  const auto procedure = reinterpret_cast<WNDPROC>(GetPropW(window, previous));
  return procedure ? CallWindowProcW(procedure, window, message, wparam, lparam)
                   : DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace ornivex
