// empty.exe as a user runs it, and TrimWorkingSet with "windir" pointing at a
// test folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <cwctype>
#include <string>
#include <utility>
#include <vector>

#include "app/working_set.h"
#include "runtime/files.h"
#include "runtime/handles.h"

namespace ornivex {

extern const unsigned char kEmptyToolImage[];
extern const std::size_t kEmptyToolImageSize;

namespace {

// The build gives Linux paths; Wine sees the Linux root as drive Z:.
std::wstring WinePath(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return L"Z:" + std::wstring(path.begin(), path.end());
}

// Runs empty.exe with `arguments`; its exit code and what it printed.
std::pair<DWORD, std::string> RunTool(const std::wstring& arguments) {
  SECURITY_ATTRIBUTES inherit = {};
  inherit.nLength = sizeof inherit;
  inherit.bInheritHandle = TRUE;
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  EXPECT_TRUE(CreatePipe(&readEnd, &writeEnd, &inherit, 0));
  UniqueHandle reader(readEnd), writer(writeEnd);
  SetHandleInformation(reader.Get(), HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = writer.Get();
  std::wstring command = L"empty.exe" + arguments;
  PROCESS_INFORMATION started = {};
  const BOOL ran = CreateProcessW(WinePath(EMPTY_TOOL).c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                  nullptr, &startup, &started);
  EXPECT_TRUE(ran) << GetLastError();
  if (!ran) return {~0u, {}};
  UniqueHandle thread(started.hThread), process(started.hProcess);
  writer.Reset();
  std::string output;
  char buffer[512];
  DWORD got = 0;
  while (ReadFile(reader.Get(), buffer, sizeof buffer, &got, nullptr) && got) output.append(buffer, got);
  DWORD code = ~0u;
  WaitForSingleObject(process.Get(), INFINITE);
  GetExitCodeProcess(process.Get(), &code);
  return {code, output};
}

TEST(EmptyTool, TrimsByIdAndByTaskNameAndSaysWhatWentWrong) {
  using Result = std::pair<DWORD, std::string>;
  EXPECT_EQ(RunTool(L" " + std::to_wstring(GetCurrentProcessId())), Result(0, ""));
  // This test program by its file name, in other letter case.
  wchar_t self[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  std::wstring name = wcsrchr(self, L'\\') + 1;
  for (wchar_t& c : name) c = std::towupper(c);
  EXPECT_EQ(RunTool(L" " + name), Result(0, ""));

  EXPECT_EQ(RunTool(L""), Result(1, "missing pid or task name\nUSAGE: empty.exe {pid | task-name}\n"));
  EXPECT_EQ(RunTool(L" 99999996"), Result(2, "could not empty working set for process #99999996\n"));
  EXPECT_EQ(RunTool(L" nosuch.exe"), Result(2, "no running process is named nosuch.exe\n"));
}

class TrimWorkingSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    folder_ = std::wstring(temp) + L"ornivex windir " + std::to_wstring(GetCurrentProcessId());
    tool_ = folder_ + L"\\empty.exe";
    TearDown();
    ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
    SetEnvironmentVariableW(L"windir", folder_.c_str());
  }
  void TearDown() override {
    for (const std::wstring& name : Files()) DeleteFileW((folder_ + L"\\" + name).c_str());
    RemoveDirectoryW(folder_.c_str());
  }
  std::vector<std::wstring> Files() const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder_ + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
  }
  const std::string image_{reinterpret_cast<const char*>(kEmptyToolImage), kEmptyToolImageSize};
  std::wstring folder_, tool_;
};

TEST_F(TrimWorkingSetTest, PlacesTheToolOnceThenRunsWhateverIsInPlaceWithTheProcessId) {
  TrimWorkingSet();
  EXPECT_EQ(ReadWholeFile(tool_), image_);

  const std::wstring recorder = WinePath(RECORD_COMMAND_LINE);
  ASSERT_TRUE(CopyFileW(recorder.c_str(), tool_.c_str(), FALSE));
  TrimWorkingSet();
  TrimWorkingSet();
  EXPECT_EQ(ReadWholeFile(tool_), ReadWholeFile(recorder));
  // Each call ran the tool to its end, its path quoted (the folder has spaces).
  const std::string record = ReadWholeFile(tool_ + L".args").value_or("");
  const std::wstring line = L"\"" + tool_ + L"\" " + std::to_wstring(GetCurrentProcessId()) + L"\n";
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(record.data()), record.size() / 2), line + line);
}

TEST_F(TrimWorkingSetTest, ThreadsStartedTogetherPlaceOneWholeToolAndNoTemporaryFile) {
  HANDLE threads[4];
  for (HANDLE& thread : threads)
    ASSERT_TRUE(thread = CreateThread(nullptr, 0, TrimWorkingSetThread, nullptr, 0, nullptr));
  EXPECT_EQ(WaitForMultipleObjects(4, threads, TRUE, 60000), WAIT_OBJECT_0);
  for (HANDLE thread : threads) CloseHandle(thread);
  EXPECT_EQ(ReadWholeFile(tool_), image_);
  EXPECT_EQ(Files(), std::vector<std::wstring>{L"empty.exe"});
}

TEST_F(TrimWorkingSetTest, WithoutAWindowsFolderItWritesAndRunsNothing) {
  const std::wstring missing = folder_ + L"\\missing";
  SetEnvironmentVariableW(L"windir", missing.c_str());
  TrimWorkingSet();
  EXPECT_EQ(GetFileAttributesW(missing.c_str()), INVALID_FILE_ATTRIBUTES);
  SetEnvironmentVariableW(L"windir", nullptr);
  TrimWorkingSet();
  EXPECT_TRUE(Files().empty());
}

}  // namespace
}  // namespace ornivex
