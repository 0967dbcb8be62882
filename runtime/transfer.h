#pragma once
// What other programs hand over: the files of a drop, and a picture on the
// clipboard (a PNG file's bytes as the clipboard holds them, or a bitmap's
// pixels; turning them into a file is the caller's business).
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/picture_decode.h"

namespace ornivex {

// The paths of a drop (or of a CF_HDROP on the clipboard), in their order,
// UTF-16 as the shell gives them.
std::vector<std::wstring> DroppedFiles(HDROP drop);

struct ClipboardPicture {
  enum class Kind { None, Png, Bitmap, Files };
  Kind kind = Kind::None;
  std::vector<std::uint8_t> bytes;  // Png: the PNG file
  Picture bitmap;                   // Bitmap: its pixels, straight alpha
  std::vector<std::wstring> files;  // Files: every path of the CF_HDROP
};

// The picture on the clipboard, its formats tried in this order: the registered
// "PNG" format (browsers and many programs offer images that way; taken when it
// holds a whole PNG file, trailing bytes cut), CF_HDROP when `wanted` takes one
// of its files, CF_DIBV5, CF_DIB. A bitmap is decoded from the clipboard's own
// memory, where its header's sizes are checked against the memory's before
// anything is copied or set aside. Kind::None when it holds none of them, when
// its bitmap cannot be read, or when the clipboard cannot be opened (traced).
ClipboardPicture ReadClipboardPicture(HWND owner, const std::function<bool(const std::wstring&)>& wanted);

// Puts `text` on the clipboard as Unicode text (CF_UNICODETEXT), in place of
// what it held; false when the clipboard cannot be opened or written (traced).
bool PutClipboardText(HWND owner, std::wstring_view text);

}  // namespace ornivex
