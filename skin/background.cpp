#include "skin/background.h"

#include <cstring>

#include "gfx/gfx.h"
#include "runtime/picture_decode.h"
#include "skin/draw.h"
#include "skin/family_rules.h"
#include "skin/pixels.h"

namespace ornivex::skin {

namespace {

constexpr int kAverageSamples = 2000;
constexpr std::uint32_t kSampleSeed = 0x4F524E56;  // any fixed seed: the same picture gives the same colour

// The pixels of a bitmap as 32-bit ARGB, row after row.
bool ReadPixels(gfx::Bitmap& bitmap, std::vector<std::uint32_t>& pixels, int& width, int& height) {
  width = static_cast<int>(bitmap.GetImageWidth());
  height = static_cast<int>(bitmap.GetImageHeight());
  if (width <= 0 || height <= 0) return false;
  gfx::Rect rect(0, 0, width, height);
  gfx::BitmapData data{};
  if (!bitmap.BitmapLockBits(rect, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, data)) return false;
  pixels.resize(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    std::memcpy(pixels.data() + static_cast<std::size_t>(y) * width,
                static_cast<const std::uint8_t*>(data.Scan0) + static_cast<std::ptrdiff_t>(y) * data.Stride,
                static_cast<std::size_t>(width) * 4);
  bitmap.BitmapUnlockBits(data);
  return true;
}

std::unique_ptr<gfx::Bitmap> LoadFile(std::span<const std::uint8_t> file) {
  auto bitmap = std::make_unique<gfx::Bitmap>();
  if (file.empty() || !bitmap->CreateBitmapFromBytes(file)) return nullptr;
  return bitmap;
}

}  // namespace

std::unique_ptr<gfx::Bitmap> BitmapFromPixels(const Picture& picture) {
  auto bitmap = std::make_unique<gfx::Bitmap>();
  if (!bitmap->CreateBitmapFromScan0(picture.width, picture.height, 0, PixelFormat32bppPARGB, nullptr)) return nullptr;
  gfx::Rect rect(0, 0, picture.width, picture.height);
  gfx::BitmapData data{};
  if (!bitmap->BitmapLockBits(rect, Gdiplus::ImageLockModeWrite, PixelFormat32bppPARGB, data)) return nullptr;
  const std::size_t row = static_cast<std::size_t>(picture.width) * 4;
  for (int y = 0; y < picture.height; ++y)
    std::memcpy(static_cast<std::uint8_t*>(data.Scan0) + static_cast<std::ptrdiff_t>(y) * data.Stride,
                picture.bgra.data() + y * row, row);
  bitmap->BitmapUnlockBits(data);
  return bitmap;
}

bool ReadPremultipliedPixels(gfx::Bitmap& bitmap, std::vector<std::uint8_t>& pixels, int& width, int& height) {
  width = static_cast<int>(bitmap.GetImageWidth());
  height = static_cast<int>(bitmap.GetImageHeight());
  if (width <= 0 || height <= 0) return false;
  gfx::Rect rect(0, 0, width, height);
  gfx::BitmapData data{};
  if (!bitmap.BitmapLockBits(rect, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, data)) return false;
  const std::size_t row = static_cast<std::size_t>(width) * 4;
  pixels.resize(row * height);
  for (int y = 0; y < height; ++y)
    std::memcpy(pixels.data() + y * row,
                static_cast<const std::uint8_t*>(data.Scan0) + static_cast<std::ptrdiff_t>(y) * data.Stride, row);
  bitmap.BitmapUnlockBits(data);
  return true;
}

std::unique_ptr<gfx::Bitmap> DecodePicture(std::span<const std::uint8_t> file) {
  // PNG, JPEG and BMP through the program's own decoders: fast, and no imaging
  // component to load. Any other format through GDI+.
  if (std::optional<Picture> picture = DecodePictureFile(file)) return BitmapFromPixels(*picture);
  std::unique_ptr<gfx::Bitmap> loaded = LoadFile(file);
  if (!loaded) return nullptr;
  const auto width = static_cast<INT>(loaded->GetImageWidth()), height = static_cast<INT>(loaded->GetImageHeight());
  // A premultiplied copy in memory: no stream behind it, and the fastest to draw.
  auto copy = std::make_unique<gfx::Bitmap>();
  if (!copy->CloneBitmapAreaI(0, 0, width, height, PixelFormat32bppPARGB, *loaded)) return nullptr;
  return copy;
}

std::unique_ptr<gfx::Bitmap> DecodeHeaderedPicture(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 8) return nullptr;
  std::uint32_t header[2];
  std::memcpy(header, bytes.data(), sizeof header);
  if (header[0] != 1 || header[1] != bytes.size() - 8) return nullptr;
  return DecodePicture(bytes.subspan(8));
}

// The pixels of a picture file as 0xAARRGGBB (premultiplied: opaque pictures, the
// ones these serve, are the same either way); false when it cannot be decoded.
bool FilePixels(std::span<const std::uint8_t> file, std::vector<std::uint32_t>& pixels, int& width, int& height) {
  if (std::optional<Picture> picture = DecodePictureFile(file)) {
    width = picture->width;
    height = picture->height;
    pixels.resize(static_cast<std::size_t>(width) * height);
    std::memcpy(pixels.data(), picture->bgra.data(), pixels.size() * 4);
    return true;
  }
  std::unique_ptr<gfx::Bitmap> bitmap = LoadFile(file);
  return bitmap && ReadPixels(*bitmap, pixels, width, height);
}

std::uint32_t AverageColour(std::span<const std::uint8_t> file) {
  std::vector<std::uint32_t> pixels;
  int width = 0, height = 0;
  if (!FilePixels(file, pixels, width, height)) return 0xFF000000u;
  return AverageColourOfSamples(pixels, width, height, kAverageSamples, kSampleSeed);
}

Bytes PreparePicture(std::span<const std::uint8_t> file, std::uint32_t key, bool placedTopRight) {
  std::vector<std::uint32_t> pixels;
  int width = 0, height = 0;
  if (!FilePixels(file, pixels, width, height)) return {};
  FadeEdgeIntoColour(pixels, width, height, width * 30 / 100, key, placedTopRight);
  gfx::Bitmap prepared;
  if (!prepared.CreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppPARGB,
                                      reinterpret_cast<BYTE*>(pixels.data())))
    return {};
  std::vector<BYTE> png = prepared.SaveImageToStream(gfx::kPngFormat);
  return Bytes(png.begin(), png.end());
}

Bytes PictureFileAsPng(std::span<const std::uint8_t> file) {
  gfx::Image image;
  if (file.empty() || !image.LoadImageFromBytes(file)) return {};
  std::vector<BYTE> png = image.SaveImageToStream(gfx::kPngFormat);
  return Bytes(png.begin(), png.end());
}

void FillWithColour(DibCanvas& canvas, COLORREF colour) {
  if (!canvas) return;
  GdiFlush();
  const std::uint32_t argb = Argb(colour, 255);
  std::fill(canvas.Bits(), canvas.Bits() + static_cast<std::size_t>(canvas.Width()) * canvas.Height(), argb);
}

void Veil(DibCanvas& canvas, int alpha) {
  if (!canvas || alpha <= 0) return;
  GdiFlush();
  VeilPixels({canvas.Bits(), static_cast<std::size_t>(canvas.Width()) * canvas.Height()}, alpha);
}

const SubWindowRecord* FilledSubWindowAround(const SkinWindowRecord& record, HWND control) {
  for (HWND window = control; window && window != record.window; window = GetParent(window)) {
    for (const auto& sub : record.subWindows)
      if (sub->window == window && sub->transparentBackground && sub->alpha > 0) return sub.get();
  }
  return nullptr;
}

void PaintSubWindowFill(DibCanvas& canvas, const RECT& area, const SubWindowRecord& sub, int dpi) {
  Canvas target(canvas.Dc());
  if (!target) return;
  const FamilyMetrics m = FamilyMetrics::ForDpi(dpi);
  const auto x = static_cast<float>(area.left), y = static_cast<float>(area.top);
  const auto w = static_cast<float>(area.right - area.left), h = static_cast<float>(area.bottom - area.top);
  const auto inset = static_cast<float>(m.subWindowFillInset), corner = static_cast<float>(m.subWindowCorner);
  gfx::GraphicsPath shape =
      (sub.frame || sub.groupBox) ? RoundRect(x, y, w, h - inset, corner) : Rectangle(x, y, w, h);
  FillSolid(target.graphics, shape, Argb(sub.colour, sub.alpha));
}

}  // namespace ornivex::skin
