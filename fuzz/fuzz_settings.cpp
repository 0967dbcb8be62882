// The checks of the settings file against a slow reference (a regular
// expression and the limits written out), what an accepted value turns into
// (a URL that checks again to itself, credentials that read back whole from the
// token request's query), and the way the files and the built-in values combine.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <optional>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "fuzz/check.h"
#include "app/ocr_protocol.h"
#include "app/settings.h"
#include "http/encoding.h"

namespace {

using ornivex::CheckCredential;
using ornivex::CheckServiceUrl;

using ornivex::fuzz::Check;

std::u16string Widen(std::string_view s) { return std::u16string(s.begin(), s.end()); }

// Whether the value passes as a service URL, worked out another way.
bool RefServiceUrl(std::u16string_view value) {
  // Nothing longer than "https://", 253 characters of host, ":65535" and "/" can pass;
  // the bound also keeps the regular expression's recursion shallow.
  if (value.size() > 300) return false;
  std::string ascii;
  for (char16_t c : value) {
    if (c >= 0x80) return false;
    ascii += static_cast<char>(c);
  }
  static const std::regex url(
      "[Hh][Tt][Tt][Pp][Ss]?://"
      "(([A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?(\\.[A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?)*)"
      "|\\[([0-9A-Fa-f:.]{2,45})\\])"
      "(:([0-9]{1,5}))?/?");
  std::smatch m;
  if (!std::regex_match(ascii, m, url)) return false;
  if (m[1].length() > 253 && !m[6].matched) return false;
  if (m[6].matched && std::count(m[6].first, m[6].second, ':') < 2) return false;
  if (m[8].matched) {
    const long port = std::stol(m[8].str());
    if (port < 1 || port > 65535) return false;
  }
  return true;
}

void CheckUrl(std::u16string_view value) {
  const std::optional<std::string> url = CheckServiceUrl(value);
  Check(url.has_value() == RefServiceUrl(value));
  if (!url) return;
  Check(url->starts_with("http://") || url->starts_with("https://"));
  Check(!url->ends_with("/"));
  Check(CheckServiceUrl(Widen(*url)) == url);
  Check(ornivex::PictureUrl(*url, "20417") == *url + "/photo/20417.png");
}

void CheckSecret(std::u16string_view value) {
  const std::optional<std::string> secret = CheckCredential(value);
  const bool ref = !value.empty() && value.size() <= 128 &&
                   std::all_of(value.begin(), value.end(), [](char16_t c) { return c >= 0x20 && c <= 0x7E; });
  Check(secret.has_value() == ref);
  if (!secret) return;
  // Both values read back whole from the query, which keeps its four fields.
  const std::string token = ornivex::TokenUrl("http://h", *secret, *secret);
  const std::string query = token.substr(token.find('?') + 1);
  Check(std::count(query.begin(), query.end(), '&') == 3 && query.find_first_of(" #?") == std::string::npos);
  const std::size_t id = query.find("&client_id=") + 11;
  const std::size_t idEnd = query.find('&', id);
  const std::size_t key = query.find("&client_secret=") + 15;
  Check(ornivex::UrlDecode(query.substr(id, idEnd - id)) == *secret);
  Check(ornivex::UrlDecode(query.substr(key, query.size() - 1 - key)) == *secret);
}

// The files' text: whatever bytes, read in every encoding, parse without
// fault; values written out as a file read back the same.
void CheckFileText(FuzzedDataProvider& in) {
  const std::vector<std::uint8_t> bytes = in.ConsumeBytes<std::uint8_t>(in.ConsumeIntegralInRange(0, 512));
  const std::u16string text = ornivex::SettingsFileText(bytes, [](std::string_view b) { return Widen(b); });
  const ornivex::SettingsFile parsed = ornivex::ParseSettingsFile(text);
  for (const ornivex::UnknownSetting& u : parsed.unknown) Check(u.line >= 1);

  std::u16string written;
  ornivex::SettingsFileValues want;
  for (std::size_t k = 0; k < ornivex::kSettingKeyCount; ++k) {
    if (!in.ConsumeBool()) continue;
    std::u16string value = Widen(in.ConsumeRandomLengthString(40));
    // What a value cannot hold as written on one line: line ends, blanks at
    // its ends (trimmed), and quotes around it (taken off).
    std::erase_if(value, [](char16_t c) { return c == u'\r' || c == u'\n' || c == u'\0'; });
    while (!value.empty() && (value.back() == u' ' || value.back() == u'\t')) value.pop_back();
    while (!value.empty() && (value.front() == u' ' || value.front() == u'\t')) value.erase(0, 1);
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
      continue;
    const ornivex::SettingKey& key = ornivex::kSettingKeys[k];
    written += u"[" + Widen(key.section) + u"]\r\n" + Widen(key.name) + u"=" + value + u"\r\n";
    if (!want[k]) want[k] = value;
  }
  // Each key written in a section of its own: a repeated section is not read
  // again, so only each section's first appearance counts.
  ornivex::SettingsFileValues firstOnly;
  std::vector<std::string_view> seen;
  for (std::size_t k = 0; k < ornivex::kSettingKeyCount; ++k) {
    if (!want[k]) continue;
    const std::string_view section = ornivex::kSettingKeys[k].section;
    if (std::find(seen.begin(), seen.end(), section) == seen.end()) {
      seen.push_back(section);
      firstOnly[k] = want[k];
    }
  }
  Check(ornivex::ParseSettingsFile(written).values == firstOnly);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  if (in.ConsumeBool()) {
    CheckFileText(in);
    return 0;
  }
  // Sixteen values, each absent or present: two files of every key.
  std::vector<ornivex::SettingsFileValues> files(2);
  for (auto& file : files) {
    for (auto& value : file) {
      if (!in.ConsumeBool()) continue;
      // Most values start with a scheme, so that the host and port rules get exercised.
      constexpr const char16_t* kSchemes[] = {u"", u"http://", u"HTTPS://", u"https://"};
      std::u16string text = kSchemes[in.ConsumeIntegralInRange(0, 3)];
      const std::string bytes = in.ConsumeRandomLengthString(320);
      if (in.ConsumeBool()) {
        text += Widen(bytes);  // mostly ASCII, where the interesting cases are
      } else {
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
          text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
      }
      CheckUrl(text);
      CheckSecret(text);
      value = std::move(text);
    }
  }

  ornivex::Settings builtIn;
  builtIn.services = {"https://b.example", "id", "secret", "http://i.example"};
  ornivex::SettingsNotes notes;
  const ornivex::Settings got = ornivex::ResolveSettings(builtIn, files, notes);
  std::size_t bad = 0;
  std::array<std::optional<std::string>, ornivex::kSettingKeyCount> want;
  std::array<std::size_t, ornivex::kSettingKeyCount> from{};
  for (std::size_t k = 0; k < ornivex::kSettingKeyCount; ++k) {
    from[k] = files.size();
    for (std::size_t f = 0; f < files.size(); ++f) {
      if (!files[f][k]) continue;
      const std::optional<std::string> checked = ornivex::CheckSetting(ornivex::kSettingKeys[k], *files[f][k]);
      if (!checked) ++bad;
      if (checked && !want[k]) want[k] = checked, from[k] = f;
    }
  }
  using ornivex::kClientIdKey, ornivex::kClientSecretKey, ornivex::kOcrUrlKey, ornivex::kImageHostUrlKey;
  Check(got.services.ocrUrl == want[kOcrUrlKey].value_or(builtIn.services.ocrUrl));
  Check(got.services.imageHostUrl == want[kImageHostUrlKey].value_or(builtIn.services.imageHostUrl));
  // Credentials: each from a file that ranks as high as the address's, or built
  // in with a built-in address; both or neither.
  const auto allowed = [&](std::size_t k, const std::string& builtInValue) -> std::optional<std::string> {
    if (want[k] && from[k] <= from[kOcrUrlKey]) return want[k];
    if (from[kOcrUrlKey] == files.size()) return builtInValue;
    return std::nullopt;
  };
  const auto id = allowed(kClientIdKey, builtIn.services.clientId);
  const auto secret = allowed(kClientSecretKey, builtIn.services.clientSecret);
  Check(notes.credentialsWithheld == !(id && secret));
  Check(got.services.clientId == (id && secret ? *id : ""));
  Check(got.services.clientSecret == (id && secret ? *secret : ""));
  Check(!got.services.clientId.empty() || got.services.clientSecret.empty());
  Check(notes.rejected.size() == bad);
  for (const ornivex::RejectedSetting& r : notes.rejected)
    Check(r.file < files.size() && r.key < ornivex::kSettingKeyCount && files[r.file][r.key] &&
          !ornivex::CheckSetting(ornivex::kSettingKeys[r.key], *files[r.file][r.key]));
  return 0;
}
