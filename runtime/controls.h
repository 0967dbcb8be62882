#pragma once
// Reading and changing control text in GBK.
#include <windows.h>

#include <string>
#include <string_view>

namespace ornivex {

std::string GetControlText(HWND control);  // GBK
void SetControlText(HWND control, std::string_view gbk);
// Appends at the end of an edit box and scrolls the end into view.
void AppendEditText(HWND edit, std::string_view gbk);

}  // namespace ornivex
