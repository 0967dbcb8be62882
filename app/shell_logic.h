#pragma once
// The arithmetic and text building of the application shell; no Windows header.
#include <cstdint>
#include <string>
#include <string_view>

namespace ornivex {

// A local date and time as the clock reports it.
struct DateTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// "year/month/day hour:minute second" + "s", every number without leading zeros:
// 7 June 2026 09:05:03 gives "2026/6/7 9:5 3s".
std::string FormatStartTime(const DateTime& time);

// Constant alpha for a layered window: mode 1 is 192, mode 2 takes `value`
// clamped to 0..255, any other mode is opaque.
std::uint8_t WindowAlphaFor(int mode, int value);

// One line of the activity log: start time, "|", file name, "-->", number, CR LF.
std::string ActivityRecord(std::string_view startTime, std::string_view fileName, std::int32_t pictureNumber);

// Name of the saved result: the picture number followed by ".txt".
std::string ResultFileName(std::int32_t pictureNumber);

// Whether a path names a picture the program takes by its extension: .jpg,
// .jpeg, .png or .bmp, in any case.
bool HasPictureExtension(std::wstring_view path);

// File name of a picture pasted at `time`: "2026-06-07 09.05.03.042.png", or with
// " (2)", " (3)"... before ".png" for the second and later `attempt`.
std::wstring PastedPictureName(const DateTime& time, int attempt = 1);

}  // namespace ornivex
