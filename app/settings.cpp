#include "app/settings.h"

#include <algorithm>

namespace ornivex {

const std::array<SettingKey, kSettingKeyCount> kSettingKeys = {{
    {"ocr", "url", SettingKey::Kind::kServiceUrl, &ServiceSettings::ocrUrl},
    {"ocr", "client_id", SettingKey::Kind::kCredential, &ServiceSettings::clientId},
    {"ocr", "client_secret", SettingKey::Kind::kCredential, &ServiceSettings::clientSecret},
    {"image_host", "url", SettingKey::Kind::kServiceUrl, &ServiceSettings::imageHostUrl},
}};

namespace {

constexpr std::size_t kMaxCredential = 128;
constexpr std::size_t kMaxHostName = 253;
constexpr std::size_t kMaxLabel = 63;
constexpr std::size_t kMaxIpv6 = 45;  // the longest text form, with an IPv4 tail

bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsHexDigit(char16_t c) { return IsDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }
char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

// Whether `text` starts with the ASCII `prefix`, in any case.
bool StartsWithNoCase(std::u16string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (Lower(text[i]) != static_cast<char16_t>(prefix[i])) return false;
  return true;
}

bool IsHostName(std::u16string_view host) {
  if (host.empty() || host.size() > kMaxHostName) return false;
  std::size_t labelStart = 0;
  for (std::size_t i = 0; i <= host.size(); ++i) {
    if (i < host.size() && host[i] != u'.') {
      if (!IsAsciiLetter(host[i]) && !IsDigit(host[i]) && host[i] != u'-') return false;
      continue;
    }
    const std::u16string_view label = host.substr(labelStart, i - labelStart);
    if (label.empty() || label.size() > kMaxLabel || label.front() == u'-' || label.back() == u'-') return false;
    labelStart = i + 1;
  }
  return true;
}

// "[" hex digits, colons and dots "]", with at least two colons.
bool IsBracketedIpv6(std::u16string_view host) {
  if (host.size() < 4 || host.front() != u'[' || host.back() != u']' || host.size() - 2 > kMaxIpv6) return false;
  const std::u16string_view inner = host.substr(1, host.size() - 2);
  if (std::count(inner.begin(), inner.end(), u':') < 2) return false;
  return std::all_of(inner.begin(), inner.end(), [](char16_t c) { return IsHexDigit(c) || c == u':' || c == u'.'; });
}

// 1 to 5 digits with a value from 1 to 65535.
bool IsPort(std::u16string_view port) {
  if (port.empty() || port.size() > 5 || !std::all_of(port.begin(), port.end(), IsDigit)) return false;
  unsigned value = 0;
  for (char16_t c : port) value = value * 10 + (c - u'0');
  return value >= 1 && value <= 65535;
}

// Printable ASCII only, so the narrowing is exact.
std::string Narrow(std::u16string_view text) { return std::string(text.begin(), text.end()); }

}  // namespace

std::optional<std::string> CheckServiceUrl(std::u16string_view value) {
  std::string_view scheme;
  if (StartsWithNoCase(value, "http://")) {
    scheme = "http://";
  } else if (StartsWithNoCase(value, "https://")) {
    scheme = "https://";
  } else {
    return std::nullopt;
  }
  std::u16string_view authority = value.substr(scheme.size());
  if (authority.ends_with(u'/')) authority.remove_suffix(1);  // one, a second one is a path

  // The port is what follows the last colon after the host; an IPv6 host's own
  // colons are inside its brackets.
  std::u16string_view host = authority;
  const std::size_t bracket = authority.rfind(u']');
  const std::size_t colon = authority.rfind(u':');
  if (colon != std::u16string_view::npos && (bracket == std::u16string_view::npos || colon > bracket)) {
    if (!IsPort(authority.substr(colon + 1))) return std::nullopt;
    host = authority.substr(0, colon);
  }
  if (!IsHostName(host) && !IsBracketedIpv6(host)) return std::nullopt;
  return std::string(scheme) + Narrow(authority);
}

std::optional<std::string> CheckCredential(std::u16string_view value) {
  if (value.empty() || value.size() > kMaxCredential) return std::nullopt;
  if (!std::all_of(value.begin(), value.end(), [](char16_t c) { return c >= 0x20 && c <= 0x7E; }))
    return std::nullopt;
  return Narrow(value);
}

std::optional<std::string> CheckSetting(const SettingKey& key, std::u16string_view value) {
  return key.kind == SettingKey::Kind::kServiceUrl ? CheckServiceUrl(value) : CheckCredential(value);
}

std::string_view SettingRequirement(const SettingKey& key) {
  return key.kind == SettingKey::Kind::kServiceUrl
             ? "not http:// or https://, a host and an optional port from 1 to 65535 without path, query or user"
             : "not 1 to 128 printable ASCII characters";
}

ServiceSettings ResolveSettings(const ServiceSettings& builtIn, std::span<const SettingsFileValues> files,
                                std::vector<RejectedSetting>& rejected) {
  ServiceSettings settings = builtIn;
  std::array<bool, kSettingKeyCount> taken = {};
  for (std::size_t file = 0; file < files.size(); ++file) {
    for (std::size_t key = 0; key < kSettingKeyCount; ++key) {
      const std::optional<std::u16string>& value = files[file][key];
      if (!value) continue;
      // A later file's value is still checked, so that a bad one is reported
      // even while an earlier file's value covers it.
      std::optional<std::string> checked = CheckSetting(kSettingKeys[key], *value);
      if (!checked) {
        rejected.push_back({file, key});
      } else if (!taken[key]) {
        settings.*kSettingKeys[key].field = std::move(*checked);
        taken[key] = true;
      }
    }
  }
  return settings;
}

}  // namespace ornivex
