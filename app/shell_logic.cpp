#include "app/shell_logic.h"

#include <algorithm>
#include <cwchar>

namespace ornivex {

std::string FormatStartTime(const DateTime& t) {
  return std::to_string(t.year) + "/" + std::to_string(t.month) + "/" + std::to_string(t.day) + " " +
         std::to_string(t.hour) + ":" + std::to_string(t.minute) + " " + std::to_string(t.second) + "s";
}

std::uint8_t WindowAlphaFor(int mode, int value) {
  switch (mode) {
    case 1: return 192;
    case 2: return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
    default: return 255;
  }
}

std::string ActivityRecord(std::string_view startTime, std::string_view fileName, std::int32_t pictureNumber) {
  std::string record;
  record.reserve(startTime.size() + fileName.size() + 24);
  record.append(startTime).append("|").append(fileName).append("-->").append(std::to_string(pictureNumber));
  record.append("\r\n");
  return record;
}

std::string ResultFileName(std::int32_t pictureNumber) { return std::to_string(pictureNumber) + ".txt"; }

bool HasPictureExtension(std::wstring_view path) {
  const std::size_t dot = path.find_last_of(L'.');
  if (dot == std::wstring_view::npos || path.find_first_of(L"\\/", dot) != std::wstring_view::npos) return false;
  std::wstring extension(path.substr(dot + 1));
  for (wchar_t& c : extension)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  return extension == L"jpg" || extension == L"jpeg" || extension == L"png" || extension == L"bmp";
}

std::wstring PastedPictureName(const DateTime& t, int attempt) {
  wchar_t name[64];
  std::swprintf(name, 64, L"%04d-%02d-%02d %02d.%02d.%02d.%03d", t.year, t.month, t.day, t.hour, t.minute, t.second,
                t.millisecond);
  std::wstring out = name;
  if (attempt > 1) out += L" (" + std::to_wstring(attempt) + L")";
  return out + L".png";
}

}  // namespace ornivex
