#pragma once
// Text detection around the model: the size a picture is detected at, the
// detector's input tensor, and the text boxes found in its probability map.
// No Windows header.
#include <cstdint>
#include <span>
#include <vector>

#include "ocr/geometry.h"
#include "runtime/picture_decode.h"

namespace ornivex::ocr {

struct Size {
  int width = 0;
  int height = 0;
};

// The detector takes sides that are multiples of 32. A picture is detected at
// its own size, rounded to such multiples, unless it has more pixels than the
// limit or a longer side than the limit: then it is scaled down to fit both.
// (Scaling every picture down to a long side of 960, as the models' reference
// pipeline does, shrinks the 12-15 px text of a full-HD screenshot to 6-8 px,
// below what the detector sees.)
struct DetectionLimits {
  std::int64_t maxPixels = 2'300'000;
  int maxSide = 2560;
};
Size DetectionSize(int width, int height, const DetectionLimits& limits = {});

// The detector's input: the opaque BGRA picture scaled to `size`, as three planes
// in the order the models were trained with (blue, green, red), each channel
// normalised with the ImageNet mean and deviation. Empty when the sizes do not
// fit or memory runs out.
std::vector<float> DetectionTensor(const Picture& opaque, Size size);

struct TextBox {
  Quad quad;
  float score = 0;  // mean probability inside the box before it was grown
  // A region too thin to stand as a line on its own (a lone "1" or "5" beside
  // other text gives a kernel of one or two pixels across): kept only when a
  // line beside it gives it its height (FitGlyphBoxes).
  bool small = false;
};

struct BoxRules {
  float threshold = 0.3f;     // a pixel is text when its probability is above this
  float boxThreshold = 0.6f;  // a region is kept when its mean probability reaches this
  // How far a kernel is grown: the models' reference pipeline takes 1.5, which
  // here cuts off the tops of capitals and the ends of lines; 1.8, with the ends
  // taken a fifth of the line's height further, keeps trailing punctuation (a
  // full stop's kernel is too small to stand on its own).
  float unclipRatio = 1.8f;
  float endMargin = 0.2f;
  float minSide = 3;          // regions whose rectangle is thinner are small (TextBox::small)
  float minGlyphSide = 1;     // and those thinner than this are dropped
  int maxCandidates = 1000;
};

// The text boxes of a probability map of width x height values (row after row),
// in the map's coordinates: each connected region of text pixels (8-connected)
// becomes its minimum-area rectangle, grown by the unclip rule. Regions that are
// too thin or not confident enough are dropped. Nothing when the map's size does
// not match its values.
std::vector<TextBox> FindTextBoxes(std::span<const float> probability, int width, int height,
                                   const BoxRules& rules = {});

// Whether the detector's output, `values` floats of `shape`, is a probability map
// of the input's size: [1, 1, height, width] or [1, height, width].
bool IsProbabilityMap(std::span<const std::int64_t> shape, std::size_t values, Size input);

// The boxes moved from a map of `map` size onto a picture of `picture` size,
// clipped to the picture; boxes other than small ones that end up no more than
// 3 pixels across in either direction are dropped.
std::vector<TextBox> BoxesOnPicture(std::span<const TextBox> boxes, Size map, Size picture);

// Boxes of a glyph or two beside a line, given the line's height. The detector
// sees a lone digit or letter as a small blot, and its box, grown by the unclip
// rule for a line, cuts the glyph's top and bottom off ("6" read as "n", "7" as
// nothing). A box that is small, or less than 3/4 as high as a level line
// beside it on the same row (its centre within the line's height, at most 1.5
// line heights away, not over the line), and less wide than 1.5 line heights,
// takes the line's top and bottom and at least 2/3 of its height as its width,
// upright. Small boxes with no such line are dropped.
std::vector<TextBox> FitGlyphBoxes(std::span<const TextBox> boxes, Size picture);

}  // namespace ornivex::ocr
