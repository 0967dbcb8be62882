#pragma once
// The skin gallery: one skinned top-level window holding every control the skin
// knows, and the ones it must leave alone, for tests, benchmarks and screenshots.
#include <windows.h>

#include <map>
#include <string>

#include "skin/engine.h"

namespace ornivex::skin::gallery {

inline constexpr wchar_t kTitle[] = L"Ornivex skin gallery";
inline constexpr wchar_t kControlsTitle[] = L"Ornivex controls gallery";

struct Gallery {
  HWND window = nullptr;
  int number = 0;  // the window's number in the engine
  // The gallery's children by name: "push", "default", "disabled", "checked",
  // "unchecked", "radio1", "radio2", "threeState", "plainRadio", "groupBox",
  // "ownerDrawn"; the sub-windows "panel" (holding "panelPush", "panelCheck",
  // "panelText" and "status"), "framedPanel" (holding "toolbar" and "triState")
  // and "groupPanel" (holding "groupCheck"); and the transparent controls
  // "calendar", "tabs", "toolbar", "status", "triState", "trackbar" and
  // "panelCheck" (the last two painted by a family of the skin as well).
  std::map<std::string, HWND> controls;
  HWND operator[](const std::string& name) const {
    auto found = controls.find(name);
    return found == controls.end() ? nullptr : found->second;
  }
};

// The theme and control skinning the program uses: the skin picture stretched
// (mode 3), base and accent colour 0xFF8800, child controls skinned without a veil.
void ApplyProgramTheme(SkinEngine& engine);

// Creates the gallery window at (x, y) with all its children, shows it and gives it
// the skin (help, main-menu, minimize, maximize (unless told not to) and close title
// buttons, sizable), then registers its sub-windows and transparent controls.
Gallery Create(SkinEngine& engine, int x = 40, int y = 40, bool maximizeBox = true);

// Creates the controls gallery at (x, y): every family of child controls the skin
// paints, directly on the skinned window and again inside a registered sub-window
// ("panel", with a soft frame and a light fill). Named children: "edit",
// "multiEdit", "dropDown", "dropList", "simple", "list", "ownerList", "listView",
// "tree", "ip", "date", "trackbar", "vTrackbar", "progressLow", "progressMid",
// "progressHigh", "vProgress", "spinEdit", "upDown", "hUpDown", "buttonsHeader",
// "flatHeader"; inside the panel the same names after "sub.".
Gallery CreateControls(SkinEngine& engine, int x = 40, int y = 40);

// Dispatches messages for `milliseconds`.
void Pump(int milliseconds);

}  // namespace ornivex::skin::gallery
