// Brush stamps and stroke segments. Every placement of the brush finds its
// blocks from runs of ink (brush_blocks.h) and adds them to one block set;
// the set is painted once at the end, so a block that many ink pixels and
// many points of a segment ask for is painted once. Painting a block is
// idempotent and its colour depends only on its grid position and the
// colours of the call, and the mask is only read, so the bytes are those of
// stamping every ink pixel in turn.
#include <cstdint>

#include "block_engine.h"
#include "block_fill.h"
#include "block_grid.h"
#include "block_set.h"
#include "brush_blocks.h"
#include "brush_placement.h"
#include "brush_runs.h"
#include "segment_sweep.h"
#include "segment_walk.h"

namespace {

// A brush this small costs less to stamp pixel by pixel than to gather.
constexpr int64_t kSmallBrushPixels = 64;

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

struct Brush {
  int32_t width;
  int32_t height;
};

Brush brushOf(const PenContext* ctx) {
  return {readHeaderField(ctx->brushHeader, 4), readHeaderField(ctx->brushHeader, 8)};
}

// The ink pixels of a placement in the literal order, row by row with the
// column tracker: stamp(column, blockRow) for each pixel that stamps.
template <typename Stamp>
void forEachStampingPixel(const VisibleBrush& visible, const BitmapGeometry& brush,
                          const BlockGrid& grid, const PenContext* ctx, Stamp stamp) {
  int64_t tracker = -1;
  for (int64_t i = 0; i < visible.height; ++i) {
    const uint8_t* brushRow = ctx->brushBits + brush.offsetOf(visible.column, visible.row + i);
    const int64_t blockRow = grid.row(visible.top + i);
    for (int64_t j = 0; j < visible.width; ++j) {
      if (brushRow[j] != 0) continue;
      const int64_t column = grid.column(visible.left + j);
      if (grid.width > 1) {
        if (column == tracker) continue;
        tracker = column;
      }
      stamp(column, blockRow);
    }
  }
}

// Each stamping pixel paints its block at once. Needs no scratch area, so it
// is also the way out when even one placement's blocks overflow the block set.
void stampPixels(const VisibleBrush& visible, const BitmapGeometry& brush, const BlockGrid& grid,
                 const BitmapGeometry& canvas, PenContext* ctx) {
  forEachStampingPixel(visible, brush, grid, ctx, [&](int64_t column, int64_t row) {
    paintBlock(grid, canvas, ctx, column, row);
  });
}

// The same pixels into the block set, for a brush with more rows or runs than
// the run scratch area holds: each block is still painted once, however many
// ink pixels ask for it.
void addPixelBlocks(const VisibleBrush& visible, const BitmapGeometry& brush, const BlockGrid& grid,
                    const PenContext* ctx) {
  forEachStampingPixel(visible, brush, grid, ctx,
                       [](int64_t column, int64_t row) { blockSetAdd(row, column, column); });
}

// One placement through the block set; false when its box does not fit.
bool stampThroughBlockSet(bool haveRuns, const BrushRuns& runs, const VisibleBrush& visible,
                          const BitmapGeometry& brush, const BlockGrid& grid,
                          const BitmapGeometry& canvas, PenContext* ctx) {
  if (!blockSetBegin(blockBoxOf(visible, grid))) return false;
  if (haveRuns)
    addBrushBlocks(runs, visible, grid);
  else
    addPixelBlocks(visible, brush, grid, ctx);
  blockSetPaint(grid, canvas, ctx);
  return true;
}

void stampPlacement(int64_t left, int64_t top, int64_t width, int64_t height, PenContext* ctx) {
  const BitmapGeometry canvas = bitmapGeometry(ctx->canvasHeader);
  const BitmapGeometry brush = bitmapGeometry(ctx->brushHeader);
  // Never read past the brush, whatever size the caller claims.
  if (width > brush.width) width = brush.width;
  if (height > brush.height) height = brush.height;
  VisibleBrush visible;
  if (!clipBrush(left, top, width, height, canvas, visible)) return;
  const BlockGrid grid = currentBlockGrid();
  if (visible.width == 1 && visible.height == 1) {  // the one-pixel pen, and brush corners
    const uint8_t ink = ctx->brushBits[brush.offsetOf(visible.column, visible.row)];
    if (ink == 0) paintBlock(grid, canvas, ctx, grid.column(visible.left), grid.row(visible.top));
    return;
  }
  BrushRuns runs;
  if (visible.width * visible.height <= kSmallBrushPixels ||
      !stampThroughBlockSet(buildBrushRuns(ctx, runs), runs, visible, brush, grid, canvas, ctx))
    stampPixels(visible, brush, grid, canvas, ctx);
}

// The blocks covering the visible parts of the brush at walk points a..b: by
// monotonicity, those of the union of the brush rectangles at a and b.
BlockBox blockBoxOfPoints(const SegmentWalk& walk, uint64_t a, uint64_t b, Brush brush,
                          const BitmapGeometry& canvas, const BlockGrid& grid) {
  const BrushRect r = unionOf(placeBrush(walkPointAt(walk, a), brush.width, brush.height),
                              placeBrush(walkPointAt(walk, b), brush.width, brush.height));
  VisibleBrush visible;
  clipBrush(r.left, r.top, r.right - r.left, r.bottom - r.top, canvas, visible);
  return blockBoxOf(visible, grid);
}

// The last point of the chunk that starts at `first` and whose blocks fit one
// block set; `first` itself when even its own do not.
uint64_t chunkEnd(const SegmentWalk& walk, uint64_t first, uint64_t last, Brush brush,
                  const BitmapGeometry& canvas, const BlockGrid& grid) {
  if (first == last || blockSetFits(blockBoxOfPoints(walk, first, last, brush, canvas, grid)))
    return last;
  uint64_t lo = first, hi = last - 1;  // the answer lies in lo..hi
  while (lo < hi) {
    const uint64_t mid = lo + (hi - lo + 1) / 2;
    if (blockSetFits(blockBoxOfPoints(walk, first, mid, brush, canvas, grid)))
      lo = mid;
    else
      hi = mid - 1;
  }
  return lo;
}

// What stamping the points of one segment needs, read once per call.
struct SegmentJob {
  const SegmentWalk& walk;
  Brush brush;
  BitmapGeometry brushGeometry;
  BitmapGeometry canvas;
  BlockGrid grid;
  BrushRuns runs;
  bool haveRuns;  // the brush fits the run scratch area
  bool canSweep;  // and its rows are one run each (segment_sweep.h)
  PenContext* ctx;
};

// A brush of a pixel or two with small blocks stamps fastest point by point,
// pixel by pixel: gathering would cost more than the few bytes it saves.
constexpr int64_t kTinyStampBytes = 16;

VisibleBrush visibleAt(const SegmentJob& job, WalkPoint p) {
  const BrushRect rect = placeBrush(p, job.brush.width, job.brush.height);
  VisibleBrush visible;
  clipBrush(rect.left, rect.top, job.brush.width, job.brush.height, job.canvas, visible);
  return visible;
}

// Stamps points first..end into the begun block set, one placement at a time.
void gatherPoints(const SegmentJob& job, uint64_t first, uint64_t end) {
  WalkCursor cursor = walkCursorAt(job.walk, first);
  for (uint64_t k = first;; ++k) {
    const VisibleBrush visible = visibleAt(job, cursor.point);
    if (job.haveRuns)
      addBrushBlocks(job.runs, visible, job.grid);
    else
      addPixelBlocks(visible, job.brushGeometry, job.grid, job.ctx);
    if (k == end) return;
    walkStep(job.walk, cursor);
  }
}

bool sweepIsCheaper(const SegmentJob& job, uint64_t first, uint64_t last) {
  const SweepEstimate cost = estimateSweep(job.walk, first, last, job.runs, job.grid);
  return cost.sweep < cost.pointByPoint;
}

// Stamps as many points from `first` on as one block set takes, swept when
// the brush allows it and that is cheaper, and returns the last of them. With
// no room in the block set even for one point, stamps point `first` alone,
// pixel by pixel.
uint64_t stampChunk(const SegmentJob& job, uint64_t first, uint64_t last) {
  uint64_t end = chunkEnd(job.walk, first, last, job.brush, job.canvas, job.grid);
  if (!blockSetBegin(blockBoxOfPoints(job.walk, first, end, job.brush, job.canvas, job.grid))) {
    stampPixels(visibleAt(job, walkPointAt(job.walk, first)), job.brushGeometry, job.grid,
                job.canvas, job.ctx);
    return first;
  }
  const uint64_t sweepEnd = end - first < kMaxSweepPoints ? end : first + kMaxSweepPoints - 1;
  if (job.canSweep && sweepIsCheaper(job, first, sweepEnd)) {
    sweepSegment(job.walk, first, sweepEnd, job.runs, job.canvas, job.grid);
    end = sweepEnd;
  } else {
    gatherPoints(job, first, end);
  }
  blockSetPaint(job.grid, job.canvas, job.ctx);
  return end;
}

// A brush of one ink pixel (the common 1 x 1 pen) paints one block a point.
void stampPointInk(const SegmentJob& job, uint64_t first, uint64_t last) {
  int64_t row = 0;
  while (job.runs.rowStart[row + 1] == job.runs.rowStart[row]) ++row;
  const int64_t dx = job.runs.runs[job.runs.rowStart[row]].start - job.brush.width / 2 + 1;
  const int64_t dy = row - job.brush.height / 2 + 1;
  WalkCursor cursor = walkCursorAt(job.walk, first);
  for (uint64_t k = first;; ++k) {
    const int64_t x = cursor.point.x + dx, y = cursor.point.y + dy;
    if (job.canvas.contains(x, y))
      paintBlock(job.grid, job.canvas, job.ctx, job.grid.column(x), job.grid.row(y));
    if (k == last) return;
    walkStep(job.walk, cursor);
  }
}

// Stamps points first..last one by one, pixel by pixel.
void stampPointPixels(const SegmentJob& job, uint64_t first, uint64_t last) {
  if (job.haveRuns && job.runs.inkPixels == 1) {
    stampPointInk(job, first, last);
    return;
  }
  WalkCursor cursor = walkCursorAt(job.walk, first);
  for (uint64_t k = first;; ++k) {
    stampPixels(visibleAt(job, cursor.point), job.brushGeometry, job.grid, job.canvas, job.ctx);
    if (k == last) return;
    walkStep(job.walk, cursor);
  }
}

// Stamps walk points first..last, whose brushes all reach the canvas.
void stampWalk(const SegmentWalk& walk, uint64_t first, uint64_t last, Brush brush,
               PenContext* ctx) {
  SegmentJob job{walk,
                 brush,
                 bitmapGeometry(ctx->brushHeader),
                 bitmapGeometry(ctx->canvasHeader),
                 currentBlockGrid(),
                 {},
                 false,
                 false,
                 ctx};
  job.haveRuns = buildBrushRuns(ctx, job.runs);
  const int64_t blockBytes = job.grid.width * job.grid.height;  // both below 2^31
  job.canSweep = job.haveRuns && prepareSweep(job.runs, job.grid);
  const bool tiny = job.haveRuns && blockBytes <= kTinyStampBytes &&
                    job.runs.inkPixels <= kTinyStampBytes / blockBytes;
  if (tiny && !(job.canSweep && sweepIsCheaper(job, first, last))) {
    stampPointPixels(job, first, last);
    return;
  }
  for (uint64_t k = first;; ++k) {
    k = stampChunk(job, k, last);
    if (k == last) return;
  }
}

}  // namespace

int32_t stampBrush(int32_t left, int32_t top, int32_t width, int32_t height, PenContext* ctx) {
  stampPlacement(left, top, width, height, ctx);
  return 0;
}

int32_t stampAtCursor(PenContext* ctx) {
  const Brush brush = brushOf(ctx);
  const BrushRect rect = placeBrush({ctx->cursorX, ctx->cursorY}, brush.width, brush.height);
  stampPlacement(rect.left, rect.top, brush.width, brush.height, ctx);
  reportChange(ctx, rect);
  return 0;
}

int32_t stampSegment(int32_t fromX, int32_t fromY, PenContext* ctx) {
  const Brush brush = brushOf(ctx);
  const SegmentWalk walk = makeSegmentWalk(fromX, fromY, ctx->cursorX, ctx->cursorY);
  // The points move monotonically, so the union of all brush rectangles is
  // that of the first and the last.
  const BrushRect changed =
      unionOf(placeBrush(walkPointAt(walk, 0), brush.width, brush.height),
              placeBrush(walkPointAt(walk, walk.major), brush.width, brush.height));
  // Only points whose brush reaches the canvas can paint; the walk may have
  // billions of others.
  const BitmapGeometry canvas = bitmapGeometry(ctx->canvasHeader);
  PointBox reach;
  uint64_t first, last;
  if (pointsReachingCanvas(brush.width, brush.height, canvas.width, canvas.height, reach) &&
      walkRangeInBox(walk, reach, first, last))
    stampWalk(walk, first, last, brush, ctx);
  reportChange(ctx, changed);
  return 0;
}
