#pragma once
// Catches the message boxes a test provokes: a CBT hook on the test's thread
// sees each one as it is activated, reads its text, caption and icon, notes
// whether the main window was disabled meanwhile, and presses OK.
#include <windows.h>

#include <string>
#include <vector>

namespace ornivex::testing {

struct CaughtBox {
  std::wstring text;
  std::wstring caption;
  bool informationIcon = false;
  bool errorIcon = false;
  bool otherWindowEnabled = true;  // the window given to the catcher, while the box was up
};

class MessageBoxCatcher {
 public:
  explicit MessageBoxCatcher(HWND watched = nullptr) : watched_(watched) {
    current_ = this;
    hook_ = SetWindowsHookExW(WH_CBT, &MessageBoxCatcher::Hook, nullptr, GetCurrentThreadId());
  }
  ~MessageBoxCatcher() {
    UnhookWindowsHookEx(hook_);
    current_ = nullptr;
  }
  MessageBoxCatcher(const MessageBoxCatcher&) = delete;
  MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

  const std::vector<CaughtBox>& Boxes() const { return boxes_; }

 private:
  static std::wstring TextOf(HWND window) {
    wchar_t buffer[1024] = {};
    GetWindowTextW(window, buffer, 1024);
    return buffer;
  }

  static bool HasIcon(HWND box, LPCWSTR standardIcon) {
    HICON wanted = LoadIconW(nullptr, standardIcon);
    // The icon's static control: 20 on Windows, 0x440 under Wine.
    for (int id : {20, 0x440}) {
      HWND item = GetDlgItem(box, id);
      if (item && reinterpret_cast<HICON>(SendMessageW(item, STM_GETICON, 0, 0)) == wanted) return true;
    }
    return false;
  }

  // The box is activated before it has its text and icon; read them from a
  // timer, which the box's own modal loop runs.
  static LRESULT CALLBACK Hook(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_ACTIVATE && current_) {
      HWND window = reinterpret_cast<HWND>(wparam);
      wchar_t className[32] = {};
      GetClassNameW(window, className, 32);
      if (std::wstring(className) == L"#32770" && !current_->seen(window)) {
        current_->handled_.push_back(window);
        current_->pending_ = window;
        SetTimer(nullptr, 0, 20, &MessageBoxCatcher::ReadAndClose);
      }
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
  }

  static void CALLBACK ReadAndClose(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (!current_ || !current_->pending_) return;
    HWND window = current_->pending_;
    current_->pending_ = nullptr;
    CaughtBox box;
    box.caption = TextOf(window);
    // The text's static control: 0xFFFF on Windows and under Wine.
    box.text = TextOf(GetDlgItem(window, 0xFFFF));
    box.informationIcon = HasIcon(window, IDI_INFORMATION);
    box.errorIcon = HasIcon(window, IDI_ERROR);
    box.otherWindowEnabled = current_->watched_ ? IsWindowEnabled(current_->watched_) != FALSE : true;
    current_->boxes_.push_back(box);
    PostMessageW(window, WM_COMMAND, IDOK, 0);
  }

  bool seen(HWND window) const {
    for (HWND h : handled_)
      if (h == window && IsWindow(h)) return true;
    return false;
  }

  static inline MessageBoxCatcher* current_ = nullptr;
  HWND watched_;
  HHOOK hook_ = nullptr;
  HWND pending_ = nullptr;
  std::vector<CaughtBox> boxes_;
  std::vector<HWND> handled_;
};

}  // namespace ornivex::testing
