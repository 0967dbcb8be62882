#pragma once
// Reading order of the recognised boxes: rows top to bottom, boxes of one row
// left to right and joined into one line. No Windows header.
#include <span>
#include <string>
#include <vector>

#include "ocr/geometry.h"

namespace ornivex::ocr {

struct ReadBox {
  Quad quad;
  std::string text;  // UTF-8
};

// Boxes whose vertical extents overlap by at least half the lower of the two
// heights, and that do not overlap each other across, are on one text row. The
// rows come top to bottom; each row's texts are joined left to right with a
// space. Boxes with empty text are left out.
std::vector<std::string> OrderLines(std::span<const ReadBox> boxes);

}  // namespace ornivex::ocr
