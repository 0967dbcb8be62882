// The ways a picture reaches the chain besides the open-file dialog: files
// dropped on the main window, a picture pasted from the clipboard, and a path on
// the command line ("Open with"). Each ends in StartChainForPath, exactly as a
// choice in the dialog does; what is not a picture is ignored with a trace.
#include <memory>
#include <optional>
#include <span>
#include <utility>

#include "app/application.h"
#include "app/notice.h"
#include "app/texts.h"
#include "app/shell_logic.h"
#include "app/temp_pictures.h"
#include "runtime/diagnostics.h"
#include "runtime/files.h"
#include "runtime/handles.h"
#include "runtime/path_form.h"
#include "runtime/picture_encode.h"
#include "runtime/threads.h"
#include "runtime/transfer.h"

namespace ornivex {

namespace {

// Why a path is not taken as a picture, or null when it is.
const wchar_t* PictureProblem(const std::wstring& path) {
  if (!HasPictureExtension(path)) return L"is not a .jpg, .jpeg, .png or .bmp file";
  const DWORD attributes = GetFileAttributesW(ExtendedLengthPath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return L"cannot be found";
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return L"is a folder";
  return nullptr;
}

void TraceIgnored(std::wstring_view what, const wchar_t* problem, const std::wstring& path) {
  TraceNote(std::wstring(what) + L" is ignored: it " + problem + L": " + path);
}

// The PNG file of what the clipboard held: its own PNG file unchanged, or its
// bitmap's pixels written as a PNG.
std::optional<std::vector<std::uint8_t>> PastedPng(ClipboardPicture& picture) {
  if (picture.kind == ClipboardPicture::Kind::Png) return std::move(picture.bytes);
  auto png = EncodePng(picture.bitmap);
  if (!png) TraceNote(L"The bitmap on the clipboard cannot be written as a PNG");
  return png;
}

}  // namespace

void OnFilesDropped(const std::vector<std::wstring>& files) {
  for (const std::wstring& file : files) {
    if (const wchar_t* problem = PictureProblem(file)) {
      TraceIgnored(L"A dropped file", problem, file);
      continue;
    }
    StartChainForPath(file);
    return;
  }
}

bool OnPaste() {
  HWND window = App().mainWindow->Handle();
  ClipboardPicture picture =
      ReadClipboardPicture(window, [](const std::wstring& path) { return PictureProblem(path) == nullptr; });
  switch (picture.kind) {
    case ClipboardPicture::Kind::None: return false;  // the focused control gets the keys as before
    case ClipboardPicture::Kind::Files: OnFilesDropped(picture.files); return true;
    default: break;
  }
  // A large screenshot takes a moment to turn into a PNG file: that is done on a
  // worker, under the working cursor, and the chain starts on this thread once
  // the file is there. Its place among the choices is the moment of the keys: a
  // file dropped meanwhile is a later choice, and wins.
  const ChainTicket ticket = TakeChainTicket();
  HideNotice();
  std::shared_ptr<void> busy = BackgroundWorkMark();
  StartWorker([window, ticket, picture = std::move(picture), busy]() mutable {
    const auto png = PastedPng(picture);
    std::wstring path = png ? WriteTemporaryPicture(*png) : std::wstring();
    PostToWindowThread(window, [window, ticket, path = std::move(path), busy] {
      if (!ApplicationRunning() || App().mainWindow->Handle() != window) return;
      if (!path.empty()) {
        StartChainForPath(path, ticket);
      } else if (IsLatestChainTicket(ticket)) {
        ShowNotice(MainControl(texts::kResultBox), texts::kNoticePictureUnreadable);
      }
    });
  });
  return true;
}

std::wstring PictureFromCommandLine() {
  // Most starts give no argument: then shell32, which splits the line, is not
  // loaded at start-up.
  const wchar_t* line = GetCommandLineW();
  if (!line || !CommandLineMayHaveArgument(line)) return {};
  int count = 0;
  UniqueLocalMemory args(CommandLineToArgvW(line, &count));
  if (!args) {
    TraceFailure(L"Reading the command line");
    return {};
  }
  if (count < 2) return {};
  const wchar_t* given = static_cast<LPWSTR*>(args.Get())[1];
  if (count > 2) TraceNote(L"Only the first argument on the command line is taken");
  // Made whole now, against the folder the program was started in: the
  // open-file dialog may change the current folder before it is used.
  const DWORD length = GetFullPathNameW(given, 0, nullptr, nullptr);
  if (length == 0) {
    TraceFailure(L"Making the command line's path whole");
    return given;
  }
  std::wstring path(length, L'\0');
  const DWORD written = GetFullPathNameW(given, length, path.data(), nullptr);
  if (written == 0 || written >= length) return given;
  path.resize(written);
  return path;
}

void OpenPictureGivenAtStart() {
  if (!ApplicationRunning()) return;
  const std::wstring path = std::exchange(App().pictureToOpen, {});
  if (path.empty()) return;
  if (const wchar_t* problem = PictureProblem(path)) {
    TraceIgnored(L"The picture given on the command line", problem, path);
    return;
  }
  StartChainForPath(path);
}

}  // namespace ornivex
