// A program that loads DLLs on first use (app/delayload) goes on when a DLL is
// missing or lacks a function: each such call fails the way the function fails,
// with the Windows error set, every time it is made.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <functional>

// Imports of the test's own delay-load libraries (tests/app/delayload/*.def).
extern "C" {
__declspec(dllimport) ULONG_PTR WINAPI NoSuchCount(int a, int b, int c, int d, int e);
__declspec(dllimport) HRESULT WINAPI NoSuchCreate(const wchar_t* name, void** out);
__declspec(dllimport) ULONG_PTR WINAPI OrnivexNoSuchFunction();
}

namespace {

struct FailedCall {
  const char* what;
  std::function<long long()> call;
  long long result;
  DWORD error;
};

TEST(DelayLoad, CallsIntoWhatCannotBeLoadedFailAndReturn) {
  void* object = reinterpret_cast<void*>(1);
  const FailedCall calls[] = {
      {"a function of a missing DLL", [] { return static_cast<long long>(NoSuchCount(1, 2, 3, 4, 5)); }, 0,
       ERROR_MOD_NOT_FOUND},
      {"an HRESULT function of a missing DLL", [&] { return static_cast<long long>(NoSuchCreate(L"x", &object)); },
       HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND), ERROR_MOD_NOT_FOUND},
      {"a function a present DLL lacks", [] { return static_cast<long long>(OrnivexNoSuchFunction()); }, 0,
       ERROR_PROC_NOT_FOUND},
  };
  for (const FailedCall& c : calls) {
    for (int round = 1; round <= 2; ++round) {  // the first call goes through the helper, the second not
      SetLastError(0);
      EXPECT_EQ(c.call(), c.result) << c.what << ", call " << round;
      EXPECT_EQ(GetLastError(), c.error) << c.what << ", call " << round;
    }
  }
  EXPECT_EQ(object, reinterpret_cast<void*>(1)) << "a failed call writes nothing";
}

TEST(DelayLoad, VariantInitWithoutItsDllStillEmptiesTheVariant) {
  VARIANT v;
  v.vt = VT_BSTR;
  VariantInit(&v);  // resolved to the missing DLL of missing_dll.def
  EXPECT_EQ(v.vt, VT_EMPTY);
}

}  // namespace
