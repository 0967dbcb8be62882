#pragma once
// Whole-file reads and writes, and the folders the program writes to.
// Paths are UTF-16, as Windows takes them; contents are plain bytes.
#include <optional>
#include <string>
#include <string_view>

namespace ornivex {

// The whole file, or nothing when it does not exist or cannot be read.
std::optional<std::string> ReadWholeFile(const std::wstring& path);

// Creates the file (replacing an existing one) and writes every byte. False when
// the file cannot be created or not every byte could be written.
bool WriteWholeFile(const std::wstring& path, std::string_view bytes);

// Replaces the file's content so that a crash or a full disk at any moment leaves
// either the old content or the new one: the bytes go to a temporary file beside
// it, are flushed, and the temporary file then takes the place of the old one.
// A read-only file is left alone (false).
bool ReplaceFileContent(const std::wstring& path, std::string_view bytes);

bool FileExists(const std::wstring& path);

// Folder of the running executable, without a trailing backslash.
std::wstring ExecutableDirectory();

// The current user's desktop folder; empty when the shell cannot name it.
std::wstring DesktopDirectory();

}  // namespace ornivex
