// Screen capture in the real shell, against the loopback stand-ins. The
// capture key is pressed as a user presses it (a click into the window first:
// under Wine the key arrives only while one of the program's windows has the
// focus), the drag is real input over another program's window, and the
// region must reach the image host exactly as X shows that part of the screen
// (ImageMagick's import reads it), its text the result box and the clipboard
// (read from X with xclip, and through the system's clipboard). Then: Esc and
// the right button cancel; the key from Ornivex.ini, turned off, or held by
// another program; the system menu's item, reached with a right click on the
// skinned caption.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <thread>

#include "app/application.h"
#include "app/capture_key.h"
#include "app/settings_file.h"
#include "app/skin_setup.h"
#include "app/texts.h"
#include "capture/capture.h"
#include "capture/hotkey_listener.h"
#include "chain_fixture.h"
#include "harness.h"
#include "runtime/codepage.h"
#include "runtime/controls.h"
#include "runtime/files.h"
#include "runtime/handles.h"
#include "runtime/picture_decode.h"
#include "runtime/threads.h"
#include "tests/support/debug_output.h"

namespace ornivex {
namespace {

using namespace e2e;

// The other program's picture: away from the main window (50, 50, 317 x 537).
constexpr int kPictureLeft = 700;
constexpr int kPictureTop = 400;
const std::initializer_list<WORD> kDefaultKeys = {VK_LWIN, VK_SHIFT, 'O'};

void MoveTo(int x, int y) {
  SetCursorPos(x, y);
  PumpFor(40);
}

void Mouse(DWORD flags) {
  INPUT input{INPUT_MOUSE};
  input.mi.dwFlags = flags;
  SendInput(1, &input, sizeof input);
  PumpFor(60);
}

void Keys(std::initializer_list<WORD> keys) {
  PressKeys(keys);
  PumpFor(100);
}

std::optional<Picture> DecodeFile(const std::string& bytes) {
  return DecodePng({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, Alpha::Straight);
}

// Pixels whose colour differs; every pixel when the sizes differ.
int DifferentPixels(const Picture& a, const Picture& b) {
  if (a.width != b.width || a.height != b.height) return a.width * a.height + 1;
  int different = 0;
  for (std::size_t i = 0; i + 3 < a.bgra.size(); i += 4)
    different += a.bgra[i] != b.bgra[i] || a.bgra[i + 1] != b.bgra[i + 1] || a.bgra[i + 2] != b.bgra[i + 2];
  return different;
}

// A shell command on the Linux side: Wine starts a program that is no Windows
// program as the system's own, but gives no handle to wait on, so the command
// leaves a marker when it is done. Its standard output, or nothing when it did
// not end within 10 s.
std::optional<std::string> RunOnLinux(const std::string& command) {
  const std::string work = ORNIVEX_E2E_WORK, out = work + "/out", done = work + "/done";
  CreateDirectoryW(UnixPath(work).c_str(), nullptr);
  DeleteFileW(UnixPath(out).c_str());
  DeleteFileW(UnixPath(done).c_str());
  std::wstring line = GbkToWide("/bin/sh -c \"" + command + " > " + out + "; touch " + done + "\"");
  STARTUPINFOW startup{sizeof startup};
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(L"Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return std::nullopt;
  UniqueHandle thread(process.hThread), program(process.hProcess);
  if (!PumpUntil([&] { return FileExists(UnixPath(done)); }, 10000)) return std::nullopt;
  return ReadWholeFile(UnixPath(out));
}

// Another program of this prefix, started with its arguments, that sets the
// named event when it is ready; ended with the object.
class OtherProgram {
 public:
  bool Start(std::string_view exe, const std::wstring& arguments, const std::wstring& readyEvent) {
    UniqueHandle ready(CreateEventW(nullptr, TRUE, FALSE, readyEvent.c_str()));
    std::wstring command = L"\"" + UnixPath(exe) + L"\" " + arguments;
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
      return false;
    CloseHandle(process.hThread);
    process_.Reset(process.hProcess);
    return WaitForSingleObject(ready.Get(), 30000) == WAIT_OBJECT_0;
  }
  ~OtherProgram() {
    if (!process_) return;
    TerminateProcess(process_.Get(), 0);
    WaitForSingleObject(process_.Get(), 10000);
  }

 private:
  UniqueHandle process_;
};

std::wstring EventName(const wchar_t* what) { return what + std::to_wstring(GetCurrentProcessId()); }

// Waits on a thread of its own for a popup menu to show, notes the text of the
// item with the command, and clicks it as a user would.
class MenuChooser {
 public:
  explicit MenuChooser(UINT command) : command_(command), worker_([this] { Run(); }) {}
  ~MenuChooser() { Wait(); }
  void Wait() {
    if (worker_.joinable()) worker_.join();
  }
  // After Wait.
  const std::wstring& ItemText() const { return text_; }
  bool Chosen() const { return chosen_; }

 private:
  static BOOL CALLBACK FindMenu(HWND window, LPARAM found) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (!IsWindowVisible(window) || std::wstring_view(name) != L"#32768") return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  void Run() {
    for (int wait = 0; wait < 500; ++wait, Sleep(10)) {
      HWND window = nullptr;
      EnumWindows(FindMenu, reinterpret_cast<LPARAM>(&window));
      HMENU menu = window ? reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0)) : nullptr;
      for (int item = 0; menu && item < GetMenuItemCount(menu); ++item) {
        if (GetMenuItemID(menu, item) != command_) continue;
        wchar_t text[64] = {};
        GetMenuStringW(menu, item, text, 64, MF_BYPOSITION);
        text_ = text;
        RECT r;
        if (!GetMenuItemRect(nullptr, menu, item, &r)) return;
        SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        Sleep(100);
        INPUT click[2] = {{INPUT_MOUSE}, {INPUT_MOUSE}};
        click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(2, click, sizeof(INPUT));
        chosen_ = true;
        return;
      }
    }
  }

  UINT command_;
  std::wstring text_;
  bool chosen_ = false;
  std::thread worker_;
};

class ScreenCaptureTest : public ChainTest {
 protected:
  void SetUp() override {
    ChainTest::SetUp();
    SkinStartup();  // the window as the program shows it, its caption skinned
    const std::vector<std::wstring> paths = SettingsFilePaths();
    ASSERT_EQ(paths.size(), 2u);
    settingsFile_ = paths[1];  // beside the executable
    DeleteFileW(settingsFile_.c_str());
  }
  void TearDown() override {
    if (capture::CaptureRunning()) SendMessageW(capture::CaptureOverlay(), WM_KEYDOWN, VK_ESCAPE, 0);
    ChainTest::TearDown();
    SkinExit();
    DeleteFileW(settingsFile_.c_str());
    ClearClipboard();
  }

  void Start() {
    ASSERT_TRUE(StartApplication());
    window_ = App().mainWindow->Handle();
    box_ = MainControl(texts::kResultBox);
    SetControlText(box_, kStale);
    PumpFor(200);
  }
  bool WaitForText() {
    return PumpUntil([this] { return GetControlText(box_) != kStale; }, 30000);
  }
  static bool WaitForOverlay() {
    return PumpUntil([] { return capture::CaptureOverlay() && IsWindowVisible(capture::CaptureOverlay()); }, 5000);
  }
  static bool WaitForCaptureEnd() {
    return PumpUntil([] { return !capture::CaptureRunning(); }, 5000);
  }
  // The capture item's text in the main window's system menu.
  std::wstring MenuText() const {
    wchar_t text[64] = {};
    GetMenuStringW(GetSystemMenu(window_, FALSE), kCaptureMenuCommand, text, 64, MF_BYCOMMAND);
    return text;
  }
  static std::wstring Expected(const std::optional<capture::Hotkey>& key) {
    return GbkToWide(CaptureMenuText(key));
  }
  // A right click on the caption, and the capture item of the menu it opens.
  std::wstring CaptureFromTheCaption() {
    RECT r;
    GetWindowRect(window_, &r);
    MoveTo(r.left + 100, r.top + 10);
    MenuChooser chooser(kCaptureMenuCommand);
    Mouse(MOUSEEVENTF_RIGHTDOWN);
    Mouse(MOUSEEVENTF_RIGHTUP);  // the menu's own loop runs in here until the click
    chooser.Wait();
    EXPECT_TRUE(chooser.Chosen()) << "no menu with the capture item showed";
    return chooser.ItemText();
  }
  std::size_t TemporaryPictures() const {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::size_t count = 0;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((std::wstring(temp) + L"Ornivex\\*.png").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do ++count;
    while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
  }

  std::wstring settingsFile_;
  HWND window_ = nullptr;
  HWND box_ = nullptr;
};

TEST_F(ScreenCaptureTest, TheRegionGoesAsTheScreenShowsItAndItsTextToTheClipboard) {
  ASSERT_TRUE(ResetStandins());  // real recognition
  const std::string sampleFile = ReadWholeFile(sample_).value_or("");
  const std::optional<Picture> sample = DecodeFile(sampleFile);
  ASSERT_TRUE(sample);
  OtherProgram picture;
  ASSERT_TRUE(picture.Start(ORNIVEX_E2E_PICTURE_WINDOW,
                            L"\"" + sample_ + L"\" " + std::to_wstring(kPictureLeft) + L" " +
                                std::to_wstring(kPictureTop) + L" " + EventName(L"OrnivexPictureReady"),
                            EventName(L"OrnivexPictureReady")));
  Start();
  PutTextOnClipboard(L"before the capture");
  const int before = LastSeq();

  ClickAndType(box_, kDefaultKeys);
  ASSERT_TRUE(WaitForOverlay());
  EXPECT_FALSE(IsWindowVisible(window_)) << "the main window is in the picture";
  // Corner to corner: both pixels are in the region.
  MoveTo(kPictureLeft, kPictureTop);
  Mouse(MOUSEEVENTF_LEFTDOWN);
  MoveTo(kPictureLeft + 200, kPictureTop + 100);
  MoveTo(kPictureLeft + sample->width - 1, kPictureTop + sample->height - 1);
  Mouse(MOUSEEVENTF_LEFTUP);
  ASSERT_TRUE(WaitForText());
  EXPECT_TRUE(IsWindowVisible(window_));
  EXPECT_EQ(GetForegroundWindow(), window_);

  // The region at the image host: the other program's picture, pixel for
  // pixel, and what X shows there.
  const auto uploads = RecordsAfter(L"image-upload", before);
  ASSERT_EQ(uploads.size(), 1u);
  const std::optional<Picture> uploaded = DecodeFile(UploadedFile(uploads[0]));
  ASSERT_TRUE(uploaded) << "the image host got no PNG";
  EXPECT_EQ(DifferentPixels(*uploaded, *sample), 0);
  const std::optional<std::string> screen = RunOnLinux(
      "import -window root -crop " + std::to_string(sample->width) + "x" + std::to_string(sample->height) + "+" +
      std::to_string(kPictureLeft) + "+" + std::to_string(kPictureTop) + " +repage png:-");
  ASSERT_TRUE(screen) << "import did not run";
  const std::optional<Picture> shown = DecodeFile(*screen);
  ASSERT_TRUE(shown);
  EXPECT_EQ(DifferentPixels(*uploaded, *shown), 0);

  // Its text: in the box, and on the clipboard, one line to a line.
  const std::string text = GetControlText(box_);
  EXPECT_NE(text.find("Ornivex turns pictures into text."), std::string::npos) << text;
  const std::wstring copied = ClipboardText();
  EXPECT_NE(copied.find(L"\r\nOrnivex turns pictures into text.\r\n"), std::wstring::npos);
  std::wstring lines = copied;
  for (std::size_t at = 0; (at = lines.find(L"\r\n", at)) != std::wstring::npos;) {
    EXPECT_NE(text.find(WideToGbk(lines.substr(0, at))), std::string::npos);
    lines.erase(0, at + 2);
    at = 0;
  }
  EXPECT_EQ(copied.find(L'\n', copied.rfind(L"\r\n") + 2), std::wstring::npos);
  // X sees the same text (with its own line ends).
  std::string unix = WideToMultiByte(copied, CP_UTF8);
  for (std::size_t at; (at = unix.find("\r\n")) != std::string::npos;) unix.erase(at, 1);
  EXPECT_EQ(RunOnLinux("timeout 5 xclip -o -selection clipboard"), unix);

  // A picture like a pasted one: under %TEMP%\Ornivex, logged by its name.
  const std::wstring path = GbkToWide(GetControlText(MainControl(texts::kPathBox)));
  wchar_t temp[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
  EXPECT_EQ(path.rfind(std::wstring(temp) + L"Ornivex\\", 0), 0u);
  const std::string log = ReadWholeFile(log_).value_or("");
  EXPECT_TRUE(log.substr(0, log.find("\r\n"))
                  .ends_with(WideToGbk(path.substr(path.rfind(L'\\') + 1)) + "-->" +
                             std::to_string(App().state.pictureNumber)))
      << log;
}

TEST_F(ScreenCaptureTest, EscAndTheRightButtonCancelAndLeaveEverythingAsItWas) {
  Start();
  RECT place;
  GetWindowRect(window_, &place);
  const int before = LastSeq();
  const std::size_t pictures = TemporaryPictures();
  const auto expectAsItWas = [&] {
    ASSERT_TRUE(WaitForCaptureEnd());
    PumpFor(500);
    RECT now;
    GetWindowRect(window_, &now);
    EXPECT_TRUE(IsWindowVisible(window_));
    EXPECT_FALSE(IsIconic(window_));
    EXPECT_TRUE(EqualRect(&now, &place));
    EXPECT_EQ(GetForegroundWindow(), window_);
    EXPECT_EQ(GetControlText(box_), kStale);
    EXPECT_EQ(GetControlText(MainControl(texts::kPathBox)), texts::kPathPrompt);
    EXPECT_EQ(LastSeq(), before) << "a request went out";
    EXPECT_FALSE(FileExists(log_));
    EXPECT_EQ(TemporaryPictures(), pictures);
    EXPECT_EQ(App().state.pictureNumber, 0);
  };

  // Esc, in the middle of a drag.
  ClickAndType(box_, kDefaultKeys);
  ASSERT_TRUE(WaitForOverlay());
  MoveTo(600, 300);
  Mouse(MOUSEEVENTF_LEFTDOWN);
  MoveTo(900, 500);
  Keys({VK_ESCAPE});
  Mouse(MOUSEEVENTF_LEFTUP);
  expectAsItWas();

  // The system menu, opened on the skinned caption: its item names the key.
  EXPECT_EQ(CaptureFromTheCaption(), Expected(capture::kDefaultHotkey));
  ASSERT_TRUE(WaitForOverlay());
  MoveTo(600, 300);
  Mouse(MOUSEEVENTF_RIGHTDOWN);
  Mouse(MOUSEEVENTF_RIGHTUP);
  expectAsItWas();
}

TEST_F(ScreenCaptureTest, AKeyFromTheSettingsFileReplacesTheDefaultAndCopyZeroLeavesTheClipboard) {
  ASSERT_TRUE(WriteWholeFile(settingsFile_, "[capture]\r\nhotkey=Ctrl+Shift+F1\r\ncopy=0\r\n"));
  Start();
  ASSERT_TRUE(App().captureKey);
  EXPECT_EQ(MenuText(), Expected(*capture::ParseHotkey(u"Ctrl+Shift+F1")));
  PutTextOnClipboard(L"kept");

  ClickAndType(box_, kDefaultKeys);
  PumpFor(500);
  EXPECT_FALSE(capture::CaptureRunning()) << "the default key still works";
  ClickAndType(box_, {VK_CONTROL, VK_SHIFT, VK_F1});
  ASSERT_TRUE(WaitForOverlay());
  MoveTo(900, 600);  // a click: the whole monitor
  Mouse(MOUSEEVENTF_LEFTDOWN);
  Mouse(MOUSEEVENTF_LEFTUP);
  ASSERT_TRUE(WaitForText());
  EXPECT_EQ(GetControlText(box_), kTwoLinesBox);
  EXPECT_EQ(ClipboardText(), L"kept");
  ASSERT_TRUE(PumpUntil([] { return RunningWorkers() == 0; }, 10000));

  // Turned off: no key at all, the menu's item without a name.
  StopApplication();
  ASSERT_TRUE(WriteWholeFile(settingsFile_, "[capture]\r\nhotkey=\r\n"));
  Start();
  EXPECT_FALSE(App().captureKey);
  EXPECT_FALSE(App().captureKeyTaken);
  EXPECT_EQ(MenuText(), Expected(std::nullopt));
  ClickAndType(box_, kDefaultKeys);
  PumpFor(500);
  EXPECT_FALSE(capture::CaptureRunning());
  EXPECT_EQ(ShownNotice(), "");
}

TEST_F(ScreenCaptureTest, AKeyAnotherProgramHoldsIsSaidOnceAndTheMenuStillCaptures) {
  // It holds the chord until this event is set, or it ends.
  UniqueHandle release(CreateEventW(nullptr, TRUE, FALSE, EventName(L"OrnivexHolderRelease").c_str()));
  OtherProgram holder;
  ASSERT_TRUE(holder.Start(ORNIVEX_E2E_HOTKEY_HOLDER,
                           L"Win+Shift+O " + EventName(L"OrnivexHolderReady") + L" " +
                               EventName(L"OrnivexHolderRelease"),
                           EventName(L"OrnivexHolderReady")));
  testing::DebugOutput output;
  Start();
  EXPECT_FALSE(App().captureKey);
  EXPECT_TRUE(App().captureKeyTaken);
  EXPECT_EQ(ShownNotice(), CaptureKeyTakenText(capture::kDefaultHotkey));
  const auto lines = output.Lines();
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
    return line.find("Registering the capture key Win+Shift+O") != std::string::npos;
  }));
  EXPECT_EQ(MenuText(), Expected(std::nullopt));

  // The item, chosen while the window is minimised: a cancel leaves it so, a
  // region taken brings it back with the text.
  for (const bool take : {false, true}) {
    ShowWindow(window_, SW_MINIMIZE);
    PumpFor(200);
    ASSERT_TRUE(IsIconic(window_));
    PostMessageW(window_, WM_SYSCOMMAND, kCaptureMenuCommand, 0);
    ASSERT_TRUE(WaitForOverlay());
    MoveTo(900, 600);
    if (take) {
      Mouse(MOUSEEVENTF_LEFTDOWN);
      Mouse(MOUSEEVENTF_LEFTUP);
      ASSERT_TRUE(WaitForText());
      EXPECT_EQ(GetControlText(box_), kTwoLinesBox);
      EXPECT_FALSE(IsIconic(window_));
      EXPECT_EQ(GetForegroundWindow(), window_);
    } else {
      Keys({VK_ESCAPE});
      ASSERT_TRUE(WaitForCaptureEnd());
      PumpFor(300);
      EXPECT_TRUE(IsIconic(window_));
    }
  }
  ASSERT_TRUE(PumpUntil([] { return RunningWorkers() == 0; }, 10000));
}

}  // namespace
}  // namespace ornivex
