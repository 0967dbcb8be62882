#pragma once
// The DPI a window is drawn at.
#include <windows.h>

namespace ornivex {

// The window's DPI (GetDpiForWindow where the system has it, else the screen's),
// 96 when nothing answers.
int WindowDpi(HWND window);

}  // namespace ornivex
