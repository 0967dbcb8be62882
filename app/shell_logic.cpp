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

bool CommandLineMayHaveArgument(std::wstring_view line) {
  std::size_t end;
  if (!line.empty() && line.front() == L'"') {
    end = line.find(L'"', 1);
    if (end == std::wstring_view::npos) return false;
    ++end;
  } else {
    end = line.find_first_of(L" \t");
    if (end == std::wstring_view::npos) return false;
  }
  return line.find_first_not_of(L" \t", end) != std::wstring_view::npos;
}

std::wstring PastedPictureName(const DateTime& t, int attempt) {
  wchar_t name[64];
  std::swprintf(name, 64, L"%04d-%02d-%02d %02d.%02d.%02d.%03d", t.year, t.month, t.day, t.hour, t.minute, t.second,
                t.millisecond);
  std::wstring out = name;
  if (attempt > 1) out += L" (" + std::to_wstring(attempt) + L")";
  return out + L".png";
}

namespace {

// Consumes `count` digits from the front of `text`.
bool TakeDigits(std::wstring_view& text, std::size_t count) {
  if (text.size() < count) return false;
  for (std::size_t i = 0; i < count; ++i)
    if (text[i] < L'0' || text[i] > L'9') return false;
  text.remove_prefix(count);
  return true;
}

// Consumes one or more digits.
bool TakeNumber(std::wstring_view& text) {
  std::size_t n = 0;
  while (n < text.size() && text[n] >= L'0' && text[n] <= L'9') ++n;
  return n > 0 && TakeDigits(text, n);
}

bool Take(std::wstring_view& text, std::wstring_view expected) {
  if (!text.starts_with(expected)) return false;
  text.remove_prefix(expected.size());
  return true;
}

}  // namespace

bool IsStaleTemporaryPicture(std::wstring_view name, std::int64_t ageSeconds) {
  if (ageSeconds <= kTemporaryPictureLifetimeSeconds) return false;
  // YYYY-MM-DD HH.MM.SS.mmm[ (n)].png[.<id>.tmp]
  std::wstring_view rest = name;
  if (!(TakeDigits(rest, 4) && Take(rest, L"-") && TakeDigits(rest, 2) && Take(rest, L"-") && TakeDigits(rest, 2) &&
        Take(rest, L" ") && TakeDigits(rest, 2) && Take(rest, L".") && TakeDigits(rest, 2) && Take(rest, L".") &&
        TakeDigits(rest, 2) && Take(rest, L".") && TakeDigits(rest, 3)))
    return false;
  if (Take(rest, L" (") && !(TakeNumber(rest) && Take(rest, L")"))) return false;
  if (!Take(rest, L".png")) return false;
  if (rest.empty()) return true;
  return Take(rest, L".") && TakeNumber(rest) && rest == L".tmp";
}

}  // namespace ornivex
