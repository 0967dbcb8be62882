#include "app/settings.h"

#include <algorithm>

namespace ornivex {

const std::array<SettingKey, kSettingKeyCount> kSettingKeys = {{
    {"ocr", "url", SettingKey::Kind::kServiceUrl},
    {"ocr", "client_id", SettingKey::Kind::kCredential},
    {"ocr", "client_secret", SettingKey::Kind::kCredential},
    {"ocr", "engine", SettingKey::Kind::kEngine},
    {"image_host", "url", SettingKey::Kind::kOptionalServiceUrl},
    {"update", "url", SettingKey::Kind::kPageUrl},
    {"capture", "hotkey", SettingKey::Kind::kHotkey},
    {"capture", "copy", SettingKey::Kind::kFlag},
}};

namespace {

constexpr std::size_t kMaxCredential = 128;
constexpr std::size_t kMaxHostName = 253;
constexpr std::size_t kMaxLabel = 63;
constexpr std::size_t kMaxIpv6 = 45;  // the longest text form, with an IPv4 tail
constexpr std::size_t kMaxPageUrl = 2048;

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

// Whether `text` is the ASCII `word`, in any case.
bool EqualsNoCase(std::u16string_view text, std::string_view word) {
  return text.size() == word.size() && StartsWithNoCase(text, word);
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

std::optional<std::string> CheckPageUrl(std::u16string_view value) {
  if (value.size() > kMaxPageUrl) return std::nullopt;
  // The address up to the first "/", "?" or "#" after the scheme is checked as a
  // service's; what follows is the page's path, query and fragment.
  const std::size_t scheme = value.find(u"://");
  if (scheme == std::u16string_view::npos) return std::nullopt;
  const std::size_t rest = value.find_first_of(u"/?#", scheme + 3);
  const std::u16string_view tail = rest == std::u16string_view::npos ? std::u16string_view() : value.substr(rest);
  std::optional<std::string> site = CheckServiceUrl(value.substr(0, rest));
  if (!site) return std::nullopt;
  for (char16_t c : tail)
    if (c <= 0x20 || c >= 0x7F || c == u'"' || c == u'<' || c == u'>' || c == u'\\' || c == u'`')
      return std::nullopt;
  return *site + Narrow(tail);
}

std::optional<std::string> CheckSetting(const SettingKey& key, std::u16string_view value, const HotkeyCheck& hotkey) {
  switch (key.kind) {
    case SettingKey::Kind::kServiceUrl: return CheckServiceUrl(value);
    case SettingKey::Kind::kOptionalServiceUrl: return value.empty() ? std::string() : CheckServiceUrl(value);
    case SettingKey::Kind::kCredential: return CheckCredential(value);
    case SettingKey::Kind::kEngine:
      if (EqualsNoCase(value, "local")) return "local";
      if (EqualsNoCase(value, "cloud")) return "cloud";
      return std::nullopt;
    case SettingKey::Kind::kPageUrl: return value.empty() ? std::string() : CheckPageUrl(value);
    case SettingKey::Kind::kHotkey:
      if (value.empty()) return std::string();
      if (!std::all_of(value.begin(), value.end(), [](char16_t c) { return c >= 0x20 && c <= 0x7E; }))
        return std::nullopt;
      if (hotkey && !hotkey(value)) return std::nullopt;
      return Narrow(value);
    case SettingKey::Kind::kFlag:
      if (value == u"0" || value == u"1") return Narrow(value);
      return std::nullopt;
  }
  return std::nullopt;
}

std::string_view SettingRequirement(const SettingKey& key) {
  switch (key.kind) {
    case SettingKey::Kind::kServiceUrl:
      return "not http:// or https://, a host and an optional port from 1 to 65535 without path, query or user";
    case SettingKey::Kind::kOptionalServiceUrl:
      return "not empty, or http:// or https://, a host and an optional port from 1 to 65535 without path, query "
             "or user";
    case SettingKey::Kind::kCredential: return "not 1 to 128 printable ASCII characters";
    case SettingKey::Kind::kEngine: return "not local or cloud";
    case SettingKey::Kind::kPageUrl: return "not empty, or an http:// or https:// address";
    case SettingKey::Kind::kHotkey: return "not empty, or keys written like Ctrl+Shift+F1";
    case SettingKey::Kind::kFlag: return "not 0 or 1";
  }
  return {};
}

// --- Reading a file's text. ---

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view Trim(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool SameName(std::u16string_view a, std::string_view b) { return EqualsNoCase(a, b); }

// Whether the bytes are UTF-8 throughout: no stray continuation bytes, no
// overlong forms, no surrogates, nothing past U+10FFFF.
bool IsUtf8(std::span<const std::uint8_t> bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const std::uint8_t b = bytes[i];
    int more;
    std::uint32_t min;
    if (b < 0x80) {
      ++i;
      continue;
    } else if (b >= 0xC2 && b <= 0xDF) {
      more = 1, min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
      more = 2, min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
      more = 3, min = 0x10000;
    } else {
      return false;
    }
    if (bytes.size() - i <= static_cast<std::size_t>(more)) return false;
    std::uint32_t code = b & (0x3F >> more);
    for (int k = 1; k <= more; ++k) {
      if ((bytes[i + k] & 0xC0) != 0x80) return false;
      code = code << 6 | (bytes[i + k] & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += more + 1;
  }
  return true;
}

std::u16string FromUtf8(std::span<const std::uint8_t> bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const std::uint8_t b = bytes[i];
    const int more = b < 0x80 ? 0 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
    std::uint32_t code = more == 0 ? b : b & (0x3F >> more);
    for (int k = 1; k <= more; ++k) code = code << 6 | (bytes[i + k] & 0x3F);
    i += more + 1;
    if (code >= 0x10000) {
      code -= 0x10000;
      text += static_cast<char16_t>(0xD800 + (code >> 10));
      text += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      text += static_cast<char16_t>(code);
    }
  }
  return text;
}

std::u16string FromUtf16(std::span<const std::uint8_t> bytes, bool bigEndian) {
  std::u16string text(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::uint8_t a = bytes[2 * i], b = bytes[2 * i + 1];
    text[i] = static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
  }
  return text;
}

}  // namespace

std::u16string SettingsFileText(std::span<const std::uint8_t> bytes,
                                const std::function<std::u16string(std::string_view)>& ansi) {
  const auto starts = [&](std::initializer_list<std::uint8_t> bom) {
    return bytes.size() >= bom.size() && std::equal(bom.begin(), bom.end(), bytes.begin());
  };
  if (starts({0xFF, 0xFE})) return FromUtf16(bytes.subspan(2), false);
  if (starts({0xFE, 0xFF})) return FromUtf16(bytes.subspan(2), true);
  const bool bom = starts({0xEF, 0xBB, 0xBF});
  const std::span<const std::uint8_t> body = bom ? bytes.subspan(3) : bytes;
  if (IsUtf8(body)) return FromUtf8(body);
  if (bom) {
    // Said to be UTF-8 but is not throughout: what is readable is read, the
    // rest becomes replacement characters rather than another code page.
    std::u16string text;
    for (std::size_t i = 0; i < body.size(); ++i) {
      std::size_t n = 1;
      while (i + n <= body.size() && !IsUtf8(body.subspan(i, n)) && n < 4) ++n;
      if (i + n <= body.size() && IsUtf8(body.subspan(i, n))) {
        text += FromUtf8(body.subspan(i, n));
        i += n - 1;
      } else {
        text += u'\uFFFD';
      }
    }
    return text;
  }
  return ansi ? ansi(std::string_view(reinterpret_cast<const char*>(body.data()), body.size())) : std::u16string();
}

SettingsFile ParseSettingsFile(std::u16string_view text) {
  SettingsFile file;
  std::optional<std::u16string> section;  // nothing before the first section line
  bool knownSection = false;
  std::vector<std::u16string> seenSections;
  bool repeatedSection = false;
  int lineNumber = 0;
  for (std::size_t at = 0; at <= text.size();) {
    std::size_t end = text.find_first_of(u"\r\n", at);
    if (end == std::u16string_view::npos) end = text.size();
    const std::u16string_view line = Trim(text.substr(at, end - at));
    ++lineNumber;
    // CR LF is one line end; a lone CR or LF is one too.
    at = end + (end + 1 < text.size() && text[end] == u'\r' && text[end + 1] == u'\n' ? 2 : 1);
    if (line.empty() || line.front() == u';' || line.front() == u'#') {
      if (end >= text.size()) break;
      continue;
    }
    if (line.front() == u'[') {
      const std::size_t close = line.find(u']');
      section = std::u16string(Trim(line.substr(1, close == std::u16string_view::npos ? line.size() - 1 : close - 1)));
      knownSection = std::any_of(kSettingKeys.begin(), kSettingKeys.end(),
                                 [&](const SettingKey& k) { return SameName(*section, k.section); });
      // The profile functions read the first of two sections of one name only.
      repeatedSection = std::any_of(seenSections.begin(), seenSections.end(), [&](const std::u16string& s) {
        return s.size() == section->size() &&
               std::equal(s.begin(), s.end(), section->begin(), [](char16_t a, char16_t b) { return Lower(a) == Lower(b); });
      });
      if (!repeatedSection) seenSections.push_back(*section);
      if (!knownSection) file.unknown.push_back({*section, {}, lineNumber});
      if (end >= text.size()) break;
      continue;
    }
    const std::size_t equals = line.find(u'=');
    const std::u16string_view name = Trim(line.substr(0, equals));
    if (!section || !knownSection) {
      if (!section) file.unknown.push_back({{}, std::u16string(name), lineNumber});
    } else {
      std::size_t index = kSettingKeyCount;
      for (std::size_t k = 0; k < kSettingKeyCount; ++k)
        if (SameName(*section, kSettingKeys[k].section) && SameName(name, kSettingKeys[k].name)) index = k;
      if (index == kSettingKeyCount || equals == std::u16string_view::npos) {
        file.unknown.push_back({*section, std::u16string(name), lineNumber});
      } else if (!repeatedSection && !file.values[index]) {
        std::u16string_view value = Trim(line.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
          value = value.substr(1, value.size() - 2);
        file.values[index] = std::u16string(value);
      }
    }
    if (end >= text.size()) break;
  }
  return file;
}

// --- Combining the files. ---

Settings ResolveSettings(const Settings& builtIn, std::span<const SettingsFileValues> files, SettingsNotes& notes,
                         const HotkeyCheck& hotkey) {
  // Each key's sound value and the file it came from (files.size(): built in).
  std::array<std::optional<std::string>, kSettingKeyCount> value;
  std::array<std::size_t, kSettingKeyCount> from;
  from.fill(files.size());
  for (std::size_t file = 0; file < files.size(); ++file) {
    for (std::size_t key = 0; key < kSettingKeyCount; ++key) {
      const std::optional<std::u16string>& given = files[file][key];
      if (!given) continue;
      // A later file's value is still checked, so that a bad one is reported
      // even while an earlier file's value covers it.
      std::optional<std::string> checked = CheckSetting(kSettingKeys[key], *given, hotkey);
      if (!checked) {
        notes.rejected.push_back({file, key});
      } else if (!value[key]) {
        value[key] = std::move(checked);
        from[key] = file;
      }
    }
  }

  Settings settings = builtIn;
  ServiceSettings& services = settings.services;
  if (value[kOcrUrlKey]) services.ocrUrl = *value[kOcrUrlKey];
  if (value[kImageHostUrlKey]) services.imageHostUrl = *value[kImageHostUrlKey];
  // A credential goes to the service only when its own file ranks as high as the
  // address's, or higher.
  const std::size_t urlFile = from[kOcrUrlKey];
  const auto credential = [&](std::size_t key, const std::string& builtInValue) -> std::optional<std::string> {
    // from[key] is the first file with a sound value: when it ranks below the
    // address's file, no file that ranks as high has one.
    if (value[key] && from[key] <= urlFile) return value[key];
    if (urlFile == files.size()) return builtInValue;
    return std::nullopt;  // the built-in credentials go to the built-in service only
  };
  const std::optional<std::string> id = credential(kClientIdKey, builtIn.services.clientId);
  const std::optional<std::string> secret = credential(kClientSecretKey, builtIn.services.clientSecret);
  if (id && secret) {
    services.clientId = *id;
    services.clientSecret = *secret;
  } else {
    services.clientId.clear();
    services.clientSecret.clear();
    notes.credentialsWithheld = true;
    notes.ocrUrlFile = urlFile;
  }

  if (value[kOcrEngineKey]) {
    settings.engine = *value[kOcrEngineKey] == "local" ? OcrEngine::kLocal : OcrEngine::kCloud;
  } else if (value[kClientIdKey] || value[kClientSecretKey]) {
    settings.engine = OcrEngine::kCloud;
  }
  if (value[kUpdateUrlKey]) settings.updatePageUrl = *value[kUpdateUrlKey];
  if (value[kCaptureHotkeyKey]) settings.capture.hotkey = *value[kCaptureHotkeyKey];
  if (value[kCaptureCopyKey]) settings.capture.copyToClipboard = *value[kCaptureCopyKey] == "1";
  return settings;
}

}  // namespace ornivex
