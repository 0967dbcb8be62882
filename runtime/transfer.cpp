#include "runtime/transfer.h"

#include <algorithm>
#include <new>
#include <optional>
#include <span>

#include "runtime/diagnostics.h"
#include "runtime/handles.h"

namespace ornivex {

namespace {

UINT PngClipboardFormat() {
  static const UINT format = RegisterClipboardFormatW(L"PNG");
  return format;
}

// The bytes of one clipboard format; empty when it is not there or cannot be read.
std::vector<std::uint8_t> ClipboardBytes(UINT format) {
  HANDLE data = GetClipboardData(format);
  if (!data) {
    TraceFailure(L"Reading a clipboard format");
    return {};
  }
  GlobalLockGuard locked(data);
  if (!locked) {
    TraceFailure(L"Locking the clipboard's data");
    return {};
  }
  return std::vector<std::uint8_t>(locked.Data(), locked.Data() + locked.Size());
}

// The pixels of a bitmap format, read in the clipboard's memory as it lies.
std::optional<Picture> ClipboardBitmap(UINT format) {
  HANDLE data = GetClipboardData(format);
  if (!data) {
    TraceFailure(L"Reading a clipboard format");
    return std::nullopt;
  }
  GlobalLockGuard locked(data);
  if (!locked) {
    TraceFailure(L"Locking the clipboard's data");
    return std::nullopt;
  }
  return DecodeDib({locked.Data(), locked.Size()}, Alpha::Straight);
}

}  // namespace

std::vector<std::wstring> DroppedFiles(HDROP drop) {
  std::vector<std::wstring> files;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    if (length == 0) continue;
    std::wstring path(length, L'\0');
    if (DragQueryFileW(drop, i, path.data(), length + 1) != length) continue;
    files.push_back(std::move(path));
  }
  return files;
}

ClipboardPicture ReadClipboardPicture(HWND owner, const std::function<bool(const std::wstring&)>& wanted) {
  ClipboardPicture picture;
  const UINT png = PngClipboardFormat();
  const bool anyFormat = (png && IsClipboardFormatAvailable(png)) || IsClipboardFormatAvailable(CF_HDROP) ||
                         IsClipboardFormatAvailable(CF_DIBV5) || IsClipboardFormatAvailable(CF_DIB);
  if (!anyFormat) return picture;  // text, or nothing: not worth opening the clipboard
  OpenClipboardGuard clipboard(owner);
  if (!clipboard) {
    TraceFailure(L"Opening the clipboard");
    return picture;
  }
  try {
    if (png && IsClipboardFormatAvailable(png)) {
      std::vector<std::uint8_t> bytes = ClipboardBytes(png);
      if (const std::size_t size = PngFileSize(bytes)) {
        bytes.resize(size);
        picture.kind = ClipboardPicture::Kind::Png;
        picture.bytes = std::move(bytes);
        return picture;
      }
      TraceNote(L"The clipboard's PNG format holds no whole PNG file");
    }
    if (IsClipboardFormatAvailable(CF_HDROP)) {
      if (HANDLE drop = GetClipboardData(CF_HDROP)) {
        std::vector<std::wstring> files = DroppedFiles(static_cast<HDROP>(drop));
        if (std::any_of(files.begin(), files.end(), wanted)) {
          picture.kind = ClipboardPicture::Kind::Files;
          picture.files = std::move(files);
          return picture;
        }
      }
    }
    bool bitmapOffered = false;
    for (const UINT format : {static_cast<UINT>(CF_DIBV5), static_cast<UINT>(CF_DIB)}) {
      if (!IsClipboardFormatAvailable(format)) continue;
      bitmapOffered = true;
      std::optional<Picture> bitmap = ClipboardBitmap(format);
      if (!bitmap) continue;
      picture.kind = ClipboardPicture::Kind::Bitmap;
      picture.bitmap = std::move(*bitmap);
      return picture;
    }
    if (bitmapOffered) TraceNote(L"The bitmap on the clipboard cannot be read");
  } catch (const std::bad_alloc&) {
    TraceNote(L"No memory for the clipboard's picture");
    return ClipboardPicture{};
  }
  return picture;
}

bool PutClipboardText(HWND owner, std::wstring_view text) {
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (!memory) {
    TraceFailure(L"Making room for the clipboard's text");
    return false;
  }
  if (void* data = GlobalLock(memory)) {
    std::copy(text.begin(), text.end(), static_cast<wchar_t*>(data));
    static_cast<wchar_t*>(data)[text.size()] = L'\0';
    GlobalUnlock(memory);
  }
  OpenClipboardGuard clipboard(owner);
  if (!clipboard || !EmptyClipboard() || !SetClipboardData(CF_UNICODETEXT, memory)) {
    TraceFailure(L"Putting the text on the clipboard");
    GlobalFree(memory);  // still ours: the clipboard took nothing
    return false;
  }
  return true;  // the clipboard owns the memory now
}

}  // namespace ornivex
