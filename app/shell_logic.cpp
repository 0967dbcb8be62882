#include "app/shell_logic.h"

#include <algorithm>

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

}  // namespace ornivex
