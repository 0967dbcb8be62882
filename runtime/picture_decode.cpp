#include "runtime/picture_decode.h"

#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

#include <png.h>

#include "runtime/jpeg_errors.h"
#include "runtime/layout.h"

namespace ornivex {

namespace {

bool SizeAllowed(std::int64_t width, std::int64_t height) {
  return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
         width * height <= kMaxPicturePixels;
}

}  // namespace

PictureFormat SniffPictureFormat(std::span<const std::uint8_t> bytes) {
  static constexpr std::uint8_t kPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (bytes.size() >= sizeof kPng && std::memcmp(bytes.data(), kPng, sizeof kPng) == 0) return PictureFormat::Png;
  if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) return PictureFormat::Jpeg;
  if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return PictureFormat::Bmp;
  return PictureFormat::Unknown;
}

namespace {

// Where the chunk walk ends: just after IEND, or 0 when a chunk does not fit
// (or there is no IEND).
std::size_t EndOfPngChunks(std::span<const std::uint8_t> bytes) {
  std::size_t at = 8;  // after the signature
  while (bytes.size() - at >= 12) {
    const std::uint64_t length = static_cast<std::uint64_t>(bytes[at]) << 24 | bytes[at + 1] << 16 |
                                 bytes[at + 2] << 8 | bytes[at + 3];
    if (length > bytes.size() - at - 12) return 0;
    if (std::memcmp(&bytes[at + 4], "IEND", 4) == 0) return at + 12 + static_cast<std::size_t>(length);
    at += 12 + static_cast<std::size_t>(length);
  }
  return 0;  // ends before IEND
}

// Whether every chunk up to IEND lies inside the file. libpng sets aside memory
// for an ancillary chunk by its declared length before it reads it, and only
// warns about a length above its own limit: a file of a few bytes could have it
// ask for 2 GB.
bool PngChunksFit(std::span<const std::uint8_t> bytes) { return EndOfPngChunks(bytes) != 0; }

}  // namespace

std::size_t PngFileSize(std::span<const std::uint8_t> bytes) {
  return SniffPictureFormat(bytes) == PictureFormat::Png ? EndOfPngChunks(bytes) : 0;
}

namespace {

std::optional<PictureSize> ReadPngSize(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 8 || !PngChunksFit(bytes)) return std::nullopt;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return std::nullopt;
  const bool allowed = SizeAllowed(image.width, image.height);
  const PictureSize size{static_cast<int>(image.width), static_cast<int>(image.height)};
  png_image_free(&image);
  if (!allowed) return std::nullopt;
  return size;
}

}  // namespace

std::optional<Picture> DecodePng(std::span<const std::uint8_t> bytes, Alpha alpha) {
  if (bytes.size() < 8 || !PngChunksFit(bytes)) return std::nullopt;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return std::nullopt;
  if (!SizeAllowed(image.width, image.height)) {
    png_image_free(&image);
    return std::nullopt;
  }
  // 8-bit sRGB output: libpng leaves the alpha straight and the values as stored.
  image.format = alpha == Alpha::Straight ? PNG_FORMAT_BGRA : PNG_FORMAT_RGBA;
  Picture picture;
  picture.width = static_cast<int>(image.width);
  picture.height = static_cast<int>(image.height);
  try {
    picture.bgra.resize(PNG_IMAGE_SIZE(image));
  } catch (const std::bad_alloc&) {
    png_image_free(&image);
    return std::nullopt;
  }
  // finish_read frees the image's internal state whether it succeeds or not.
  if (!png_image_finish_read(&image, nullptr, picture.bgra.data(), 0, nullptr)) return std::nullopt;
  if (alpha == Alpha::Premultiplied) RgbaToPremultipliedBgra(picture.bgra);
  return picture;
}

namespace {

// Reads the header and, unless `out` is null, the pixels. Kept apart from the
// C++ objects (runtime/jpeg_errors.h). The vectors are the caller's; an
// allocation that fails here is caught before it could unwind through the
// library.
bool DecodeJpegInto(const std::uint8_t* data, unsigned long size, PictureSize* stated, Picture* out,
                    std::vector<std::uint8_t>* row) {
  jpeg_decompress_struct info;
  JpegErrorJump error;
  info.err = JumpingJpegErrors(error);
  if (setjmp(error.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data, size);
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  // Refused before decompression starts: a progressive file has the library
  // hold the whole picture's coefficients.
  if (!SizeAllowed(info.image_width, info.image_height)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  *stated = PictureSize{static_cast<int>(info.image_width), static_cast<int>(info.image_height)};
  if (!out) {
    jpeg_destroy_decompress(&info);
    return true;
  }
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  if (!SizeAllowed(info.output_width, info.output_height) || info.output_components != 3) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  out->width = static_cast<int>(info.output_width);
  out->height = static_cast<int>(info.output_height);
  try {
    out->bgra.assign(static_cast<std::size_t>(out->width) * out->height * 4, 0);
    row->assign(static_cast<std::size_t>(out->width) * 3, 0);
  } catch (const std::bad_alloc&) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  while (info.output_scanline < info.output_height) {
    const std::size_t y = info.output_scanline;
    JSAMPROW rows[1] = {row->data()};
    if (jpeg_read_scanlines(&info, rows, 1) != 1) break;
    RgbToBgra(*row, std::span<std::uint8_t>(out->bgra).subspan(y * out->width * 4, out->width * 4));
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

std::optional<PictureSize> ReadJpegSize(std::span<const std::uint8_t> bytes) {
  if (bytes.empty() || bytes.size() > 0xFFFFFFFFu) return std::nullopt;
  PictureSize size;
  if (!DecodeJpegInto(bytes.data(), static_cast<unsigned long>(bytes.size()), &size, nullptr, nullptr))
    return std::nullopt;
  return size;
}

}  // namespace

std::optional<Picture> DecodeJpeg(std::span<const std::uint8_t> bytes) {
  if (bytes.empty() || bytes.size() > 0xFFFFFFFFu) return std::nullopt;
  PictureSize stated;
  Picture picture;
  std::vector<std::uint8_t> row;
  if (!DecodeJpegInto(bytes.data(), static_cast<unsigned long>(bytes.size()), &stated, &picture, &row))
    return std::nullopt;
  return picture;
}

namespace {

// --- BMP. ---------------------------------------------------------------------
//
// File header (14 bytes): "BM", file size, two reserved words, offset of the
// pixels. Then one of the DIB headers, told apart by their first field, their
// size: 12 (the old core header: 16-bit sizes, 3-byte palette entries), 40
// (with BI_BITFIELDS its three masks follow it), 52 and 56 (masks inside), 108
// and 124 (masks inside, colour-space fields this reader ignores). The alpha
// mask, where there is one, lies 52 bytes into the header: in the header from
// 56 bytes on, and as the fourth mask after a 40-byte BI_ALPHABITFIELDS header.

constexpr std::uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6;
constexpr std::size_t kFileHeaderSize = 14;

// The file's bytes with little-endian reads that are refused past the end.
class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool Has(std::uint64_t at, std::uint64_t count) const {
    return at <= bytes_.size() && count <= bytes_.size() - at;
  }
  std::uint32_t U16(std::size_t at) const { return bytes_[at] | bytes_[at + 1] << 8; }
  std::uint32_t U32(std::size_t at) const {
    return bytes_[at] | bytes_[at + 1] << 8 | bytes_[at + 2] << 16 | static_cast<std::uint32_t>(bytes_[at + 3]) << 24;
  }
  std::span<const std::uint8_t> Span(std::size_t at, std::size_t count) const { return bytes_.subspan(at, count); }
  std::size_t size() const { return bytes_.size(); }

 private:
  std::span<const std::uint8_t> bytes_;
};

// One colour channel of a bit-field pixel, scaled to 0..255.
struct ChannelMask {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint64_t top = 0;  // the channel's largest value

  explicit ChannelMask(std::uint32_t m) : mask(m) {
    if (mask == 0) return;
    shift = std::countr_zero(mask);
    top = mask >> shift;
  }
  std::uint8_t Of(std::uint32_t pixel) const {
    if (mask == 0) return 0;
    const std::uint64_t value = (pixel & mask) >> shift;
    if (top == 255) return static_cast<std::uint8_t>(value);  // the usual 8-bit channel, without a division
    return static_cast<std::uint8_t>((value * 255 + top / 2) / top);
  }
};

struct BmpLayout {
  std::int64_t width = 0;
  std::int64_t height = 0;  // positive
  bool topDown = false;
  std::uint32_t bits = 0;
  std::uint32_t compression = kBiRgb;
  std::uint32_t masks[4] = {};  // red, green, blue, alpha (0: opaque)
  std::vector<std::uint32_t> palette;  // 0x00RRGGBB
  std::size_t pixels = 0;              // offset of the pixel data
  std::size_t pixelBytes = 0;          // bytes of pixel data present
};

// Bytes of one stored row: padded to whole 32-bit words.
std::uint64_t RowStride(const BmpLayout& layout) {
  return (static_cast<std::uint64_t>(layout.width) * layout.bits + 31) / 32 * 4;
}

// Where the pixels of a bare bitmap (a BMP file without its file header, as the
// clipboard holds one) begin: after the header, the masks that follow a 40-byte
// bit-field header, and the colour table. Some programs repeat the three masks
// after a larger bit-field header; such a bitmap is told by its size, which then
// has room for them and the rows exactly. Nothing when the header is none of
// the known ones or is cut short.
std::optional<std::uint64_t> DibPixelOffset(const ByteReader& in) {
  if (!in.Has(0, 4)) return std::nullopt;
  const std::uint64_t headerSize = in.U32(0);
  if (headerSize == 12) {
    if (!in.Has(0, 12)) return std::nullopt;
    const std::uint32_t bits = in.U16(10);
    return 12 + (bits <= 8 ? 3ull << bits : 0);
  }
  if (headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 && headerSize != 124)
    return std::nullopt;
  if (!in.Has(0, headerSize)) return std::nullopt;
  const std::int64_t width = static_cast<std::int32_t>(in.U32(4));
  const std::int64_t height = static_cast<std::int32_t>(in.U32(8));  // negative: top-down
  const std::uint64_t bits = in.U16(14);
  const std::uint32_t compression = in.U32(16);
  const std::uint64_t clrUsed = in.U32(32);
  // A full table for 8 bits and less unless the header counts fewer colours;
  // above that an optional one, there when the header counts it.
  const std::uint64_t paletteBytes = 4 * (clrUsed ? clrUsed : (bits <= 8 ? 1ull << bits : 0));
  std::uint64_t masks = 0;
  if (headerSize == 40 && compression == kBiBitfields) masks = 12;
  if (headerSize == 40 && compression == kBiAlphaBitfields) masks = 16;
  std::uint64_t pixels = headerSize + masks + paletteBytes;
  if (headerSize > 40 && compression == kBiBitfields) {
    const std::uint64_t rows = (static_cast<std::uint64_t>(width < 0 ? -width : width) * bits + 31) / 32 * 4 *
                               static_cast<std::uint64_t>(height < 0 ? -height : height);
    if (in.size() == pixels + 12 + rows) pixels += 12;
  }
  return pixels;
}

// Reads and checks the headers and the palette of a bitmap whose header starts
// at `h` and whose pixels start at `offBits`. Nothing is read before the reader
// has confirmed the bytes are there, and no size the header claims is believed
// before the bytes that hold it are: uncompressed rows must all be there.
std::optional<BmpLayout> ReadBmpLayout(const ByteReader& in, std::size_t h, std::uint64_t offBits) {
  if (!in.Has(h, 4)) return std::nullopt;
  BmpLayout layout;
  const std::uint64_t headerSize = in.U32(h);
  std::uint64_t paletteEntrySize = 4;
  std::uint64_t clrUsed = 0;
  std::uint64_t afterHeader = h + headerSize;
  if (headerSize == 12) {
    if (!in.Has(h, 12)) return std::nullopt;
    layout.width = in.U16(h + 4);
    layout.height = in.U16(h + 6);
    if (in.U16(h + 8) != 1) return std::nullopt;
    layout.bits = in.U16(h + 10);
    paletteEntrySize = 3;
  } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 || headerSize == 124) {
    if (!in.Has(h, headerSize)) return std::nullopt;
    layout.width = static_cast<std::int32_t>(in.U32(h + 4));
    const std::int64_t height = static_cast<std::int32_t>(in.U32(h + 8));
    layout.topDown = height < 0;
    layout.height = height < 0 ? -height : height;
    if (in.U16(h + 12) != 1) return std::nullopt;
    layout.bits = in.U16(h + 14);
    layout.compression = in.U32(h + 16);
    clrUsed = in.U32(h + 32);
    if (layout.compression == kBiBitfields || layout.compression == kBiAlphaBitfields) {
      // A 40-byte header is followed by the masks; the larger ones hold them.
      std::size_t masksAt = h + 40;
      if (headerSize == 40) {
        const std::uint64_t maskBytes = layout.compression == kBiAlphaBitfields ? 16 : 12;
        if (!in.Has(masksAt, maskBytes)) return std::nullopt;
        afterHeader += maskBytes;
      }
      for (int i = 0; i < 3; ++i) layout.masks[i] = in.U32(masksAt + 4 * i);
      if (headerSize >= 56 || layout.compression == kBiAlphaBitfields) layout.masks[3] = in.U32(h + 52);
      layout.compression = kBiBitfields;
    }
  } else {
    return std::nullopt;
  }

  if (!SizeAllowed(layout.width, layout.height)) return std::nullopt;
  switch (layout.compression) {
    case kBiRgb:
      if (layout.bits != 1 && layout.bits != 4 && layout.bits != 8 && layout.bits != 16 && layout.bits != 24 &&
          layout.bits != 32)
        return std::nullopt;
      if (layout.bits == 16) {
        layout.masks[0] = 0x7C00, layout.masks[1] = 0x03E0, layout.masks[2] = 0x001F;
      } else if (layout.bits == 32) {
        layout.masks[0] = 0xFF0000, layout.masks[1] = 0x00FF00, layout.masks[2] = 0x0000FF;
      }
      break;
    case kBiBitfields:
      if (layout.bits != 16 && layout.bits != 32) return std::nullopt;
      break;
    case kBiRle8:
    case kBiRle4:
      // Run-length pictures are stored bottom-up only, with their own depth.
      if (layout.topDown || layout.bits != (layout.compression == kBiRle8 ? 8u : 4u)) return std::nullopt;
      break;
    default:
      return std::nullopt;  // JPEG or PNG inside a BMP, or unknown
  }

  // The palette lies between the headers and the pixels.
  if (layout.bits <= 8) {
    const std::uint64_t entries = clrUsed ? clrUsed : (1ull << layout.bits);
    if (entries > 256) return std::nullopt;
    const std::uint64_t paletteBytes = entries * paletteEntrySize;
    if (afterHeader + paletteBytes > offBits || !in.Has(afterHeader, paletteBytes)) return std::nullopt;
    layout.palette.resize(static_cast<std::size_t>(entries));
    for (std::size_t i = 0; i < layout.palette.size(); ++i) {
      const std::size_t at = static_cast<std::size_t>(afterHeader + i * paletteEntrySize);
      layout.palette[i] = in.U16(at) | in.Span(at + 2, 1)[0] << 16;  // blue, green, red
    }
  } else if (afterHeader > offBits) {
    return std::nullopt;
  }
  if (offBits >= in.size()) return std::nullopt;
  layout.pixels = static_cast<std::size_t>(offBits);
  layout.pixelBytes = in.size() - layout.pixels;
  if (layout.compression != kBiRle8 && layout.compression != kBiRle4 &&
      RowStride(layout) * static_cast<std::uint64_t>(layout.height) > layout.pixelBytes)
    return std::nullopt;  // rows cut short
  return layout;
}

void PutPixel(Picture& picture, std::size_t x, std::size_t row, std::uint32_t rgb, std::uint8_t alpha = 255) {
  std::uint8_t* p = picture.bgra.data() + (row * static_cast<std::size_t>(picture.width) + x) * 4;
  p[0] = static_cast<std::uint8_t>(rgb);
  p[1] = static_cast<std::uint8_t>(rgb >> 8);
  p[2] = static_cast<std::uint8_t>(rgb >> 16);
  p[3] = alpha;
}

std::uint32_t PaletteColour(const BmpLayout& layout, std::uint32_t index) {
  return index < layout.palette.size() ? layout.palette[index] : 0;  // outside the palette: black
}

// The layout has made sure every row is there.
void DecodeBmpRows(const ByteReader& in, const BmpLayout& layout, Picture& picture) {
  const std::uint64_t stride = RowStride(layout);
  const ChannelMask red(layout.masks[0]), green(layout.masks[1]), blue(layout.masks[2]), alpha(layout.masks[3]);
  const auto width = static_cast<std::size_t>(layout.width);
  const auto height = static_cast<std::size_t>(layout.height);
  for (std::size_t y = 0; y < height; ++y) {
    const std::size_t stored = layout.topDown ? y : height - 1 - y;
    const std::span<const std::uint8_t> row =
        in.Span(layout.pixels + static_cast<std::size_t>(stored * stride), static_cast<std::size_t>(stride));
    for (std::size_t x = 0; x < width; ++x) {
      std::uint32_t rgb = 0;
      std::uint8_t a = 255;
      switch (layout.bits) {
        case 1: rgb = PaletteColour(layout, row[x / 8] >> (7 - x % 8) & 1); break;
        case 4: rgb = PaletteColour(layout, row[x / 2] >> (x % 2 ? 0 : 4) & 0xF); break;
        case 8: rgb = PaletteColour(layout, row[x]); break;
        case 16:
        case 32: {
          const std::uint8_t* p = row.data() + x * (layout.bits / 8);
          std::uint32_t value = p[0] | p[1] << 8;
          if (layout.bits == 32) value |= p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
          rgb = static_cast<std::uint32_t>(red.Of(value)) << 16 | green.Of(value) << 8 | blue.Of(value);
          if (layout.masks[3]) a = alpha.Of(value);
          break;
        }
        case 24: rgb = row[x * 3] | row[x * 3 + 1] << 8 | row[x * 3 + 2] << 16; break;
      }
      PutPixel(picture, x, y, rgb, a);
    }
  }
}

// A picture with an alpha mask whose alpha is zero everywhere is opaque.
void OpaqueIfAlphaUnused(Picture& picture) {
  for (std::size_t i = 3; i < picture.bgra.size(); i += 4)
    if (picture.bgra[i] != 0) return;
  for (std::size_t i = 3; i < picture.bgra.size(); i += 4) picture.bgra[i] = 255;
}

// Run-length data: pairs (count, colour) repeat a colour (RLE4: two alternating
// colours); a zero count starts an escape: 0 ends the line, 1 the picture, 2
// moves the position by the next two bytes, 3 and more copy that many pixels
// that follow, padded to an even number of bytes. Data that ends early ends the
// picture; positions outside it are skipped.
void DecodeBmpRuns(const ByteReader& in, const BmpLayout& layout, Picture& picture) {
  const std::span<const std::uint8_t> data = in.Span(layout.pixels, layout.pixelBytes);
  const bool four = layout.compression == kBiRle4;
  const auto width = static_cast<std::uint64_t>(layout.width);
  const auto height = static_cast<std::uint64_t>(layout.height);
  std::uint64_t x = 0, y = 0;  // y counts from the bottom row
  const auto put = [&](std::uint32_t index) {
    if (x < width && y < height)
      PutPixel(picture, static_cast<std::size_t>(x), static_cast<std::size_t>(height - 1 - y),
               PaletteColour(layout, index));
    ++x;
  };
  std::size_t at = 0;
  while (at + 2 <= data.size() && y < height) {
    const std::uint32_t count = data[at], value = data[at + 1];
    at += 2;
    if (count > 0) {
      for (std::uint32_t i = 0; i < count; ++i) put(four ? (i % 2 ? value & 0xF : value >> 4) : value);
    } else if (value == 0) {
      x = 0;
      ++y;
    } else if (value == 1) {
      break;
    } else if (value == 2) {
      if (at + 2 > data.size()) break;
      x += data[at];
      y += data[at + 1];
      at += 2;
    } else {
      const std::size_t bytes = four ? (value + 1) / 2 : value;
      const std::size_t padded = bytes + bytes % 2;
      if (padded > data.size() - at) break;
      for (std::uint32_t i = 0; i < value; ++i) {
        const std::uint8_t b = data[at + (four ? i / 2 : i)];
        put(four ? (i % 2 ? b & 0xF : b >> 4) : b);
      }
      at += padded;
    }
  }
}

}  // namespace

namespace {

std::optional<Picture> DecodeBmpLayout(const ByteReader& in, const std::optional<BmpLayout>& layout, Alpha alpha) {
  if (!layout) return std::nullopt;
  Picture picture;
  picture.width = static_cast<int>(layout->width);
  picture.height = static_cast<int>(layout->height);
  try {
    // Opaque black: what run-length pictures show where they skip pixels.
    picture.bgra.resize(static_cast<std::size_t>(picture.width) * picture.height * 4);
    for (std::size_t i = 3; i < picture.bgra.size(); i += 4) picture.bgra[i] = 255;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  if (layout->compression == kBiRle8 || layout->compression == kBiRle4)
    DecodeBmpRuns(in, *layout, picture);
  else
    DecodeBmpRows(in, *layout, picture);
  if (layout->masks[3]) {
    OpaqueIfAlphaUnused(picture);
    if (alpha == Alpha::Premultiplied) PremultiplyBgra(picture.bgra);
  }
  return picture;
}

}  // namespace

std::optional<Picture> DecodeBmp(std::span<const std::uint8_t> bytes, Alpha alpha) {
  const ByteReader in(bytes);
  if (!in.Has(0, kFileHeaderSize) || in.U16(0) != 0x4D42) return std::nullopt;
  return DecodeBmpLayout(in, ReadBmpLayout(in, kFileHeaderSize, in.U32(10)), alpha);
}

std::optional<Picture> DecodeDib(std::span<const std::uint8_t> dib, Alpha alpha) {
  const ByteReader in(dib);
  const std::optional<std::uint64_t> pixels = DibPixelOffset(in);
  if (!pixels) return std::nullopt;
  return DecodeBmpLayout(in, ReadBmpLayout(in, 0, *pixels), alpha);
}

std::optional<PictureSize> ReadPictureSize(std::span<const std::uint8_t> bytes) {
  switch (SniffPictureFormat(bytes)) {
    case PictureFormat::Png: return ReadPngSize(bytes);
    case PictureFormat::Jpeg: return ReadJpegSize(bytes);
    case PictureFormat::Bmp: {
      // The same layout the decoder reads, with every row there.
      const ByteReader in(bytes);
      if (!in.Has(0, kFileHeaderSize)) return std::nullopt;
      const std::optional<BmpLayout> layout = ReadBmpLayout(in, kFileHeaderSize, in.U32(10));
      if (!layout) return std::nullopt;
      return PictureSize{static_cast<int>(layout->width), static_cast<int>(layout->height)};
    }
    case PictureFormat::Unknown: break;
  }
  return std::nullopt;
}

std::optional<Picture> DecodePictureFile(std::span<const std::uint8_t> bytes) {
  switch (SniffPictureFormat(bytes)) {
    case PictureFormat::Png: return DecodePng(bytes);
    case PictureFormat::Jpeg: return DecodeJpeg(bytes);
    case PictureFormat::Bmp: return DecodeBmp(bytes);
    case PictureFormat::Unknown: break;
  }
  return std::nullopt;
}

}  // namespace ornivex
