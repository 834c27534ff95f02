#include "literal_engine.h"

#include <algorithm>

#include "block_engine.h"
#include "segment_walk.h"

namespace literal {
namespace {

int32_t clamp32(int64_t v) {
  return v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : static_cast<int32_t>(v);
}

int64_t atLeastOne(int32_t v) { return v < 1 ? 1 : v; }

void stampBrush64(int64_t left, int64_t top, int64_t width, int64_t height, PenContext* ctx) {
  const BitmapGeometry canvas = bitmapGeometry(ctx->canvasHeader);
  const BitmapGeometry brush = bitmapGeometry(ctx->brushHeader);
  if (width > brush.width) width = brush.width;
  if (height > brush.height) height = brush.height;
  // 1. clip left and top, remembering where the brush starts
  int64_t columnOffset = 0, rowOffset = 0;
  if (left < 0) {
    columnOffset = -left;
    width -= -left;
    left = 0;
  }
  if (top < 0) {
    rowOffset = -top;
    height -= -top;
    top = 0;
  }
  // 2. clip right and bottom
  if (left + width > canvas.width) width = canvas.width - left;
  if (top + height > canvas.height) height = canvas.height - top;
  // 3. nothing left
  if (width <= 0 || height <= 0) return;
  // 4. the tracker, once per call
  int64_t tracker = -1;
  // 5. every ink pixel, row by row
  for (int64_t i = 0; i < height; ++i)
    for (int64_t j = 0; j < width; ++j) {
      const uint8_t ink = ctx->brushBits[brush.offsetOf(columnOffset + j, rowOffset + i)];
      if (ink != 0) continue;
      if (blockWidth <= 1) {
        literal::stampBlock(static_cast<int32_t>(left + j), static_cast<int32_t>(top + i), ctx);
        continue;
      }
      const int64_t c = (left + j) / blockWidth;
      if (c == tracker) continue;
      tracker = c;
      literal::stampBlock(static_cast<int32_t>(left + j), static_cast<int32_t>(top + i), ctx);
    }
}

struct Rect64 {
  int64_t left, top, right, bottom;
};

Rect64 brushRectAt(int64_t px, int64_t py, int32_t bw, int32_t bh) {
  const int64_t left = px - bw / 2 + 1, top = py - bh / 2 + 1;
  return {left, top, left + bw, top + bh};
}

void writeChanged(PenContext* ctx, const Rect64& r) {
  ctx->changedLeft = clamp32(r.left);
  ctx->changedTop = clamp32(r.top);
  ctx->changedRight = clamp32(r.right);
  ctx->changedBottom = clamp32(r.bottom);
  ctx->stateFlags |= PCF_DRAWN;
}

}  // namespace

void stampBlock(int32_t x, int32_t y, PenContext* ctx) {
  const BitmapGeometry canvas = bitmapGeometry(ctx->canvasHeader);
  const int64_t W = canvas.width, H = canvas.height;
  // 1. outside the canvas
  if (x < 0 || y < 0 || x >= W || y >= H) return;
  // 2. snap to the block grid
  const int64_t bw = atLeastOne(blockWidth), bh = atLeastOne(blockHeight);
  const int64_t bx = x - x % bw, by = y - y % bh;
  // 3. clip the block
  const int64_t w = bx + bw < W ? bw : W - bx;
  const int64_t h = by + bh < H ? bh : H - by;
  // 4. the colour from the tone cell
  const int tone = strokeTone < 0 ? 0 : strokeTone > 16 ? 16 : strokeTone;
  const int64_t row = (by / bh) & 3, column = (bx / bw) & 3;
  const uint8_t colour = static_cast<uint8_t>(
      TonePatternTable.cells[tone][row][column] ? ctx->secondaryColour : ctx->primaryColour);
  // 5. the mask, all or nothing
  if (ctx->stateFlags & PCF_MASK)
    for (int64_t yy = by; yy < by + h; ++yy)
      for (int64_t xx = bx; xx < bx + w; ++xx)
        if (ctx->maskBits[canvas.offsetOf(xx, yy)] == 0) return;
  // 6. fill
  for (int64_t yy = by; yy < by + h; ++yy)
    for (int64_t xx = bx; xx < bx + w; ++xx) ctx->canvasBits[canvas.offsetOf(xx, yy)] = colour;
}

int32_t stampBrush(int32_t left, int32_t top, int32_t width, int32_t height, PenContext* ctx) {
  stampBrush64(left, top, width, height, ctx);
  return 0;
}

int32_t stampAtCursor(PenContext* ctx) {
  const int32_t bw = readHeaderField(ctx->brushHeader, 4);
  const int32_t bh = readHeaderField(ctx->brushHeader, 8);
  const Rect64 r = brushRectAt(ctx->cursorX, ctx->cursorY, bw, bh);
  stampBrush64(r.left, r.top, bw, bh, ctx);
  writeChanged(ctx, r);
  return 0;
}

int32_t stampSegment(int32_t fromX, int32_t fromY, PenContext* ctx) {
  const int32_t bw = readHeaderField(ctx->brushHeader, 4);
  const int32_t bh = readHeaderField(ctx->brushHeader, 8);
  const int64_t tx = ctx->cursorX, ty = ctx->cursorY;
  const int64_t dx = tx > fromX ? tx - fromX : fromX - tx;
  const int64_t dy = ty > fromY ? ty - fromY : fromY - ty;
  const bool xMajor = dx > dy;
  const int64_t M = xMajor ? dx : dy, m = xMajor ? dy : dx;
  const int64_t majorStep = (xMajor ? tx > fromX : ty > fromY) ? 1 : -1;
  const int64_t minorStep = (xMajor ? ty > fromY : tx > fromX) ? 1 : -1;

  constexpr int64_t kLiteralSteps = int64_t{1} << 20;
  if (M > kLiteralSteps) {
    // Too long to walk step by step: jump over the points that cannot reach
    // the canvas, and take the rectangle from the two ends.
    const SegmentWalk walk = makeSegmentWalk(fromX, fromY, ctx->cursorX, ctx->cursorY);
    const WalkPoint a = walkPointAt(walk, 0), b = walkPointAt(walk, walk.major);
    const Rect64 ra = brushRectAt(a.x, a.y, bw, bh), rb = brushRectAt(b.x, b.y, bw, bh);
    const BitmapGeometry canvas = bitmapGeometry(ctx->canvasHeader);
    uint64_t first, last;
    const InclusiveBox reach{bw / 2 - int64_t{bw}, bh / 2 - int64_t{bh}, canvas.width + bw / 2 - 2,
                             canvas.height + bh / 2 - 2};
    if (bw > 0 && bh > 0 && !canvas.empty() && walkRangeInBox(walk, reach, first, last)) {
      WalkCursor cursor = walkCursorAt(walk, first);
      for (uint64_t k = first; k <= last; ++k) {
        const Rect64 r = brushRectAt(cursor.point.x, cursor.point.y, bw, bh);
        stampBrush64(r.left, r.top, bw, bh, ctx);
        walkStep(walk, cursor);
      }
    }
    writeChanged(ctx, {std::min(ra.left, rb.left), std::min(ra.top, rb.top),
                       std::max(ra.right, rb.right), std::max(ra.bottom, rb.bottom)});
    return 0;
  }

  int64_t x = fromX, y = fromY, e = 0;
  Rect64 changed{};
  for (int64_t i = 0; i <= M; ++i) {
    const Rect64 r = brushRectAt(x, y, bw, bh);
    stampBrush64(r.left, r.top, bw, bh, ctx);
    if (i == 0) {
      changed = r;
    } else {
      changed.left = std::min(changed.left, r.left);
      changed.top = std::min(changed.top, r.top);
      changed.right = std::max(changed.right, r.right);
      changed.bottom = std::max(changed.bottom, r.bottom);
    }
    (xMajor ? x : y) += majorStep;
    e += m;
    if (M < e) {
      e -= M;
      (xMajor ? y : x) += minorStep;
    }
  }
  writeChanged(ctx, changed);
  return 0;
}

}  // namespace literal
