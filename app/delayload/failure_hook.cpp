// The delay-load helper's failure hook. Without it, a DLL loaded on first use that
// is missing, or that lacks a function, raises an exception and ends the program.
// With it, the call fails the way the function fails: a stub stands in for the
// function and returns 0 (FALSE, a null handle or pointer, nothing) or, for the
// functions that return an HRESULT, HRESULT_FROM_WIN32 of the error, and sets the
// thread's last error to ERROR_MOD_NOT_FOUND or ERROR_PROC_NOT_FOUND. The stub
// is stored in the import slot, so later calls go straight to it.
#include <windows.h>
#include <delayimp.h>
#include <oleauto.h>

#include <cstring>
#include <string>

#include "app/delayload/failure_hook.h"
#include "runtime/diagnostics.h"

// One stub stands for functions of every signature only because on x64 the
// caller passes the arguments in registers and removes its own stack arguments.
static_assert(sizeof(void*) == 8, "the stubs rely on the x64 calling convention");

namespace ornivex::delay_load {

namespace {

template <DWORD kError>
ULONG_PTR WINAPI FailWithZero() {
  SetLastError(kError);
  return 0;
}

template <DWORD kError>
HRESULT WINAPI FailWithHresult() {
  SetLastError(kError);
  return HRESULT_FROM_WIN32(kError);
}

// VariantInit cannot fail, and what its callers do next reads the variant: the
// stand-in does its work.
void WINAPI EmptyVariant(VARIANTARG* variant) {
  if (variant) variant->vt = VT_EMPTY;
}

bool ReturnsHresult(const char* name) {
  for (const char* listed : HresultFunctions())
    if (std::strcmp(listed, name) == 0) return true;
  return false;
}

// The handle handed back for a DLL that could not be loaded: this program's own,
// which exports nothing, so each function then asked of it fails on its own and
// gets its stub. Pinned, because the helper may free the handle it is given when
// two threads fail on the same DLL at once.
HMODULE StandInModule() {
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                     reinterpret_cast<LPCWSTR>(&StandInModule), &self);
  return self ? self : GetModuleHandleW(nullptr);
}

template <class F>
FARPROC AsProc(F* function) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(function));
}

FARPROC StubFor(const DelayLoadInfo& info, bool moduleMissing) {
  const char* name = info.dlp.fImportByName ? info.dlp.szProcName : nullptr;
  if (name && std::strcmp(name, "VariantInit") == 0) return AsProc(&EmptyVariant);
  const bool hresult = name && ReturnsHresult(name);
  if (moduleMissing)
    return hresult ? AsProc(&FailWithHresult<ERROR_MOD_NOT_FOUND>) : AsProc(&FailWithZero<ERROR_MOD_NOT_FOUND>);
  return hresult ? AsProc(&FailWithHresult<ERROR_PROC_NOT_FOUND>) : AsProc(&FailWithZero<ERROR_PROC_NOT_FOUND>);
}

// "<dll> <function>" for the trace.
void Trace(const wchar_t* what, const DelayLoadInfo& info) noexcept {
  try {
    std::string detail = info.szDll ? info.szDll : "?";
    if (info.dlp.fImportByName && info.dlp.szProcName) detail.append(" ").append(info.dlp.szProcName);
    TraceFailure(what, info.dwLastError, detail);
  } catch (...) {
    TraceFailure(what, info.dwLastError);
  }
}

FARPROC WINAPI OnDelayLoadFailure(unsigned notification, PDelayLoadInfo info) {
  if (!info) return nullptr;
  switch (notification) {
    case dliFailLoadLib:
      Trace(L"Loading a DLL on first use", *info);
      return reinterpret_cast<FARPROC>(StandInModule());
    case dliFailGetProc: {
      // After a failed load the function is sought in the stand-in; that failure
      // was traced with the load.
      const bool moduleMissing = info->hmodCur && info->hmodCur == StandInModule();
      if (!moduleMissing) Trace(L"Finding a function of a DLL loaded on first use", *info);
      return StubFor(*info, moduleMissing);
    }
    default:
      return nullptr;
  }
}

}  // namespace

}  // namespace ornivex::delay_load

// Defined here, it takes the place of the runtime library's empty one.
extern "C" {
PfnDliHook __pfnDliFailureHook2 = ornivex::delay_load::OnDelayLoadFailure;
}
