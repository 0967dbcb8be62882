#pragma once
// Keeping the program's own windows out of the picture: hidden before the
// screen is frozen, shown again as they were afterwards.
#include <windows.h>

#include <vector>

namespace ornivex::capture {

class HiddenWindows {
 public:
  // Hides every visible top-level window of this process, keeping whether
  // each was minimised or maximised, and waits for the screen to show what
  // lay beneath them.
  static HiddenWindows HideAll();

  HiddenWindows() = default;
  HiddenWindows(HiddenWindows&& other) noexcept : windows_(std::move(other.windows_)), active_(other.active_) {
    other.windows_.clear();
  }
  HiddenWindows& operator=(HiddenWindows&&) = delete;
  HiddenWindows(const HiddenWindows&) = delete;
  ~HiddenWindows() { Restore(nullptr); }

  // Shows the windows again, each in the state it had (those destroyed
  // meanwhile are passed over). `main`, when it is one of them, is restored
  // if it was minimised and activated. Once: a second call does nothing.
  void Restore(HWND main);
  // Shows the windows again, each in the state it had, and activates the one
  // that was active when they were hidden, unless it was minimised: for a
  // capture that took nothing. Once, as Restore.
  void RestoreAsBefore();

  std::size_t Count() const { return windows_.size(); }

 private:
  struct Hidden {
    HWND window;
    bool minimised;
  };
  std::vector<Hidden> windows_;
  HWND active_ = nullptr;  // the one that was active, if it was one of them
};

}  // namespace ornivex::capture
