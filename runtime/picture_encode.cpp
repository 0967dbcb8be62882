#include "runtime/picture_encode.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include <png.h>

#include "runtime/jpeg_errors.h"

namespace ornivex {

namespace {

bool Opaque(const Picture& picture) {
  for (std::size_t i = 3; i < picture.bgra.size(); i += 4)
    if (picture.bgra[i] != 255) return false;
  return true;
}

bool Encodable(const Picture& picture) {
  const std::int64_t pixels = std::int64_t{picture.width} * picture.height;
  return picture.width > 0 && picture.height > 0 && picture.width <= kMaxPictureSide &&
         picture.height <= kMaxPictureSide && pixels <= kMaxPicturePixels &&
         picture.bgra.size() == static_cast<std::size_t>(pixels) * 4;
}

// --- JPEG. --------------------------------------------------------------------

// Where the compressor writes: one malloc'ed buffer, doubled as it fills, that
// the caller frees whatever happens. (libjpeg's own memory destination hands
// its buffer back only when compression ends, so after an error there would be
// nothing safe to free.)
struct JpegSink {
  jpeg_destination_mgr manager;
  unsigned char* data = nullptr;
  std::size_t capacity = 0;
  std::size_t size = 0;
};

JpegSink& SinkOf(j_compress_ptr info) { return *reinterpret_cast<JpegSink*>(info->dest); }

[[noreturn]] void SinkOutOfMemory(j_compress_ptr info) {
  info->err->error_exit(reinterpret_cast<j_common_ptr>(info));
  std::abort();  // error_exit does not return
}

void SinkStart(j_compress_ptr info) {
  JpegSink& sink = SinkOf(info);
  constexpr std::size_t kFirst = 64 * 1024;
  sink.data = static_cast<unsigned char*>(std::malloc(kFirst));
  if (!sink.data) SinkOutOfMemory(info);
  sink.capacity = kFirst;
  sink.manager.next_output_byte = sink.data;
  sink.manager.free_in_buffer = kFirst;
}

boolean SinkGrow(j_compress_ptr info) {
  JpegSink& sink = SinkOf(info);
  // Called when the buffer is full, whatever free_in_buffer says.
  void* grown = std::realloc(sink.data, sink.capacity * 2);
  if (!grown) SinkOutOfMemory(info);
  sink.data = static_cast<unsigned char*>(grown);
  sink.manager.next_output_byte = sink.data + sink.capacity;
  sink.manager.free_in_buffer = sink.capacity;
  sink.capacity *= 2;
  return TRUE;
}

void SinkEnd(j_compress_ptr info) {
  JpegSink& sink = SinkOf(info);
  sink.size = sink.capacity - sink.manager.free_in_buffer;
}

// Kept apart from the C++ objects (runtime/jpeg_errors.h). `row` holds one row
// of RGB.
bool EncodeJpegInto(const Picture& straight, int quality, std::uint8_t* row, JpegSink* sink) {
  jpeg_compress_struct info;
  JpegErrorJump error;
  info.err = JumpingJpegErrors(error);
  if (setjmp(error.jump)) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  sink->manager.init_destination = SinkStart;
  sink->manager.empty_output_buffer = SinkGrow;
  sink->manager.term_destination = SinkEnd;
  info.dest = &sink->manager;
  info.image_width = static_cast<JDIMENSION>(straight.width);
  info.image_height = static_cast<JDIMENSION>(straight.height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  info.optimize_coding = TRUE;
  jpeg_start_compress(&info, TRUE);
  const auto width = static_cast<std::size_t>(straight.width);
  while (info.next_scanline < info.image_height) {
    const std::uint8_t* in = straight.bgra.data() + std::size_t{info.next_scanline} * width * 4;
    for (std::size_t x = 0; x < width; ++x, in += 4) {
      // Straight alpha over white: c * a + 255 * (255 - a), over 255.
      const unsigned a = in[3], white = 255 * (255 - a);
      row[x * 3 + 0] = static_cast<std::uint8_t>((in[2] * a + white + 127) / 255);
      row[x * 3 + 1] = static_cast<std::uint8_t>((in[1] * a + white + 127) / 255);
      row[x * 3 + 2] = static_cast<std::uint8_t>((in[0] * a + white + 127) / 255);
    }
    JSAMPROW rows[1] = {row};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

// --- PNG. ---------------------------------------------------------------------

// Where the fast writer puts the file: room for the largest one these pixels
// can make, given beforehand, so that writing never allocates.
struct PngSink {
  std::uint8_t* data;
  std::size_t room;
  std::size_t size = 0;
};

void PngSinkWrite(png_structp png, png_bytep bytes, png_size_t length) {
  auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
  if (length > sink->room - sink->size) png_error(png, "the file outgrew its room");
  std::memcpy(sink->data + sink->size, bytes, length);
  sink->size += length;
}

void PngSinkFlush(png_structp) {}

[[noreturn]] void PngFailed(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarned(png_structp, png_const_charp) {}

// The pixels (BGRA, top row first) as a PNG of zlib's fastest level, every row
// filtered against the one above, into the sink; RGB without the alpha bytes
// when `opaque`. Kept apart from the C++ objects: libpng's errors jump out of
// it.
bool EncodeFastPngInto(const std::uint8_t* pixels, int width, int height, bool opaque, PngSink* sink) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, &PngFailed, &PngWarned);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, sink, &PngSinkWrite, &PngSinkFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, 1);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
  png_write_info(png, info);
  png_set_bgr(png);
  if (opaque) png_set_filler(png, 0, PNG_FILLER_AFTER);  // each pixel's fourth byte is left out
  const std::size_t stride = static_cast<std::size_t>(width) * 4;
  for (int y = 0; y < height; ++y) png_write_row(png, pixels + static_cast<std::size_t>(y) * stride);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> EncodePng(const Picture& straight, PngEffort effort) {
  if (!Encodable(straight)) return std::nullopt;
  const std::int64_t pixels = std::int64_t{straight.width} * straight.height;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(straight.width);
  image.height = static_cast<png_uint_32>(straight.height);
  try {
    // An opaque picture goes without its alpha channel: a quarter less to
    // compress and to upload.
    std::vector<std::uint8_t> bgr;
    const void* rows = straight.bgra.data();
    const bool opaque = Opaque(straight);
    image.format = opaque ? PNG_FORMAT_BGR : PNG_FORMAT_BGRA;
    if (opaque && effort == PngEffort::kSmallest) {
      bgr.resize(static_cast<std::size_t>(pixels) * 3);
      for (std::size_t i = 0, n = static_cast<std::size_t>(pixels); i < n; ++i)
        std::memcpy(&bgr[i * 3], &straight.bgra[i * 4], 3);
      rows = bgr.data();
    }
    // Written once into room for the largest file these pixels can make.
    std::vector<std::uint8_t> png(PNG_IMAGE_PNG_SIZE_MAX(image));
    png_alloc_size_t size = png.size();
    if (effort == PngEffort::kFastest) {
      PngSink sink{png.data(), png.size()};
      if (!EncodeFastPngInto(straight.bgra.data(), straight.width, straight.height, opaque, &sink))
        return std::nullopt;
      size = sink.size;
    } else if (!png_image_write_to_memory(&image, png.data(), &size, 0, rows, 0, nullptr)) {
      png_image_free(&image);
      return std::nullopt;
    }
    png.resize(size);
    png.shrink_to_fit();
    return png;
  } catch (const std::bad_alloc&) {
    png_image_free(&image);
    return std::nullopt;
  }
}

std::optional<std::vector<std::uint8_t>> EncodeJpeg(const Picture& straight, int quality) {
  if (!Encodable(straight)) return std::nullopt;
  JpegSink sink;
  std::optional<std::vector<std::uint8_t>> file;
  try {
    std::vector<std::uint8_t> row(static_cast<std::size_t>(straight.width) * 3);
    if (EncodeJpegInto(straight, std::clamp(quality, 1, 100), row.data(), &sink))
      file.emplace(sink.data, sink.data + sink.size);
  } catch (const std::bad_alloc&) {
    file.reset();
  }
  std::free(sink.data);
  return file;
}

}  // namespace ornivex
