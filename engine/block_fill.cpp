#include "block_fill.h"

#include <cstring>

namespace {

bool maskAllows(const uint8_t* mask, const BitmapGeometry& canvas, int64_t left, int64_t top,
                int64_t width, int64_t height) {
  for (int64_t y = top; y < top + height; ++y) {
    const uint8_t* row = mask + canvas.offsetOf(left, y);
    if (std::memchr(row, 0, static_cast<std::size_t>(width)) != nullptr) return false;
  }
  return true;
}

}  // namespace

void paintBlock(const BlockGrid& grid, const BitmapGeometry& canvas, PenContext* ctx,
                int64_t column, int64_t row) {
  const int64_t left = column * grid.width;
  const int64_t top = row * grid.height;
  const int64_t width = left + grid.width < canvas.width ? grid.width : canvas.width - left;
  const int64_t height = top + grid.height < canvas.height ? grid.height : canvas.height - top;
  if ((ctx->stateFlags & PCF_MASK) != 0 &&
      !maskAllows(ctx->maskBits, canvas, left, top, width, height))
    return;
  const uint8_t colour = blockColour(grid, ctx, column, row);
  for (int64_t y = top; y < top + height; ++y)
    std::memset(ctx->canvasBits + canvas.offsetOf(left, y), colour, static_cast<std::size_t>(width));
}
