#pragma once
// The picture box control: a child window that shows a picture unscaled at its
// top-left corner, blending its alpha over the box's background.
#include <windows.h>

#include <span>

#include "runtime/picture_decode.h"

namespace ornivex {

inline constexpr wchar_t kPictureBoxClass[] = L"OrnivexPictureBox";

// The window procedure of the kPictureBoxClass window class.
LRESULT CALLBACK PictureBoxProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam);

// Gives the box its picture (replacing any earlier one) and repaints it.
// False when the picture could not be turned into a bitmap.
bool SetBoxPicture(HWND box, const Picture& picture);

// Size of the picture the box shows; 0 x 0 when it has none.
SIZE BoxPictureSize(HWND box);

}  // namespace ornivex
