#include "app/capture_key.h"

#include "app/texts.h"

namespace ornivex {

namespace {

// Key names are ASCII, the same in GBK.
std::string NameOf(const capture::Hotkey& key) {
  const std::wstring name = capture::HotkeyName(key);
  return std::string(name.begin(), name.end());
}

}  // namespace

std::optional<capture::Hotkey> CaptureKeyFor(const CaptureSettings& settings) {
  if (!settings.hotkey) return capture::kDefaultHotkey;
  const std::string& text = *settings.hotkey;
  return capture::ParseHotkey(std::u16string(text.begin(), text.end()));
}

std::string CaptureMenuText(const std::optional<capture::Hotkey>& working) {
  std::string text(texts::kCaptureMenuItem);
  if (working) text += '\t' + NameOf(*working);
  return text;
}

std::string CaptureKeyTakenText(const capture::Hotkey& key) {
  return std::string(texts::kNoticeCaptureKeyTakenPrefix) + NameOf(key) +
         std::string(texts::kNoticeCaptureKeyTakenSuffix);
}

}  // namespace ornivex
