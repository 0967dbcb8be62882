#include "runtime/files.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/support/debug_output.h"

namespace ornivex {
namespace {

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = ExecutableDirectory() + L"\\files_test_" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder_.c_str(), nullptr);
  }
  void TearDown() override {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder_ + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring path = folder_ + L"\\" + found.cFileName;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          RemoveDirectoryW(path.c_str());
        else
          DeleteFileW(path.c_str());
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
    RemoveDirectoryW(folder_.c_str());
  }
  std::wstring Path(const wchar_t* name) const { return folder_ + L"\\" + name; }
  int FilesInFolder() const {
    int count = 0;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder_ + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++count;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
  }

  std::wstring folder_;
};

TEST_F(FilesTest, WholeFileRoundTripKeepsEveryByte) {
  const std::string bytes("a\0b\x1A\xFF\r\n", 7);
  ASSERT_TRUE(WriteWholeFile(Path(L"a.bin"), bytes));
  EXPECT_EQ(ReadWholeFile(Path(L"a.bin")), bytes);
  // A shorter write replaces the file rather than overwriting its head.
  ASSERT_TRUE(WriteWholeFile(Path(L"a.bin"), "xy"));
  EXPECT_EQ(ReadWholeFile(Path(L"a.bin")), "xy");
  ASSERT_TRUE(WriteWholeFile(Path(L"empty.bin"), ""));
  EXPECT_EQ(ReadWholeFile(Path(L"empty.bin")), "");
}

TEST_F(FilesTest, MissingFilesAndFoldersAreReported) {
  {
    // To developers too: one line on the debugger's output with the error.
    testing::DebugOutput output;
    EXPECT_EQ(ReadWholeFile(Path(L"missing.bin")), std::nullopt);
    const auto lines = output.Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].starts_with("Ornivex: Opening a file to read failed: error 2 ")) << lines[0];
  }
  EXPECT_FALSE(FileExists(Path(L"missing.bin")));
  EXPECT_FALSE(WriteWholeFile(Path(L"no-such-folder\\x.bin"), "x"));
  CreateDirectoryW(Path(L"dir").c_str(), nullptr);
  EXPECT_FALSE(FileExists(Path(L"dir")));
  EXPECT_FALSE(WriteWholeFile(Path(L"dir"), "x"));
}

TEST_F(FilesTest, WriteThatFailsPartWayLeavesTheOldFileWhole) {
  // The bytes to write end in a page that cannot be read, so the write stops
  // after the first page.
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  const std::size_t page = system.dwPageSize;
  auto* memory = static_cast<char*>(VirtualAlloc(nullptr, 2 * page, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  ASSERT_NE(memory, nullptr);
  std::memset(memory, 'n', page);
  DWORD old = 0;
  ASSERT_TRUE(VirtualProtect(memory + page, page, PAGE_NOACCESS, &old));
  const std::string_view unreadable(memory, 2 * page);

  ASSERT_TRUE(WriteWholeFile(Path(L"3.txt"), "old text"));
  EXPECT_FALSE(WriteWholeFile(Path(L"3.txt"), unreadable));
  EXPECT_EQ(ReadWholeFile(Path(L"3.txt")), "old text");
  EXPECT_FALSE(WriteWholeFile(Path(L"4.txt"), unreadable));
  EXPECT_FALSE(FileExists(Path(L"4.txt")));
  EXPECT_EQ(FilesInFolder(), 1);
  VirtualFree(memory, 0, MEM_RELEASE);
}

TEST_F(FilesTest, ReplacingContentLeavesNoTemporaryFile) {
  ASSERT_TRUE(WriteWholeFile(Path(L"log"), std::string(1000, 'o')));
  ASSERT_TRUE(WriteWholeFile(Path(L"log"), "new"));
  EXPECT_EQ(ReadWholeFile(Path(L"log")), "new");
  EXPECT_EQ(FilesInFolder(), 1);
  // A file that does not exist yet is created.
  ASSERT_TRUE(WriteWholeFile(Path(L"fresh"), "first"));
  EXPECT_EQ(ReadWholeFile(Path(L"fresh")), "first");
}

TEST_F(FilesTest, ReadOnlyFileIsNotReplaced) {
  ASSERT_TRUE(WriteWholeFile(Path(L"log"), "old"));
  SetFileAttributesW(Path(L"log").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(WriteWholeFile(Path(L"log"), "new"));
  EXPECT_EQ(ReadWholeFile(Path(L"log")), "old");
  EXPECT_EQ(FilesInFolder(), 1);
}

TEST_F(FilesTest, FailedTemporaryWriteKeepsTheOldContent) {
  ASSERT_TRUE(WriteWholeFile(Path(L"log"), "old"));
  // The temporary file cannot be created: a folder stands in its place.
  const std::wstring temp = Path(L"log") + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  ASSERT_TRUE(CreateDirectoryW(temp.c_str(), nullptr));
  EXPECT_FALSE(WriteWholeFile(Path(L"log"), "new"));
  EXPECT_EQ(ReadWholeFile(Path(L"log")), "old");
  RemoveDirectoryW(temp.c_str());
  // A stale temporary file of the same name, longer than the new content, is
  // overwritten and consumed, not mixed into the result.
  ASSERT_TRUE(WriteWholeFile(temp, std::string(5000, 'z')));
  ASSERT_TRUE(WriteWholeFile(Path(L"log"), "new"));
  EXPECT_EQ(ReadWholeFile(Path(L"log")), "new");
  EXPECT_FALSE(FileExists(temp));
}

TEST(Folders, ExecutableAndDesktopFoldersExist) {
  const std::wstring exe = ExecutableDirectory();
  ASSERT_FALSE(exe.empty());
  EXPECT_NE(exe.back(), L'\\');
  EXPECT_NE(GetFileAttributesW(exe.c_str()), INVALID_FILE_ATTRIBUTES);
  const std::wstring desktop = DesktopDirectory();
  ASSERT_FALSE(desktop.empty());
  EXPECT_NE(GetFileAttributesW(desktop.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace ornivex
