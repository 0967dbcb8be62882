#include "runtime/threads.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>
#include <utility>

#include "runtime/diagnostics.h"
#include "runtime/handles.h"

namespace ornivex {

namespace {

// Shared with threads that may still run while the program's static objects are
// destroyed at exit, so these are made once and never destroyed.
struct Workers {
  std::mutex mutex;
  std::condition_variable ended;
  int running = 0;
};
Workers& TheWorkers() {
  static Workers* workers = new Workers;
  return *workers;
}

struct PostedWork {
  std::mutex mutex;
  // The work queued for each window that takes it, in the order it was posted.
  std::unordered_map<HWND, std::deque<std::function<void()>>> queues;
};
PostedWork& ThePostedWork() {
  static PostedWork* posted = new PostedWork;
  return *posted;
}

void WorkerEnded() {
  Workers& workers = TheWorkers();
  {
    std::lock_guard lock(workers.mutex);
    --workers.running;
  }
  workers.ended.notify_all();
}

DWORD WINAPI WorkerEntry(LPVOID parameter) {
  // The barrier of every worker: whatever escapes the work ends this thread and
  // nothing else.
  try {
    std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()>*>(parameter));
    (*work)();
  } catch (const std::bad_alloc&) {
    TraceNote(L"a worker thread ran out of memory and stopped");
  } catch (...) {
    TraceNote(L"a worker thread stopped on an exception");
  }
  WorkerEnded();
  return 0;
}

bool TranslateForDialogNavigation(MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !msg.hwnd) return false;
  HWND root = GetAncestor(msg.hwnd, GA_ROOT);
  return root && IsDialogMessageW(root, &msg);
}

}  // namespace

bool StartWorker(std::function<void()> work) {
  auto heap = std::make_unique<std::function<void()>>(std::move(work));
  Workers& workers = TheWorkers();
  {
    std::lock_guard lock(workers.mutex);
    ++workers.running;
  }
  UniqueHandle thread(CreateThread(nullptr, 0, WorkerEntry, heap.get(), 0, nullptr));
  if (!thread) {
    TraceFailure(L"Starting a worker thread");
    WorkerEnded();
    return false;
  }
  heap.release();  // the thread owns it now
  return true;
}

int RunningWorkers() {
  Workers& workers = TheWorkers();
  std::lock_guard lock(workers.mutex);
  return workers.running;
}

bool WaitForWorkers(DWORD timeoutMs) {
  Workers& workers = TheWorkers();
  std::unique_lock lock(workers.mutex);
  return workers.ended.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return workers.running == 0; });
}

UINT PostedWorkMessage() {
  static const UINT message = RegisterWindowMessageW(L"Ornivex.PostedWork");
  return message;
}

void AcceptPostedWork(HWND window) {
  PostedWork& posted = ThePostedWork();
  std::lock_guard lock(posted.mutex);
  posted.queues.try_emplace(window);
}

bool PostToWindowThread(HWND window, std::function<void()> work) {
  PostedWork& posted = ThePostedWork();
  std::function<void()> unsent;  // freed outside the lock: its destructor may post work itself
  {
    std::lock_guard lock(posted.mutex);
    const auto queue = posted.queues.find(window);
    if (queue == posted.queues.end()) return false;
    // Queued and announced under one lock: DiscardPostedWork can never come between.
    queue->second.push_back(std::move(work));
    if (PostMessageW(window, PostedWorkMessage(), 0, 0)) return true;
    TraceFailure(L"Posting work to a window");
    unsent = std::move(queue->second.back());
    queue->second.pop_back();
  }
  return false;
}

void RunPostedWork(HWND window) {
  std::function<void()> work;
  {
    PostedWork& posted = ThePostedWork();
    std::lock_guard lock(posted.mutex);
    const auto queue = posted.queues.find(window);
    if (queue == posted.queues.end() || queue->second.empty()) return;
    work = std::move(queue->second.front());
    queue->second.pop_front();
  }
  if (work) work();
}

void DiscardPostedWork(HWND window) {
  std::deque<std::function<void()>> dropped;
  {
    PostedWork& posted = ThePostedWork();
    std::lock_guard lock(posted.mutex);
    const auto queue = posted.queues.find(window);
    if (queue == posted.queues.end()) return;
    dropped = std::move(queue->second);
    posted.queues.erase(queue);
  }
  // Freed outside the lock: a closure's destructor may post work itself.
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
