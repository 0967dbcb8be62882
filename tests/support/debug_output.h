#pragma once
// Collects what the test's own process writes with OutputDebugString: the
// system raises a debug-print exception for each line, which a vectored
// handler sees before passing it on.
#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

namespace ornivex::testing {

class DebugOutput {
 public:
  DebugOutput() {
    current_ = this;
    handler_ = AddVectoredExceptionHandler(1, &DebugOutput::Handler);
  }
  ~DebugOutput() {
    RemoveVectoredExceptionHandler(handler_);
    current_ = nullptr;
  }
  DebugOutput(const DebugOutput&) = delete;
  DebugOutput& operator=(const DebugOutput&) = delete;

  std::vector<std::string> Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
  }

 private:
  static constexpr DWORD kPrint = 0x40010006;      // DBG_PRINTEXCEPTION_C
  static constexpr DWORD kPrintWide = 0x4001000A;  // DBG_PRINTEXCEPTION_WIDE_C

  static LONG CALLBACK Handler(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    DebugOutput* self = current_;
    if (!self || record->NumberParameters < 2) return EXCEPTION_CONTINUE_SEARCH;
    if (record->ExceptionCode == kPrint) {
      // The wide form, where the system raises it, comes first; its narrow copy
      // is then the same line again.
      std::lock_guard lock(self->mutex_);
      if (!self->sawWide_) self->lines_.emplace_back(reinterpret_cast<const char*>(record->ExceptionInformation[1]));
    } else if (record->ExceptionCode == kPrintWide) {
      const auto* text = reinterpret_cast<const wchar_t*>(record->ExceptionInformation[1]);
      std::string line;
      for (; *text; ++text) line += *text < 128 ? static_cast<char>(*text) : '?';
      std::lock_guard lock(self->mutex_);
      self->sawWide_ = true;
      self->lines_.push_back(line);
    }
    return EXCEPTION_CONTINUE_SEARCH;
  }

  static inline DebugOutput* current_ = nullptr;
  PVOID handler_ = nullptr;
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
  bool sawWide_ = false;
};

}  // namespace ornivex::testing
