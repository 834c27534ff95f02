#include "block_engine.h"
#include "block_fill.h"
#include "block_grid.h"

int32_t blockWidth = 3;
int32_t blockHeight = 2;
int32_t strokeTone = 0;

void stampBlock(int32_t x, int32_t y, PenContext* ctx) {
  const BitmapGeometry canvas = bitmapGeometry(ctx->canvasHeader);
  if (!canvas.contains(x, y)) return;
  const BlockGrid grid = currentBlockGrid();
  paintBlock(grid, canvas, ctx, x / grid.width, y / grid.height);
}
