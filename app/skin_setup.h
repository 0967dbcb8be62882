#pragma once
// The one skin engine of the program, from SkinStartup to SkinExit.
#include "skin/engine.h"

namespace ornivex {

// Null outside SkinStartup ... SkinExit.
skin::SkinEngine* Skin();

}  // namespace ornivex
