#include "ocr/layout.h"

#include <algorithm>

namespace ornivex::ocr {

namespace {

// A box's upright extent, and which box it was.
struct Extent : Bounds {
  std::size_t index;
};

struct Row {
  float top, bottom;
  std::vector<Extent> members;
};

bool SameRow(const Row& row, const Extent& e) {
  const float overlap = std::min(row.bottom, e.bottom) - std::max(row.top, e.top);
  const float lower = std::min(row.bottom - row.top, e.bottom - e.top);
  if (overlap < 0.5f * lower) return false;
  for (const Extent& m : row.members) {
    // Boxes that overlap much across are two rows' (a line above another),
    // unless they stand level side by side: the grown ends of two boxes of one
    // line ("def" and "save_settings(") reach into each other.
    const float across = std::min(m.right, e.right) - std::max(m.left, e.left);
    const float narrower = std::min(m.right - m.left, e.right - e.left);
    const float level = std::min(m.bottom, e.bottom) - std::max(m.top, e.top);
    const float share = level >= 0.8f * std::min(m.bottom - m.top, e.bottom - e.top) ? 0.5f : 0.25f;
    if (across > share * narrower) return false;
  }
  return true;
}

}  // namespace

std::vector<std::string> OrderLines(std::span<const ReadBox> boxes) {
  std::vector<Extent> extents;
  for (std::size_t i = 0; i < boxes.size(); ++i)
    if (!boxes[i].text.empty()) extents.push_back({BoundsOf(boxes[i].quad), i});
  std::sort(extents.begin(), extents.end(), [](const Extent& a, const Extent& b) {
    return a.top + a.bottom < b.top + b.bottom || (a.top + a.bottom == b.top + b.bottom && a.left < b.left);
  });
  std::vector<Row> rows;
  for (const Extent& e : extents) {
    // The nearest row above that it fits; rows are kept in order of their centres.
    Row* home = nullptr;
    for (auto row = rows.rbegin(); row != rows.rend() && row->bottom > e.top; ++row)
      if (SameRow(*row, e)) {
        home = &*row;
        break;
      }
    if (!home) {
      rows.push_back({e.top, e.bottom, {}});
      home = &rows.back();
    }
    home->members.push_back(e);
    // A row's extent is that of its first box, so that a tall neighbour does not
    // pull the next row in.
  }
  std::stable_sort(rows.begin(), rows.end(),
                   [](const Row& a, const Row& b) { return a.top + a.bottom < b.top + b.bottom; });
  std::vector<std::string> lines;
  for (Row& row : rows) {
    std::sort(row.members.begin(), row.members.end(), [](const Extent& a, const Extent& b) { return a.left < b.left; });
    std::string line;
    for (const Extent& m : row.members) {
      if (!line.empty()) line += ' ';
      line += boxes[m.index].text;
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace ornivex::ocr
