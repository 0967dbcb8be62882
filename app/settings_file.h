#pragma once
// Reads Ornivex.ini at start-up, in the two places it may be: first
// %APPDATA%\Ornivex\Ornivex.ini (per user), then Ornivex.ini beside the
// executable (per installation). Each key is taken on its own (app/settings.h):
// from the first file that sets it to a sound value, otherwise built in. A
// value that fails its check is traced (runtime/diagnostics.h) and passed over;
// the user is shown nothing. The files may be ANSI or UTF-16 with a BOM.
#include <string>
#include <vector>

#include "app/settings.h"

namespace ornivex {

inline constexpr wchar_t kSettingsFileName[] = L"Ornivex.ini";

// The values the program was built with (app/endpoints.h).
ServiceSettings BuiltInServiceSettings();

// The files to read, per user first. The per-user one is left out when the
// system names no application-data folder for the user.
std::vector<std::wstring> SettingsFilePaths();

// What one file sets, key by key; nothing for a file that is not there.
SettingsFileValues ReadSettingsFile(const std::wstring& path);

// The settings to run with: the built-in ones, replaced key by key from the files.
ServiceSettings ReadServiceSettings();

}  // namespace ornivex
