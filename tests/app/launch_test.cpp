// Starts the real Ornivex.exe and checks its main window from outside.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "runtime/handles.h"
#include "runtime/picture_decode.h"

namespace {

// The build gives the Linux path; Wine sees the Linux root as drive Z:.
std::wstring WindowsPath(std::string path) {
  std::wstring wide(path.begin(), path.end());
  if (!wide.empty() && wide[0] == L'/') wide = L"Z:" + wide;
  for (wchar_t& c : wide)
    if (c == L'/') c = L'\\';
  return wide;
}
std::wstring ProgramPath() { return WindowsPath(ORNIVEX_EXE); }

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
  ornivex::UniqueHandle thread(process.hThread);
  ornivex::UniqueHandle program(process.hProcess);
  // A failed check must not leave the program running into the next test.
  struct EndIfRunning {
    HANDLE process;
    ~EndIfRunning() {
      if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) TerminateProcess(process, 1);
    }
  } endIfRunning{program.Get()};

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
  ASSERT_EQ(WaitForSingleObject(program.Get(), 15000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(program.Get(), &code);
  EXPECT_EQ(code, 0u);
}

// Every DLL the process has loaded, by its full path, in lower case.
std::vector<std::wstring> LoadedModules(DWORD process) {
  std::vector<std::wstring> paths;
  ornivex::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process));
  if (!snapshot || snapshot.Get() == INVALID_HANDLE_VALUE) return paths;
  MODULEENTRY32W entry = {sizeof entry};
  for (BOOL more = Module32FirstW(snapshot.Get(), &entry); more; more = Module32NextW(snapshot.Get(), &entry)) {
    std::wstring path = entry.szExePath;
    for (wchar_t& c : path) c = static_cast<wchar_t>(towlower(c));
    paths.push_back(path);
  }
  return paths;
}

// A portable copy unpacked into a folder where someone left DLLs named like the
// system's: the program loads the system's own, never those. Wine loads its
// builtin DLLs whatever lies beside a program; the override makes it search the
// program's folder first, as Windows does for a DLL loaded by its bare name,
// and then a DLL of Wine's own shows under the path it was sought at: the planted
// DLL's mark tells the two apart.
TEST(Launch, DllsNamedLikeTheSystemsBesideTheProgramAreNotLoaded) {
  wchar_t temp[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
  const std::wstring folder = std::wstring(temp) + L"ornivex-planted";
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring program = folder + L"\\Ornivex.exe";
  ASSERT_TRUE(CopyFileW(ProgramPath().c_str(), program.c_str(), FALSE));
  const wchar_t* const planted[] = {L"winhttp.dll", L"msimg32.dll", L"gdiplus.dll"};
  for (const wchar_t* name : planted) {
    const std::wstring dll = folder + L"\\" + name;
    DeleteFileW((dll + L".loaded").c_str());
    ASSERT_TRUE(CopyFileW(WindowsPath(PLANTED_DLL).c_str(), dll.c_str(), FALSE));
  }

  // Wine's own setting, for programs of this name only, while the test runs.
  static constexpr wchar_t kAppDefaults[] = L"Software\\Wine\\AppDefaults\\Ornivex.exe";
  HKEY overrides = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(kAppDefaults) + L"\\DllOverrides").c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &overrides,
                            nullptr),
            ERROR_SUCCESS);
  for (const wchar_t* name : {L"winhttp", L"msimg32", L"gdiplus"})
    RegSetValueExW(overrides, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(L"native,builtin"),
                   sizeof L"native,builtin");
  RegCloseKey(overrides);
  struct DropOverrides {
    ~DropOverrides() { RegDeleteTreeW(HKEY_CURRENT_USER, kAppDefaults); }
  } dropOverrides;
  std::wstring command = L"\"" + program + L"\"";
  STARTUPINFOW startup = {sizeof startup};
  PROCESS_INFORMATION process = {};
  const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                                      &startup, &process);
  ASSERT_TRUE(started) << GetLastError();
  ornivex::UniqueHandle thread(process.hThread), running(process.hProcess);

  // The token fetch loads winhttp and the first paint msimg32 and GDI+: once the
  // three are there, it is known where each came from.
  std::vector<std::wstring> modules;
  const auto loaded = [&](const wchar_t* name) {
    for (const std::wstring& path : modules)
      if (path.size() > wcslen(name) && path.ends_with(std::wstring(L"\\") + name)) return true;
    return false;
  };
  for (int i = 0; i < 300; ++i) {
    modules = LoadedModules(process.dwProcessId);
    if (loaded(L"winhttp.dll") && loaded(L"msimg32.dll") && loaded(L"gdiplus.dll")) break;
    if (WaitForSingleObject(running.Get(), 50) == WAIT_OBJECT_0) break;
  }
  for (const wchar_t* name : {L"winhttp.dll", L"msimg32.dll", L"gdiplus.dll"})
    EXPECT_TRUE(loaded(name)) << name << " was never loaded";
  Found found{process.dwProcessId, nullptr};
  EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&found));
  if (found.window) PostMessageW(found.window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(running.Get(), 15000) != WAIT_OBJECT_0) TerminateProcess(running.Get(), 1);
  DWORD code = 1;
  GetExitCodeProcess(running.Get(), &code);
  EXPECT_EQ(code, 0u);
  for (const wchar_t* name : planted)
    EXPECT_EQ(GetFileAttributesW((folder + L"\\" + name + L".loaded").c_str()), INVALID_FILE_ATTRIBUTES)
        << "the " << name << " beside the program was loaded";
}

}  // namespace

// The program's own resources, read from Ornivex.exe as a data file.
class ProgramResources : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryExW(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override { FreeLibrary(module_); }
  std::string Resource(LPCWSTR name, LPCWSTR type) const {
    HRSRC found = FindResourceW(module_, name, type);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module_, found);
    return std::string(static_cast<const char*>(LockResource(loaded)), SizeofResource(module_, found));
  }
  HMODULE module_ = nullptr;
};

#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE width, height, colours, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

std::uint8_t AlphaAt(const ornivex::Picture& p, int x, int y) { return p.bgra[(y * p.width + x) * 4 + 3]; }

TEST_F(ProgramResources, IconIsA512PixelDiscWithSmallerSizes) {
  const std::string group = Resource(MAKEINTRESOURCEW(ORNIVEX_IDI_APP), RT_GROUP_ICON);
  ASSERT_GE(group.size(), 6u);
  WORD count = 0;
  std::memcpy(&count, group.data() + 4, 2);
  ASSERT_EQ(group.size(), 6u + count * sizeof(GroupIconEntry));
  bool found512 = false;
  std::set<int> sizes;
  for (WORD i = 0; i < count; ++i) {
    GroupIconEntry entry;
    std::memcpy(&entry, group.data() + 6 + i * sizeof entry, sizeof entry);
    EXPECT_EQ(entry.bitCount, 32);
    const std::string image = Resource(MAKEINTRESOURCEW(entry.id), RT_ICON);
    ASSERT_EQ(image.size(), entry.bytes);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(image.data());
    if (ornivex::SniffPictureFormat({bytes, image.size()}) == ornivex::PictureFormat::Png) {
      auto picture = ornivex::DecodePng({bytes, image.size()});
      ASSERT_TRUE(picture);
      sizes.insert(picture->width);
      if (picture->width != 512) continue;
      found512 = true;
      EXPECT_EQ(picture->height, 512);
      // Circular mask: clear corners and edges beyond the disc, opaque centre.
      EXPECT_EQ(AlphaAt(*picture, 0, 0), 0);
      EXPECT_EQ(AlphaAt(*picture, 511, 511), 0);
      EXPECT_EQ(AlphaAt(*picture, 40, 40), 0);
      EXPECT_EQ(AlphaAt(*picture, 256, 256), 255);
      EXPECT_EQ(AlphaAt(*picture, 256, 20), 255);
      EXPECT_EQ(AlphaAt(*picture, 20, 256), 255);
    } else {
      sizes.insert(entry.width);
    }
  }
  EXPECT_TRUE(found512);
  EXPECT_TRUE(sizes.count(256) && sizes.count(48) && sizes.count(32) && sizes.count(16));
  // The caption icon at 100, 150 and 200 %.
  EXPECT_TRUE(sizes.count(17) && sizes.count(26) && sizes.count(34));
}

TEST_F(ProgramResources, ManifestAndVersionAreEmbedded) {
  const std::string manifest = Resource(MAKEINTRESOURCEW(1), RT_MANIFEST);
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
  EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
  EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);
  EXPECT_NE(manifest.find("<longPathAware xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">true<"),
            std::string::npos);

  const std::string version = Resource(MAKEINTRESOURCEW(1), RT_VERSION);
  const std::wstring wide(reinterpret_cast<const wchar_t*>(version.data()), version.size() / 2);
  EXPECT_NE(wide.find(L"Ornivex.exe"), std::wstring::npos);
  EXPECT_NE(wide.find(L"ProductVersion"), std::wstring::npos);
}
