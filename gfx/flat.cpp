#include "gfx/flat.h"

#include <array>
#include <cstring>
#include <string>

#include "runtime/codepage.h"
#include "runtime/diagnostics.h"

namespace ornivex::gfx {

FlatApi g_flat{};
ULONG_PTR g_gdiplusToken = 0;

namespace {

constexpr const char* kDefaultNames[] = {
#define GFX_FLAT(name) #name,
#include "gfx/flat_functions.inc"
#undef GFX_FLAT
};
constexpr std::size_t kNameCount = std::size(kDefaultNames);
static_assert(sizeof(FlatApi) == kNameCount * sizeof(void*), "one pointer per name");

// The names start-up binds under; a test may misspell one.
std::array<const char*, kNameCount> g_names = [] {
  std::array<const char*, kNameCount> names{};
  for (std::size_t i = 0; i < kNameCount; ++i) names[i] = kDefaultNames[i];
  return names;
}();

bool g_bound = false;
bool g_running = false;
std::uint32_t g_lastSession = 0;

// A start under way on a thread of its own, and what it came to.
struct BackgroundStart {
  HANDLE thread = nullptr;
  UINT32 version = 1;
  GpStatus status = Gdiplus::GdiplusNotInitialized;
  ULONG_PTR token = 0;
};
BackgroundStart g_background;
SRWLOCK g_backgroundLock = SRWLOCK_INIT;

// Says why the program cannot go on and ends it: on the console when there is one
// (a test or a script), otherwise in a message box.
[[noreturn]] void FatalBindingError(const std::string& text) {
  const std::string line = "Ornivex cannot start: " + text + "\n";
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  DWORD written = 0;
  const DWORD type = err && err != INVALID_HANDLE_VALUE ? GetFileType(err) : FILE_TYPE_UNKNOWN;
  if (type != FILE_TYPE_UNKNOWN) {
    WriteFile(err, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  } else {
    const std::wstring wide = GbkToWide(line);
    MessageBoxW(nullptr, wide.c_str(), L"Ornivex", MB_OK | MB_ICONERROR | MB_TASKMODAL);
  }
  ExitProcess(kBindingFailureExitCode);
}

// Binds gdiplus.dll once; a library or an entry point that is missing ends the program.
void EnsureBound() {
  if (g_bound) return;
  HMODULE dll = LoadLibraryW(L"gdiplus.dll");
  if (!dll) FatalBindingError("gdiplus.dll could not be loaded (error " + std::to_string(GetLastError()) + ").");
  if (const char* missing = BindFlatApi(dll, g_names, g_flat)) {
    FatalBindingError(std::string("gdiplus.dll has no entry point ") + missing + ".");
  }
  g_bound = true;
}

}  // namespace

std::span<const char* const> FlatFunctionNames() { return kDefaultNames; }

const char* BindFlatApi(HMODULE dll, std::span<const char* const> names, FlatApi& api) {
  if (names.size() != kNameCount) return "(binding table size mismatch)";
  std::size_t i = 0;
#define GFX_FLAT(name)                                                                \
  api.name = reinterpret_cast<decltype(api.name)>(reinterpret_cast<void*>(GetProcAddress(dll, names[i++]))); \
  if (!api.name) return names[i - 1];
#include "gfx/flat_functions.inc"
#undef GFX_FLAT
  return nullptr;
}

bool SubstituteFlatFunctionName(const char* name, const char* substitute) {
  for (std::size_t i = 0; i < kNameCount; ++i) {
    if (std::strcmp(kDefaultNames[i], name) == 0) {
      g_names[i] = substitute;
      return true;
    }
  }
  return false;
}

namespace {

GpStatus StartBound(UINT32 version, ULONG_PTR& token) {
  Gdiplus::GdiplusStartupInput input;
  input.GdiplusVersion = version ? version : 1;
  input.DebugEventCallback = nullptr;
  input.SuppressBackgroundThread = FALSE;
  input.SuppressExternalCodecs = FALSE;
  token = 0;
  return g_flat.GdiplusStartup(&token, &input, nullptr);
}

// The session a start opened, on the thread that awaits or makes it.
ULONG_PTR TakeStart(GpStatus status, ULONG_PTR token) {
  if (!StoreStatus(status)) return 0;
  g_gdiplusToken = token;
  g_running = true;
  ++g_lastSession;
  return token;
}

// The background start: the same calls as GdiplusStartup, then one Graphics made
// and dropped, with the flat functions alone (a wrapper object would wait for this
// very thread). Its outcome is taken by AwaitGdiplusStartup.
DWORD WINAPI StartInBackground(void*) {
  EnsureBound();
  g_background.status = StartBound(g_background.version, g_background.token);
  if (g_background.status != Gdiplus::Ok) return 0;
  if (HDC dc = CreateCompatibleDC(nullptr)) {
    Gdiplus::GpGraphics* graphics = nullptr;
    if (g_flat.GdipCreateFromHDC(dc, &graphics) == Gdiplus::Ok) g_flat.GdipDeleteGraphics(graphics);
    DeleteDC(dc);
  }
  return 0;
}

}  // namespace

ULONG_PTR GdiplusStartup(UINT32 version) {
  AwaitGdiplusStartup();
  EnsureBound();
  ULONG_PTR token = 0;
  const GpStatus status = StartBound(version, token);
  return TakeStart(status, token);
}

void GdiplusStartupInBackground(UINT32 version) {
  AcquireSRWLockExclusive(&g_backgroundLock);
  const bool idle = !g_gdiplusStarting.load() && !g_running;
  if (idle) {
    g_background = {};
    g_background.version = version;
    g_background.thread = CreateThread(nullptr, 0, StartInBackground, nullptr, 0, nullptr);
    if (g_background.thread) g_gdiplusStarting.store(true, std::memory_order_release);
  }
  const bool startHere = idle && !g_background.thread;
  ReleaseSRWLockExclusive(&g_backgroundLock);
  if (startHere) {
    TraceFailure(L"Starting GDI+ on a thread of its own; started at once");
    GdiplusStartup(version);
  }
}

ULONG_PTR AwaitGdiplusStartup() {
  if (!g_gdiplusStarting.load(std::memory_order_acquire)) return g_gdiplusToken;
  AcquireSRWLockExclusive(&g_backgroundLock);
  if (g_gdiplusStarting.load()) {
    WaitForSingleObject(g_background.thread, INFINITE);
    CloseHandle(g_background.thread);
    g_background.thread = nullptr;
    if (!TakeStart(g_background.status, g_background.token) && LastStatus != Gdiplus::Ok)
      TraceNote(L"GDI+ did not start");
    g_gdiplusStarting.store(false, std::memory_order_release);
  }
  ReleaseSRWLockExclusive(&g_backgroundLock);
  return g_gdiplusToken;
}

void GdiplusShutdown(ULONG_PTR token) {
  AwaitGdiplusStartup();
  if (!g_bound) return;
  if (token == 0) {
    token = g_gdiplusToken;
    g_gdiplusToken = 0;
    // Wine may run a session under token 0; it is still stopped once.
    if (token == 0 && !g_running) return;
  }
  g_running = false;
  g_flat.GdiplusShutdown(token);
}

bool GdiplusRunning() { return g_running; }

std::uint32_t GdiplusSession() { return g_running ? g_lastSession : 0; }

}  // namespace ornivex::gfx
