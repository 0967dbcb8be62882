#include "ocr/recognition.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "runtime/resample.h"

namespace ornivex::ocr {

std::optional<Picture> CropUpright(const Picture& opaque, const Quad& q) {
  if (opaque.width <= 0 || opaque.height <= 0 ||
      opaque.bgra.size() != static_cast<std::size_t>(opaque.width) * opaque.height * 4)
    return std::nullopt;
  const int width = static_cast<int>(std::max(Distance(q[0], q[1]), Distance(q[3], q[2])));
  const int height = static_cast<int>(std::max(Distance(q[0], q[3]), Distance(q[1], q[2])));
  if (width < 1 || height < 1 || static_cast<std::int64_t>(width) * height > kMaxPicturePixels) return std::nullopt;
  Picture crop;
  crop.width = width;
  crop.height = height;
  crop.bgra.resize(static_cast<std::size_t>(width) * height * 4);
  // Each target pixel maps onto the quad (bilinearly between its corners, which
  // for a rectangle is the exact transform) and is sampled bilinearly, the
  // picture's edge pixels repeated beyond it.
  const int maxX = opaque.width - 1, maxY = opaque.height - 1;
  for (int y = 0; y < height; ++y) {
    const float v = static_cast<float>(y) / height;
    const Point left = {q[0].x + (q[3].x - q[0].x) * v, q[0].y + (q[3].y - q[0].y) * v};
    const Point right = {q[1].x + (q[2].x - q[1].x) * v, q[1].y + (q[2].y - q[1].y) * v};
    std::uint8_t* out = crop.bgra.data() + static_cast<std::size_t>(y) * width * 4;
    for (int x = 0; x < width; ++x, out += 4) {
      const float u = static_cast<float>(x) / width;
      const float sx = std::clamp(left.x + (right.x - left.x) * u, 0.0f, static_cast<float>(maxX));
      const float sy = std::clamp(left.y + (right.y - left.y) * u, 0.0f, static_cast<float>(maxY));
      const int x0 = static_cast<int>(sx), y0 = static_cast<int>(sy);
      const int x1 = std::min(x0 + 1, maxX), y1 = std::min(y0 + 1, maxY);
      const float fx = sx - x0, fy = sy - y0;
      const std::uint8_t* p00 = opaque.bgra.data() + (static_cast<std::size_t>(y0) * opaque.width + x0) * 4;
      const std::uint8_t* p01 = opaque.bgra.data() + (static_cast<std::size_t>(y0) * opaque.width + x1) * 4;
      const std::uint8_t* p10 = opaque.bgra.data() + (static_cast<std::size_t>(y1) * opaque.width + x0) * 4;
      const std::uint8_t* p11 = opaque.bgra.data() + (static_cast<std::size_t>(y1) * opaque.width + x1) * 4;
      for (int c = 0; c < 4; ++c) {
        const float top = p00[c] + (p01[c] - p00[c]) * fx, bottom = p10[c] + (p11[c] - p10[c]) * fx;
        out[c] = static_cast<std::uint8_t>(std::lround(top + (bottom - top) * fy));
      }
    }
  }
  if (height >= 2 * width) {
    // Turned a quarter to the left: the top row becomes the left column.
    Picture turned;
    turned.width = height;
    turned.height = width;
    turned.bgra.resize(crop.bgra.size());
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        std::copy_n(crop.bgra.data() + (static_cast<std::size_t>(y) * width + x) * 4, 4,
                    turned.bgra.data() + (static_cast<std::size_t>(width - 1 - x) * height + y) * 4);
    return turned;
  }
  return crop;
}

int LineBandHeight(int height) {
  if (height <= 0) return 0;
  return static_cast<int>(std::min<std::int64_t>(kLineHeight, static_cast<std::int64_t>(height) * kMaxLineScale));
}

int LineWidth(int width, int height) {
  if (width <= 0 || height <= 0) return 0;
  const double scaled = std::ceil(static_cast<double>(LineBandHeight(height)) * width / height);
  return static_cast<int>(std::clamp(scaled, 1.0, static_cast<double>(kMaxLineWidth)));
}

std::vector<float> RecognitionTensor(std::span<const Picture* const> crops, int batchWidth) {
  if (batchWidth <= 0 || batchWidth > kMaxLineWidth) return {};
  const std::size_t plane = static_cast<std::size_t>(kLineHeight) * batchWidth;
  try {
    std::vector<float> tensor(plane * 3 * crops.size(), 0.0f);
    std::vector<std::uint8_t> scaled;
    for (std::size_t n = 0; n < crops.size(); ++n) {
      const Picture& crop = *crops[n];
      const int width = std::min(LineWidth(crop.width, crop.height), batchWidth);
      const int band = LineBandHeight(crop.height);
      if (width <= 0 || crop.bgra.size() != static_cast<std::size_t>(crop.width) * crop.height * 4) return {};
      scaled.resize(static_cast<std::size_t>(width) * band * 4);
      if (!ResamplePremultiplied(crop.bgra, crop.width, crop.height, scaled, width, band)) return {};
      const int top = (kLineHeight - band) / 2;
      float* item = tensor.data() + n * plane * 3;
      for (int c = 0; c < 3; ++c) {
        float* out = item + c * plane;
        for (int y = 0; y < kLineHeight; ++y) {
          const std::uint8_t* row = scaled.data() + static_cast<std::size_t>(std::clamp(y - top, 0, band - 1)) * width * 4;
          float* line = out + static_cast<std::size_t>(y) * batchWidth;
          for (int x = 0; x < width; ++x) line[x] = row[x * 4 + c] / 127.5f - 1.0f;
        }
      }
    }
    return tensor;
  } catch (const std::bad_alloc&) {
    return {};
  }
}

namespace {

// Whether the bytes are well-formed UTF-8 without control characters.
bool IsPlainUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      if (b < 0x20 || b == 0x7F) return false;
      ++i;
      continue;
    }
    std::size_t length;
    std::uint32_t code;
    if (b >= 0xC2 && b <= 0xDF) {
      length = 2;
      code = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      length = 3;
      code = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      length = 4;
      code = b & 0x07;
    } else {
      return false;
    }
    if (i + length > s.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      code = (code << 6) | (c & 0x3F);
    }
    if ((length == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
        (length == 4 && (code < 0x10000 || code > 0x10FFFF)))
      return false;
    i += length;
  }
  return true;
}

}  // namespace

std::optional<Dictionary> ParseDictionary(std::string_view text) {
  if (text.find('\0') != std::string_view::npos) return std::nullopt;
  Dictionary dictionary;
  dictionary.symbols.emplace_back();  // the blank
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.size() > 32 || !IsPlainUtf8(line)) return std::nullopt;
    if (dictionary.symbols.size() > 100'000) return std::nullopt;
    dictionary.symbols.emplace_back(line);
    at = end + 1;
  }
  if (dictionary.symbols.size() < 2) return std::nullopt;
  dictionary.symbols.emplace_back(" ");
  return dictionary;
}

std::optional<std::size_t> RecognitionSteps(std::span<const std::int64_t> shape, std::size_t values,
                                            std::size_t batch, std::size_t classes) {
  if (shape.size() != 3 || batch == 0 || classes == 0) return std::nullopt;
  if (shape[0] < 0 || static_cast<std::uint64_t>(shape[0]) != batch || shape[2] < 0 ||
      static_cast<std::uint64_t>(shape[2]) != classes || shape[1] <= 0)
    return std::nullopt;
  const auto steps = static_cast<std::uint64_t>(shape[1]);
  if (steps > values / batch / classes || steps * batch * classes != values) return std::nullopt;
  return static_cast<std::size_t>(steps);
}

std::optional<DecodedLine> DecodeCtc(std::span<const float> output, std::size_t steps, std::size_t classes,
                                     const Dictionary& dictionary) {
  if (classes == 0 || classes != dictionary.symbols.size() || steps > output.size() / classes ||
      output.size() != steps * classes)
    return std::nullopt;
  DecodedLine line;
  double sum = 0;
  std::size_t kept = 0, previous = 0;
  for (std::size_t t = 0; t < steps; ++t) {
    const float* row = output.data() + t * classes;
    const std::size_t best = static_cast<std::size_t>(std::max_element(row, row + classes) - row);
    if (best != 0 && best != previous) {
      line.text += dictionary.symbols[best];
      sum += row[best];
      ++kept;
    }
    previous = best;
  }
  line.score = kept ? static_cast<float>(sum / kept) : 0.0f;
  return line;
}

}  // namespace ornivex::ocr
