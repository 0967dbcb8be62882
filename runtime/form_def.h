#pragma once
// Definition tables for windows and their controls. Plain data with no Windows
// header, so a form's layout can be read and checked anywhere. Style values are
// the ordinary Win32 style bits, given by the tables that include <windows.h>.
#include <cstdint>
#include <span>
#include <string_view>

#include "runtime/layout.h"

namespace ornivex {

// A LOGFONT in brief: height (negative: character height in pixels), weight,
// character set and face name (GBK; empty lets the font mapper choose).
struct FontDef {
  int height = 0;
  int weight = 400;
  std::uint8_t charset = 1;  // DEFAULT_CHARSET
  std::string_view face;
};

enum class ControlKind : std::uint8_t {
  GroupBox,      // frame with a caption that holds other controls
  EditBox,       // EDIT
  PushButton,    // BUTTON, BS_PUSHBUTTON
  PictureBox,    // shows a PNG, JPEG or BMP picture
  Label,         // static text; see ControlDef::transparent and wordWrap
  CommonDialog,  // no window: an open-file dialog kept with the form
};

inline constexpr std::uint32_t kNoColour = 0xFFFFFFFFu;

// A picture file for a picture box at a DPI (drawn for it, or the nearest there
// is); empty when there is none.
using PictureForDpi = std::span<const std::uint8_t> (*)(int dpi);

struct ControlDef {
  std::string_view name;    // GBK, unique within its form
  ControlKind kind = ControlKind::Label;
  std::string_view parent;  // name of the containing group box; empty: the form itself
  Rect bounds;              // relative to the parent's client area
  std::string_view text;    // GBK; for a common dialog, its filter "description|patterns|..."
  const FontDef* font = nullptr;  // null: the default GUI font
  std::uint32_t style = 0;        // added to the kind's own styles
  std::uint32_t exStyle = 0;
  std::uint32_t textColour = kNoColour;  // COLORREF
  std::uint32_t backColour = kNoColour;  // COLORREF
  bool transparent = false;  // labels: draw no background, let the parent show through
  bool wordWrap = false;     // labels: break at word boundaries and CR LF
  PictureForDpi picture = nullptr;  // picture boxes: the picture file drawn for the scale nearest a DPI
};

// Every length in a definition (bounds, font heights) is its value at 96 DPI; a
// window at another DPI scales them all.
struct FormDef {
  std::string_view caption;  // GBK
  Rect bounds;               // outer window rectangle on the screen
  std::uint32_t style = 0;
  std::uint32_t exStyle = 0;
  int iconResource = 0;  // 0: no icon of its own
  std::span<const ControlDef> controls;
};

}  // namespace ornivex
