// The capture key's text: whatever ParseHotkey takes has a modifier set it
// knows, a key, and a canonical name that reads back to the same chord.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "capture/hotkey.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ornivex::capture;
  std::u16string text;
  for (std::size_t i = 0; i + 1 < size; i += 2) text += static_cast<char16_t>(data[i] | data[i + 1] << 8);
  const auto key = ParseHotkey(text);
  if (!key) return 0;
  if (key->modifiers & ~(kModAlt | kModControl | kModShift | kModWin) || key->virtualKey == 0) std::abort();
  const std::wstring name = HotkeyName(*key);
  const std::u16string again(name.begin(), name.end());
  if (ParseHotkey(again) != key) std::abort();
  return 0;
}
