#include "app/settings_file.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <string_view>

#include "app/endpoints.h"
#include "runtime/codepage.h"
#include "runtime/diagnostics.h"
#include "runtime/files.h"

namespace ornivex {

namespace {

// The longest text read for a value or a section's key names; a longer value
// is cut, and fails its check anyway (no sound value comes near this length).
constexpr DWORD kMaxProfileChars = 32767;

std::wstring Widen(std::string_view ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// GetPrivateProfileStringW into a buffer that grows until the text fits. A
// result of `size - shortfall` characters means the text was cut.
std::wstring ProfileString(const std::wstring& path, const wchar_t* section, const wchar_t* key, DWORD shortfall) {
  std::wstring buffer(256, L'\0');
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD n = GetPrivateProfileStringW(section, key, L"", buffer.data(), size, path.c_str());
    if (n + shortfall != size || size >= kMaxProfileChars) {
      buffer.resize(n);
      return buffer;
    }
    buffer.resize(std::min<DWORD>(size * 4, kMaxProfileChars));
  }
}

// Whether the section lists the key name (in any case, as the profile functions match it).
bool SectionHasKey(std::wstring_view names, std::wstring_view key) {
  for (std::size_t at = 0; at < names.size();) {
    const std::size_t end = std::min(names.find(L'\0', at), names.size());
    const std::wstring_view name = names.substr(at, end - at);
    if (CompareStringOrdinal(name.data(), static_cast<int>(name.size()), key.data(), static_cast<int>(key.size()),
                             TRUE) == CSTR_EQUAL)
      return true;
    at = end + 1;
  }
  return false;
}

std::wstring KeyText(const SettingKey& key) {
  return L"[" + Widen(key.section) + L"] " + Widen(key.name);
}

}  // namespace

ServiceSettings BuiltInServiceSettings() {
  return {std::string(kOcrServiceUrl), std::string(kOcrClientId), std::string(kOcrClientSecret),
          std::string(kImageHostUrl)};
}

std::vector<std::wstring> SettingsFilePaths() {
  std::vector<std::wstring> paths;
  wchar_t appData[MAX_PATH] = {};
  const HRESULT hr = SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData);
  if (SUCCEEDED(hr)) {
    paths.push_back(std::wstring(appData) + L"\\Ornivex\\" + kSettingsFileName);
  } else {
    TraceHresult(L"Finding the application-data folder for Ornivex.ini", hr);
  }
  const std::wstring beside = ExecutableDirectory();
  if (!beside.empty()) paths.push_back(beside + L"\\" + kSettingsFileName);
  return paths;
}

SettingsFileValues ReadSettingsFile(const std::wstring& path) {
  SettingsFileValues values;
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return values;
  std::wstring section, names;
  for (std::size_t i = 0; i < kSettingKeys.size(); ++i) {
    // The section's key names first: a key written with nothing after its "="
    // is there, with an empty value, which is not the same as a key left out.
    if (section != Widen(kSettingKeys[i].section)) {
      section = Widen(kSettingKeys[i].section);
      names = ProfileString(path, section.c_str(), nullptr, 2);
    }
    const std::wstring name = Widen(kSettingKeys[i].name);
    if (!SectionHasKey(names, name)) continue;
    const std::wstring value = ProfileString(path, section.c_str(), name.c_str(), 1);
    values[i] = std::u16string(value.begin(), value.end());
  }
  return values;
}

ServiceSettings ReadServiceSettings() {
  const std::vector<std::wstring> paths = SettingsFilePaths();
  std::vector<SettingsFileValues> files;
  for (const std::wstring& path : paths) files.push_back(ReadSettingsFile(path));
  std::vector<RejectedSetting> rejected;
  ServiceSettings settings = ResolveSettings(BuiltInServiceSettings(), files, rejected);
  for (const RejectedSetting& r : rejected) {
    const SettingKey& key = kSettingKeys[r.key];
    TraceNote(L"Ornivex.ini: " + KeyText(key) + L" ignored (" + Widen(SettingRequirement(key)) + L")",
              WideToGbk(paths[r.file]));
  }
  return settings;
}

}  // namespace ornivex
