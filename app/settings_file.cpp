#include "app/settings_file.h"

#include <windows.h>
#include <shlobj.h>

#include "app/endpoints.h"
#include "capture/hotkey.h"
#include "runtime/codepage.h"
#include "runtime/diagnostics.h"
#include "runtime/files.h"

namespace ornivex {

namespace {

// No sound file comes near this; a larger one is not read at all.
constexpr std::size_t kMaxSettingsFileBytes = 1 << 20;

std::wstring Widen(std::string_view ascii) { return std::wstring(ascii.begin(), ascii.end()); }
std::wstring Widen(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

std::wstring KeyText(const SettingKey& key) { return L"[" + Widen(key.section) + L"] " + Widen(key.name); }

std::u16string FromAnsi(std::string_view bytes) {
  if (bytes.empty()) return {};
  const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (n <= 0) return {};
  std::u16string text(static_cast<std::size_t>(n), u'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), reinterpret_cast<wchar_t*>(text.data()),
                      n);
  return text;
}

}  // namespace

Settings BuiltInSettings() {
  Settings settings;
  settings.services = {std::string(kOcrServiceUrl), std::string(kOcrClientId), std::string(kOcrClientSecret),
                       std::string(kImageHostUrl)};
  settings.engine = kBuiltInEngineIsLocal ? OcrEngine::kLocal : OcrEngine::kCloud;
  settings.updatePageUrl = std::string(kNewVersionPageUrl);
  return settings;
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

SettingsFile ReadSettingsFile(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) &&
      (data.nFileSizeHigh != 0 || data.nFileSizeLow > kMaxSettingsFileBytes)) {
    TraceNote(L"Ornivex.ini is larger than 1 MB and is not read", WideToGbk(path));
    return {};
  }
  const std::optional<std::string> bytes = ReadWholeFile(path);
  if (!bytes) return {};
  const std::u16string text = SettingsFileText(
      std::span(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()), FromAnsi);
  return ParseSettingsFile(text);
}

Settings ReadSettings() {
  const std::vector<std::wstring> paths = SettingsFilePaths();
  std::vector<SettingsFileValues> files;
  for (const std::wstring& path : paths) {
    SettingsFile file = ReadSettingsFile(path);
    for (const UnknownSetting& u : file.unknown) {
      const std::wstring where = L" (line " + std::to_wstring(u.line) + L")";
      TraceNote(u.name.empty() ? L"Ornivex.ini: [" + Widen(u.section) + L"] is not a section Ornivex knows" + where
                               : L"Ornivex.ini: " + (u.section.empty() ? std::wstring() : L"[" + Widen(u.section) + L"] ") +
                                     Widen(u.name) + L" is not a key Ornivex knows" + where,
                WideToGbk(path));
    }
    files.push_back(std::move(file.values));
  }
  SettingsNotes notes;
  Settings settings = ResolveSettings(BuiltInSettings(), files, notes,
                                      [](std::u16string_view keys) { return capture::ParseHotkey(keys).has_value(); });
  for (const RejectedSetting& r : notes.rejected) {
    const SettingKey& key = kSettingKeys[r.key];
    TraceNote(L"Ornivex.ini: " + KeyText(key) + L" ignored (" + Widen(SettingRequirement(key)) + L")",
              WideToGbk(paths[r.file]));
  }
  if (notes.credentialsWithheld)
    TraceNote(L"Ornivex.ini: [ocr] url names a service but its file sets no client_id and client_secret: no "
              L"credentials are sent to it",
              WideToGbk(paths[notes.ocrUrlFile]));
  return settings;
}

}  // namespace ornivex
