// The ways a picture reaches the chain besides the dialog, in the real shell
// against the loopback stand-ins: a drop (a real HDROP sent to the window), a
// paste (clipboard contents put here, a click and the keys typed as input), the
// command line (the real Ornivex.exe started with a path), and the working
// cursor while a chain runs. Recognition replies fixed lines.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/ocr_protocol.h"
#include "app/temp_pictures.h"
#include "app/texts.h"
#include "chain_fixture.h"
#include "harness.h"
#include "runtime/codepage.h"
#include "runtime/controls.h"
#include "runtime/files.h"
#include "runtime/handles.h"
#include "runtime/path_form.h"
#include "runtime/picture_decode.h"
#include "runtime/threads.h"

namespace ornivex {
namespace {

using namespace e2e;
using Bytes = std::vector<std::uint8_t>;

class PictureInputTest : public ChainTest {
 protected:
  void SetUp() override {
    ChainTest::SetUp();
    if (HasFatalFailure()) return;
    sampleBytes_ = ReadWholeFile(sample_).value_or("");
    ASSERT_FALSE(sampleBytes_.empty());
  }
  void TearDown() override {
    ChainTest::TearDown();
    ClearClipboard();
  }

  void Start() {
    ASSERT_TRUE(StartApplication());
    window_ = App().mainWindow->Handle();
    box_ = MainControl(texts::kResultBox);
    path_ = MainControl(texts::kPathBox);
    SetControlText(box_, kStale);
  }
  bool WaitForText(int timeoutMs = 30000) {
    return PumpUntil([this] { return GetControlText(box_) != kStale; }, timeoutMs);
  }
  // The one upload after `before`: the bytes of the picture it carried.
  std::string OnlyUpload(int before) {
    const auto uploads = RecordsAfter(L"image-upload", before);
    EXPECT_EQ(uploads.size(), 1u);
    return uploads.empty() ? std::string() : UploadedFile(uploads.back());
  }
  std::string NewestLogRecord() {
    const std::string log = ReadWholeFile(log_).value_or("");
    return log.substr(0, log.find("\r\n"));
  }

  std::string sampleBytes_;
  HWND window_ = nullptr;
  HWND box_ = nullptr;
  HWND path_ = nullptr;
};

TEST_F(PictureInputTest, DropRecognisesTheFirstPictureAmongTheFiles) {
  wchar_t temp[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
  const std::wstring notes = std::wstring(temp) + L"ornivex-notes.txt";
  ASSERT_TRUE(WriteWholeFile(notes, "not a picture"));
  Start();

  // Controls never accept files themselves: a drop over any of them goes up to
  // the window, the nearest one that does.
  for (const auto name : {texts::kPathBox, texts::kResultBox, texts::kChoosePictureButton, texts::kGroupBox}) {
    HWND target = MainControl(name);
    while (target && !(GetWindowLongPtrW(target, GWL_EXSTYLE) & WS_EX_ACCEPTFILES)) target = GetParent(target);
    EXPECT_EQ(target, window_);
  }

  // What the shell hands over: DROPFILES, then the wide paths, each ending in a
  // zero, and one zero more.
  const std::wstring files = notes + L'\0' + sample_ + L'\0' + L'\0';
  HGLOBAL drop = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + files.size() * sizeof(wchar_t));
  ASSERT_NE(drop, nullptr);
  auto* header = static_cast<DROPFILES*>(GlobalLock(drop));
  header->pFiles = sizeof(DROPFILES);
  header->fWide = TRUE;
  std::memcpy(header + 1, files.data(), files.size() * sizeof(wchar_t));
  GlobalUnlock(drop);
  const int before = LastSeq();
  PutTextOnClipboard(L"before the drop");
  SendMessageW(window_, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);  // the window frees it

  ASSERT_TRUE(WaitForText());
  EXPECT_EQ(GetControlText(box_), kTwoLinesBox);
  EXPECT_EQ(ClipboardText(), L"before the drop");  // only a capture's text goes there
  EXPECT_TRUE(OnlyUpload(before) == sampleBytes_) << "the upload is not the dropped picture's bytes";
  EXPECT_EQ(NewestLogRecord(), App().state.startTime + "|sample.png-->" + std::to_string(App().state.pictureNumber));
  DeleteFileW(notes.c_str());
}

// A picture whose path is longer than MAX_PATH goes like any other. This Wine
// has no limit on path length; it takes the extended forms the program uses.
TEST_F(PictureInputTest, DroppedPictureAtAPathPastMaxPathIsRecognised) {
  wchar_t temp[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
  const std::wstring top = std::wstring(temp) + L"ornivex-long", middle = top + L"\\" + std::wstring(140, L'a'),
                     folder = middle + L"\\" + std::wstring(130, L'b'), picture = folder + L"\\sample.png";
  ASSERT_GT(picture.size(), 300u);
  for (const std::wstring& f : {top, middle, folder}) CreateDirectoryW(ExtendedLengthPath(f).c_str(), nullptr);
  ASSERT_TRUE(CopyFileW(sample_.c_str(), ExtendedLengthPath(picture).c_str(), FALSE));
  Start();
  const int before = LastSeq();
  OnFilesDropped({picture});
  ASSERT_TRUE(WaitForText());
  EXPECT_EQ(GetControlText(box_), kTwoLinesBox);
  EXPECT_TRUE(OnlyUpload(before) == sampleBytes_) << "the upload is not the picture's bytes";
  EXPECT_EQ(NewestLogRecord(), App().state.startTime + "|sample.png-->" + std::to_string(App().state.pictureNumber));
  DeleteFileW(ExtendedLengthPath(picture).c_str());
  for (const std::wstring& f : {folder, middle, top}) RemoveDirectoryW(ExtendedLengthPath(f).c_str());
}

// Straight 0xAARRGGBB pixels, top row first, of a 3 x 2 picture.
const std::vector<std::uint32_t> kPixels = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF,
                                            0x80204060, 0x00FFFFFF, 0xFF102030};

Bytes BareBitmap(bool v5) {
  Bytes dib(v5 ? sizeof(BITMAPV5HEADER) : sizeof(BITMAPINFOHEADER));
  auto* info = reinterpret_cast<BITMAPV5HEADER*>(dib.data());
  info->bV5Size = static_cast<DWORD>(dib.size());
  info->bV5Width = 3;
  info->bV5Height = v5 ? -2 : 2;  // the 32-bit one top-down, the 24-bit one bottom-up
  info->bV5Planes = 1;
  info->bV5BitCount = v5 ? 32 : 24;
  info->bV5Compression = v5 ? BI_BITFIELDS : BI_RGB;
  if (v5) {
    info->bV5RedMask = 0x00FF0000;
    info->bV5GreenMask = 0x0000FF00;
    info->bV5BlueMask = 0x000000FF;
    info->bV5AlphaMask = 0xFF000000;
  }
  for (int row = 0; row < 2; ++row) {
    const int y = v5 ? row : 1 - row;
    for (int x = 0; x < 3; ++x) {
      const std::uint32_t p = kPixels[y * 3 + x];
      for (int byte = 0; byte < (v5 ? 4 : 3); ++byte) dib.push_back(static_cast<std::uint8_t>(p >> (8 * byte)));
    }
    if (!v5) dib.resize(dib.size() + 3);  // 24-bit rows are padded to four bytes
  }
  return dib;
}

TEST_F(PictureInputTest, PastedBitmapArrivesAsAPngWithItsPixels) {
  Start();
  for (const bool v5 : {false, true}) {
    SCOPED_TRACE(v5 ? "32-bit CF_DIBV5 with alpha" : "24-bit CF_DIB");
    const Bytes dib = BareBitmap(v5);
    PutOnClipboard(v5 ? CF_DIBV5 : CF_DIB, dib.data(), dib.size());
    SetControlText(box_, kStale);
    const int before = LastSeq();
    ClickAndType(box_, {VK_CONTROL, 'V'});
    ASSERT_TRUE(WaitForText());
    EXPECT_EQ(GetControlText(box_), kTwoLinesBox);

    const std::string png = OnlyUpload(before);
    const auto picture = DecodePng(std::span(reinterpret_cast<const std::uint8_t*>(png.data()), png.size()),
                                   Alpha::Straight);
    ASSERT_TRUE(picture) << "the image host did not get a PNG";
    ASSERT_EQ(picture->width, 3);
    ASSERT_EQ(picture->height, 2);
    for (int i = 0; i < 6; ++i) {
      std::uint32_t got;
      std::memcpy(&got, &picture->bgra[i * 4], 4);
      EXPECT_EQ(got, v5 ? kPixels[i] : kPixels[i] | 0xFF000000) << "pixel " << i;
    }
    // The file went to %TEMP%\Ornivex under its date and time, and is logged by that name.
    const std::wstring path = GbkToWide(GetControlText(path_));
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    EXPECT_EQ(path.rfind(std::wstring(temp) + L"Ornivex\\", 0), 0u);
    EXPECT_TRUE(ReadWholeFile(path) == png);
    std::string record = "|";
    record += WideToGbk(path.substr(path.rfind(L'\\') + 1)) + "-->" + std::to_string(App().state.pictureNumber);
    EXPECT_TRUE(NewestLogRecord().ends_with(record)) << NewestLogRecord();
    ASSERT_TRUE(PumpUntil([] { return RunningWorkers() == 0; }, 10000));
    StopApplication();  // the run ends: its pasted pictures go
    EXPECT_FALSE(FileExists(path));
    if (!v5) Start();
  }
}

TEST_F(PictureInputTest, PastedPngArrivesByteForByte) {
  Start();
  PutOnClipboard(RegisterClipboardFormatW(L"PNG"), sampleBytes_.data(), sampleBytes_.size());
  const int before = LastSeq();
  ClickAndType(box_, {VK_SHIFT, VK_INSERT});
  ASSERT_TRUE(WaitForText());
  EXPECT_EQ(GetControlText(box_), kTwoLinesBox);
  // The clipboard keeps the picture, and no text comes on it.
  EXPECT_TRUE(IsClipboardFormatAvailable(RegisterClipboardFormatW(L"PNG")));
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT));
  EXPECT_TRUE(OnlyUpload(before) == sampleBytes_) << "the PNG was not sent as it was on the clipboard";
}

// A paste takes its place among the choices at the keys: a picture dropped while
// the pasted one is still being written is the later choice and wins, and the
// paste, overtaken, sends nothing.
TEST_F(PictureInputTest, PictureDroppedWhileAPasteIsWrittenWins) {
  const Bytes dib = BareBitmap(false);
  PutOnClipboard(CF_DIB, dib.data(), dib.size());
  Start();
  const int before = LastSeq();
  ASSERT_TRUE(OnPaste());
  OnFilesDropped({sample_});  // before the paste's worker has handed its file back
  ASSERT_TRUE(WaitForText());
  ASSERT_TRUE(PumpUntil([] { return RunningWorkers() == 0; }, 10000));
  PumpFor(300);
  EXPECT_EQ(GetControlText(box_), kTwoLinesBox);
  EXPECT_TRUE(OnlyUpload(before) == sampleBytes_) << "the upload is not the dropped picture's";
  EXPECT_EQ(GetControlText(path_), WideToGbk(sample_));
  EXPECT_TRUE(NewestLogRecord().ends_with("|sample.png-->" + std::to_string(App().state.pictureNumber)));
}

TEST_F(PictureInputTest, PasteWithOnlyTextOnTheClipboardChangesNothing) {
  Start();
  const wchar_t text[] = L"just words";
  PutOnClipboard(CF_UNICODETEXT, text, sizeof text);
  const int before = LastSeq();
  for (HWND control : {box_, path_}) {
    ClickAndType(control, {VK_CONTROL, 'V'});
    PumpFor(700);
  }
  EXPECT_EQ(LastSeq(), before);
  EXPECT_EQ(RunningWorkers(), 0);
  EXPECT_FALSE(FileExists(log_));
  EXPECT_EQ(GetControlText(box_), kStale);
  EXPECT_EQ(GetControlText(path_), texts::kPathPrompt);  // read-only: nothing pasted into it
  EXPECT_EQ(App().state.pictureNumber, 0);
}

TEST_F(PictureInputTest, WorkingCursorWhileAChainRuns) {
  Start();
  HWND button = MainControl(texts::kSaveResultButton);
  RECT r;
  GetWindowRect(button, &r);
  const HCURSOR working = LoadCursorW(nullptr, IDC_APPSTARTING), arrow = LoadCursorW(nullptr, IDC_ARROW);
  for (const char* failure : {"0", "282000"}) {
    SCOPED_TRACE(std::string("ocr_error ") + failure);
    ASSERT_TRUE(ConfigureStandins(std::string("{\"ocr_delay\": 2.0, \"ocr_error\": ") + failure + "}"));
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);  // over a control of the window
    PumpFor(200);
    EXPECT_EQ(GetCursor(), arrow);
    SetControlText(box_, kStale);
    StartChainForPath(sample_);
    // Held at the service: the pointer says the window works, without a move.
    EXPECT_TRUE(PumpUntil([&] { return GetCursor() == working; }, 1000));
    PumpFor(300);
    EXPECT_EQ(GetControlText(box_), kStale);
    EXPECT_EQ(GetCursor(), working);
    ASSERT_TRUE(WaitForText());
    EXPECT_TRUE(PumpUntil([&] { return GetCursor() == arrow; }, 2000));
  }
  EXPECT_EQ(GetControlText(box_), "");  // the failed reply: silent, an empty box
}

std::wstring TemporaryFolder() {
  wchar_t temp[MAX_PATH];
  return std::wstring(temp, GetTempPathW(MAX_PATH, temp)) + L"Ornivex";
}

// The names of the files in the pictures' folder.
std::vector<std::wstring> TemporaryFiles() {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  UniqueFind search(FindFirstFileW((TemporaryFolder() + L"\\*").c_str(), &found));
  if (!search) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileW(search.Get(), &found));
  return names;
}

TEST(TemporaryPictures, GoAtTheEndEvenWhenHeldAndNoneIsWrittenAfterIt) {
  const std::uint8_t bytes[] = {1, 2, 3};
  SweepTemporaryPictures();
  const std::wstring path = WriteTemporaryPicture(bytes);
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(ReadWholeFile(path), std::string("\1\2\3", 3));
  // Another reader still has it open when the run ends: it goes when the reader lets go.
  UniqueFile reader(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(reader);
  DeleteTemporaryPictures();
  // A worker that finishes its picture after that writes nothing.
  EXPECT_EQ(WriteTemporaryPicture(bytes), L"");
  reader.Reset();
  DeleteTemporaryPictures();
  EXPECT_FALSE(FileExists(path));
  SweepTemporaryPictures();  // the next run writes again
  const std::wstring next = WriteTemporaryPicture(bytes);
  EXPECT_FALSE(next.empty());
  DeleteTemporaryPictures();
  EXPECT_FALSE(FileExists(next));
  SweepTemporaryPictures();
  ASSERT_TRUE(WaitForWorkers(10000));
}

TEST(TemporaryPictures, TheSweepTakesOnlyItsOwnPicturesOlderThanADayThatNobodyHolds) {
  CreateDirectoryW(TemporaryFolder().c_str(), nullptr);
  FILETIME now, twoDaysAgo;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER ticks{{now.dwLowDateTime, now.dwHighDateTime}};
  ticks.QuadPart -= 2ull * 24 * 3600 * 10'000'000;
  twoDaysAgo = {ticks.LowPart, ticks.HighPart};
  const auto plant = [](const std::wstring& name, const FILETIME& written) {
    const std::wstring path = TemporaryFolder() + L"\\" + name;
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    EXPECT_TRUE(file && SetFileTime(file.Get(), nullptr, nullptr, &written)) << name;
    return path;
  };
  const std::wstring old = plant(L"2001-02-03 04.05.06.007.png", twoDaysAgo),
                     oldTemporary = plant(L"2001-02-03 04.05.06.007 (2).png.42.tmp", twoDaysAgo),
                     held = plant(L"2001-02-03 04.05.06.008.png", twoDaysAgo),
                     recent = plant(L"2001-02-03 04.05.06.009.png", now),
                     foreign = plant(L"2001-02-03 notes.png", twoDaysAgo);
  UniqueFile holder(CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder);
  SweepTemporaryPictures();
  ASSERT_TRUE(WaitForWorkers(10000));
  EXPECT_FALSE(FileExists(old));
  EXPECT_FALSE(FileExists(oldTemporary));
  EXPECT_TRUE(FileExists(held)) << "a picture a running copy holds is its own";
  EXPECT_TRUE(FileExists(recent));
  EXPECT_TRUE(FileExists(foreign));
  holder.Reset();
  for (const std::wstring& path : {held, recent, foreign}) DeleteFileW(path.c_str());
}

BOOL CALLBACK FindProgramWindow(HWND window, LPARAM lparam) {
  auto* found = reinterpret_cast<std::pair<DWORD, HWND>*>(lparam);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t title[16] = {};
  GetWindowTextW(window, title, 16);
  if (process != found->first || !IsWindowVisible(window) || std::wstring(title) != L"Ornivex") return TRUE;
  found->second = window;
  return FALSE;
}

BOOL CALLBACK FindResultBox(HWND child, LPARAM lparam) {
  wchar_t name[16] = {};
  GetClassNameW(child, name, 16);
  if (_wcsicmp(name, L"Edit") != 0 || !(GetWindowLongPtrW(child, GWL_STYLE) & ES_MULTILINE)) return TRUE;
  *reinterpret_cast<HWND*>(lparam) = child;
  return FALSE;
}

std::wstring TextOf(HWND control) {
  wchar_t text[512] = {};
  SendMessageW(control, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));  // asks the other process
  return text;
}

// "Open with": the program started with a picture's path shows its text with
// no click; a path that is not a picture leaves the window as it always starts.
TEST_F(PictureInputTest, PictureOnTheCommandLineIsRecognisedAfterStartUp) {
  wchar_t temp[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
  const std::wstring folder = std::wstring(temp) + L"R\u00e9sum\u00e9 \u00f1 \ud55c\uad6d";
  const std::wstring picture = folder + L"\\sample.png";
  CreateDirectoryW(folder.c_str(), nullptr);
  ASSERT_TRUE(CopyFileW(sample_.c_str(), picture.c_str(), FALSE));
  const std::wstring expected = GbkToWide(kTwoLinesBox);
  for (const std::wstring& given : {picture, folder + L"\\missing.png", folder}) {
    SCOPED_TRACE(WideToGbk(given));
    std::wstring command = L"\"" + UnixPath(ORNIVEX_EXE) + L"\" \"" + given + L"\"";
    STARTUPINFOW startup = {sizeof startup};
    PROCESS_INFORMATION process = {};
    const int before = LastSeq();
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process));
    UniqueHandle thread(process.hThread), program(process.hProcess);
    std::pair<DWORD, HWND> found{process.dwProcessId, nullptr};
    HWND box = nullptr;
    EXPECT_TRUE(PumpUntil(
        [&] {
          if (!found.second) EnumWindows(FindProgramWindow, reinterpret_cast<LPARAM>(&found));
          if (found.second && !box) EnumChildWindows(found.second, FindResultBox, reinterpret_cast<LPARAM>(&box));
          return box && !RecordsAfter(L"ocr-token", before).empty();
        },
        30000));
    if (given == picture) {
      EXPECT_TRUE(PumpUntil([&] { return TextOf(box) == expected; }, 30000));
      EXPECT_TRUE(OnlyUpload(before) == sampleBytes_);
    } else {
      PumpFor(1500);  // time enough for a chain to have begun
      EXPECT_TRUE(IsWindowVisible(found.second));
      EXPECT_EQ(TextOf(box), L"");
      EXPECT_TRUE(RecordsAfter(L"image-upload", before).empty());
    }
    if (found.second) PostMessageW(found.second, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(program.Get(), 15000) != WAIT_OBJECT_0) TerminateProcess(program.Get(), 1);
  }
  DeleteFileW(picture.c_str());
  RemoveDirectoryW(folder.c_str());
}

// Killed while its pasted picture waits for the chain, the program leaves no
// file behind: the system deletes what it held.
TEST_F(PictureInputTest, AProgramKilledAfterAPasteLeavesNoPictureBehind) {
  ASSERT_TRUE(ConfigureStandins("{\"ocr_delay\": 5.0}"));
  PutOnClipboard(RegisterClipboardFormatW(L"PNG"), sampleBytes_.data(), sampleBytes_.size());
  const std::vector<std::wstring> before = TemporaryFiles();
  std::wstring command = L"\"" + UnixPath(ORNIVEX_EXE) + L"\"";
  STARTUPINFOW startup = {sizeof startup};
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                             &process));
  UniqueHandle thread(process.hThread), program(process.hProcess);
  std::pair<DWORD, HWND> found{process.dwProcessId, nullptr};
  HWND box = nullptr;
  ASSERT_TRUE(PumpUntil(
      [&] {
        if (!found.second) EnumWindows(FindProgramWindow, reinterpret_cast<LPARAM>(&found));
        if (found.second && !box) EnumChildWindows(found.second, FindResultBox, reinterpret_cast<LPARAM>(&box));
        return box != nullptr;
      },
      30000));
  PumpFor(1000);  // past the token fetch
  ClickAndType(box, {VK_CONTROL, 'V'});
  std::vector<std::wstring> written;
  EXPECT_TRUE(PumpUntil(
      [&] {
        written = TemporaryFiles();
        return written.size() > before.size();
      },
      15000));
  TerminateProcess(program.Get(), 9);
  WaitForSingleObject(program.Get(), 10000);
  EXPECT_EQ(TemporaryFiles(), before);
}

}  // namespace
}  // namespace ornivex
