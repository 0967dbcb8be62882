// The ways a picture reaches the chain besides the open-file dialog: files
// dropped on the main window, a picture pasted from the clipboard, and a path on
// the command line ("Open with"). Each ends in StartChainForPath, exactly as a
// choice in the dialog does; what is not a picture is ignored with a trace.
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <utility>

#include "app/application.h"
#include "app/shell_logic.h"
#include "runtime/diagnostics.h"
#include "runtime/files.h"
#include "runtime/handles.h"
#include "runtime/picture_encode.h"
#include "runtime/threads.h"
#include "runtime/transfer.h"

namespace ornivex {

namespace {

// Why a path is not taken as a picture, or null when it is.
const wchar_t* PictureProblem(const std::wstring& path) {
  if (!HasPictureExtension(path)) return L"is not a .jpg, .jpeg, .png or .bmp file";
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return L"cannot be found";
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return L"is a folder";
  return nullptr;
}

void TraceIgnored(std::wstring_view what, const wchar_t* problem, const std::wstring& path) {
  TraceNote(std::wstring(what) + L" is ignored: it " + problem + L": " + path);
}

// The pictures this run wrote for pastes, deleted when it ends. Workers add to
// it and may still run while the program's static objects are destroyed, so it
// is made once and never destroyed.
struct PastedPictures {
  std::mutex mutex;
  std::vector<std::wstring> paths;
};
PastedPictures& Pasted() {
  static PastedPictures* pasted = new PastedPictures;
  return *pasted;
}

DateTime Now() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return DateTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

// Writes a pasted picture's PNG file into %TEMP%\Ornivex\ under a name of the
// date and time, atomically. Its path, or empty when it cannot be written there
// (traced).
std::wstring WritePastedPicture(std::span<const std::uint8_t> png) {
  wchar_t temp[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  if (length == 0 || length > MAX_PATH) {
    TraceFailure(L"Finding the temporary folder");
    return {};
  }
  const std::wstring folder = std::wstring(temp, length) + L"Ornivex";
  if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    TraceFailure(L"Making the folder for pasted pictures");
    return {};
  }
  PastedPictures& pasted = Pasted();
  std::lock_guard lock(pasted.mutex);  // two pastes in one millisecond get two names
  const DateTime now = Now();
  for (int attempt = 1; attempt <= 100; ++attempt) {
    std::wstring path = folder + L"\\" + PastedPictureName(now, attempt);
    if (FileExists(path)) continue;
    if (!WriteWholeFile(path, std::string_view(reinterpret_cast<const char*>(png.data()), png.size()))) return {};
    pasted.paths.push_back(path);
    return path;
  }
  TraceNote(L"No free name for a pasted picture in " + folder);
  return {};
}

// The PNG file of what the clipboard held: its own PNG file unchanged, or its
// bitmap decoded and written as a PNG. Nothing when the bitmap cannot be read.
std::optional<std::vector<std::uint8_t>> PastedPng(ClipboardPicture& picture) {
  if (picture.kind == ClipboardPicture::Kind::Png) return std::move(picture.bytes);
  const auto file = BmpFileFromDib(picture.bytes);
  const auto bitmap = file ? DecodeBmp(*file, Alpha::Straight) : std::nullopt;
  if (!bitmap) {
    TraceNote(L"The bitmap on the clipboard cannot be read");
    return std::nullopt;
  }
  auto png = EncodePng(*bitmap);
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
  // the file is there.
  std::shared_ptr<void> busy = BackgroundWorkMark();
  StartWorker([window, picture = std::move(picture), busy]() mutable {
    const auto png = PastedPng(picture);
    if (!png) return;
    std::wstring path = WritePastedPicture(*png);
    if (path.empty()) return;
    PostToWindowThread(window, [window, path = std::move(path), busy] {
      if (ApplicationRunning() && App().mainWindow->Handle() == window) StartChainForPath(path);
    });
  });
  return true;
}

std::wstring PictureFromCommandLine() {
  int count = 0;
  UniqueLocalMemory args(CommandLineToArgvW(GetCommandLineW(), &count));
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

void DeletePastedPictures() {
  PastedPictures& pasted = Pasted();
  std::lock_guard lock(pasted.mutex);
  for (const std::wstring& path : pasted.paths)
    if (!DeleteFileW(path.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
      TraceFailure(L"Deleting a pasted picture");
  pasted.paths.clear();
}

}  // namespace ornivex
