#pragma once
// Line recognition around the model: cropping a text box upright, the
// recogniser's input tensor, its dictionary and the greedy CTC decoding of its
// output. No Windows header.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ocr/geometry.h"
#include "runtime/picture_decode.h"

namespace ornivex::ocr {

inline constexpr int kLineHeight = 48;    // the recogniser's input height
// Lines narrower than this are padded to it. The reference pipeline pads every
// line to 320, which reads no better here and costs a third more on a screenshot.
inline constexpr int kMinLineWidth = 64;
inline constexpr int kMaxLineWidth = 3200;

// The quad of the opaque BGRA picture sampled into an upright picture whose sides
// are the quad's longest top/bottom and left/right edges; a box at least twice
// as tall as wide is a vertical line and is turned a quarter to the left (the
// models' reference pipeline turns boxes 1.5 times as tall, which turns a lone
// digit on its side).
// Nothing when the quad is empty.
std::optional<Picture> CropUpright(const Picture& opaque, const Quad& quad);

// A crop is scaled to the line height, but enlarged at most this much: the
// recogniser's time grows with the columns it is fed, and the 12-14 px text of a
// screenshot, whose crops are some 17 px high, reads as well at twice its size
// (in a band of 34 px of the 48) as at nearly three times, in 27 % fewer columns.
inline constexpr int kMaxLineScale = 2;

// The height a crop of `height` takes in the recogniser's band of kLineHeight.
int LineBandHeight(int height);
// The width a crop takes in the recogniser at that height.
int LineWidth(int width, int height);

// The recogniser's input for a batch: each crop scaled to its band height and
// its own width (at most `batchWidth`), centred in the band with its top and
// bottom rows repeated above and below, normalised to [-1, 1] as blue, green and
// red planes, padded with zeros on the right to `batchWidth`. Empty when a crop
// is empty or memory runs out.
std::vector<float> RecognitionTensor(std::span<const Picture* const> crops, int batchWidth);

// The recogniser's symbols: index 0 is the CTC blank, then one per line of the
// dictionary file, then the space.
struct Dictionary {
  std::vector<std::string> symbols;
};

// The dictionary file: UTF-8, one symbol per line (LF or CR LF), the last line
// with or without a line end. Nothing when a line is empty, is not UTF-8, holds a
// control character or is longer than 32 bytes, when there is no line or more
// than 100,000, or when the file has a zero byte.
std::optional<Dictionary> ParseDictionary(std::string_view text);

// The time steps per line of the recogniser's output, `values` floats of
// `shape`: [batch, steps, classes] with the batch and class count expected.
// Nothing for any other shape.
std::optional<std::size_t> RecognitionSteps(std::span<const std::int64_t> shape, std::size_t values,
                                            std::size_t batch, std::size_t classes);

struct DecodedLine {
  std::string text;   // UTF-8
  float score = 0;    // mean probability of the symbols kept; 0 when none
};

// Greedy CTC decoding of one line's output, `steps` rows of `classes` values:
// the most probable class of each step, repeats merged, blanks dropped. Nothing
// when the sizes do not match each other or the dictionary.
std::optional<DecodedLine> DecodeCtc(std::span<const float> output, std::size_t steps, std::size_t classes,
                                     const Dictionary& dictionary);

}  // namespace ornivex::ocr
