#include "capture/hotkey.h"

#include <gtest/gtest.h>

#include <string>

namespace ornivex::capture {
namespace {

std::u16string Utf16(std::wstring_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

TEST(Hotkey, ReadsChordsInAnyCaseOrderAndSpacing) {
  const struct {
    std::u16string text;
    Hotkey key;
    std::wstring name;
  } rows[] = {
      {u"Win+Shift+O", {kModWin | kModShift, 'O'}, L"Win+Shift+O"},
      {u"shift + win + o", {kModWin | kModShift, 'O'}, L"Win+Shift+O"},
      {u"Ctrl+Shift+F1", {kModControl | kModShift, kVkF1}, L"Ctrl+Shift+F1"},
      {u"\tCONTROL+alt+a ", {kModControl | kModAlt, 'A'}, L"Ctrl+Alt+A"},
      {u"Alt+PrintScreen", {kModAlt, kVkPrintScreen}, L"Alt+PrintScreen"},
      {u"alt+prtsc", {kModAlt, kVkPrintScreen}, L"Alt+PrintScreen"},
      {u"F1", {0, kVkF1}, L"F1"},
      {u"F10", {0, kVkF1 + 9}, L"F10"},
      {u"F24", {0, kVkF1 + 23}, L"F24"},
      {u"PrintScreen", {0, kVkPrintScreen}, L"PrintScreen"},
      {u"Shift+F12", {kModShift, kVkF1 + 11}, L"Shift+F12"},
      {u"Win+9", {kModWin, '9'}, L"Win+9"},
      {u"Ctrl+Num0", {kModControl, kVkNumpad0}, L"Ctrl+Num0"},
      {u"Ctrl+Alt+Shift+Win+PgDn", {kModControl | kModAlt | kModShift | kModWin, kVkPageDown},
       L"Win+Ctrl+Alt+Shift+PageDown"},
      {u"Alt+Esc", {kModAlt, kVkEscape}, L"Alt+Esc"},
  };
  for (const auto& row : rows) {
    const auto parsed = ParseHotkey(row.text);
    ASSERT_TRUE(parsed) << std::string(row.text.begin(), row.text.end());
    EXPECT_EQ(*parsed, row.key);
    EXPECT_EQ(HotkeyName(*parsed), row.name);
    EXPECT_EQ(ParseHotkey(Utf16(row.name)), row.key);
  }
  EXPECT_EQ(HotkeyName(kDefaultHotkey), L"Win+Shift+O");
  EXPECT_EQ(HotkeyName({kModControl, kVkNumpad0 + 10}), L"Ctrl+0x6A");  // past Num9: no name of ours
}

TEST(Hotkey, RefusesWhatIsNotOneChord) {
  const std::u16string bad[] = {
      u"",         u" ",           u"O",              // a letter alone
      u"7",        u"Shift+A",     u"Shift+Space",    // ordinary typing
      u"Ctrl+Shift",                                   // no key
      u"Ctrl+Ctrl+A", u"Ctrl+Control+A",               // a modifier twice
      u"Ctrl+A+B", u"Ctrl+F1+F2",                      // two keys
      u"Ctrl++A",  u"+Ctrl+A",     u"Ctrl+A+",        // an empty name
      u"Ctrl+F0",  u"Ctrl+F25",    u"Ctrl+F01",       u"Ctrl+FF", u"Ctrl+Num10",
      u"Ctrl+Sft+A", u"Ctrl+Á",    u"Ctrl+Ａ",        // unknown names, non-ASCII
      u"Ctrl A",   u"Ctrl-A",
  };
  for (const auto& text : bad)
    EXPECT_FALSE(ParseHotkey(text)) << std::string(text.begin(), text.end()) << " was taken";
}

}  // namespace
}  // namespace ornivex::capture
