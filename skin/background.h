#pragma once
// Pictures and backgrounds: decoding the pictures the skin draws, the average
// colour and the prepared form of a background picture, and the fills laid over a
// copied background (a sub-window's colour, the white veil).
#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "gfx/image.h"
#include "runtime/handles.h"
#include "runtime/picture_decode.h"
#include "skin/records.h"

namespace ornivex::skin {

// A picture file (any format GDI+ reads) as a 32-bit premultiplied bitmap, ready to
// be drawn fast; null when it cannot be decoded.
std::unique_ptr<gfx::Bitmap> DecodePicture(std::span<const std::uint8_t> file);
// Decoded pixels (premultiplied) as such a bitmap; null when GDI+ cannot make it.
std::unique_ptr<gfx::Bitmap> BitmapFromPixels(const Picture& picture);
// The pixels of a bitmap, premultiplied BGRA, rows packed.
bool ReadPremultipliedPixels(gfx::Bitmap& bitmap, std::vector<std::uint8_t>& pixels, int& width, int& height);

// The same for a picture the program carries behind its {1, length} header; null
// when the header does not match the bytes.
std::unique_ptr<gfx::Bitmap> DecodeHeaderedPicture(std::span<const std::uint8_t> bytes);

// The mean colour of 2000 pixels sampled over a picture file, as opaque ARGB
// (opaque black when the picture cannot be decoded).
std::uint32_t AverageColour(std::span<const std::uint8_t> file);

// A picture made ready to be a window's background: drawn at its own size, with a
// band over 30 % of its width fading into `key` along the edge that faces the rest
// of the window (the right edge; the left one for a picture placed top-right), and
// encoded as PNG. Empty when the picture cannot be decoded.
Bytes PreparePicture(std::span<const std::uint8_t> file, std::uint32_t key, bool placedTopRight);

// Re-encodes a picture file (any format GDI+ reads) as PNG; empty on failure.
Bytes PictureFileAsPng(std::span<const std::uint8_t> file);

// Fills a canvas with one opaque colour.
void FillWithColour(DibCanvas& canvas, COLORREF colour);
// Covers a canvas with white at `alpha`.
void Veil(DibCanvas& canvas, int alpha);

// The nearest registered sub-window with a fill of its own that `control` lies in
// (or is), walking up its parents; null when there is none.
const SubWindowRecord* FilledSubWindowAround(const SkinWindowRecord& record, HWND control);
// Paints a sub-window's fill (its colour at its alpha) over `area` of a canvas: a
// rounded shape a little shorter for a framed or group-box sub-window, else the
// plain rectangle; lengths at `dpi`.
void PaintSubWindowFill(DibCanvas& canvas, const RECT& area, const SubWindowRecord& sub, int dpi);

}  // namespace ornivex::skin
