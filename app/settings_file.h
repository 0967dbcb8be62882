#pragma once
// Reads Ornivex.ini at start-up, in the two places it may be: first
// %APPDATA%\Ornivex\Ornivex.ini (per user), then Ornivex.ini beside the
// executable (per installation). How the keys combine is app/settings.h's. A
// value that fails its check, a section or key the program does not know, and
// credentials held back from another file's service address are traced
// (runtime/diagnostics.h); the user is shown nothing. The files may be ANSI,
// UTF-8 (with or without a BOM) or UTF-16 with a BOM, as Notepad saves them.
#include <string>
#include <vector>

#include "app/settings.h"

namespace ornivex {

inline constexpr wchar_t kSettingsFileName[] = L"Ornivex.ini";

// The values the program was built with (app/endpoints.h).
Settings BuiltInSettings();

// The files to read, per user first. The per-user one is left out when the
// system names no application-data folder for the user.
std::vector<std::wstring> SettingsFilePaths();

// What one file sets, key by key, and what it holds that the program does not
// know; nothing for a file that is not there.
SettingsFile ReadSettingsFile(const std::wstring& path);

// The settings to run with: the built-in ones, replaced key by key from the files.
Settings ReadSettings();

}  // namespace ornivex
