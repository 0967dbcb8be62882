#pragma once
// GDI+ images and bitmaps, encoders and saving.
#include "gfx/memory_stream.h"
#include "gfx/object.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ornivex::gfx {

class Graphics;

// The format texts of the two formats the program saves.
inline constexpr char kBmpFormat[] = "{B96B3CAB-0728-11D3-9D7B-0000F81EF32E}";
inline constexpr char kPngFormat[] = "{B96B3CAF-0728-11D3-9D7B-0000F81EF32E}";

// One image encoder, GUIDs as brace texts and names in GBK.
struct EncoderInfo {
  std::string Clsid;
  std::string FormatID;
  std::string CodecName;
  std::string DllName;
  std::string FormatDescription;
  std::string FilenameExtension;
  std::string MimeType;
  DWORD Flags = 0;
  DWORD Version = 0;
  DWORD SigCount = 0;
  DWORD SigSize = 0;
  std::vector<BYTE> SigPattern;
  std::vector<BYTE> SigMask;
};

// The installed encoders, in the order GDI+ lists them (empty on failure).
std::vector<EncoderInfo> GetImageEncoders();
// The Clsid text of the first encoder of the format `formatId` (a GUID text), or "".
std::string FindEncoderClsid(std::string_view formatId);

// One encoder parameter: its GUID text, and `numberOfValues` values of `type` at
// `value`.
struct EncoderParameterValue {
  std::string Guid;
  ULONG NumberOfValues = 0;
  ULONG Type = 0;
  const void* Value = nullptr;
};

class Image : public GraphicsObject {
 public:
  using NativeType = Gdiplus::GpImage;

  GFX_DELETER(Image, DisposeImage)

  // `path` in GBK; the W form takes UTF-16 bytes. `icm` selects colour management.
  bool LoadImageFromFile(std::string_view path, bool icm = false);
  bool LoadImageFromFileW(std::string_view utf16Path, bool icm = false);
  // Decodes a picture held in memory. The bytes are copied into a stream this object
  // keeps for as long as the image lives.
  bool LoadImageFromBytes(std::span<const BYTE> bytes, bool icm = false);
  GFX_NEW(CloneImage)  // (source image)
  // The encoder parameter list block of the encoder `clsid` (a GUID text).
  bool GetEncoderParameterList(std::string_view clsid, std::vector<BYTE>& block);
  // Saves through the first encoder of `format` (a GUID text; BMP when empty).
  // False, with nothing written, when no encoder has the format.
  bool SaveImageToFile(std::string_view path, std::string_view format = {},
                       std::span<const EncoderParameterValue> parameters = {});
  bool SaveImageToFileW(std::string_view utf16Path, std::string_view format = {},
                        std::span<const EncoderParameterValue> parameters = {});
  // The encoded bytes; empty when no encoder has the format or saving fails.
  std::vector<BYTE> SaveImageToStream(std::string_view format,
                                      std::span<const EncoderParameterValue> parameters = {});
  bool SaveAdd(std::span<const EncoderParameterValue> parameters);
  bool SaveAddImage(const Image& image, std::span<const EncoderParameterValue> parameters);
  GFX_GET(GetImageType)
  GFX_ACT(GetImageDimension)  // (width, height)
  GFX_ACT(GetImageBounds)     // (RectF, unit)
  GFX_GET(GetImageWidth)
  GFX_GET(GetImageHeight)
  GFX_GET(GetImageHorizontalResolution)
  GFX_GET(GetImageVerticalResolution)
  GFX_GET(GetImageFlags)
  // The raw format as a GUID text; empty on failure.
  std::string GetImageRawFormat();
  GFX_GET(GetImagePixelFormat)
  // The palette as its ColorPalette block.
  bool GetImagePalette(std::vector<BYTE>& palette);
  GFX_ACT(SetImagePalette)
  // A thumbnail of the given size, handed to `thumbnail`.
  bool GetImageThumbnail(UINT width, UINT height, Image& thumbnail);
  // Frames along the dimension `dimension` (a GUID text).
  UINT ImageGetFrameCount(std::string_view dimension);
  // The frame dimensions as GUID texts.
  std::vector<std::string> ImageGetFrameDimensionsList();
  bool ImageSelectActiveFrame(std::string_view dimension, UINT index);
  GFX_ACT(ImageRotateFlip)
  // The value bytes of the property `id`; empty when the image has none.
  std::vector<BYTE> ReadPropertyValue(PROPID id);
  // The property item `id` as its PropertyItem block (header and value).
  bool GetPropertyItem(PROPID id, std::vector<BYTE>& item);
  GFX_ACT(SetPropertyItem)
  GFX_ACT(RemovePropertyItem)
  bool GetPropertyIdList(std::vector<PROPID>& ids);

 protected:
  // A loader of a file (plain or with colour management).
  template <class Fn>
  bool LoadFromPath(Fn plain, Fn withIcm, const std::wstring& path, bool icm);
  // A loader of a stream over a copy of `bytes` this object keeps.
  template <class Fn>
  bool LoadFromBytes(Fn plain, Fn withIcm, std::span<const BYTE> bytes, bool icm);

  MemoryStream stream_;
  bool SaveWide(const std::wstring& path, std::string_view format, std::span<const EncoderParameterValue> parameters);
};

class Bitmap : public Image {
 public:
  using NativeType = Gdiplus::GpBitmap;
  // Bitmaps are made by their own loaders.
  template <class... A>
  bool LoadImageFromFile(A&&...) = delete;
  template <class... A>
  bool LoadImageFromFileW(A&&...) = delete;
  template <class... A>
  bool LoadImageFromBytes(A&&...) = delete;

  bool CreateBitmapFromFile(std::string_view path, bool icm = false);
  bool CreateBitmapFromFileW(std::string_view utf16Path, bool icm = false);
  bool CreateBitmapFromBytes(std::span<const BYTE> bytes, bool icm = false);
  GFX_NEW(CreateBitmapFromScan0)  // (width, height, stride, pixel format, scan0)
  // A 32-bit ARGB bitmap of the given size, pixels owned by GDI+.
  bool CreateBitmapFromScan0Default(INT width, INT height);
  GFX_NEW(CreateBitmapFromGraphics)  // (width, height, graphics)
  GFX_NEW(CreateBitmapFromGdiDib)    // (BITMAPINFO, bits)
  GFX_NEW(CreateBitmapFromHBITMAP)   // (bitmap, palette)
  GFX_NEW(CreateBitmapFromHICON)
  GFX_NEW(CreateBitmapFromResource)  // (instance, name)
  // A GDI bitmap of this one over `background`; 0 on failure.
  HBITMAP CreateHBITMAPFromBitmap(ARGB background);
  GFX_GET(CreateHICONFromBitmap)
  GFX_NEW(CloneBitmapArea)   // (x, y, width, height, pixel format, source bitmap)
  GFX_NEW(CloneBitmapAreaI)
  GFX_ACT(BitmapLockBits)    // (rect, flags, pixel format, BitmapData)
  GFX_ACT(BitmapUnlockBits)  // (BitmapData)
  GFX_GET(BitmapGetPixel)    // (x, y)
  GFX_ACT(BitmapSetPixel)
  GFX_ACT(BitmapSetResolution)
  GFX_ACT(BitmapApplyEffect)  // (effect, rect, use aux data, aux data, aux size)

  // Draws this bitmap rotated by `angle` degrees about its centre into a new 32-bit
  // ARGB bitmap handed to `target`: of `size` when given, else RotatedSize. `fill`
  // paints `background` first; `setInterpolation` applies `interpolation`.
  // The result is the drawing's.
  bool RotateToBitmap(REAL angle, Bitmap& target, ARGB background = 0, bool fill = false,
                      Gdiplus::InterpolationMode interpolation = Gdiplus::InterpolationModeDefault,
                      bool setInterpolation = false, const SizeF* size = nullptr);
  // The size a w x h picture needs rotated by `angle` degrees (see gfx/rotation.h).
  static SizeF RotatedSize(REAL width, REAL height, REAL angle);
};

}  // namespace ornivex::gfx
