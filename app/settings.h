#pragma once
// Ornivex.ini: the settings an installed program reads at start-up. The keys,
// how a file's text is read (Notepad's encodings, sections and keys), the
// checks every value passes before it is used, and how the values of the two
// files and the built-in values combine. No Windows header: app/settings_file.*
// reads the files and hands their bytes here.
#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ornivex {

// Which engine reads the pictures: the one built into the program, on this PC,
// or the cloud OCR service.
enum class OcrEngine { kLocal, kCloud };

// What the program talks to, and how it signs in to the OCR service. ASCII.
struct ServiceSettings {
  std::string ocrUrl;        // scheme, host and optional port of the OCR service
  std::string clientId;      // the OCR service's client credentials; both empty: none to send
  std::string clientSecret;
  std::string imageHostUrl;  // scheme, host and optional port of the image host; empty: none

  bool HasCredentials() const { return !clientId.empty() && !clientSecret.empty(); }
  bool HasImageHost() const { return !imageHostUrl.empty(); }
  bool operator==(const ServiceSettings&) const = default;
};

// Screen capture.
struct CaptureSettings {
  // The hotkey as the file writes it ("Ctrl+Shift+F1"): nothing for the
  // built-in one, an empty text when the file turns the hotkey off.
  std::optional<std::string> hotkey;
  bool copyToClipboard = true;  // a capture's text is also put on the clipboard

  bool operator==(const CaptureSettings&) const = default;
};

// Everything the program runs with.
struct Settings {
  ServiceSettings services;
  OcrEngine engine = OcrEngine::kCloud;
  std::string updatePageUrl;  // where "检查新版本" leads; empty: no page
  CaptureSettings capture;

  bool operator==(const Settings&) const = default;
};

// The keys, in the order of SettingsFileValues.
enum SettingIndex : std::size_t {
  kOcrUrlKey,
  kClientIdKey,
  kClientSecretKey,
  kOcrEngineKey,
  kImageHostUrlKey,
  kUpdateUrlKey,
  kCaptureHotkeyKey,
  kCaptureCopyKey,
  kSettingKeyCount
};

// One key of the file: its section, its name, and what its value must be.
struct SettingKey {
  enum class Kind {
    kServiceUrl,      // CheckServiceUrl
    kOptionalServiceUrl,  // CheckServiceUrl, or empty for none
    kCredential,      // CheckCredential
    kEngine,          // "local" or "cloud"
    kPageUrl,         // CheckPageUrl, or empty for none
    kHotkey,          // what the hotkey check given to ResolveSettings takes, or empty for none
    kFlag,            // "0" or "1"
  };
  std::string_view section;
  std::string_view name;
  Kind kind;
};

extern const std::array<SettingKey, kSettingKeyCount> kSettingKeys;

// What one file gives for each key of kSettingKeys (same order): nothing where
// the file does not set the key. A key that is there with nothing after its "="
// is set, to an empty value.
using SettingsFileValues = std::array<std::optional<std::u16string>, kSettingKeyCount>;

// A line of a file that names no key the program knows, for the trace.
struct UnknownSetting {
  std::u16string section;
  std::u16string name;  // empty for a section the program does not know
  int line = 0;         // 1-based
  bool operator==(const UnknownSetting&) const = default;
};

struct SettingsFile {
  SettingsFileValues values;
  std::vector<UnknownSetting> unknown;
};

// The text of a file as Notepad saves it: UTF-16 (little- or big-endian) with
// its BOM, UTF-8 with or without a BOM, or else the system's ANSI code page,
// which `ansi` converts. Bytes that are valid UTF-8 without a BOM are taken as
// UTF-8 (plain ASCII reads the same either way).
std::u16string SettingsFileText(std::span<const std::uint8_t> bytes,
                                const std::function<std::u16string(std::string_view)>& ansi);

// The keys of the file's text, read as the system's profile functions read
// them: "[section]" lines, "name=value" lines below them, names and values
// trimmed of spaces and tabs, one pair of matching quotes around a value taken
// off, section and key names in any case, the first of two equal sections or
// keys taken. Lines starting with ";" or "#" are comments. Anything else that is
// not a known section or key is listed in `unknown`.
SettingsFile ParseSettingsFile(std::u16string_view text);

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

// A web page to open: a service URL as above that may go on with a path, a
// query and a fragment of printable ASCII without spaces, quotes or angle
// brackets; 2048 characters at most.
std::optional<std::string> CheckPageUrl(std::u16string_view value);

// Whether a hotkey text parses; ResolveSettings is given it.
using HotkeyCheck = std::function<bool(std::u16string_view)>;

// The check of the key's kind: the value as the program keeps it, or nothing.
std::optional<std::string> CheckSetting(const SettingKey& key, std::u16string_view value,
                                        const HotkeyCheck& hotkey = {});

// What a value of the key must be, for the trace of one that is not.
std::string_view SettingRequirement(const SettingKey& key);

// What ResolveSettings passed over, for the traces: a value that failed its
// check (the index of its file in the list and of its key in kSettingKeys), and
// credentials held back from a service address another file set.
struct RejectedSetting {
  std::size_t file = 0;
  std::size_t key = 0;
  bool operator==(const RejectedSetting&) const = default;
};
struct SettingsNotes {
  std::vector<RejectedSetting> rejected;  // in file order, then key order
  // The OCR service's address came from file `ocrUrlFile`, which sets no sound
  // client_id and client_secret of its own (nor does a file before it): no
  // credentials are sent to it.
  bool credentialsWithheld = false;
  std::size_t ocrUrlFile = 0;
};

// The settings the program runs with, from the built-in ones and the files in
// order of precedence (per user first). Each key on its own takes its value
// from the first file that sets it to a value that passes the check, otherwise
// the built-in one; a value that fails is passed over as if it were not there.
// Credentials never go to an address set by a file of higher precedence than
// their own: when the OCR service's address comes from a file, the client id
// and secret come from that file or one before it, or none are sent (the
// built-in ones go only to the built-in service). When no file sets the engine,
// it is the cloud when a file sets a client id or secret, else the built-in one.
Settings ResolveSettings(const Settings& builtIn, std::span<const SettingsFileValues> files, SettingsNotes& notes,
                         const HotkeyCheck& hotkey = {});

}  // namespace ornivex
