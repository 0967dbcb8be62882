#include "gfx/image.h"


#include "gfx/brush.h"
#include "gfx/graphics.h"
#include "gfx/rotation.h"
#include "runtime/codepage.h"

namespace ornivex::gfx {

namespace {

std::string Narrow(const WCHAR* text) { return text ? WideToGbk(text) : std::string(); }

// The EncoderParameters block GDI+ reads: a count, then one record per parameter.
class ParameterBlock {
 public:
  // False when a parameter's GUID text does not parse.
  bool Build(std::span<const EncoderParameterValue> parameters) {
    if (parameters.empty()) return true;
    storage_.assign(offsetof(Gdiplus::EncoderParameters, Parameter) +
                        sizeof(Gdiplus::EncoderParameter) * parameters.size(),
                    0);
    auto* block = Get();
    block->Count = static_cast<UINT>(parameters.size());
    for (std::size_t i = 0; i < parameters.size(); ++i) {
      Gdiplus::EncoderParameter& out = block->Parameter[i];
      if (!TextToGuid(parameters[i].Guid, out.Guid)) return false;
      out.NumberOfValues = parameters[i].NumberOfValues;
      out.Type = parameters[i].Type;
      out.Value = const_cast<void*>(parameters[i].Value);
    }
    return true;
  }
  Gdiplus::EncoderParameters* Get() {
    return storage_.empty() ? nullptr : reinterpret_cast<Gdiplus::EncoderParameters*>(storage_.data());
  }

 private:
  std::vector<std::uint64_t> storage_;  // keeps the records aligned
};

// The encoder CLSID for a format text (BMP when empty); false when none has it.
bool EncoderFor(std::string_view format, CLSID& clsid) {
  const std::string text = FindEncoderClsid(format.empty() ? std::string_view(kBmpFormat) : format);
  return !text.empty() && TextToGuid(text, clsid);
}

}  // namespace

std::vector<EncoderInfo> GetImageEncoders() {
  std::vector<EncoderInfo> list;
  UINT count = 0, bytes = 0;
  if (!StoreStatus(g_flat.GdipGetImageEncodersSize(&count, &bytes)) || count == 0) return list;
  std::vector<std::uint64_t> storage((bytes + 7) / 8);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(storage.data());
  if (!StoreStatus(g_flat.GdipGetImageEncoders(count, bytes, codecs))) return list;
  for (UINT i = 0; i < count; ++i) {
    const Gdiplus::ImageCodecInfo& codec = codecs[i];
    EncoderInfo info;
    info.Clsid = GuidToText(codec.Clsid);
    info.FormatID = GuidToText(codec.FormatID);
    info.CodecName = Narrow(codec.CodecName);
    info.DllName = Narrow(codec.DllName);
    info.FormatDescription = Narrow(codec.FormatDescription);
    info.FilenameExtension = Narrow(codec.FilenameExtension);
    info.MimeType = Narrow(codec.MimeType);
    info.Flags = codec.Flags;
    info.Version = codec.Version;
    info.SigCount = codec.SigCount;
    info.SigSize = codec.SigSize;
    const std::size_t sigBytes = static_cast<std::size_t>(codec.SigCount) * codec.SigSize;
    if (codec.SigPattern) info.SigPattern.assign(codec.SigPattern, codec.SigPattern + sigBytes);
    if (codec.SigMask) info.SigMask.assign(codec.SigMask, codec.SigMask + sigBytes);
    list.push_back(std::move(info));
  }
  return list;
}

std::string FindEncoderClsid(std::string_view formatId) {
  GUID wanted{}, format{};
  if (!TextToGuid(formatId, wanted)) return {};
  for (const EncoderInfo& info : GetImageEncoders()) {
    if (TextToGuid(info.FormatID, format) && IsEqualGUID(format, wanted)) return info.Clsid;
  }
  return {};
}

template <class Fn>
bool Image::LoadFromPath(Fn plain, Fn withIcm, const std::wstring& path, bool icm) {
  return New(icm ? withIcm : plain, path.c_str());
}

template <class Fn>
bool Image::LoadFromBytes(Fn plain, Fn withIcm, std::span<const BYTE> bytes, bool icm) {
  // The old image may still read from the old stream: it goes first (a shared one
  // is only let go, never disposed from here).
  if (OwnsNative()) {
    DisposeImage();
  } else {
    Detach();
  }
  if (!stream_.CreateFromBytes(bytes)) return StoreStatus(Gdiplus::OutOfMemory);
  return New(icm ? withIcm : plain, stream_.GetStream());
}

bool Image::LoadImageFromFile(std::string_view path, bool icm) {
  return LoadFromPath(g_flat.GdipLoadImageFromFile, g_flat.GdipLoadImageFromFileICM, TextToWide(path), icm);
}

bool Image::LoadImageFromFileW(std::string_view utf16Path, bool icm) {
  return LoadFromPath(g_flat.GdipLoadImageFromFile, g_flat.GdipLoadImageFromFileICM, BytesToWide(utf16Path), icm);
}

bool Image::LoadImageFromBytes(std::span<const BYTE> bytes, bool icm) {
  return LoadFromBytes(g_flat.GdipLoadImageFromStream, g_flat.GdipLoadImageFromStreamICM, bytes, icm);
}

bool Image::GetEncoderParameterList(std::string_view clsid, std::vector<BYTE>& block) {
  CLSID encoder{};
  block.clear();
  if (!TextToGuid(clsid, encoder)) return StoreStatus(Gdiplus::InvalidParameter);
  UINT size = 0;
  if (!Act(g_flat.GdipGetEncoderParameterListSize, encoder, size) || size == 0) return LastStatus == Gdiplus::Ok;
  std::vector<std::uint64_t> storage((size + 7) / 8);
  if (!Act(g_flat.GdipGetEncoderParameterList, encoder, size,
           reinterpret_cast<Gdiplus::EncoderParameters*>(storage.data()))) {
    return false;
  }
  const auto* bytes = reinterpret_cast<const BYTE*>(storage.data());
  block.assign(bytes, bytes + size);
  return true;
}

bool Image::SaveWide(const std::wstring& path, std::string_view format,
                     std::span<const EncoderParameterValue> parameters) {
  CLSID encoder{};
  ParameterBlock block;
  if (!EncoderFor(format, encoder)) return false;  // no GDI+ call, nothing written
  if (!block.Build(parameters)) return StoreStatus(Gdiplus::InvalidParameter);
  return Act(g_flat.GdipSaveImageToFile, path.c_str(), encoder, block.Get());
}

bool Image::SaveImageToFile(std::string_view path, std::string_view format,
                            std::span<const EncoderParameterValue> parameters) {
  return SaveWide(TextToWide(path), format, parameters);
}

bool Image::SaveImageToFileW(std::string_view utf16Path, std::string_view format,
                             std::span<const EncoderParameterValue> parameters) {
  return SaveWide(BytesToWide(utf16Path), format, parameters);
}

std::vector<BYTE> Image::SaveImageToStream(std::string_view format, std::span<const EncoderParameterValue> parameters) {
  CLSID encoder{};
  ParameterBlock block;
  MemoryStream target;
  if (!EncoderFor(format, encoder) || !block.Build(parameters) || !target.CreateFromBytes({})) return {};
  if (!Act(g_flat.GdipSaveImageToStream, target.GetStream(), encoder, block.Get())) return {};
  return target.ReadAllBytes();
}

bool Image::SaveAdd(std::span<const EncoderParameterValue> parameters) {
  ParameterBlock block;
  if (!block.Build(parameters)) return StoreStatus(Gdiplus::InvalidParameter);
  return Act(g_flat.GdipSaveAdd, block.Get());
}

bool Image::SaveAddImage(const Image& image, std::span<const EncoderParameterValue> parameters) {
  ParameterBlock block;
  if (!block.Build(parameters)) return StoreStatus(Gdiplus::InvalidParameter);
  return Act(g_flat.GdipSaveAddImage, image, block.Get());
}

std::string Image::GetImageRawFormat() {
  GUID format{};
  return Act(g_flat.GdipGetImageRawFormat, format) ? GuidToText(format) : std::string();
}

bool Image::GetImagePalette(std::vector<BYTE>& palette) {
  auto* image = Handle<Gdiplus::GpImage*>();
  return detail::FetchArray(palette, [&](INT* n) { return g_flat.GdipGetImagePaletteSize(image, n); },
                            [&](BYTE* data, INT n) {
                              return g_flat.GdipGetImagePalette(image, reinterpret_cast<Gdiplus::ColorPalette*>(data), n);
                            });
}

bool Image::GetImageThumbnail(UINT width, UINT height, Image& thumbnail) {
  Gdiplus::GpImage* handle = nullptr;
  const bool ok = Act(g_flat.GdipGetImageThumbnail, width, height, handle, nullptr, nullptr);
  thumbnail.SetNative(handle, Ownership::Take);
  return ok;
}

UINT Image::ImageGetFrameCount(std::string_view dimension) {
  GUID id{};
  if (!TextToGuid(dimension, id)) {
    StoreStatus(Gdiplus::InvalidParameter);
    return 0;
  }
  return Get(g_flat.GdipImageGetFrameCount, id);
}

std::vector<std::string> Image::ImageGetFrameDimensionsList() {
  std::vector<GUID> ids;
  auto* image = Handle<Gdiplus::GpImage*>();
  std::vector<std::string> texts;
  if (!detail::FetchArray<UINT>(ids, [&](UINT* n) { return g_flat.GdipImageGetFrameDimensionsCount(image, n); },
                                [&](GUID* data, INT n) { return g_flat.GdipImageGetFrameDimensionsList(image, data, n); })) {
    return texts;
  }
  for (const GUID& id : ids) texts.push_back(GuidToText(id));
  return texts;
}

bool Image::ImageSelectActiveFrame(std::string_view dimension, UINT index) {
  GUID id{};
  if (!TextToGuid(dimension, id)) return StoreStatus(Gdiplus::InvalidParameter);
  return Act(g_flat.GdipImageSelectActiveFrame, id, index);
}

bool Image::GetPropertyItem(PROPID id, std::vector<BYTE>& item) {
  auto* image = Handle<Gdiplus::GpImage*>();
  return detail::FetchArray<UINT>(item, [&](UINT* n) { return g_flat.GdipGetPropertyItemSize(image, id, n); },
                                  [&](BYTE* data, INT n) {
                              return g_flat.GdipGetPropertyItem(image, id, n, reinterpret_cast<Gdiplus::PropertyItem*>(data));
                            });
}

std::vector<BYTE> Image::ReadPropertyValue(PROPID id) {
  std::vector<BYTE> block;
  if (!GetPropertyItem(id, block) || block.size() < sizeof(Gdiplus::PropertyItem)) return {};
  const auto* item = reinterpret_cast<const Gdiplus::PropertyItem*>(block.data());
  const auto* value = static_cast<const BYTE*>(item->value);
  // The value lies inside the block, after the header; anything else is not trusted.
  if (!value || value < block.data() || value + item->length > block.data() + block.size()) return {};
  return std::vector<BYTE>(value, value + item->length);
}

bool Image::GetPropertyIdList(std::vector<PROPID>& ids) {
  auto* image = Handle<Gdiplus::GpImage*>();
  return detail::FetchArray<UINT>(ids, [&](UINT* n) { return g_flat.GdipGetPropertyCount(image, n); },
                                  [&](PROPID* data, INT n) { return g_flat.GdipGetPropertyIdList(image, n, data); });
}

bool Bitmap::CreateBitmapFromFile(std::string_view path, bool icm) {
  return LoadFromPath(g_flat.GdipCreateBitmapFromFile, g_flat.GdipCreateBitmapFromFileICM, TextToWide(path), icm);
}

bool Bitmap::CreateBitmapFromFileW(std::string_view utf16Path, bool icm) {
  return LoadFromPath(g_flat.GdipCreateBitmapFromFile, g_flat.GdipCreateBitmapFromFileICM, BytesToWide(utf16Path), icm);
}

bool Bitmap::CreateBitmapFromBytes(std::span<const BYTE> bytes, bool icm) {
  return LoadFromBytes(g_flat.GdipCreateBitmapFromStream, g_flat.GdipCreateBitmapFromStreamICM, bytes, icm);
}

bool Bitmap::CreateBitmapFromScan0Default(INT width, INT height) {
  return CreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr);
}

HBITMAP Bitmap::CreateHBITMAPFromBitmap(ARGB background) {
  HBITMAP bitmap = nullptr;
  Act(g_flat.GdipCreateHBITMAPFromBitmap, bitmap, background);
  return bitmap;
}

SizeF Bitmap::RotatedSize(REAL width, REAL height, REAL angle) {
  const RotatedExtent extent = RotatedPictureExtent(width, height, angle);
  return SizeF(static_cast<REAL>(extent.width), static_cast<REAL>(extent.height));
}

bool Bitmap::RotateToBitmap(REAL angle, Bitmap& target, ARGB background, bool fill,
                            Gdiplus::InterpolationMode interpolation, bool setInterpolation, const SizeF* size) {
  const REAL w = static_cast<REAL>(GetImageWidth());
  const REAL h = static_cast<REAL>(GetImageHeight());
  if (LastStatus != Gdiplus::Ok) return false;
  const SizeF wanted = size ? *size : RotatedSize(w, h, angle);
  const INT targetWidth = PixelCount(wanted.Width);
  const INT targetHeight = PixelCount(wanted.Height);
  const REAL W = static_cast<REAL>(targetWidth), H = static_cast<REAL>(targetHeight);

  Bitmap rotated;
  if (!rotated.CreateBitmapFromScan0(targetWidth, targetHeight, 0, PixelFormat32bppARGB, nullptr)) return false;
  rotated.BitmapSetResolution(GetImageHorizontalResolution(), GetImageVerticalResolution());
  Graphics graphics;
  if (!graphics.GetImageGraphicsContext(rotated)) return false;  // `rotated` disposes the new bitmap
  if (fill) {
    SolidBrush brush;
    if (brush.CreateSolidFill(background)) graphics.FillRectangle(brush, 0.0f, 0.0f, W, H);
  }
  if (setInterpolation) graphics.SetInterpolationMode(interpolation);
  // About the centre of the target, with the source centred in it.
  Gdiplus::GpMatrix* matrix = nullptr;
  if (!StoreStatus(g_flat.GdipCreateMatrix(&matrix))) return false;
  g_flat.GdipTranslateMatrix(matrix, W / 2, H / 2, Gdiplus::MatrixOrderPrepend);
  g_flat.GdipRotateMatrix(matrix, angle, Gdiplus::MatrixOrderPrepend);
  g_flat.GdipTranslateMatrix(matrix, -W / 2, -H / 2, Gdiplus::MatrixOrderPrepend);
  g_flat.GdipTranslateMatrix(matrix, (W - w) / 2, (H - h) / 2, Gdiplus::MatrixOrderPrepend);
  graphics.SetWorldTransform(matrix);
  const bool drawn = graphics.DrawImage(*this, 0.0f, 0.0f);
  const GpStatus drawStatus = LastStatus;
  graphics.ResetWorldTransform();
  g_flat.GdipDeleteMatrix(matrix);
  graphics.DeleteGraphics();
  target.SetNative(rotated.Detach(), Ownership::Take);
  StoreStatus(drawStatus);
  return drawn;
}

}  // namespace ornivex::gfx
