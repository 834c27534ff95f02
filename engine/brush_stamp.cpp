#include <cstdint>

#include "block_engine.h"
#include "block_grid.h"
#include "brush_placement.h"
#include "segment_walk.h"

namespace {

int32_t clampToInt32(int64_t v) {
  return v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : static_cast<int32_t>(v);
}

void reportChange(PenContext* ctx, const BrushRect& rect) {
  ctx->changedLeft = clampToInt32(rect.left);
  ctx->changedTop = clampToInt32(rect.top);
  ctx->changedRight = clampToInt32(rect.right);
  ctx->changedBottom = clampToInt32(rect.bottom);
  ctx->stateFlags |= PCF_DRAWN;
}

// stampBrush in 64 bits, so that a brush placed for any 32-bit point can be
// clipped without overflow.
void stampBrushAt(int64_t left, int64_t top, int64_t width, int64_t height, PenContext* ctx) {
  const BitmapGeometry canvas = bitmapGeometry(ctx->canvasHeader);
  const BitmapGeometry brush = bitmapGeometry(ctx->brushHeader);
  // Never read past the brush, whatever size the caller claims.
  if (width > brush.width) width = brush.width;
  if (height > brush.height) height = brush.height;

  int64_t columnOffset = 0, rowOffset = 0;
  if (left < 0) {
    columnOffset = -left;
    width -= columnOffset;
    left = 0;
  }
  if (top < 0) {
    rowOffset = -top;
    height -= rowOffset;
    top = 0;
  }
  if (left + width > canvas.width) width = canvas.width - left;
  if (top + height > canvas.height) height = canvas.height - top;
  if (width <= 0 || height <= 0) return;

  const BlockGrid grid = currentBlockGrid();
  // Carries from row to row on purpose: the first ink of a row is skipped when
  // it falls in the block column last stamped on the row above.
  int64_t tracker = -1;
  for (int64_t i = 0; i < height; ++i) {
    const uint8_t* brushRow = ctx->brushBits + brush.offsetOf(columnOffset, rowOffset + i);
    for (int64_t j = 0; j < width; ++j) {
      if (brushRow[j] != 0) continue;
      const int64_t x = left + j;
      if (grid.width > 1) {
        const int64_t column = x / grid.width;
        if (column == tracker) continue;
        tracker = column;
      }
      stampBlock(static_cast<int32_t>(x), static_cast<int32_t>(top + i), ctx);
    }
  }
}

int32_t brushWidthOf(const PenContext* ctx) { return readHeaderField(ctx->brushHeader, 4); }
int32_t brushHeightOf(const PenContext* ctx) { return readHeaderField(ctx->brushHeader, 8); }

}  // namespace

int32_t stampBrush(int32_t left, int32_t top, int32_t width, int32_t height, PenContext* ctx) {
  stampBrushAt(left, top, width, height, ctx);
  return 0;
}

int32_t stampAtCursor(PenContext* ctx) {
  const int32_t bw = brushWidthOf(ctx), bh = brushHeightOf(ctx);
  const BrushRect rect = placeBrush({ctx->cursorX, ctx->cursorY}, bw, bh);
  stampBrushAt(rect.left, rect.top, bw, bh, ctx);
  reportChange(ctx, rect);
  return 0;
}

int32_t stampSegment(int32_t fromX, int32_t fromY, PenContext* ctx) {
  const int32_t bw = brushWidthOf(ctx), bh = brushHeightOf(ctx);
  const SegmentWalk walk = makeSegmentWalk(fromX, fromY, ctx->cursorX, ctx->cursorY);
  // The points move monotonically, so the union of all brush rectangles is
  // that of the first and the last.
  const BrushRect changed = unionOf(placeBrush(walkPointAt(walk, 0), bw, bh),
                                    placeBrush(walkPointAt(walk, walk.major), bw, bh));

  // Only points whose brush reaches the canvas can paint; the walk may have
  // billions of others.
  const BitmapGeometry canvas = bitmapGeometry(ctx->canvasHeader);
  PointBox reach;
  uint64_t first, last;
  if (pointsReachingCanvas(bw, bh, canvas.width, canvas.height, reach) &&
      walkRangeInBox(walk, reach, first, last)) {
    WalkCursor cursor = walkCursorAt(walk, first);
    for (uint64_t k = first;; ++k) {
      const BrushRect rect = placeBrush(cursor.point, bw, bh);
      stampBrushAt(rect.left, rect.top, bw, bh, ctx);
      if (k == last) break;
      walkStep(walk, cursor);
    }
  }
  reportChange(ctx, changed);
  return 0;
}
