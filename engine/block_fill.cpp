#include "block_fill.h"

#include <cstring>

namespace {

bool maskAllows(const uint8_t* mask, const BitmapGeometry& canvas, int64_t left, int64_t top,
                int64_t width, int64_t height) {
  for (int64_t y = top; y < top + height; ++y) {
    const uint8_t* line = mask + canvas.offsetOf(left, y);
    if (std::memchr(line, 0, static_cast<std::size_t>(width)) != nullptr) return false;
  }
  return true;
}

int64_t clippedEnd(int64_t start, int64_t size, int64_t limit) {
  return start + size < limit ? start + size : limit;
}

// One canvas row of blocks first..last: the first four blocks by hand, the
// rest by doubling copies, since the colours repeat every four blocks.
void fillToneLine(uint8_t* line, const BlockGrid& grid, const PenContext* ctx, int64_t row,
                  int64_t first, int64_t length) {
  const int64_t period = 4 * grid.width;
  int64_t done = 0;
  for (int64_t c = first; c < first + 4 && done < length; ++c) {
    const int64_t n = grid.width < length - done ? grid.width : length - done;
    std::memset(line + done, blockColour(grid, ctx, c, row), static_cast<std::size_t>(n));
    done += n;
  }
  for (int64_t chunk = period; done < length; chunk *= 2) {
    const int64_t n = chunk < length - done ? chunk : length - done;
    std::memcpy(line + done, line, static_cast<std::size_t>(n));
    done += n;
  }
}

}  // namespace

void paintBlock(const BlockGrid& grid, const BitmapGeometry& canvas, PenContext* ctx,
                int64_t column, int64_t row) {
  const int64_t left = column * grid.width;
  const int64_t top = row * grid.height;
  const int64_t width = clippedEnd(left, grid.width, canvas.width) - left;
  const int64_t height = clippedEnd(top, grid.height, canvas.height) - top;
  if ((ctx->stateFlags & PCF_MASK) != 0 &&
      !maskAllows(ctx->maskBits, canvas, left, top, width, height))
    return;
  const uint8_t colour = blockColour(grid, ctx, column, row);
  for (int64_t y = top; y < top + height; ++y)
    std::memset(ctx->canvasBits + canvas.offsetOf(left, y), colour, static_cast<std::size_t>(width));
}

void paintBlockRun(const BlockGrid& grid, const BitmapGeometry& canvas, PenContext* ctx,
                   int64_t row, int64_t first, int64_t last) {
  if ((ctx->stateFlags & PCF_MASK) != 0) {
    // Each block is allowed or not on its own.
    for (int64_t c = first; c <= last; ++c) paintBlock(grid, canvas, ctx, c, row);
    return;
  }
  const int64_t left = first * grid.width;
  const int64_t top = row * grid.height;
  const int64_t length = clippedEnd(last * grid.width, grid.width, canvas.width) - left;
  const int64_t bottom = clippedEnd(top, grid.height, canvas.height);
  uint8_t* const firstLine = ctx->canvasBits + canvas.offsetOf(left, top);
  fillToneLine(firstLine, grid, ctx, row, first, length);
  for (int64_t y = top + 1; y < bottom; ++y)
    std::memcpy(ctx->canvasBits + canvas.offsetOf(left, y), firstLine,
                static_cast<std::size_t>(length));
}
