// Text boxes from a made-up probability map: every box found lies in the map
// (grown by at most its own unclip distance and end margin), its corners are in
// reading order, and moving the boxes onto a picture, fitting glyphs to their
// lines, cropping them from it and ordering them into lines stay inside the
// picture.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <vector>

#include "fuzz/check.h"
#include "ocr/detection.h"
#include "ocr/layout.h"
#include "ocr/recognition.h"

namespace {
using ornivex::fuzz::Check;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const int width = input.ConsumeIntegralInRange<int>(1, 96);
  const int height = input.ConsumeIntegralInRange<int>(1, 96);
  const ornivex::ocr::Size picture{input.ConsumeIntegralInRange<int>(1, 200), input.ConsumeIntegralInRange<int>(1, 200)};
  std::vector<float> map(static_cast<std::size_t>(width) * height, 0.0f);
  for (float& p : map) p = input.ConsumeIntegral<std::uint8_t>() / 255.0f;

  const auto boxes = ornivex::ocr::FindTextBoxes(map, width, height);
  const float slack = 2.0f * (width + height);
  for (const auto& box : boxes) {
    Check(box.score >= 0.6f && box.score <= 1.0f);
    for (const auto& p : box.quad) Check(p.x > -slack && p.x < width + slack && p.y > -slack && p.y < height + slack);
    Check(box.quad[0].x <= box.quad[1].x + 1e-3f && box.quad[0].y <= box.quad[3].y + 1e-3f);
  }
  const auto placed =
      ornivex::ocr::FitGlyphBoxes(ornivex::ocr::BoxesOnPicture(boxes, {width, height}, picture), picture);
  ornivex::Picture pixels{picture.width, picture.height,
                          std::vector<std::uint8_t>(static_cast<std::size_t>(picture.width) * picture.height * 4, 200)};
  std::vector<ornivex::ocr::ReadBox> read;
  for (const auto& box : placed) {
    for (const auto& p : box.quad) Check(p.x >= 0 && p.x <= picture.width - 1 && p.y >= 0 && p.y <= picture.height - 1);
    const auto crop = ornivex::ocr::CropUpright(pixels, box.quad);
    if (crop) Check(crop->bgra.size() == static_cast<std::size_t>(crop->width) * crop->height * 4);
    read.push_back({box.quad, "x"});
  }
  const auto lines = ornivex::ocr::OrderLines(read);
  std::size_t words = 0;
  for (const auto& line : lines) words += (line.size() + 1) / 2;
  Check(words == read.size());
  return 0;
}
