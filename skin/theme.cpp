// The theme every skinned window is painted with: background picture, theme colour,
// accent colour and background mode.
#include "runtime/codepage.h"
#include "runtime/diagnostics.h"
#include "runtime/files.h"
#include "skin/background.h"
#include "skin/draw.h"
#include "skin/engine.h"

namespace ornivex::skin {

namespace {

// The average colour of a picture as a COLORREF.
COLORREF AverageAsColourRef(std::span<const std::uint8_t> picture) {
  const std::uint32_t argb = AverageColour(picture);
  return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

BOOL CALLBACK InvalidateVisibleChild(HWND child, LPARAM) {
  if (IsWindowVisible(child)) InvalidateRect(child, nullptr, TRUE);
  return TRUE;
}

}  // namespace

void SkinEngine::SetTheme(std::string_view pictureFile, std::span<const std::uint8_t> pictureBytes,
                          std::optional<COLORREF> baseColour, std::optional<long long> accent,
                          std::optional<int> mode) {
  // A file is read once, whole: the modes that work on its pixels take it as it is,
  // the others re-encode it as PNG through the decoder, whatever its format.
  std::string fileBytes;
  if (!pictureFile.empty()) {
    if (auto read = ReadWholeFile(GbkToWide(pictureFile))) {
      fileBytes = std::move(*read);
    } else if (!baseColour) {
      // Nothing to take a colour from: the windows keep the theme they have rather
      // than turn the colour of an empty picture.
      TraceFailure(L"Reading the theme picture; the theme is left as it was");
      return;
    } else {
      TraceFailure(L"Reading the theme picture");
    }
  }

  const bool followTheme = accent && *accent == -1;
  if (!followTheme) settings_.accent = accent ? static_cast<COLORREF>(*accent) : kDefaultAccent;

  if (pictureFile.empty() && pictureBytes.empty() && !baseColour) return;

  if (!pictureFile.empty() || !pictureBytes.empty()) {
    const std::span<const std::uint8_t> picture =
        pictureFile.empty() ? pictureBytes
                            : std::span{reinterpret_cast<const std::uint8_t*>(fileBytes.data()), fileBytes.size()};
    settings_.themeColour = baseColour ? *baseColour : AverageAsColourRef(picture);
    settings_.defaultBackgroundMode = mode.value_or(4);
    const int m = settings_.defaultBackgroundMode;
    if (m == 0 || m == 1)
      settings_.themePicture = PreparePicture(picture, Argb(settings_.themeColour, 255), m == 1);
    else if (!pictureFile.empty())
      settings_.themePicture = PictureFileAsPng(picture);
    else
      settings_.themePicture.assign(pictureBytes.begin(), pictureBytes.end());
  } else {
    settings_.themePicture.clear();
    settings_.themeColour = *baseColour;
  }
  if (followTheme) settings_.accent = settings_.themeColour;

  // Every visible skinned window is composed anew with the new theme.
  themeBitmap_.reset();
  for (auto& record : windows_) {
    record->scaledBackground.Reset();
    if (!IsWindowVisible(record->window)) continue;
    record->repaintAll = 1;
    InvalidateRect(record->window, nullptr, FALSE);
    EnumChildWindows(record->window, InvalidateVisibleChild, 0);
    for (const auto& header : record->headerControls)
      if (header->window) InvalidateRect(header->window, nullptr, FALSE);
  }
}

}  // namespace ornivex::skin
