#include "app/delayload/dll_search.h"

#include <windows.h>

#include "runtime/diagnostics.h"

namespace ornivex {

void LoadDllsFromSystemFolderOnly() {
  // Looked up rather than imported, so that a system without it still starts.
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (!setDefault || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    TraceFailure(L"Limiting the DLL search to the system folder");
    SetDllDirectoryW(L"");
  }
  // The first paint needs msimg32 anyway, and a system DLL may load it by name on
  // its own before the program does, by a way that does not follow the default
  // directories (Wine's uxtheme does): loaded now from System32, it is the one
  // every later load by that name gets. Never freed.
  if (!LoadLibraryExW(L"msimg32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))
    TraceFailure(L"Loading msimg32.dll from the system folder");
}

}  // namespace ornivex
