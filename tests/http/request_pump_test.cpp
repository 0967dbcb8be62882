// SendHttpRequest keeps the calling thread's windows alive while it blocks, and
// a request made from a window procedure during that time runs to completion
// without dispatching messages itself.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "http/request.h"
#include "tests/http/support/loopback_server.h"

namespace ornivex {
namespace {

using testing::LoopbackServer;
using testing::RecordedRequest;
using testing::Reply;
using testing::ScriptedReply;

constexpr UINT kNested = WM_APP + 1;
constexpr UINT kQuit = WM_APP + 2;

struct WindowLog {
  int timerTicks = 0;
  int depth = 0;     // window procedure frames on the stack
  int maxDepth = 0;
  std::string nestedResult;
  std::string nestedUrl;
  int nestedTicksDuring = -1;  // timer ticks seen while the nested request ran
};
WindowLog g_log;

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  struct Frame {
    Frame() { g_log.maxDepth = std::max(g_log.maxDepth, ++g_log.depth); }
    ~Frame() { --g_log.depth; }
  } frame;
  switch (message) {
    case WM_TIMER:
      ++g_log.timerTicks;
      return 0;
    case kNested: {
      int before = g_log.timerTicks;
      g_log.nestedResult = SendHttpRequest(g_log.nestedUrl, {.timeoutSeconds = 5});
      g_log.nestedTicksDuring = g_log.timerTicks - before;
      return 0;
    }
    case kQuit:
      PostQuitMessage(7);
      return 0;
  }
  return DefWindowProcW(window, message, w, l);
}

class RequestPumpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_log = WindowLog{};
    WNDCLASSW wc{};
    wc.lpfnWndProc = TestWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"OrnivexRequestPumpTest";
    RegisterClassW(&wc);
    window = CreateWindowExW(0, wc.lpszClassName, L"pump", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                             wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
  }
  void TearDown() override {
    if (window) DestroyWindow(window);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  }

  HWND window = nullptr;
  // "/slow" answers after 1.5 s, anything else at once.
  LoopbackServer server{[](const RecordedRequest& r) {
    ScriptedReply reply = Reply("200 OK", "", r.requestLine.starts_with("GET /slow") ? "slow" : "fast");
    if (r.requestLine.starts_with("GET /slow")) reply.delayMs = 1500;
    return reply;
  }};
};

TEST_F(RequestPumpTest, WindowKeepsProcessingMessagesWhileTheCallBlocks) {
  SetTimer(window, 1, 50, nullptr);
  PostMessageW(window, WM_NULL, 0, 0);
  std::string status;
  EXPECT_EQ(SendHttpRequest(server.Url("/slow"), {.statusText = &status}), "slow");
  EXPECT_EQ(status, "200 OK");
  KillTimer(window, 1);
  // 1.5 s at 50 ms a tick; a frozen thread would see none.
  EXPECT_GE(g_log.timerTicks, 5);
}

TEST_F(RequestPumpTest, RequestFromAWindowProcedureRunsWithoutNesting) {
  g_log.nestedUrl = server.Url("/fast");
  SetTimer(window, 1, 20, nullptr);
  PostMessageW(window, kNested, 0, 0);
  EXPECT_EQ(SendHttpRequest(server.Url("/slow")), "slow");
  KillTimer(window, 1);
  EXPECT_EQ(g_log.nestedResult, "fast");
  // The inner request dispatched nothing: no window procedure ran inside
  // another, and no timer tick was handled while it ran.
  EXPECT_EQ(g_log.maxDepth, 1);
  EXPECT_EQ(g_log.nestedTicksDuring, 0);
  EXPECT_GE(g_log.timerTicks, 5);  // the outer call went on dispatching
}

TEST_F(RequestPumpTest, QuitMessageTakenWhileBlockingIsPostedAgain) {
  PostMessageW(window, kQuit, 0, 0);
  EXPECT_EQ(SendHttpRequest(server.Url("/slow")), "slow");
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
}

}  // namespace
}  // namespace ornivex
