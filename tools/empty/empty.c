// empty.exe: empties the working set of a process named by its id or by the
// file name of its executable.
//
//   empty.exe {pid | task-name}
//
// The one argument is a process id when it is a decimal number that fits 32
// bits, and a task name otherwise ("Ornivex.exe"; matched without regard to case
// against every running process, and every match is trimmed).
//
// What the user sees:
//   - no argument (or an empty one): "missing pid or task name" and then the
//     usage line, because the first says what went wrong and the second how to
//     call the program;
//   - more than one argument: the usage line alone;
//   - a process that cannot be opened or trimmed: "could not empty working set
//     for process #<id>", with " [<executable>]" added when it was found by name;
//   - a task name that no running process has: "no running process is named
//     <name>".
// Texts go to standard output exactly as written here, "\n" and all; a console
// gets them in UTF-16, a pipe or file in the ANSI code page. Exit code 0 when
// every process asked for was trimmed, 1 for a wrong command line, 2 otherwise.
//
// The program runs without the C runtime (its entry point is Entry below), so
// its image needs nothing but kernel32 and advapi32 and stays a few kilobytes.
#include <windows.h>
#include <tlhelp32.h>

enum { kArgumentCapacity = 512, kLineCapacity = 1024 };

typedef struct {
  wchar_t text[kLineCapacity];
  int length;
} Line;

// Appends as much of `text` as fits; the line stays zero-terminated.
static void Append(Line* line, const wchar_t* text) {
  while (*text && line->length < kLineCapacity - 1) line->text[line->length++] = *text++;
  line->text[line->length] = 0;
}

static void AppendNumber(Line* line, DWORD value) {
  wchar_t digits[11];
  int n = 10;
  digits[n] = 0;
  do {
    digits[--n] = (wchar_t)(L'0' + value % 10);
    value /= 10;
  } while (value);
  Append(line, digits + n);
}

static void Print(const wchar_t* text) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (!out || out == INVALID_HANDLE_VALUE) return;
  const int length = lstrlenW(text);
  DWORD mode, written;
  if (GetConsoleMode(out, &mode)) {
    WriteConsoleW(out, text, (DWORD)length, &written, NULL);
    return;
  }
  char bytes[kLineCapacity * 2];
  const int size = WideCharToMultiByte(CP_ACP, 0, text, length, bytes, sizeof bytes, NULL, NULL);
  if (size > 0) WriteFile(out, bytes, (DWORD)size, &written, NULL);
}

static void PrintFailure(DWORD pid, const wchar_t* taskName) {
  Line line;
  line.length = 0;
  Append(&line, L"could not empty working set for process #");
  AppendNumber(&line, pid);
  if (taskName) {
    Append(&line, L" [");
    Append(&line, taskName);
    Append(&line, L"]");
  }
  Append(&line, L"\n");
  Print(line.text);
}

// The program's own name: up to the closing quote when it starts with one,
// otherwise up to the first space or tab.
static const wchar_t* SkipProgramName(const wchar_t* p) {
  if (*p == L'"') {
    for (++p; *p && *p != L'"'; ++p) {
    }
    if (*p) ++p;
  } else {
    while (*p && *p != L' ' && *p != L'\t') ++p;
  }
  return p;
}

// Copies the next argument into `out` by the usual rules: spaces and tabs apart
// from quotes separate arguments; 2n backslashes before a quote give n
// backslashes and the quote opens or closes a quoted part, 2n+1 give n and a
// literal quote; other backslashes are literal. Returns where the next one
// starts, or null when there is none.
static const wchar_t* NextArgument(const wchar_t* p, wchar_t* out) {
  while (*p == L' ' || *p == L'\t') ++p;
  if (!*p) return NULL;
  int length = 0, quoted = 0;
#define PUT(c) (length < kArgumentCapacity - 1 ? (void)(out[length++] = (c)) : (void)0)
  while (*p && (quoted || (*p != L' ' && *p != L'\t'))) {
    int slashes = 0;
    while (*p == L'\\') ++slashes, ++p;
    if (*p == L'"') {
      for (int i = 0; i < slashes / 2; ++i) PUT(L'\\');
      if (slashes % 2) {
        PUT(L'"');
      } else if (quoted && p[1] == L'"') {
        PUT(L'"');  // "" inside quotes is a quote
        ++p;
      } else {
        quoted = !quoted;
      }
      ++p;
    } else {
      for (int i = 0; i < slashes; ++i) PUT(L'\\');
      if (*p && (quoted || (*p != L' ' && *p != L'\t'))) PUT(*p++);
    }
  }
#undef PUT
  out[length] = 0;
  return p;
}

static int ParsePid(const wchar_t* text, DWORD* pid) {
  unsigned long long value = 0;
  if (!*text) return 0;
  for (; *text; ++text) {
    if (*text < L'0' || *text > L'9') return 0;
    value = value * 10 + (unsigned)(*text - L'0');
    if (value > 0xFFFFFFFFull) return 0;
  }
  *pid = (DWORD)value;
  return 1;
}

// Lets the program open processes of other users and services when its token
// holds the privilege (an administrator's does); without it only the user's own
// processes can be trimmed, which is fine.
static void EnableDebugPrivilege(void) {
  HANDLE token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token)) return;
  TOKEN_PRIVILEGES privileges;
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (LookupPrivilegeValueW(NULL, L"SeDebugPrivilege", &privileges.Privileges[0].Luid))
    AdjustTokenPrivileges(token, FALSE, &privileges, 0, NULL, NULL);
  CloseHandle(token);
}

// Sizes of -1 and -1 ask the system to take every page it can out of the
// process's working set: the same request as EmptyWorkingSet, from kernel32.
static int Trim(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_SET_QUOTA | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process) return 0;
  const BOOL done = SetProcessWorkingSetSize(process, (SIZE_T)-1, (SIZE_T)-1);
  CloseHandle(process);
  return done != FALSE;
}

static int TrimByName(const wchar_t* name) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  int matches = 0, failures = 0;
  if (snapshot != INVALID_HANDLE_VALUE) {
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
      if (CompareStringOrdinal(entry.szExeFile, -1, name, -1, TRUE) != CSTR_EQUAL) continue;
      ++matches;
      if (!Trim(entry.th32ProcessID)) {
        ++failures;
        PrintFailure(entry.th32ProcessID, entry.szExeFile);
      }
    }
    CloseHandle(snapshot);
  }
  if (matches == 0) {
    Line line;
    line.length = 0;
    Append(&line, L"no running process is named ");
    Append(&line, name);
    Append(&line, L"\n");
    Print(line.text);
  }
  return matches > 0 && failures == 0;
}

static int Run(void) {
  static const wchar_t kUsage[] = L"USAGE: empty.exe {pid | task-name}\n";
  wchar_t argument[kArgumentCapacity], extra[kArgumentCapacity];
  const wchar_t* rest = NextArgument(SkipProgramName(GetCommandLineW()), argument);
  if (!rest || !argument[0]) {
    Print(L"missing pid or task name\n");
    Print(kUsage);
    return 1;
  }
  if (NextArgument(rest, extra)) {
    Print(kUsage);
    return 1;
  }
  EnableDebugPrivilege();
  DWORD pid;
  if (ParsePid(argument, &pid)) {
    if (Trim(pid)) return 0;
    PrintFailure(pid, NULL);
    return 2;
  }
  return TrimByName(argument) ? 0 : 2;
}

void Entry(void) { ExitProcess((UINT)Run()); }
