// Starts the real Ornivex.exe and checks its main window from outside.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// The build gives the Linux path; Wine sees the Linux root as drive Z:.
std::wstring ProgramPath() {
  std::string path = ORNIVEX_EXE;
  std::wstring wide(path.begin(), path.end());
  if (!wide.empty() && wide[0] == L'/') wide = L"Z:" + wide;
  for (wchar_t& c : wide)
    if (c == L'/') c = L'\\';
  return wide;
}

struct Found {
  DWORD process;
  HWND window;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM lparam) {
  auto* found = reinterpret_cast<Found*>(lparam);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t title[32] = {};
  GetWindowTextW(window, title, 32);
  if (process == found->process && IsWindowVisible(window) && std::wstring(title) == L"Ornivex") {
    found->window = window;
    return FALSE;
  }
  return TRUE;
}

TEST(Launch, ProgramShowsItsFixedLayeredWindowAndClosesCleanly) {
  std::wstring command = L"\"" + ProgramPath() + L"\"";
  STARTUPINFOW startup = {sizeof startup};
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                             &process))
      << GetLastError();
  CloseHandle(process.hThread);

  Found found{process.dwProcessId, nullptr};
  for (int i = 0; i < 300 && !found.window; ++i) {
    EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&found));
    if (!found.window) Sleep(50);
  }
  ASSERT_NE(found.window, nullptr) << "no window titled Ornivex";

  // Alpha is set by the created event, just after the window is shown.
  BYTE alpha = 0;
  DWORD flags = 0;
  for (int i = 0; i < 100 && alpha != 220; ++i) {
    COLORREF key;
    if (!GetLayeredWindowAttributes(found.window, &key, &alpha, &flags)) Sleep(50);
  }
  EXPECT_EQ(alpha, 220);
  EXPECT_EQ(flags, static_cast<DWORD>(LWA_ALPHA));

  RECT r;
  GetWindowRect(found.window, &r);
  EXPECT_EQ(r.left, 50);
  EXPECT_EQ(r.top, 50);
  EXPECT_EQ(r.right - r.left, 317);
  EXPECT_EQ(r.bottom - r.top, 537);
  // Another process resizing it gets the same answer.
  SetWindowPos(found.window, nullptr, 0, 0, 500, 300, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  GetWindowRect(found.window, &r);
  EXPECT_EQ(r.right - r.left, 317);
  EXPECT_EQ(r.bottom - r.top, 537);

  PostMessageW(found.window, WM_CLOSE, 0, 0);
  ASSERT_EQ(WaitForSingleObject(process.hProcess, 15000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  EXPECT_EQ(code, 0u);
  CloseHandle(process.hProcess);
}

}  // namespace
