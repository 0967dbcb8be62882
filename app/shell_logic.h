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

// Whether a command line may hold an argument after the program's name: false
// only when nothing but spaces and tabs follows the name (taken as the system
// takes it: up to the closing quote when it begins with one, else up to the first
// space or tab), so that splitting the line can be left out.
bool CommandLineMayHaveArgument(std::wstring_view commandLine);

// File name of a picture pasted at `time`: "2026-06-07 09.05.03.042.png", or with
// " (2)", " (3)"... before ".png" for the second and later `attempt`.
std::wstring PastedPictureName(const DateTime& time, int attempt = 1);

// How long a picture file the program wrote for itself may stay in its
// temporary folder after its run: one day.
inline constexpr std::int64_t kTemporaryPictureLifetimeSeconds = 24 * 60 * 60;

// Whether a file of the temporary folder is one the program wrote there (a name
// PastedPictureName makes, or the temporary file an earlier version wrote such
// a picture through first, that name followed by ".<digits>.tmp") and was last
// written more than a lifetime ago. Anything else there is not the program's
// to delete.
bool IsStaleTemporaryPicture(std::wstring_view name, std::int64_t ageSeconds);

}  // namespace ornivex
