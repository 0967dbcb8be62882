#pragma once
// Whole-file reads and writes, and the folders the program writes to.
// Paths are UTF-16, as Windows takes them, and may be of any length (a long one
// is handed on in its extended form, runtime/path_form.h); contents are plain
// bytes. Every failure is traced (runtime/diagnostics.h) before it is returned.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "runtime/handles.h"

namespace ornivex {

// The whole file, or nothing when it does not exist or cannot be read.
std::optional<std::string> ReadWholeFile(const std::wstring& path);

// Reads the whole file into memory the caller provides: `place` is told the
// file's size and returns where its bytes go (exactly that many), or an empty
// span to read nothing. False when the file cannot be opened or read, when it
// is shorter than it was when opened, or when `place` gave no room.
bool ReadWholeFileInto(const std::wstring& path,
                       const std::function<std::span<std::uint8_t>(std::uint64_t size)>& place);

// Replaces the file's content, creating it when there is none, so that a failure
// or a crash at any moment leaves either the old content or the new one, never a
// part: the bytes go to a temporary file beside it, are flushed, and the
// temporary file then takes the place of the old one. A read-only file, a
// folder of that name or a missing folder give false and change nothing.
bool WriteWholeFile(const std::wstring& path, std::string_view bytes);

// Makes a new file (never one that exists) with the bytes, flushed, and hands
// back the handle that keeps it: the file is deleted when the handle is closed,
// or when the process ends, however it ends. Others may read it meanwhile if
// they let it be deleted (FILE_SHARE_DELETE), as ReadWholeFile does. An invalid
// handle when it cannot be made or written (nothing is left behind then).
UniqueFile WriteFileDeletedOnClose(const std::wstring& path, std::string_view bytes);

bool FileExists(const std::wstring& path);

// Folder of the running executable, without a trailing backslash.
std::wstring ExecutableDirectory();

// The current user's desktop folder; empty when the shell cannot name it.
std::wstring DesktopDirectory();

}  // namespace ornivex
