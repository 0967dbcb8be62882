#pragma once
// The definitions of the program's two windows, control by control.
#include "runtime/form_def.h"

namespace ornivex {

inline constexpr int kMainWindowWidth = 317;
inline constexpr int kMainWindowHeight = 537;

const FormDef& MainWindowDefinition();
const FormDef& AboutWindowDefinition();

}  // namespace ornivex
