// The engine's entry points: each stamping call but stampBlock becomes one
// job for the table of stamp_paths.h.
#include <cstdint>

#include "block_engine.h"
#include "brush_placement.h"
#include "stamp_paths.h"

namespace {

StampScratch scratch;

int32_t clampToInt32(int64_t v) {
  return v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : static_cast<int32_t>(v);
}

// The changed rectangle the host reads has its right and bottom edges
// exclusive.
void reportChange(PenContext* ctx, const InclusiveBox& box) {
  ctx->changedLeft = clampToInt32(box.left);
  ctx->changedTop = clampToInt32(box.top);
  ctx->changedRight = clampToInt32(box.right + 1);
  ctx->changedBottom = clampToInt32(box.bottom + 1);
  ctx->stateFlags |= PCF_DRAWN;
}

struct Brush {
  int32_t width;
  int32_t height;
  InclusiveBox atOrigin;  // its pixels when placed for the point (0, 0)
};

Brush brushOf(const PenContext* ctx) {
  const int32_t width = readHeaderField(ctx->brushHeader, 4);
  const int32_t height = readHeaderField(ctx->brushHeader, 8);
  return {width, height, placeBrush({0, 0}, width, height)};
}

// The whole brush at walk points first..last.
void stampWalk(const SegmentWalk& walk, uint64_t first, uint64_t last, const Brush& brush,
               PenContext* ctx) {
  stampAlongWalk(walk, first, last, brush.atOrigin, true, ctx, scratch);
}

}  // namespace

void stampBlock(int32_t x, int32_t y, PenContext* ctx) {
  const BitmapGeometry canvas = bitmapGeometry(ctx->canvasHeader);
  if (!canvas.contains(x, y)) return;
  const BlockGrid& grid = currentBlockGrid();
  const BlockPainter painter = beginPainting(grid, canvas, ctx, scratch.toneLines);
  paintBlock(painter, x / grid.width, y / grid.height);
}

int32_t stampBrush(int32_t left, int32_t top, int32_t width, int32_t height, PenContext* ctx) {
  const Brush brush = brushOf(ctx);
  // Never read past the brush, whatever size the caller claims.
  if (width > brush.width) width = brush.width;
  if (height > brush.height) height = brush.height;
  if (width <= 0 || height <= 0) return 0;
  if (width == brush.width && height == brush.height) {
    // The whole brush: the placement of the point it would be stamped for.
    stampWalk(makePointWalk(left - brush.atOrigin.left, top - brush.atOrigin.top), 0, 0, brush,
              ctx);
  } else {
    stampAlongWalk(makePointWalk(left, top), 0, 0, {0, 0, width - 1, height - 1}, false, ctx,
                   scratch);
  }
  return 0;
}

int32_t stampAtCursor(PenContext* ctx) {
  const Brush brush = brushOf(ctx);
  const WalkPoint cursor{ctx->cursorX, ctx->cursorY};
  if (brush.width > 0 && brush.height > 0)
    stampWalk(makePointWalk(cursor.x, cursor.y), 0, 0, brush, ctx);
  reportChange(ctx, offsetBy(brush.atOrigin, cursor.x, cursor.y));
  return 0;
}

int32_t stampSegment(int32_t fromX, int32_t fromY, PenContext* ctx) {
  const Brush brush = brushOf(ctx);
  const SegmentWalk walk = makeSegmentWalk(fromX, fromY, ctx->cursorX, ctx->cursorY);
  // The points move monotonically, so the union of all brush rectangles is
  // that of the first and the last.
  const WalkPoint start = walkPointAt(walk, 0), end = walkPointAt(walk, walk.major);
  const InclusiveBox changed =
      unionOf(offsetBy(brush.atOrigin, start.x, start.y), offsetBy(brush.atOrigin, end.x, end.y));
  // Only points whose brush reaches the canvas can paint; the walk may have
  // billions of others. Most segments lie wholly inside: both ends put every
  // point in.
  const BitmapGeometry canvas = bitmapGeometry(ctx->canvasHeader);
  InclusiveBox reach;
  uint64_t first = 0, last = walk.major;
  if (pointsReachingCanvas(brush.width, brush.height, canvas.width, canvas.height, reach) &&
      ((boxContains(reach, start.x, start.y) && boxContains(reach, end.x, end.y)) ||
       walkRangeInBox(walk, reach, first, last)))
    stampWalk(walk, first, last, brush, ctx);
  reportChange(ctx, changed);
  return 0;
}
