#include "resources/skin_pictures.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

// Every headered picture, in the order of SkinPicture; each is embedded at three
// scales as k<Name>100, k<Name>150 and k<Name>200 (resources/CMakeLists.txt).
#define ORNIVEX_SKIN_PICTURES(X) \
  X(Help) X(MainMenu) X(Minimize) X(Maximize) X(Restore) X(Close) X(CheckBox) X(Tick) X(ArrowDown) X(ArrowUp) \
  X(ArrowLeft) X(ArrowRight)

#define ORNIVEX_DECLARE(symbol) \
  extern const unsigned char symbol[]; \
  extern const std::size_t symbol##Size;
#define ORNIVEX_DECLARE_SCALES(name) \
  ORNIVEX_DECLARE(k##name##100) ORNIVEX_DECLARE(k##name##150) ORNIVEX_DECLARE(k##name##200)

namespace ornivex::pictures::embedded {
ORNIVEX_SKIN_PICTURES(ORNIVEX_DECLARE_SCALES)
ORNIVEX_DECLARE_SCALES(Background)
ORNIVEX_DECLARE_SCALES(AboutLogo)
}  // namespace ornivex::pictures::embedded

namespace ornivex::pictures {

namespace {

struct Entry {
  const unsigned char* bytes;
  const std::size_t* size;
};
using Scales = Entry[kScaleSteps];

#define ORNIVEX_ENTRY(symbol) Entry{embedded::symbol, &embedded::symbol##Size}
#define ORNIVEX_ENTRIES(name) ORNIVEX_ENTRY(k##name##100), ORNIVEX_ENTRY(k##name##150), ORNIVEX_ENTRY(k##name##200)
#define ORNIVEX_ROW(name) {ORNIVEX_ENTRIES(name)},

constexpr Scales kSkinPictures[] = {ORNIVEX_SKIN_PICTURES(ORNIVEX_ROW)};
constexpr Scales kBackground = {ORNIVEX_ENTRIES(Background)};
constexpr Scales kAboutLogo = {ORNIVEX_ENTRIES(AboutLogo)};
static_assert(std::size(kSkinPictures) == kSkinPictureCount, "one row per SkinPicture");

std::span<const std::uint8_t> AtScale(const Scales& scales, int scaleStep) {
  const Entry& entry = scales[std::clamp(scaleStep, 0, kScaleSteps - 1)];
  return {entry.bytes, *entry.size};
}

}  // namespace

std::span<const std::uint8_t> Embedded(SkinPicture picture, int scaleStep) {
  const int index = static_cast<int>(picture);
  if (index < 0 || index >= kSkinPictureCount) return {};
  return AtScale(kSkinPictures[index], scaleStep);
}

std::span<const std::uint8_t> SkinBackground(int scaleStep) { return AtScale(kBackground, scaleStep); }

std::span<const std::uint8_t> AboutLogo(int scaleStep) { return AtScale(kAboutLogo, scaleStep); }

}  // namespace ornivex::pictures
