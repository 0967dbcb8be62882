#include "runtime/picture_decode.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <png.h>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include "runtime/layout.h"

namespace ornivex {

PictureFormat SniffPictureFormat(std::span<const std::uint8_t> bytes) {
  static constexpr std::uint8_t kPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (bytes.size() >= sizeof kPng && std::memcmp(bytes.data(), kPng, sizeof kPng) == 0) return PictureFormat::Png;
  if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) return PictureFormat::Jpeg;
  if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return PictureFormat::Bmp;
  return PictureFormat::Unknown;
}

std::optional<Picture> DecodePng(std::span<const std::uint8_t> bytes) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return std::nullopt;
  if (image.width == 0 || image.height == 0 || image.width > kMaxPictureSide || image.height > kMaxPictureSide) {
    png_image_free(&image);
    return std::nullopt;
  }
  image.format = PNG_FORMAT_RGBA;
  Picture picture;
  picture.width = static_cast<int>(image.width);
  picture.height = static_cast<int>(image.height);
  picture.bgra.resize(PNG_IMAGE_SIZE(image));
  // finish_read frees the image's internal state whether it succeeds or not.
  if (!png_image_finish_read(&image, nullptr, picture.bgra.data(), 0, nullptr)) return std::nullopt;
  RgbaToPremultipliedBgra(picture.bgra);
  return picture;
}

namespace {

struct JpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void OnJpegError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

void IgnoreJpegMessage(j_common_ptr) {}

// Kept apart from the C++ objects: longjmp only ever leaves this function's frame
// for its own setjmp, and nothing here has a destructor to skip.
bool DecodeJpegInto(const std::uint8_t* data, unsigned long size, Picture* out,
                    std::vector<std::uint8_t>* row) {
  jpeg_decompress_struct info;
  JpegError error;
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = OnJpegError;
  error.manager.output_message = IgnoreJpegMessage;
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
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  if (info.output_width == 0 || info.output_height == 0 || info.output_width > kMaxPictureSide ||
      info.output_height > kMaxPictureSide || info.output_components != 3) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  out->width = static_cast<int>(info.output_width);
  out->height = static_cast<int>(info.output_height);
  out->bgra.assign(static_cast<std::size_t>(out->width) * out->height * 4, 0);
  row->assign(static_cast<std::size_t>(out->width) * 3, 0);
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

}  // namespace

std::optional<Picture> DecodeJpeg(std::span<const std::uint8_t> bytes) {
  if (bytes.empty() || bytes.size() > 0xFFFFFFFFu) return std::nullopt;
  Picture picture;
  std::vector<std::uint8_t> row;
  if (!DecodeJpegInto(bytes.data(), static_cast<unsigned long>(bytes.size()), &picture, &row)) return std::nullopt;
  return picture;
}

}  // namespace ornivex
