#pragma once
// The capture key registered with the system for as long as the listener
// lives: each press runs the handler on the thread that registered it.
#include <windows.h>

#include <functional>
#include <memory>

#include "capture/hotkey.h"
#include "runtime/handles.h"

namespace ornivex::capture {

enum class HotkeyStatus {
  kRegistered,
  kTaken,   // another program (or another part of this one) has the chord
  kFailed,  // any other refusal, traced
};

class HotkeyListener {
 public:
  // Registers `hotkey` (pressing and holding it counts once) on a
  // message-only window of the calling thread, which must dispatch messages.
  // Null, with the reason in `status`, when the system refuses it.
  static std::unique_ptr<HotkeyListener> Register(const Hotkey& hotkey, std::function<void()> pressed,
                                                  HotkeyStatus& status);
  // Unregisters the chord.
  ~HotkeyListener();
  HotkeyListener(const HotkeyListener&) = delete;
  HotkeyListener& operator=(const HotkeyListener&) = delete;

  const Hotkey& Key() const { return hotkey_; }
  HWND Window() const { return window_.Get(); }

 private:
  HotkeyListener(const Hotkey& hotkey, std::function<void()> pressed) : hotkey_(hotkey), pressed_(std::move(pressed)) {}
  static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);

  Hotkey hotkey_;
  std::function<void()> pressed_;
  UniqueWindow window_;
  bool registered_ = false;
};

}  // namespace ornivex::capture
