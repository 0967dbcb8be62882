#pragma once
// The capture key: a chord of modifiers and one key, read from the text a user
// writes in Ornivex.ini ("Ctrl+Shift+F1", "Win+Shift+O") and written back in one
// canonical form. No Windows header: the modifier and key numbers below are
// Windows' own (RegisterHotKey's MOD_* flags, the VK_* virtual-key codes), so a
// Hotkey goes to RegisterHotKey as it is.
#include <optional>
#include <string>
#include <string_view>

namespace ornivex::capture {

// RegisterHotKey's modifier flags.
inline constexpr unsigned kModAlt = 0x0001;      // MOD_ALT
inline constexpr unsigned kModControl = 0x0002;  // MOD_CONTROL
inline constexpr unsigned kModShift = 0x0004;    // MOD_SHIFT
inline constexpr unsigned kModWin = 0x0008;      // MOD_WIN

// The virtual-key codes a capture key may use besides letters ('A'..'Z') and
// digits ('0'..'9'), whose codes are their upper-case ASCII values.
inline constexpr unsigned kVkTab = 0x09;
inline constexpr unsigned kVkReturn = 0x0D;
inline constexpr unsigned kVkPause = 0x13;
inline constexpr unsigned kVkEscape = 0x1B;
inline constexpr unsigned kVkSpace = 0x20;
inline constexpr unsigned kVkPageUp = 0x21;     // VK_PRIOR
inline constexpr unsigned kVkPageDown = 0x22;   // VK_NEXT
inline constexpr unsigned kVkEnd = 0x23;
inline constexpr unsigned kVkHome = 0x24;
inline constexpr unsigned kVkLeft = 0x25;
inline constexpr unsigned kVkUp = 0x26;
inline constexpr unsigned kVkRight = 0x27;
inline constexpr unsigned kVkDown = 0x28;
inline constexpr unsigned kVkPrintScreen = 0x2C;  // VK_SNAPSHOT
inline constexpr unsigned kVkInsert = 0x2D;
inline constexpr unsigned kVkDelete = 0x2E;
inline constexpr unsigned kVkNumpad0 = 0x60;    // ..0x69 for Num9
inline constexpr unsigned kVkF1 = 0x70;         // ..0x87 for F24

struct Hotkey {
  unsigned modifiers = 0;  // kMod* flags
  unsigned virtualKey = 0;
  friend bool operator==(const Hotkey&, const Hotkey&) = default;
};

// Win+Shift+O: not one Windows takes for itself (Win+Shift+S is its snipping
// tool) nor a screenshot key of the common chat programs (Ctrl+Alt+A, Alt+A).
inline constexpr Hotkey kDefaultHotkey{kModWin | kModShift, 'O'};

// A chord written as names joined by "+": any of the modifiers Ctrl (or
// Control), Alt, Shift and Win, each at most once and in any order, and exactly
// one key: a letter, a digit, F1 to F24, Num0 to Num9, PrintScreen (PrtSc),
// Pause, Insert (Ins), Delete (Del), Home, End, PageUp (PgUp), PageDown (PgDn),
// Left, Up, Right, Down, Space, Tab, Enter (Return) or Esc (Escape). Names in any
// case; spaces and tabs around each name are ignored. Keys that type nothing
// (F1 to F24, PrintScreen, Pause) may stand alone; every other key needs a
// modifier besides Shift, since Shift with a letter or a digit is ordinary typing.
// Nothing for any other text, the empty one included.
std::optional<Hotkey> ParseHotkey(std::u16string_view text);

// The chord in its canonical form: modifiers in the order Win, Ctrl, Alt,
// Shift, then the key's first name above ("Win+Shift+O", "Ctrl+Alt+PrintScreen").
// ParseHotkey(HotkeyName(k)) gives k back for every key ParseHotkey gives.
std::wstring HotkeyName(const Hotkey& hotkey);

}  // namespace ornivex::capture
