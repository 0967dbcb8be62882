#pragma once
// The one skin engine of the program, from SkinStartup to SkinExit.
#include "skin/engine.h"

namespace ornivex {

// Null outside SkinStartup ... SkinExit.
skin::SkinEngine* Skin();

// The main window's theme, with the skin picture drawn for the scale nearest `dpi`.
void SetMainWindowTheme(int dpi);

}  // namespace ornivex
