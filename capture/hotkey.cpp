#include "capture/hotkey.h"


namespace ornivex::capture {

namespace {

struct Name {
  std::string_view text;
  unsigned code;
};

// Modifiers in the order the canonical name writes them.
constexpr Name kModifierNames[] = {
    {"Win", kModWin},
    {"Ctrl", kModControl},
    {"Control", kModControl},
    {"Alt", kModAlt},
    {"Shift", kModShift},
};

// Named keys; where a key has two names, the first is the canonical one.
constexpr Name kKeyNames[] = {
    {"PrintScreen", kVkPrintScreen},
    {"PrtSc", kVkPrintScreen},
    {"Pause", kVkPause},
    {"Insert", kVkInsert},
    {"Ins", kVkInsert},
    {"Delete", kVkDelete},
    {"Del", kVkDelete},
    {"Home", kVkHome},
    {"End", kVkEnd},
    {"PageUp", kVkPageUp},
    {"PgUp", kVkPageUp},
    {"PageDown", kVkPageDown},
    {"PgDn", kVkPageDown},
    {"Left", kVkLeft},
    {"Up", kVkUp},
    {"Right", kVkRight},
    {"Down", kVkDown},
    {"Space", kVkSpace},
    {"Tab", kVkTab},
    {"Enter", kVkReturn},
    {"Return", kVkReturn},
    {"Esc", kVkEscape},
    {"Escape", kVkEscape},
};

constexpr int kFunctionKeys = 24;

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool EqualsNoCase(std::u16string_view text, std::string_view name) {
  if (text.size() != name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i)
    if (Lower(text[i]) != Lower(static_cast<char16_t>(name[i]))) return false;
  return true;
}

std::u16string_view Trim(std::u16string_view text) {
  const auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// 1 to 2 decimal digits, no leading zero, from `low` to `high`.
std::optional<unsigned> SmallNumber(std::u16string_view digits, unsigned low, unsigned high) {
  if (digits.empty() || digits.size() > 2 || digits[0] == u'0') return std::nullopt;
  unsigned value = 0;
  for (char16_t c : digits) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c - u'0');
  }
  if (value < low || value > high) return std::nullopt;
  return value;
}

std::optional<unsigned> ModifierOf(std::u16string_view name) {
  for (const Name& m : kModifierNames)
    if (EqualsNoCase(name, m.text)) return m.code;
  return std::nullopt;
}

std::optional<unsigned> KeyOf(std::u16string_view name) {
  if (name.size() == 1) {
    const char16_t c = name[0];
    if (c >= u'0' && c <= u'9') return static_cast<unsigned>(c);
    const char16_t upper = c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
    if (upper >= u'A' && upper <= u'Z') return static_cast<unsigned>(upper);
    return std::nullopt;
  }
  if (name.size() >= 2 && Lower(name[0]) == u'f') {
    if (const auto n = SmallNumber(name.substr(1), 1, kFunctionKeys)) return kVkF1 + *n - 1;
  }
  if (name.size() == 4 && EqualsNoCase(name.substr(0, 3), "Num") && name[3] >= u'0' && name[3] <= u'9')
    return kVkNumpad0 + (name[3] - u'0');
  for (const Name& k : kKeyNames)
    if (EqualsNoCase(name, k.text)) return k.code;
  return std::nullopt;
}

bool TypesNothing(unsigned key) {
  return (key >= kVkF1 && key < kVkF1 + kFunctionKeys) || key == kVkPrintScreen || key == kVkPause;
}

void Append(std::wstring& out, std::string_view ascii) { out.append(ascii.begin(), ascii.end()); }

}  // namespace

std::optional<Hotkey> ParseHotkey(std::u16string_view text) {
  Hotkey hotkey;
  bool haveKey = false;
  for (std::size_t start = 0;;) {
    const std::size_t plus = text.find(u'+', start);
    const std::u16string_view name = Trim(text.substr(start, plus == std::u16string_view::npos ? text.npos : plus - start));
    if (name.empty()) return std::nullopt;
    if (const auto modifier = ModifierOf(name)) {
      if (hotkey.modifiers & *modifier) return std::nullopt;
      hotkey.modifiers |= *modifier;
    } else if (const auto key = KeyOf(name)) {
      if (haveKey) return std::nullopt;
      hotkey.virtualKey = *key;
      haveKey = true;
    } else {
      return std::nullopt;
    }
    if (plus == std::u16string_view::npos) break;
    start = plus + 1;
  }
  if (!haveKey) return std::nullopt;
  if (!TypesNothing(hotkey.virtualKey) && (hotkey.modifiers & ~kModShift) == 0) return std::nullopt;
  return hotkey;
}

std::wstring HotkeyName(const Hotkey& hotkey) {
  std::wstring name;
  unsigned written = 0;
  for (const Name& m : kModifierNames) {
    if ((hotkey.modifiers & m.code) && !(written & m.code)) {
      Append(name, m.text);
      name += L'+';
      written |= m.code;
    }
  }
  const unsigned key = hotkey.virtualKey;
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) {
    name += static_cast<wchar_t>(key);
  } else if (key >= kVkF1 && key < kVkF1 + kFunctionKeys) {
    name += L'F';
    Append(name, std::to_string(key - kVkF1 + 1));
  } else if (key >= kVkNumpad0 && key <= kVkNumpad0 + 9) {
    Append(name, "Num");
    name += static_cast<wchar_t>(L'0' + (key - kVkNumpad0));
  } else {
    for (const Name& k : kKeyNames) {
      if (k.code == key) {
        Append(name, k.text);
        return name;
      }
    }
    // A key no name stands for (it did not come from ParseHotkey): its code.
    static constexpr char kHex[] = "0123456789ABCDEF";
    Append(name, std::string{'0', 'x', kHex[(key >> 4) & 15], kHex[key & 15]});
  }
  return name;
}

}  // namespace ornivex::capture
