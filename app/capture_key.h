#pragma once
// Which capture key the program registers for its run, and the texts that name
// it: the system menu's item and the notice for a key another program holds.
// No Windows header.
#include <optional>
#include <string>

#include "app/settings.h"
#include "capture/hotkey.h"

namespace ornivex {

// The system command of the system menu's capture item: below the system's own
// (0xF000), its low four bits clear, as the system keeps those for itself.
inline constexpr unsigned kCaptureMenuCommand = 0x0010;

// The key the settings ask for: the built-in one when they name none, nothing
// when they turn it off (an empty value) or name one that does not parse.
std::optional<capture::Hotkey> CaptureKeyFor(const CaptureSettings& settings);

// The system menu's item, GBK: "截图识别", followed, when a key starts a
// capture too, by a tab and the key's name, as menus show their keys.
std::string CaptureMenuText(const std::optional<capture::Hotkey>& working);

// The notice for a key that another program holds, GBK.
std::string CaptureKeyTakenText(const capture::Hotkey& key);

}  // namespace ornivex
