// The theme every skinned window is painted with: where the theme and accent
// colours come from, what a picture file is kept as, and which windows repaint.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "gallery.h"
#include "gfx/gfx.h"
#include "resources/skin_pictures.h"
#include "runtime/codepage.h"
#include "runtime/files.h"
#include "runtime/handles.h"
#include "skin/background.h"
#include "skin/engine.h"

namespace ornivex::skin {
namespace {

SkinEngine* gEngine = nullptr;

class EngineEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    engine_ = std::make_unique<SkinEngine>(StartSkinModule());
    gEngine = engine_.get();
  }
  void TearDown() override {
    gEngine = nullptr;
    engine_.reset();
  }

 private:
  std::unique_ptr<SkinEngine> engine_;
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new EngineEnvironment);

constexpr char kJpegFormat[] = "{B96B3CAE-0728-11D3-9D7B-0000F81EF32E}";

// A 40 x 30 picture of one colour, encoded in `format`.
std::vector<std::uint8_t> SolidPicture(COLORREF colour, const char* format) {
  std::vector<std::uint32_t> pixels(40 * 30, 0xFF000000u | (GetRValue(colour) << 16) | (GetGValue(colour) << 8) |
                                                 GetBValue(colour));
  gfx::Bitmap bitmap;
  if (!bitmap.CreateBitmapFromScan0(40, 30, 40 * 4, PixelFormat32bppARGB, reinterpret_cast<BYTE*>(pixels.data())))
    return {};
  std::vector<BYTE> encoded = bitmap.SaveImageToStream(format);
  return {encoded.begin(), encoded.end()};
}

HWND SkinnedWindow(bool visible) {
  static const bool registered = [] {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"OrnivexThemeTest";
    return RegisterClassW(&wc) != 0;
  }();
  if (!registered) return nullptr;
  HWND window = CreateWindowExW(0, L"OrnivexThemeTest", L"theme", WS_POPUP | (visible ? WS_VISIBLE : 0), 20, 20, 200,
                                150, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  gEngine->SkinWindow(window, {});
  return window;
}

COLORREF ComposedCentre(HWND window) {
  return GetPixel(gEngine->Record(gEngine->WindowNumberOf(window))->mainDc.Dc(), 100, 75) & 0xFFFFFF;
}

TEST(Theme, AccentMinusOneFollowsThePicturesAverageColour) {
  const COLORREF colour = RGB(30, 140, 200);
  const std::vector<std::uint8_t> picture = SolidPicture(colour, gfx::kPngFormat);
  ASSERT_FALSE(picture.empty());
  gEngine->SetTheme({}, picture, std::nullopt, -1);
  EXPECT_EQ(gEngine->GetThemeColour(), colour);
  EXPECT_EQ(gEngine->Settings().accent, colour);
  EXPECT_EQ(gEngine->Settings().themePicture, picture);  // mode 4: the bytes as given
  gEngine->SetTheme({}, picture, RGB(1, 2, 3));
  EXPECT_EQ(gEngine->GetThemeColour(), RGB(1, 2, 3));
  EXPECT_EQ(gEngine->Settings().accent, kDefaultAccent);
}

TEST(Theme, BaseColourAloneClearsThePictureAndRepaintsTheVisibleWindows) {
  gEngine->SetTheme({}, pictures::SkinBackground(0), 0xFF8800, 0xFF8800, 3);
  UniqueWindow first(SkinnedWindow(true)), second(SkinnedWindow(true)), hidden(SkinnedWindow(false));
  gallery::Pump(50);
  const COLORREF pictured = ComposedCentre(hidden.Get());
  const COLORREF green = RGB(10, 120, 30);
  gEngine->SetTheme({}, {}, green);
  gallery::Pump(100);
  EXPECT_TRUE(gEngine->Settings().themePicture.empty());
  for (HWND window : {first.Get(), second.Get()}) {
    EXPECT_EQ(ComposedCentre(window), green);
    WindowDc dc = WindowDc::Client(window);
    EXPECT_EQ(GetPixel(dc.Get(), 100, 75) & 0xFFFFFF, green);
  }
  EXPECT_EQ(ComposedCentre(hidden.Get()), pictured);
}

TEST(Theme, PictureFileOfAnyFormatIsKeptAsPng) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring path = std::wstring(temp) + L"ornivex-theme-" + std::to_wstring(GetCurrentProcessId());
  for (const char* format : {gfx::kBmpFormat, kJpegFormat}) {
    const std::vector<std::uint8_t> file = SolidPicture(RGB(200, 40, 90), format);
    ASSERT_FALSE(file.empty());
    ASSERT_TRUE(WriteWholeFile(path, {reinterpret_cast<const char*>(file.data()), file.size()}));
    for (int mode : {2, 3, 4}) {
      SCOPED_TRACE(::testing::Message() << format << " mode " << mode);
      gEngine->SetTheme(WideToGbk(path), {}, std::nullopt, std::nullopt, mode);
      const Bytes& kept = gEngine->Settings().themePicture;
      ASSERT_GT(kept.size(), 8u);
      EXPECT_EQ(std::memcmp(kept.data(), "\x89PNG\r\n\x1a\n", 8), 0);
      const std::unique_ptr<gfx::Bitmap> decoded = DecodePicture(kept);
      ASSERT_NE(decoded, nullptr);
      EXPECT_EQ(decoded->GetImageWidth(), 40u);
    }
  }
  // A file the decoder cannot read leaves no picture.
  ASSERT_TRUE(WriteWholeFile(path, "not a picture"));
  gEngine->SetTheme(WideToGbk(path), {}, std::nullopt, std::nullopt, 3);
  EXPECT_TRUE(gEngine->Settings().themePicture.empty());
  DeleteFileW(path.c_str());
}

}  // namespace
}  // namespace ornivex::skin
