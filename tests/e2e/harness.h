#pragma once
// Helpers for driving the OCR workflow inside the test process against the
// loopback stand-ins: their control endpoints, their request record, a thread
// that answers the open-file dialog as a user would, and a message pump with a
// deadline. The ports and the record folder come from the build.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "http/request.h"
#include "runtime/codepage.h"
#include "runtime/files.h"

namespace ornivex::e2e {

inline std::string OcrBase() { return "http://127.0.0.1:" + std::to_string(ORNIVEX_E2E_OCR_PORT); }
inline std::string ImageBase() { return "http://127.0.0.1:" + std::to_string(ORNIVEX_E2E_IMAGE_PORT); }

// A Linux path as Windows programs under Wine see it.
inline std::wstring UnixPath(std::string_view path) {
  std::wstring out = L"Z:";
  for (char c : path) out += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
  return out;
}

// Whether the stand-ins answer on this build's ports; when they do not, says on
// standard output how to start them.
inline bool StandinsAnswer() {
  std::string status;
  SendHttpRequest(OcrBase() + "/__config", {.statusText = &status});
  if (status.rfind("200", 0) == 0) return true;
  std::printf("the stand-ins are not running: python3 standins/standins.py --ocr-port %d --image-port %d\n",
              ORNIVEX_E2E_OCR_PORT, ORNIVEX_E2E_IMAGE_PORT);
  return false;
}

// Changes the stand-ins' settings (a JSON object); true when they took it.
inline bool ConfigureStandins(std::string_view json) {
  std::string status;
  SendHttpRequest(OcrBase() + "/__config", {.method = kHttpPost, .body = json, .statusText = &status});
  return status.rfind("200", 0) == 0;
}

// The OCR service forgets every token it issued, as a restart does.
inline bool ForgetTokens() {
  std::string status;
  SendHttpRequest(OcrBase() + "/__tokens", {.method = kHttpDelete, .statusText = &status});
  return status.rfind("200", 0) == 0;
}

// Back to the stand-ins' defaults, with recognition replying `fixedWords`
// (lines separated by \n in the JSON text) instead of running Tesseract.
inline bool ResetStandins(std::string_view fixedWords = "") {
  std::string json =
      "{\"delay\": 0, \"token_delay\": 0, \"ocr_delay\": 0, \"compact\": false, \"token_error\": false, "
      "\"ocr_error\": 0, \"upload_status\": 200, \"max_image_bytes\": 10485760, \"client_id\": \"\", "
      "\"client_secret\": \"\", \"fault\": \"\", \"fixed_words\": \"";
  json += fixedWords;
  json += "\"}";
  std::string status;
  SendHttpRequest(OcrBase() + "/__requests", {.method = kHttpDelete, .statusText = &status});
  return ConfigureStandins(json);
}

#ifdef ORNIVEX_E2E_RECORDS
// The request record: one .body file per request, named <seq>-<service>-<kind>.
struct Record {
  int seq = 0;
  std::wstring bodyPath;
};

inline std::vector<Record> Records(std::wstring_view serviceKind) {
  const std::wstring folder = UnixPath(ORNIVEX_E2E_RECORDS);
  std::vector<Record> out;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*-" + std::wstring(serviceKind) + L".body").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return out;
  do out.push_back({_wtoi(found.cFileName), folder + L"\\" + found.cFileName});
  while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(out.begin(), out.end(), [](const Record& a, const Record& b) { return a.seq < b.seq; });
  return out;
}

inline int LastSeq() {
  int last = 0;
  for (const wchar_t* kind : {L"image-upload", L"image-photo", L"ocr-token", L"ocr-general_basic"})
    for (const Record& r : Records(kind)) last = std::max(last, r.seq);
  return last;
}

// Records of a kind after sequence number `after`.
inline std::vector<Record> RecordsAfter(std::wstring_view serviceKind, int after) {
  std::vector<Record> all = Records(serviceKind);
  std::erase_if(all, [after](const Record& r) { return r.seq <= after; });
  return all;
}

inline std::string RecordBody(const Record& r) { return ReadWholeFile(r.bodyPath).value_or(std::string()); }

// The request line and header lines as received.
inline std::string RecordHead(const Record& r) {
  std::wstring head = r.bodyPath;
  head.replace(head.size() - 5, 5, L".head");
  return ReadWholeFile(head).value_or(std::string());
}

#endif  // ORNIVEX_E2E_RECORDS

// Dispatches the calling thread's messages until `done` or the deadline.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

inline void PumpFor(int ms) {
  PumpUntil([] { return false; }, ms);
}

// Answers every open-file dialog of one thread as soon as it shows: Cancel,
// or type a path into its file name box and press Open.
class DialogAnswerer {
 public:
  explicit DialogAnswerer(DWORD uiThread, std::wstring path = {})
      : uiThread_(uiThread), path_(std::move(path)), worker_([this] { Run(); }) {}
  ~DialogAnswerer() {
    stop_ = true;
    worker_.join();
  }
  DialogAnswerer(const DialogAnswerer&) = delete;
  DialogAnswerer& operator=(const DialogAnswerer&) = delete;

  int Answered() const { return answered_; }
  // From seeing the last dialog to its going away.
  double LastAnswerMs() const { return shownMs_; }

 private:
  static BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (IsWindowVisible(window) && std::wstring_view(name) == L"#32770") {
      *reinterpret_cast<HWND*>(found) = window;
      return FALSE;
    }
    return TRUE;
  }
  static BOOL CALLBACK FindEdit(HWND window, LPARAM found) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    const int id = GetDlgCtrlID(window);
    if (std::wstring_view(name) == L"Edit" && (id == 0x480 || id == 0x47c || id == 1001)) {
      *reinterpret_cast<HWND*>(found) = window;
      return FALSE;
    }
    return TRUE;
  }
  void Run() {
    while (!stop_) {
      HWND dialog = nullptr;
      EnumThreadWindows(uiThread_, FindDialog, reinterpret_cast<LPARAM>(&dialog));
      if (dialog) {
        if (path_.empty()) {
          PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        } else {
          HWND edit = nullptr;
          EnumChildWindows(dialog, FindEdit, reinterpret_cast<LPARAM>(&edit));
          if (edit) SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path_.c_str()));
          PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        }
        // One answer per dialog: wait for it to go before looking again.
        const auto seen = std::chrono::steady_clock::now();
        for (int i = 0; i < 600 && IsWindow(dialog) && IsWindowVisible(dialog); ++i) Sleep(1);
        shownMs_ = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - seen).count();
        ++answered_;
      }
      Sleep(2);
    }
  }

  DWORD uiThread_;
  std::wstring path_;
  std::atomic<bool> stop_{false};
  std::atomic<int> answered_{0};
  std::atomic<double> shownMs_{0};
  std::thread worker_;
};

// Records the longest time between two ticks of a 10 ms thread timer, that is
// the longest stretch in which the thread dispatched no message.
class GapMeter {
 public:
  GapMeter() {
    current_ = this;
    last_ = std::chrono::steady_clock::now();
    timer_ = SetTimer(nullptr, 0, 10, Tick);
  }
  ~GapMeter() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  GapMeter(const GapMeter&) = delete;
  GapMeter& operator=(const GapMeter&) = delete;

  void Restart() {
    last_ = std::chrono::steady_clock::now();
    longest_ = 0;
  }
  double LongestMs() const { return longest_; }
  int Ticks() const { return ticks_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (!current_) return;
    const auto now = std::chrono::steady_clock::now();
    const double gap = std::chrono::duration<double, std::milli>(now - current_->last_).count();
    current_->longest_ = std::max(current_->longest_, gap);
    current_->last_ = now;
    ++current_->ticks_;
  }

  static inline GapMeter* current_ = nullptr;
  UINT_PTR timer_ = 0;
  std::chrono::steady_clock::time_point last_;
  double longest_ = 0;
  int ticks_ = 0;
};

}  // namespace ornivex::e2e
