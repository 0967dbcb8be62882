#include "capture/hotkey_listener.h"

#include <string>

#include "runtime/diagnostics.h"
#include "runtime/form.h"
#include "runtime/subclass.h"

namespace ornivex::capture {

namespace {

constexpr wchar_t kListenerClass[] = L"OrnivexCaptureKey";
constexpr wchar_t kListenerProperty[] = L"Cap_Listener";
constexpr int kHotkeyId = 1;
constexpr UINT kNoRepeat = 0x4000;  // MOD_NOREPEAT: Windows 7 and later

}  // namespace

LRESULT CALLBACK HotkeyListener::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_HOTKEY && wparam == kHotkeyId) {
    // Called through a copy: the handler may destroy the listener.
    if (auto* listener = WindowPropertyPointer<HotkeyListener>(window, kListenerProperty)) {
      std::function<void()> pressed = listener->pressed_;
      if (pressed) pressed();
    }
    return 0;
  }
  if (message == WM_NCDESTROY) RemoveWindowProperties(window, {kListenerProperty});
  return DefWindowProcW(window, message, wparam, lparam);
}

std::unique_ptr<HotkeyListener> HotkeyListener::Register(const Hotkey& hotkey, std::function<void()> pressed,
                                                        HotkeyStatus& status) {
  status = HotkeyStatus::kFailed;
  static const bool registered = RegisterWindowClass(kListenerClass, &HotkeyListener::WindowProc, 0);
  std::unique_ptr<HotkeyListener> listener(new HotkeyListener(hotkey, std::move(pressed)));
  if (registered)
    listener->window_.Reset(CreateWindowExW(0, kListenerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                            GetModuleHandleW(nullptr), nullptr));
  HWND window = listener->window_.Get();
  if (!window || !SetWindowPropertyPointer(window, kListenerProperty, listener.get())) {
    TraceFailure(L"Creating the window for the capture key");
    return nullptr;
  }
  if (!RegisterHotKey(window, kHotkeyId, hotkey.modifiers | kNoRepeat, hotkey.virtualKey)) {
    const DWORD error = GetLastError();
    status = error == ERROR_HOTKEY_ALREADY_REGISTERED ? HotkeyStatus::kTaken : HotkeyStatus::kFailed;
    TraceFailure(L"Registering the capture key " + HotkeyName(hotkey), error);
    return nullptr;
  }
  listener->registered_ = true;
  status = HotkeyStatus::kRegistered;
  return listener;
}

HotkeyListener::~HotkeyListener() {
  if (registered_) UnregisterHotKey(window_.Get(), kHotkeyId);
}

}  // namespace ornivex::capture
