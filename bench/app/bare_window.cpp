// The floor the start-up benchmark compares Ornivex with: a bare Win32 window like
// its main window (a layered WS_POPUP window of 317 x 537 with alpha 220, holding a
// group box with two edit boxes and a push button, and three more push buttons, in
// the same fonts), with no skin and no GDI+. app_startup_bench starts it as
//   bare_window.exe [TOOL]
// and it prints one line, from its own clock: milliseconds from process creation
// and from entry to the end of its first paint, its working set then in bytes, and
// its working set after `TOOL <its process id>` ran (0 without a tool).
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

namespace {

constexpr wchar_t kClass[] = L"OrnivexBareWindow";

std::uint64_t FileTimeTicks(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

double MillisecondsSince(const LARGE_INTEGER& start) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

SIZE_T WorkingSet() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  return GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters) ? counters.WorkingSetSize : 0;
}

HFONT Font(int height, const wchar_t* face) {
  LOGFONTW font = {};
  font.lfHeight = height;
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = GB2312_CHARSET;
  lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
  return CreateFontIndirectW(&font);
}

HWND Child(const wchar_t* cls, const wchar_t* text, DWORD style, HWND parent, int x, int y, int w, int h, HFONT font) {
  HWND child = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return child;
}

void RunTool(const wchar_t* tool) {
  std::wstring command = L"\"" + std::wstring(tool) + L"\" " + std::to_wstring(GetCurrentProcessId());
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
    return;
  WaitForSingleObject(started.hProcess, INFINITE);
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  LARGE_INTEGER entry;
  QueryPerformanceCounter(&entry);

  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClass;
  if (!RegisterClassExW(&wc)) return 1;
  HWND window = CreateWindowExW(WS_EX_APPWINDOW | WS_EX_LAYERED, kClass, L"Ornivex",
                                WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX, 50, 50, 317, 537, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!window) return 1;
  SetLayeredWindowAttributes(window, 0, 220, LWA_ALPHA);

  LOGFONTW gui = {};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof gui, &gui);
  gui.lfCharSet = GB2312_CHARSET;
  gui.lfFaceName[0] = L'\0';
  HFONT guiFont = CreateFontIndirectW(&gui);
  HFONT pathFont = Font(-16, L"");
  HFONT resultFont = Font(-19, L"\u5fae\u8f6f\u96c5\u9ed1");
  HFONT buttonFont = Font(-16, L"YaHei Consolas Hybrid");
  HFONT smallButtonFont = Font(-13, L"YaHei Consolas Hybrid");
  HWND group = Child(L"BUTTON", L"\u57fa\u7840\u64cd\u4f5c\u533a", BS_GROUPBOX | WS_CLIPCHILDREN, window, 3, 29, 309,
                     475, guiFont);
  Child(L"EDIT", L"<------\u8bf7\u9009\u62e9\u56fe\u7247------>", WS_BORDER | ES_AUTOHSCROLL | ES_READONLY, group,
        6, 21, 220, 24, pathFont);
  Child(L"BUTTON", L"\u9009\u62e9\u56fe\u7247", BS_PUSHBUTTON, group, 231, 21, 72, 24, guiFont);
  Child(L"EDIT", L"", WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_READONLY, group, 6,
        49, 297, 419, resultFont);
  Child(L"BUTTON", L"\u4fdd\u5b58\u7ed3\u679c", BS_PUSHBUTTON, window, 67, 504, 80, 29, buttonFont);
  Child(L"BUTTON", L"\u5173\u4e8e\u8f6f\u4ef6", BS_PUSHBUTTON, window, 150, 504, 80, 29, buttonFont);
  Child(L"BUTTON", L"\u68c0\u67e5\u65b0\u7248\u672c", BS_PUSHBUTTON, window, 232, 504, 80, 29, smallButtonFont);
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  MSG msg;
  while (GetQueueStatus(QS_PAINT | QS_POSTMESSAGE | QS_SENDMESSAGE) != 0 &&
         PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  GdiFlush();
  const double sinceEntryMs = MillisecondsSince(entry);
  FILETIME now, created, exited, kernel, user;
  GetSystemTimePreciseAsFileTime(&now);
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  const double paintedMs = static_cast<double>(FileTimeTicks(now) - FileTimeTicks(created)) / 10000.0;
  const SIZE_T workingSet = WorkingSet();
  SIZE_T trimmed = 0;
  if (argc > 1) {
    RunTool(argv[1]);
    trimmed = WorkingSet();
  }
  std::printf("%.3f %.3f %llu %llu\n", paintedMs, sinceEntryMs, static_cast<unsigned long long>(workingSet),
              static_cast<unsigned long long>(trimmed));
  std::fflush(stdout);
  DestroyWindow(window);
  for (HFONT font : {guiFont, pathFont, resultFont, buttonFont, smallButtonFont}) DeleteObject(font);
  return 0;
}
