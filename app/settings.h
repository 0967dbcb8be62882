#pragma once
// Ornivex.ini: the settings an installed program reads at start-up to reach
// other services than the ones it was built for. The keys, the checks every
// value passes before it is used, and how the values of the two files and the
// built-in values combine. No Windows header: app/settings_file.* reads the
// files and hands their values here.
#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ornivex {

// What the program talks to, and how it signs in to the OCR service. ASCII.
struct ServiceSettings {
  std::string ocrUrl;        // scheme, host and optional port of the OCR service
  std::string clientId;      // the OCR service's client credentials
  std::string clientSecret;
  std::string imageHostUrl;  // scheme, host and optional port of the image host

  bool operator==(const ServiceSettings&) const = default;
};

// One key of the file: its section, its name, and what its value must be.
struct SettingKey {
  enum class Kind { kServiceUrl, kCredential };
  std::string_view section;
  std::string_view name;
  Kind kind;
  std::string ServiceSettings::*field;
};

// [ocr] url, client_id, client_secret; [image_host] url.
inline constexpr std::size_t kSettingKeyCount = 4;
extern const std::array<SettingKey, kSettingKeyCount> kSettingKeys;

// What one file gives for each key of kSettingKeys (same order), as the profile
// functions read it: nothing where the file does not set the key. A key that is
// there with nothing after its "=" is set, to an empty value.
using SettingsFileValues = std::array<std::optional<std::u16string>, kSettingKeyCount>;

// "http://" or "https://" (in any case), a host, an optional ":port" from 1 to
// 65535, and at most one "/" after it; no credentials, path, query or fragment.
// The host is a DNS name (dot-separated labels of 1 to 63 letters, digits and
// inner hyphens, 253 characters at most; an IPv4 address is one) or an IPv6
// address in brackets. Gives the URL with its scheme in lower case and without
// the slash, or nothing.
std::optional<std::string> CheckServiceUrl(std::u16string_view value);

// 1 to 128 printable ASCII characters (space to tilde), given back unchanged;
// nothing otherwise.
std::optional<std::string> CheckCredential(std::u16string_view value);

// The check of the key's kind.
std::optional<std::string> CheckSetting(const SettingKey& key, std::u16string_view value);

// What a value of the key must be, for the trace of one that is not.
std::string_view SettingRequirement(const SettingKey& key);

// A value that failed its check: the index of its file in the list given to
// ResolveSettings and the index of its key in kSettingKeys.
struct RejectedSetting {
  std::size_t file = 0;
  std::size_t key = 0;
  bool operator==(const RejectedSetting&) const = default;
};

// The settings the program runs with. Each key on its own: its value from the
// first of `files` that sets it to a value that passes the check, otherwise the
// built-in one. A value that fails is passed over as if it were not there and
// is listed in `rejected`, in file order, then key order.
ServiceSettings ResolveSettings(const ServiceSettings& builtIn, std::span<const SettingsFileValues> files,
                                std::vector<RejectedSetting>& rejected);

}  // namespace ornivex
