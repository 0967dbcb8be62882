// Starts the real Ornivex.exe and checks its main window from outside.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "resources/resource_ids.h"
#include "runtime/handles.h"
#include "runtime/picture_decode.h"

namespace {

// The build gives the Linux path; Wine sees the Linux root as drive Z:.
std::wstring ProgramPath() {
  std::string path = ORNIVEX_EXE;
  std::wstring wide(path.begin(), path.end());
  if (!wide.empty() && wide[0] == L'/') wide = L"Z:" + wide;
  for (wchar_t& c : wide)
    if (c == L'/') c = L'\\';
  return wide;
}

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

  const std::string version = Resource(MAKEINTRESOURCEW(1), RT_VERSION);
  const std::wstring wide(reinterpret_cast<const wchar_t*>(version.data()), version.size() / 2);
  EXPECT_NE(wide.find(L"Ornivex.exe"), std::wstring::npos);
  EXPECT_NE(wide.find(L"ProductVersion"), std::wstring::npos);
}
