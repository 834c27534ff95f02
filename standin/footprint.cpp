#include "footprint.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace {

// Brush columns [from, to) of ink.
struct Run {
  int64_t from, to;
  bool operator==(const Run& o) const { return from == o.from && to == o.to; }
};

// Block columns [first, last] filled in one block row.
struct Span {
  int64_t first, last;
};

// The runs of ink of brush row `row`, counted from the top.
void inkRuns(const Bitmap& brush, int32_t row, std::vector<Run>& runs) {
  runs.clear();
  const uint8_t* bytes = &brush.bits[brush.offset(0, row)];
  const int32_t width = brush.width();
  for (int32_t column = 0; column < width;) {
    while (column < width && bytes[column] != 0) ++column;
    const int32_t from = column;
    while (column < width && bytes[column] == 0) ++column;
    if (column > from) runs.push_back({from, column});
  }
}

// Collects the block columns a press fills, block row by block row, and
// turns each block row into boxes clipped to the canvas.
class BlockRows {
 public:
  BlockRows(int64_t blockWidth, int64_t blockHeight, int64_t canvasWidth, int64_t canvasHeight,
            std::vector<CanvasBox>& out)
      : bw_(blockWidth), bh_(blockHeight), w_(canvasWidth), h_(canvasHeight), out_(out) {}

  void add(int64_t blockRow, Span span) {
    if (blockRow != row_) flush();
    row_ = blockRow;
    spans_.push_back(span);
  }

  void flush() {
    if (spans_.empty()) return;
    std::sort(spans_.begin(), spans_.end(),
              [](const Span& a, const Span& b) { return a.first < b.first; });
    const int64_t top = row_ * bh_, bottom = std::min(top + bh_, h_);
    Span merged = spans_[0];
    for (std::size_t i = 1; i <= spans_.size(); ++i) {
      if (i < spans_.size() && spans_[i].first <= merged.last + 1) {
        merged.last = std::max(merged.last, spans_[i].last);
        continue;
      }
      out_.push_back({merged.first * bw_, top, std::min((merged.last + 1) * bw_, w_), bottom});
      if (i < spans_.size()) merged = spans_[i];
    }
    spans_.clear();
  }

 private:
  int64_t bw_, bh_, w_, h_;
  std::vector<CanvasBox>& out_;
  int64_t row_ = -1;
  std::vector<Span> spans_;
};

}  // namespace

Footprint pressFootprint(const Bitmap& brush, int32_t x, int32_t y, int64_t blockWidth,
                         int64_t blockHeight, int32_t canvasWidth, int32_t canvasHeight) {
  Footprint f;
  const int64_t bw = brush.width(), bh = brush.height();
  if (bw <= 0 || bh <= 0 || brush.bits.empty()) return f;
  blockWidth = std::max<int64_t>(blockWidth, 1);
  blockHeight = std::max<int64_t>(blockHeight, 1);
  // Where the brush lands: its top-left pixel at the cursor less half its
  // size, plus one.
  const int64_t left = int64_t{x} - bw / 2 + 1, top = int64_t{y} - bh / 2 + 1;
  // The brush as the pen clips it to the canvas before it looks at a byte:
  // ink off the canvas leaves the block-column tracker alone.
  const int64_t clipLeft = std::max<int64_t>(left, 0), clipTop = std::max<int64_t>(top, 0);
  const int64_t clipRight = std::min<int64_t>(left + bw, canvasWidth);
  const int64_t clipBottom = std::min<int64_t>(top + bh, canvasHeight);
  const bool onCanvas = clipLeft < clipRight && clipTop < clipBottom;

  BlockRows blocks(blockWidth, blockHeight, canvasWidth, canvasHeight, f.blocks);
  int64_t tracker = -1;  // once a press, carried from row to row
  std::vector<Run> runs, previous;
  std::size_t previousBoxes = 0;  // the boxes of the row above, at the end of f.ink
  for (int32_t row = 0; row < bh; ++row) {
    inkRuns(brush, row, runs);
    const int64_t canvasRow = top + row;
    if (row > 0 && runs == previous) {
      for (std::size_t i = f.ink.size() - previousBoxes; i < f.ink.size(); ++i)
        f.ink[i].bottom = canvasRow + 1;
    } else {
      for (const Run& r : runs)
        f.ink.push_back({left + r.from, canvasRow, left + r.to, canvasRow + 1});
      previousBoxes = runs.size();
      previous = runs;
    }
    if (!onCanvas || canvasRow < clipTop || canvasRow >= clipBottom) continue;
    const int64_t blockRow = canvasRow / blockHeight;
    for (const Run& r : runs) {
      const int64_t from = std::max(left + r.from, clipLeft);
      const int64_t to = std::min(left + r.to, clipRight);
      if (from >= to) continue;
      if (blockWidth <= 1) {  // every ink pixel its own stamp; the tracker is not asked
        blocks.add(blockRow, {from, to - 1});
        continue;
      }
      // Within the run the block column only grows: each new one is filled,
      // the first only if it is not the one stamped last.
      int64_t first = from / blockWidth;
      const int64_t last = (to - 1) / blockWidth;
      if (first == tracker) ++first;
      tracker = last;
      if (first <= last) blocks.add(blockRow, {first, last});
    }
  }
  blocks.flush();
  return f;
}

std::vector<EdgeSegment> outline(const std::vector<CanvasBox>& boxes) {
  std::vector<EdgeSegment> segments;
  std::vector<int64_t> xs, ys;
  for (const CanvasBox& b : boxes) {
    if (b.empty()) continue;
    xs.push_back(b.left);
    xs.push_back(b.right);
    ys.push_back(b.top);
    ys.push_back(b.bottom);
  }
  if (xs.empty()) return segments;
  for (std::vector<int64_t>* v : {&xs, &ys}) {
    std::sort(v->begin(), v->end());
    v->erase(std::unique(v->begin(), v->end()), v->end());
  }
  // A grid of the distinct edges: cell (i, j) spans xs[i]..xs[i + 1] and
  // ys[j]..ys[j + 1], with a border of empty cells all round.
  const std::size_t columns = xs.size() + 1, rows = ys.size() + 1;
  std::vector<uint8_t> inside(columns * rows, 0);
  auto cell = [&](std::size_t i, std::size_t j) -> uint8_t& { return inside[j * columns + i]; };
  auto indexOf = [](const std::vector<int64_t>& v, int64_t value) {
    return static_cast<std::size_t>(std::lower_bound(v.begin(), v.end(), value) - v.begin()) + 1;
  };
  for (const CanvasBox& b : boxes) {
    if (b.empty()) continue;
    const std::size_t i0 = indexOf(xs, b.left), i1 = indexOf(xs, b.right);
    const std::size_t j0 = indexOf(ys, b.top), j1 = indexOf(ys, b.bottom);
    for (std::size_t j = j0; j < j1; ++j) std::memset(&cell(i0, j), 1, i1 - i0);
  }
  // Cell i of the grid starts at xs[i - 1]; the border cells lie outside.
  for (std::size_t j = 1; j < rows; ++j) {  // the line at ys[j - 1]
    std::size_t i = 1;
    while (i < columns - 1) {
      if (cell(i, j - 1) == cell(i, j)) {
        ++i;
        continue;
      }
      const std::size_t start = i;
      while (i < columns - 1 && cell(i, j - 1) != cell(i, j)) ++i;
      segments.push_back({xs[start - 1], ys[j - 1], xs[i - 1], ys[j - 1]});
    }
  }
  for (std::size_t i = 1; i < columns; ++i) {  // the line at xs[i - 1]
    std::size_t j = 1;
    while (j < rows - 1) {
      if (cell(i - 1, j) == cell(i, j)) {
        ++j;
        continue;
      }
      const std::size_t start = j;
      while (j < rows - 1 && cell(i - 1, j) != cell(i, j)) ++j;
      segments.push_back({xs[i - 1], ys[start - 1], xs[i - 1], ys[j - 1]});
    }
  }
  return segments;
}
