// The binding of gdiplus.dll: every entry point in the table exists in the real
// library, and a missing one stops start-up with its name.
#include "gfx/flat.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "gfx/pen.h"

namespace ornivex::gfx {
namespace {

TEST(Binding, EveryEntryPointOfTheTableResolves) {
  HMODULE dll = LoadLibraryW(L"gdiplus.dll");
  ASSERT_NE(dll, nullptr);
  const auto names = FlatFunctionNames();
  EXPECT_EQ(names.size() * sizeof(void*), sizeof(FlatApi));
  std::set<std::string> unique;
  for (const char* name : names) {
    EXPECT_NE(GetProcAddress(dll, name), nullptr) << name;
    EXPECT_TRUE(unique.insert(name).second) << name << " is listed twice";
  }
  FlatApi api{};
  EXPECT_EQ(BindFlatApi(dll, names, api), nullptr);
  // Every slot is filled, and with the export of its own name.
  EXPECT_EQ(reinterpret_cast<void*>(api.GdipCreatePath), reinterpret_cast<void*>(GetProcAddress(dll, "GdipCreatePath")));
  EXPECT_EQ(reinterpret_cast<void*>(api.GdiplusShutdown), reinterpret_cast<void*>(GetProcAddress(dll, "GdiplusShutdown")));
  const auto* slots = reinterpret_cast<void* const*>(&api);
  for (size_t i = 0; i < names.size(); ++i) EXPECT_NE(slots[i], nullptr) << names[i];
}

TEST(Binding, ReportsTheFirstMissingName) {
  HMODULE dll = LoadLibraryW(L"gdiplus.dll");
  ASSERT_NE(dll, nullptr);
  std::vector<const char*> names(FlatFunctionNames().begin(), FlatFunctionNames().end());
  names[names.size() / 2] = "GdipNoSuchFunction";
  names.back() = "GdipNorThisOne";
  FlatApi api{};
  EXPECT_STREQ(BindFlatApi(dll, names, api), "GdipNoSuchFunction");
  names.pop_back();
  EXPECT_NE(BindFlatApi(dll, names, api), nullptr);  // a table of the wrong size never binds
}

TEST(BindingDeathTest, MissingEntryPointEndsStartUpNamingIt) {
  EXPECT_TRUE(SubstituteFlatFunctionName("GdipCreatePath", "GdipCreatePathX"));
  EXPECT_FALSE(SubstituteFlatFunctionName("GdipNotInTheTable", "x"));
  EXPECT_EXIT(
      {
        GdiplusStartup();
        std::exit(0);  // never reached
      },
      ::testing::ExitedWithCode(kBindingFailureExitCode), "has no entry point GdipCreatePathX");
  SubstituteFlatFunctionName("GdipCreatePath", "GdipCreatePath");
}

TEST(Startup, TokenIsKeptAndStopClearsIt) {
  const ULONG_PTR token = GdiplusStartup();
  ASSERT_EQ(LastStatus, Gdiplus::Ok);
  EXPECT_TRUE(GdiplusRunning());
  EXPECT_EQ(g_gdiplusToken, token);
  // The entry points are bound and usable now.
  Gdiplus::GpPath* path = nullptr;
  EXPECT_EQ(g_flat.GdipCreatePath(Gdiplus::FillModeAlternate, &path), Gdiplus::Ok);
  EXPECT_EQ(g_flat.GdipDeletePath(path), Gdiplus::Ok);
  GdiplusShutdown();
  EXPECT_FALSE(GdiplusRunning());
  EXPECT_EQ(g_gdiplusToken, 0u);
  GdiplusShutdown();  // a second stop does nothing
  // Version 0 means version 1.
  GdiplusStartup(0);
  EXPECT_EQ(LastStatus, Gdiplus::Ok);
  GdiplusShutdown();
}

TEST(Startup, ObjectsOfAnEndedSessionAreNeverReleasedIntoTheNextOne) {
  GdiplusStartup();
  ASSERT_EQ(LastStatus, Gdiplus::Ok);
  const std::uint32_t first = GdiplusSession();
  Pen pen;
  ASSERT_TRUE(pen.CreatePen1(0xFFFF0000, 1.0f, 0));
  EXPECT_TRUE(pen.OwnsNative());
  GdiplusShutdown();
  GdiplusStartup();
  ASSERT_EQ(LastStatus, Gdiplus::Ok);
  EXPECT_NE(GdiplusSession(), first);
  EXPECT_FALSE(pen.OwnsNative());
  EXPECT_FALSE(pen.DeletePen());  // no call with the dead handle
  EXPECT_EQ(LastStatus, Gdiplus::GdiplusNotInitialized);
  EXPECT_TRUE(pen.Empty());
  GdiplusShutdown();
}

}  // namespace
}  // namespace ornivex::gfx
