#include "brush_blocks.h"

namespace {

// The tracker of one placement: the block column of the last stamped pixel.
struct ColumnTracker {
  int64_t last = -1;

  // The ink canvas pixels x0..x1 of one brush row, in block row `row`.
  void feed(const BlockGrid& grid, const BlockSink& sink, int64_t row, int64_t x0, int64_t x1) {
    if (grid.width == 1) {
      sink.add(row, x0, x1);
      return;
    }
    int64_t c0 = grid.column(x0);
    const int64_t c1 = grid.column(x1);
    if (c0 == last) ++c0;
    if (c0 <= c1) sink.add(row, c0, c1);
    last = c1;
  }
};

}  // namespace

bool clipBrush(int64_t left, int64_t top, int64_t width, int64_t height,
               const BitmapGeometry& canvas, VisibleBrush& out) {
  out.column = 0;
  out.row = 0;
  if (left < 0) {
    out.column = -left;
    width += left;
    left = 0;
  }
  if (top < 0) {
    out.row = -top;
    height += top;
    top = 0;
  }
  if (left + width > canvas.width) width = canvas.width - left;
  if (top + height > canvas.height) height = canvas.height - top;
  if (width <= 0 || height <= 0) return false;
  out.left = left;
  out.top = top;
  out.width = width;
  out.height = height;
  return true;
}

InclusiveBox blockBoxOf(const VisibleBrush& visible, const BlockGrid& grid) {
  return {grid.column(visible.left), grid.row(visible.top),
          grid.column(visible.left + visible.width - 1),
          grid.row(visible.top + visible.height - 1)};
}

void addBrushBlocks(const InkSource& ink, const VisibleBrush& visible, const BlockGrid& grid,
                    const BlockSink& sink) {
  const int64_t firstColumn = visible.column;
  const int64_t lastColumn = visible.column + visible.width - 1;
  const int64_t toCanvas = visible.left - visible.column;
  int64_t blockRow = grid.row(visible.top);
  int64_t rowInBlock = visible.top - blockRow * grid.height;
  ColumnTracker tracker;
  for (int64_t i = 0; i < visible.height; ++i) {
    const int64_t r = visible.row + i;
    if (ink.runs != nullptr) {
      for (uint32_t n = ink.runs->rowStart[r]; n < ink.runs->rowStart[r + 1]; ++n) {
        const InkRun run = ink.runs->runs[n];
        if (run.end < firstColumn) continue;
        if (run.start > lastColumn) break;
        const int64_t x0 = (run.start > firstColumn ? run.start : firstColumn) + toCanvas;
        const int64_t x1 = (run.end < lastColumn ? run.end : lastColumn) + toCanvas;
        tracker.feed(grid, sink, blockRow, x0, x1);
      }
    } else {
      const uint8_t* const row = ink.bits + ink.brush.offsetOf(0, r);
      const uint8_t* const end = row + lastColumn + 1;
      for (const uint8_t *p = row + firstColumn, *runEnd; nextInkRun(p, end, p, runEnd); p = runEnd)
        tracker.feed(grid, sink, blockRow, (p - row) + toCanvas, (runEnd - row - 1) + toCanvas);
    }
    if (++rowInBlock == grid.height) {
      rowInBlock = 0;
      ++blockRow;
    }
  }
}
