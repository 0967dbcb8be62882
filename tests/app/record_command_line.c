// Stand-in for empty.exe: appends its command line and a line feed (UTF-16) to
// "<its own path>.args" and ends, so a test can see how and how often it ran.
#include <windows.h>

int main(void) {
  wchar_t path[MAX_PATH + 8];
  const DWORD n = GetModuleFileNameW(NULL, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return 1;
  lstrcpyW(path + n, L".args");
  HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return 1;
  const wchar_t* line = GetCommandLineW();
  DWORD written;
  WriteFile(file, line, (DWORD)(lstrlenW(line) * sizeof(wchar_t)), &written, NULL);
  WriteFile(file, L"\n", sizeof(wchar_t), &written, NULL);
  CloseHandle(file);
  return 0;
}
