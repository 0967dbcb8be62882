// Saving the result to the desktop and the activity log beside the executable.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/application.h"
#include "app/texts.h"
#include "message_box_catcher.h"
#include "runtime/codepage.h"
#include "runtime/controls.h"
#include "runtime/files.h"

namespace ornivex {
namespace {

using testing::MessageBoxCatcher;

const wchar_t kEmptyText[] = L"\u8ba9\u6211\u7ed9\u4f60\u4fdd\u5b58\u4e00\u4e2a\u7a7a\u6587\u4ef6\u5417?/(\u3112o\u3112)/~~";
const wchar_t kEmptyCaption[] = L"(\uffe2\ufe3f\uffe2??\u2606)";
const wchar_t kSavedPrefix[] = L"\u6587\u4ef6\u5df2\u7ecf\u4fdd\u5b58\u5230\u684c\u9762\u2014\u2014";
const wchar_t kNotice[] = L"\u63d0\u793a";
const wchar_t kFailed[] = L"\u4fdd\u5b58\u6587\u4ef6\u5931\u8d25\uff01";

class ShellFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(StartApplication());
    main_ = App().mainWindow->Handle();
    desktop_ = DesktopDirectory();
    ASSERT_FALSE(desktop_.empty());
    log_ = ExecutableDirectory() + L"\\ZezAziz.log";
    RemoveLog();
  }
  void TearDown() override {
    RemoveLog();
    StopApplication();
  }
  void RemoveLog() {
    SetFileAttributesW(log_.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(log_.c_str());
  }
  std::wstring ResultPath(int number) const { return desktop_ + L"\\" + std::to_wstring(number) + L".txt"; }
  void Choose(std::string fileName, int number) {
    App().state.pictureFileName = std::move(fileName);
    App().state.pictureNumber = number;
    UpdateActivityLog();
  }
  int FilesBesideLog() const {
    int count = 0;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((log_ + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do ++count;
    while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
  }

  HWND main_ = nullptr;
  std::wstring desktop_;
  std::wstring log_;
};

TEST_F(ShellFilesTest, EmptyResultAsksAndWritesNothing) {
  App().state.resultNumber = 770001;
  DeleteFileW(ResultPath(770001).c_str());
  MessageBoxCatcher catcher(main_);
  OnSaveResult();
  ASSERT_EQ(catcher.Boxes().size(), 1u);
  EXPECT_EQ(catcher.Boxes()[0].text, kEmptyText);
  EXPECT_EQ(catcher.Boxes()[0].caption, kEmptyCaption);
  EXPECT_TRUE(catcher.Boxes()[0].informationIcon);
  EXPECT_FALSE(catcher.Boxes()[0].otherWindowEnabled);  // task-modal
  EXPECT_FALSE(FileExists(ResultPath(770001)));
  EXPECT_TRUE(IsWindowEnabled(main_));
}

TEST_F(ShellFilesTest, GbkTextIsSavedByteForByteAndReplacedOnTheNextSave) {
  // 第一行。 CR LF four spaces, second line, 淺 (trail byte 5C).
  const std::string text = "\xB5\xDA\xD2\xBB\xD0\xD0\xA1\xA3\r\n    second line \x9C\x5C";
  SetControlText(MainControl(texts::kResultBox), text);
  App().state.resultNumber = 770002;
  const std::wstring path = ResultPath(770002);
  DeleteFileW(path.c_str());
  {
    MessageBoxCatcher catcher(main_);
    OnSaveResult();
    ASSERT_EQ(catcher.Boxes().size(), 1u);
    EXPECT_EQ(catcher.Boxes()[0].text, std::wstring(kSavedPrefix) + L"770002.txt");
    EXPECT_EQ(catcher.Boxes()[0].caption, kNotice);
    EXPECT_TRUE(catcher.Boxes()[0].informationIcon);
    EXPECT_FALSE(catcher.Boxes()[0].otherWindowEnabled);
  }
  EXPECT_EQ(ReadWholeFile(path), text);
  EXPECT_EQ(GbkToWide(*ReadWholeFile(path)), L"\u7b2c\u4e00\u884c\u3002\r\n    second line \u6dfa");

  // Saving again writes the same file anew: a shorter text leaves nothing behind.
  SetControlText(MainControl(texts::kResultBox), "x");
  {
    MessageBoxCatcher catcher(main_);
    OnSaveResult();
    ASSERT_EQ(catcher.Boxes().size(), 1u);
  }
  EXPECT_EQ(ReadWholeFile(path), "x");
  DeleteFileW(path.c_str());
}

TEST_F(ShellFilesTest, FailedWriteShowsTheErrorBox) {
  SetControlText(MainControl(texts::kResultBox), "text");
  App().state.resultNumber = 770003;
  // A folder of that name: the file cannot be created.
  const std::wstring path = ResultPath(770003);
  ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
  MessageBoxCatcher catcher(main_);
  OnSaveResult();
  RemoveDirectoryW(path.c_str());
  ASSERT_EQ(catcher.Boxes().size(), 1u);
  EXPECT_EQ(catcher.Boxes()[0].text, kFailed);
  EXPECT_EQ(catcher.Boxes()[0].caption, L"Error");
  EXPECT_TRUE(catcher.Boxes()[0].errorIcon);
  EXPECT_FALSE(catcher.Boxes()[0].informationIcon);
}

TEST_F(ShellFilesTest, LogHoldsOneRecordPerChoiceNewestFirst) {
  App().state.startTime = "2027/1/1 0:0 0s";
  Choose("page1.png", 20417);
  EXPECT_EQ(ReadWholeFile(log_), "2027/1/1 0:0 0s|page1.png-->20417\r\n");
  Choose("\xC9\xA8\xC3\xE8.jpg", 19999);  // 扫描.jpg
  Choose("\x9C\x5C.bmp", 999999);         // 淺.bmp
  EXPECT_EQ(ReadWholeFile(log_),
            "2027/1/1 0:0 0s|\x9C\x5C.bmp-->999999\r\n"
            "2027/1/1 0:0 0s|\xC9\xA8\xC3\xE8.jpg-->19999\r\n"
            "2027/1/1 0:0 0s|page1.png-->20417\r\n");
  EXPECT_EQ(FilesBesideLog(), 1);  // no temporary file left
}

TEST_F(ShellFilesTest, LogKeepsEveryOldByteEvenAfterZeroAndEndOfFileBytes) {
  static const char kOld[] = "old record\r\n\0hidden\x1A" "after end-of-file mark\r\n";
  const std::string old(kOld, sizeof kOld - 1);
  ASSERT_TRUE(WriteWholeFile(log_, old));
  App().state.startTime = "2026/6/7 9:5 3s";
  Choose("a.png", 30000);
  EXPECT_EQ(ReadWholeFile(log_), "2026/6/7 9:5 3s|a.png-->30000\r\n" + old);
}

TEST_F(ShellFilesTest, ReadOnlyLogLosesTheRecordSilently) {
  ASSERT_TRUE(WriteWholeFile(log_, "kept\r\n"));
  SetFileAttributesW(log_.c_str(), FILE_ATTRIBUTE_READONLY);
  App().state.startTime = "2026/6/7 9:5 3s";
  MessageBoxCatcher catcher(main_);
  Choose("a.png", 30001);
  EXPECT_TRUE(catcher.Boxes().empty());
  EXPECT_EQ(ReadWholeFile(log_), "kept\r\n");
  EXPECT_EQ(FilesBesideLog(), 1);
  // The program goes on: saving still works, and a writable log is written again.
  SetControlText(MainControl(texts::kResultBox), "r");
  App().state.resultNumber = 770004;
  OnSaveResult();
  ASSERT_EQ(catcher.Boxes().size(), 1u);
  EXPECT_EQ(catcher.Boxes()[0].caption, kNotice);
  DeleteFileW(ResultPath(770004).c_str());
  SetFileAttributesW(log_.c_str(), FILE_ATTRIBUTE_NORMAL);
  Choose("b.png", 30002);
  EXPECT_EQ(ReadWholeFile(log_), "2026/6/7 9:5 3s|b.png-->30002\r\nkept\r\n");
}

TEST_F(ShellFilesTest, LogReplacementIsAllOrNothing) {
  ASSERT_TRUE(WriteWholeFile(log_, "first\r\n"));
  App().state.startTime = "2026/6/7 9:5 3s";
  const std::wstring temp = log_ + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  // A leftover temporary file from a crash, longer than the new log: overwritten
  // and swapped in whole, never mixed with the new content.
  ASSERT_TRUE(WriteWholeFile(temp, std::string(4096, '#')));
  Choose("c.png", 30003);
  EXPECT_EQ(ReadWholeFile(log_), "2026/6/7 9:5 3s|c.png-->30003\r\nfirst\r\n");
  EXPECT_FALSE(FileExists(temp));
  // When the new log cannot be written at all, the old one stays exactly as it was.
  ASSERT_TRUE(CreateDirectoryW(temp.c_str(), nullptr));
  Choose("d.png", 30004);
  RemoveDirectoryW(temp.c_str());
  EXPECT_EQ(ReadWholeFile(log_), "2026/6/7 9:5 3s|c.png-->30003\r\nfirst\r\n");
}

}  // namespace
}  // namespace ornivex
