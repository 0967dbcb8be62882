#include "skin/enrol_rules.h"

namespace ornivex::skin {

namespace {

constexpr std::uint32_t kTypeMask = 0xF;  // BS_TYPEMASK
constexpr std::uint32_t kOwnerDraw = 0xB;
constexpr std::uint32_t kCheckBox = 0x2;
constexpr std::uint32_t kAutoCheckBox = 0x3;
constexpr std::uint32_t kAutoRadioButton = 0x9;

// Owner-drawn in the loose sense: every bit of BS_OWNERDRAW already set. That also
// keeps away the split buttons and command links (0xF), which draw themselves.
bool AlreadyOwnerDrawn(std::uint32_t style) { return (style | kOwnerDraw) == style; }

}  // namespace

bool IsSkinnablePushButton(std::uint32_t style) {
  if (AlreadyOwnerDrawn(style)) return false;
  const std::uint32_t type = style & kTypeMask;
  // BS_PUSHBUTTON (0), BS_DEFPUSHBUTTON (1) and BS_USERBUTTON (8): no check or
  // radio bits, and not an automatic radio button.
  return (type & 0x6) == 0 && type != kAutoRadioButton;
}

std::optional<ButtonKind> CheckOrRadioKind(std::uint32_t style) {
  if (AlreadyOwnerDrawn(style)) return std::nullopt;
  switch (style & kTypeMask) {
    case kAutoRadioButton: return ButtonKind::Radio;
    case kCheckBox:
    case kAutoCheckBox: return ButtonKind::Check;
    default: return std::nullopt;
  }
}

}  // namespace ornivex::skin
