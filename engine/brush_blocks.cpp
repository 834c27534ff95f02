#include "brush_blocks.h"

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

BlockBox blockBoxOf(const VisibleBrush& visible, const BlockGrid& grid) {
  return {grid.column(visible.left), grid.row(visible.top),
          grid.column(visible.left + visible.width - 1),
          grid.row(visible.top + visible.height - 1)};
}

void addBrushBlocks(const BrushRuns& runs, const VisibleBrush& visible, const BlockGrid& grid) {
  const int64_t firstColumn = visible.column;
  const int64_t lastColumn = visible.column + visible.width - 1;
  const int64_t toCanvas = visible.left - visible.column;
  int64_t blockRow = grid.row(visible.top);
  int64_t rowInBlock = visible.top - blockRow * grid.height;
  int64_t tracker = -1;
  for (int64_t i = 0; i < visible.height; ++i) {
    const int64_t r = visible.row + i;
    for (uint32_t n = runs.rowStart[r]; n < runs.rowStart[r + 1]; ++n) {
      const InkRun run = runs.runs[n];
      if (run.end < firstColumn) continue;
      if (run.start > lastColumn) break;
      const int64_t x0 = (run.start > firstColumn ? run.start : firstColumn) + toCanvas;
      const int64_t x1 = (run.end < lastColumn ? run.end : lastColumn) + toCanvas;
      if (grid.width == 1) {
        blockSetAdd(blockRow, x0, x1);
        continue;
      }
      int64_t c0 = grid.column(x0);
      const int64_t c1 = grid.column(x1);
      if (c0 == tracker) ++c0;
      if (c0 <= c1) blockSetAdd(blockRow, c0, c1);
      tracker = c1;
    }
    if (++rowInBlock == grid.height) {
      rowInBlock = 0;
      ++blockRow;
    }
  }
}
