// empty.exe as a user runs it, and TrimWorkingSet with "windir" pointing at a
// test folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <vector>

#include "app/working_set.h"
#include "runtime/files.h"
#include "runtime/handles.h"

namespace ornivex {

extern const unsigned char kEmptyToolImage[];
extern const std::size_t kEmptyToolImageSize;

namespace {

// The build gives Linux paths; Wine sees the Linux root as drive Z:.
std::wstring WinePath(const char* path) {
  std::wstring wide(path, path + std::char_traits<char>::length(path));
  for (wchar_t& c : wide)
    if (c == L'/') c = L'\\';
  return wide[0] == L'\\' ? L"Z:" + wide : wide;
}

struct ToolRun {
  DWORD code = 0;
  std::string output;
};

ToolRun RunTool(const std::wstring& arguments) {
  SECURITY_ATTRIBUTES inherit = {};
  inherit.nLength = sizeof inherit;
  inherit.bInheritHandle = TRUE;
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  EXPECT_TRUE(CreatePipe(&readEnd, &writeEnd, &inherit, 0));
  UniqueHandle reader(readEnd), writer(writeEnd);
  SetHandleInformation(reader.Get(), HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  startup.hStdOutput = startup.hStdError = writer.Get();
  std::wstring command = L"empty.exe" + arguments;
  PROCESS_INFORMATION started = {};
  ToolRun run;
  const std::wstring tool = WinePath(EMPTY_TOOL);
  if (!CreateProcessW(tool.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &started)) {
    ADD_FAILURE() << "cannot start empty.exe: " << GetLastError();
    return run;
  }
  UniqueHandle thread(started.hThread), process(started.hProcess);
  writer.Reset();
  char buffer[512];
  DWORD got = 0;
  while (ReadFile(reader.Get(), buffer, sizeof buffer, &got, nullptr) && got) run.output.append(buffer, got);
  WaitForSingleObject(process.Get(), INFINITE);
  GetExitCodeProcess(process.Get(), &run.code);
  return run;
}

TEST(EmptyTool, TrimsAProcessByIdAndEveryProcessOfATaskName) {
  // A suspended copy of this test program is a process the tool may open.
  wchar_t self[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  std::wstring command = L"child";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  ASSERT_TRUE(CreateProcessW(self, command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                             &startup, &started));
  UniqueHandle thread(started.hThread), child(started.hProcess);
  struct End {
    HANDLE process;
    ~End() { TerminateProcess(process, 0); }
  } end{child.Get()};

  ToolRun byId = RunTool(L" " + std::to_wstring(started.dwProcessId));
  EXPECT_EQ(byId.code, 0u);
  EXPECT_EQ(byId.output, "");

  // The child and this program share the name; letter case does not matter.
  std::wstring name = std::wstring(self).substr(std::wstring(self).find_last_of(L'\\') + 1);
  for (wchar_t& c : name) c = std::towupper(c);
  ToolRun byName = RunTool(L" " + name);
  EXPECT_EQ(byName.code, 0u);
  EXPECT_EQ(byName.output, "");

  ToolRun nobody = RunTool(L" \"no such task.exe\"");
  EXPECT_NE(nobody.code, 0u);
  EXPECT_EQ(nobody.output, "no running process is named no such task.exe\n");
}

TEST(EmptyTool, TellsAWrongCommandLineFromAProcessItCannotTrim) {
  ToolRun bare = RunTool(L"");
  EXPECT_NE(bare.code, 0u);
  EXPECT_EQ(bare.output, "missing pid or task name\nUSAGE: empty.exe {pid | task-name}\n");

  ToolRun twice = RunTool(L" 12 34");
  EXPECT_NE(twice.code, 0u);
  EXPECT_EQ(twice.output, "USAGE: empty.exe {pid | task-name}\n");

  ToolRun bogus = RunTool(L" 99999996");
  EXPECT_NE(bogus.code, 0u);
  EXPECT_EQ(bogus.output, "could not empty working set for process #99999996\n");
}

class TrimWorkingSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    folder_ = std::wstring(temp) + L"ornivex windir " + std::to_wstring(GetCurrentProcessId());
    Clear();
    ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
    wchar_t windir[MAX_PATH] = {};
    hadWindir_ = GetEnvironmentVariableW(L"windir", windir, MAX_PATH) > 0;
    windir_ = windir;
    SetEnvironmentVariableW(L"windir", folder_.c_str());
    tool_ = folder_ + L"\\empty.exe";
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"windir", hadWindir_ ? windir_.c_str() : nullptr);
    Clear();
  }
  void Clear() {
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
  static std::string Image() { return std::string(reinterpret_cast<const char*>(kEmptyToolImage), kEmptyToolImageSize); }

  std::wstring folder_, tool_, windir_;
  bool hadWindir_ = false;
};

TEST_F(TrimWorkingSetTest, PlacesTheToolOnceThenRunsWhateverIsInPlaceWithTheProcessId) {
  TrimWorkingSet();
  EXPECT_EQ(ReadWholeFile(tool_), Image());
  EXPECT_EQ(Files(), std::vector<std::wstring>{L"empty.exe"});

  const std::wstring recorder = WinePath(RECORD_COMMAND_LINE);
  ASSERT_TRUE(CopyFileW(recorder.c_str(), tool_.c_str(), FALSE));
  TrimWorkingSet();
  TrimWorkingSet();
  EXPECT_EQ(ReadWholeFile(tool_), ReadWholeFile(recorder));
  // Each call ran the tool to its end, with the path quoted (the folder has spaces).
  const std::string record = ReadWholeFile(tool_ + L".args").value_or("");
  const std::wstring line = L"\"" + tool_ + L"\" " + std::to_wstring(GetCurrentProcessId()) + L"\n";
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(record.data()), record.size() / 2), line + line);
}

TEST_F(TrimWorkingSetTest, ThreadsStartedTogetherPlaceOneWholeTool) {
  std::vector<UniqueHandle> threads;
  std::vector<HANDLE> handles;
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back(CreateThread(nullptr, 0, TrimWorkingSetThread, nullptr, 0, nullptr));
    ASSERT_TRUE(threads.back());
    handles.push_back(threads.back().Get());
  }
  ASSERT_EQ(WaitForMultipleObjects(4, handles.data(), TRUE, 60000), WAIT_OBJECT_0);
  EXPECT_EQ(ReadWholeFile(tool_), Image());
  EXPECT_EQ(Files(), std::vector<std::wstring>{L"empty.exe"});  // no temporary file left behind
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
