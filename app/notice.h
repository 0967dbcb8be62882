#pragma once
// The program's one notice: a balloon that points at a control of the main
// window and says, in one short sentence, what the user must know (why no text
// came back, that no update page is set, ...). It is not a message box: it takes
// no focus and waits for nothing. It closes on a click or a key anywhere in the
// program, when the next picture is chosen, when another notice replaces it, or
// after about 10 s. UI thread only.
#include <windows.h>

#include <string_view>

namespace ornivex {

// Shows `gbkText` beside `anchor` (a control, or a window), replacing the notice
// that shows, if any.
void ShowNotice(HWND anchor, std::string_view gbkText);
void HideNotice();

// The balloon's window while a notice shows, null otherwise. Its one tool
// (id kNoticeToolId, of the anchor's top-level window) holds the text.
HWND NoticeWindow();
inline constexpr UINT_PTR kNoticeToolId = 1;

}  // namespace ornivex
