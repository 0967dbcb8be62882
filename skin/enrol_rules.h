#pragma once
// Which child windows the skin takes over, decided from their class and style bits
// alone. No Windows header: style values are the ordinary Win32 bits, spelled out
// here where they are needed.
#include <cstdint>
#include <optional>

namespace ornivex::skin {

// Kinds of skinned buttons; the numbers are the ones stored in the records.
enum class ButtonKind : int { Push = 0, Radio = 4, Check = 5 };

// A BUTTON child the push-button family takes: not owner-drawn already, and a
// push, default push or user button.
bool IsSkinnablePushButton(std::uint32_t style);

// A BUTTON child the check-box family takes: an automatic radio button (Radio) or
// a two-state check box (Check), not owner-drawn; nothing for anything else
// (three-state boxes, plain radio buttons, group boxes, push boxes).
std::optional<ButtonKind> CheckOrRadioKind(std::uint32_t style);

}  // namespace ornivex::skin
