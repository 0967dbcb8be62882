#include "gfx/flat.h"

#include <array>
#include <cstring>
#include <string>

#include "runtime/codepage.h"

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
  // From the system folder only, never a gdiplus.dll beside the program.
  HMODULE dll = LoadLibraryExW(L"gdiplus.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
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

ULONG_PTR GdiplusStartup(UINT32 version) {
  EnsureBound();
  Gdiplus::GdiplusStartupInput input;
  input.GdiplusVersion = version ? version : 1;
  input.DebugEventCallback = nullptr;
  input.SuppressBackgroundThread = FALSE;
  input.SuppressExternalCodecs = FALSE;
  ULONG_PTR token = 0;
  if (!StoreStatus(g_flat.GdiplusStartup(&token, &input, nullptr))) return 0;
  g_gdiplusToken = token;
  g_running = true;
  ++g_lastSession;
  return token;
}

void GdiplusShutdown(ULONG_PTR token) {
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
