#include "runtime/threads.h"

#include <memory>

#include "runtime/handles.h"

namespace ornivex {

namespace {

DWORD WINAPI WorkerEntry(LPVOID parameter) {
  std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()>*>(parameter));
  (*work)();
  return 0;
}

bool TranslateForDialogNavigation(MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !msg.hwnd) return false;
  HWND root = GetAncestor(msg.hwnd, GA_ROOT);
  return root && IsDialogMessageW(root, &msg);
}

}  // namespace

bool StartWorker(std::function<void()> work) {
  auto* heap = new std::function<void()>(std::move(work));
  UniqueHandle thread(CreateThread(nullptr, 0, WorkerEntry, heap, 0, nullptr));
  if (!thread) {
    delete heap;
    return false;
  }
  return true;
}

UINT PostedWorkMessage() {
  static const UINT message = RegisterWindowMessageW(L"Ornivex.PostedWork");
  return message;
}

bool PostToWindowThread(HWND window, std::function<void()> work) {
  auto* heap = new std::function<void()>(std::move(work));
  if (!window || !PostMessageW(window, PostedWorkMessage(), 0, reinterpret_cast<LPARAM>(heap))) {
    delete heap;
    return false;
  }
  return true;
}

void RunPostedWork(LPARAM lparam) {
  std::unique_ptr<std::function<void()>> work(reinterpret_cast<std::function<void()>*>(lparam));
  if (work && *work) (*work)();
}

void DiscardPostedWork(HWND window) {
  MSG msg;
  const UINT message = PostedWorkMessage();
  while (PeekMessageW(&msg, window, message, message, PM_REMOVE)) {
    // PeekMessage hands out WM_QUIT whatever the filter; it belongs to the loop.
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    delete reinterpret_cast<std::function<void()>*>(msg.lParam);
  }
}

int RunMessageLoop() {
  MSG msg;
  BOOL got;
  while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
    if (got == -1) return -1;
    if (TranslateForDialogNavigation(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

bool PumpMessagesUntil(const std::function<bool()>& done) {
  MSG msg;
  while (!done()) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    if (got == -1) return false;
    if (TranslateForDialogNavigation(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return true;
}

}  // namespace ornivex
