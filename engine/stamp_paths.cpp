#include "stamp_paths.h"

#include <utility>

#include "block_sink.h"
#include "brush_blocks.h"

namespace {

struct StampJob {
  const SegmentWalk* walk;
  uint64_t first;   // the walk points to stamp at, all of whose brushes may
  uint64_t last;    // reach the canvas
  int64_t offsetX;  // the brush's top-left pixel, from the point
  int64_t offsetY;
  int32_t width;    // the part of the brush stamped, at least 1 x 1 and
  int32_t height;   // within the brush
  bool wholeBrush;  // the whole brush, placed as brush_placement.h says
  BitmapGeometry brush;
  BitmapGeometry canvas;
  const BlockGrid* grid;
  PenContext* ctx;
  StampScratch* scratch;

  // Whether scratch.brushRuns and scratch.sweepPlan describe this job's
  // brush, prepared when a row first asks for them.
  enum class Prepared : uint8_t { notYet, yes, no };
  Prepared runsState;
  Prepared sweepState;
  int64_t inkColumn;  // the brush's one ink pixel, found by one-ink-pixel's test
  int64_t inkRow;
};

bool haveRuns(StampJob& job) {
  if (job.runsState == StampJob::Prepared::notYet)
    job.runsState = buildBrushRuns(job.ctx, job.scratch->runs, job.scratch->brushRuns)
                        ? StampJob::Prepared::yes
                        : StampJob::Prepared::no;
  return job.runsState == StampJob::Prepared::yes;
}

bool haveSweepPlan(StampJob& job) {
  if (job.sweepState == StampJob::Prepared::notYet)
    job.sweepState = job.wholeBrush && haveRuns(job) &&
                             prepareSweep(job.scratch->brushRuns, *job.grid, job.scratch->sweep,
                                          job.scratch->sweepPlan)
                         ? StampJob::Prepared::yes
                         : StampJob::Prepared::no;
  return job.sweepState == StampJob::Prepared::yes;
}

uint64_t pointCount(const StampJob& job) { return job.last - job.first + 1; }

int64_t blockBytes(const StampJob& job) { return job.grid->width * job.grid->height; }

// The canvas pixels under the job's brush placed for `p`.
InclusiveBox placementAt(const StampJob& job, WalkPoint p) {
  const int64_t left = p.x + job.offsetX, top = p.y + job.offsetY;
  return {left, top, left + job.width - 1, top + job.height - 1};
}

bool visibleAt(const StampJob& job, WalkPoint p, VisibleBrush& visible) {
  const InclusiveBox r = placementAt(job, p);
  return clipBrush(r.left, r.top, job.width, job.height, job.canvas, visible);
}

template <typename Visit>
void forEachPoint(const StampJob& job, uint64_t first, uint64_t last, Visit visit) {
  if (job.walk->major == 0) {  // a stamp: the walk's one point
    visit(WalkPoint{job.walk->fromX, job.walk->fromY});
    return;
  }
  WalkCursor cursor = walkCursorAt(*job.walk, first);
  for (uint64_t k = first;; ++k) {
    visit(cursor.point);
    if (k == last) return;
    walkStep(*job.walk, cursor);
  }
}

InkSource brushBytes(const StampJob& job) { return {nullptr, job.ctx->brushBits, job.brush}; }

InkSource bestInk(StampJob& job) {
  return haveRuns(job) ? InkSource{&job.scratch->brushRuns, nullptr, {}} : brushBytes(job);
}

void paintPlacements(const StampJob& job, const BlockPainter& painter, const InkSource& ink,
                     uint64_t first, uint64_t last) {
  const BlockSink sink = paintAtOnce(painter);
  forEachPoint(job, first, last, [&](WalkPoint p) {
    VisibleBrush visible;
    if (visibleAt(job, p, visible)) addBrushBlocks(ink, visible, *job.grid, sink);
  });
}

// The blocks covering the visible parts of the brush at walk points a..b: by
// monotonicity, those of the union of the brush rectangles at a and b. False
// when none of them reaches the canvas (a stamp beside it), with `box` left
// as it was.
bool blockBoxOfPoints(const StampJob& job, uint64_t a, uint64_t b, InclusiveBox& box) {
  const InclusiveBox r = unionOf(placementAt(job, walkPointAt(*job.walk, a)),
                                 placementAt(job, walkPointAt(*job.walk, b)));
  VisibleBrush visible;
  if (!clipBrush(r.left, r.top, r.right - r.left + 1, r.bottom - r.top + 1, job.canvas, visible))
    return false;
  box = blockBoxOf(visible, *job.grid);
  return true;
}

// Whether the blocks of points a..b fit one block set; no blocks at all do.
bool chunkFits(const StampJob& job, uint64_t a, uint64_t b) {
  InclusiveBox box;
  return !blockBoxOfPoints(job, a, b, box) || blockSetFits(box);
}

// The last point of the chunk that starts at `first` and whose blocks fit one
// block set, or `first` itself when even its own do not.
uint64_t chunkEnd(const StampJob& job, uint64_t first, uint64_t last) {
  if (first == last || chunkFits(job, first, last)) return last;
  uint64_t lo = first, hi = last - 1;  // the answer lies in lo..hi
  while (lo < hi) {
    const uint64_t mid = lo + (hi - lo + 1) / 2;
    if (chunkFits(job, first, mid))
      lo = mid;
    else
      hi = mid - 1;
  }
  return lo;
}

// Stamps the job chunk by chunk: each chunk's blocks go into the block set by
// gatherChunk(first, end, sink), which returns the last point it took, and
// are painted once. A point whose own blocks overflow the set is painted
// placement by placement.
template <typename GatherChunk>
void stampInChunks(StampJob& job, const BlockPainter& painter, GatherChunk gatherChunk) {
  BlockSet& set = job.scratch->blocks;
  for (uint64_t k = job.first;; ++k) {
    uint64_t end = chunkEnd(job, k, job.last);
    InclusiveBox box;
    if (!blockBoxOfPoints(job, k, end, box)) {
      // Nothing of the chunk reaches the canvas.
    } else if (blockSetBegin(set, box)) {
      end = gatherChunk(k, end, gatherInto(set));
      blockSetPaint(set, painter);
    } else {
      paintPlacements(job, painter, bestInk(job), k, k);
    }
    if (end == job.last) return;
    k = end;
  }
}

// --- The rows -------------------------------------------------------------
//
// Thresholds, with what they buy as make bench measured them (bench/
// path_gains prints the gain of every row).

// Up to 16 bytes a block, painting a point's blocks at once costs less than
// gathering them; beyond, gathering paints each block once however many
// points ask, unless all points paint no more than 1024 bytes in all (a
// stamp, a move of a pixel or two).
constexpr int64_t kPaintAtOnceBytes = 16;
constexpr int64_t kPaintAtOnceBudget = 1024;
// Past 64 points the sweep may beat painting at once even for the smallest
// brush (a 1 x 1 pen drawn along a row covers many points with one run of
// blocks).
constexpr uint64_t kShortJobPoints = 64;
// Up to 128 brush pixels in all, reading the brush into runs costs more than
// painting straight from its bytes (a disc of 8 moved by a pixel: 0.30 us
// against 0.41 gathered); so does a brush of up to 16 bytes of blocks moved
// up to kShortJobPoints points (17 points of a 2 x 2 brush over 1 x 1 blocks:
// 0.41 us, against 0.57 swept and 0.70 gathered).
constexpr int64_t kEachPlacementPixels = 128;
// A brush of up to 64 pixels (the 1 x 1 pen above all) is searched for its
// one ink pixel byte by byte, which costs less than reading it into runs.
constexpr int64_t kReadInkDirectlyPixels = 64;

bool always(StampJob&) { return true; }

// one-ink-pixel: a brush with one ink pixel paints one block a point, with
// no brush to read (the drag of a 1 x 1 pen: 1.7 times faster than the next
// best row; a dot in a 5 x 5 brush moved 4 pixels: 2.0 times).
// Whether a brush larger than 1 x 1 has exactly one ink pixel, and where.
[[gnu::noinline]] bool findOnlyInkPixel(StampJob& job) {
  if (job.brush.width * job.brush.height > kReadInkDirectlyPixels) {
    if (!haveRuns(job) || job.scratch->brushRuns.inkPixels != 1) return false;
    const BrushRuns& runs = job.scratch->brushRuns;
    int64_t row = 0;
    while (runs.rowStart[row + 1] == runs.rowStart[row]) ++row;
    job.inkColumn = runs.runs[runs.rowStart[row]].start;
    job.inkRow = row;
    return true;
  }
  int64_t found = 0;
  for (int64_t y = 0; y < job.brush.height; ++y) {
    const uint8_t* row = job.ctx->brushBits + job.brush.offsetOf(0, y);
    for (int64_t x = 0; x < job.brush.width; ++x)
      if (row[x] == 0) {
        if (++found > 1) return false;
        job.inkColumn = x;
        job.inkRow = y;
      }
  }
  return found == 1;
}
// Small, so that the choice inlines the test for the 1 x 1 pen.
bool oneInkPixelApplies(StampJob& job) {
  if (!job.wholeBrush) return false;
  if (job.brush.width == 1 && job.brush.height == 1) {  // the 1 x 1 pen
    job.inkColumn = job.inkRow = 0;
    return job.ctx->brushBits[0] == 0;
  }
  return findOnlyInkPixel(job);
}
bool sweepApplies(StampJob& job);
bool sweepWorth(StampJob& job);
bool oneInkPixelWorth(StampJob& job) {
  const uint64_t points = pointCount(job);
  // Bounded before multiplied, not divided: this runs for every message.
  if (points <= kShortJobPoints && blockBytes(job) <= kPaintAtOnceBudget &&
      static_cast<int64_t>(points) * blockBytes(job) <= kPaintAtOnceBudget)
    return true;
  return blockBytes(job) <= kPaintAtOnceBytes &&
         (points <= kShortJobPoints || !sweepApplies(job) || !sweepWorth(job));
}
void stampInkPoints(StampJob& job, const BlockPainter& painter) {
  const int64_t dx = job.inkColumn + job.offsetX;
  const int64_t dy = job.inkRow + job.offsetY;
  const BlockGrid& grid = *painter.grid;
  const BitmapGeometry& canvas = *painter.canvas;
  const BlockSink sink = paintAtOnce(painter);
  forEachPoint(job, job.first, job.last, [&](WalkPoint p) {
    const int64_t x = p.x + dx, y = p.y + dy;
    if (canvas.contains(x, y)) {
      const int64_t column = grid.column(x);
      sink.add(grid.row(y), column, column);
    }
  });
}

// each-placement: every placement's blocks painted at once, straight from
// the brush bytes; the general path, needing no scratch.
bool eachPlacementWorth(StampJob& job) {
  const auto points = static_cast<int64_t>(pointCount(job));
  const int64_t brushPixels = int64_t{job.width} * job.height;
  // Each factor bounded before the product: brushes and blocks may be
  // 2^31 x 2^31 pixels. No division either: this runs for every message.
  if (points <= int64_t{kShortJobPoints} && brushPixels <= kPaintAtOnceBytes &&
      blockBytes(job) <= kPaintAtOnceBytes && brushPixels * blockBytes(job) <= kPaintAtOnceBytes)
    return true;
  if (points > kEachPlacementPixels || brushPixels > kEachPlacementPixels ||
      points * brushPixels > kEachPlacementPixels || blockBytes(job) > kPaintAtOnceBudget)
    return false;
  // The tracker paints a block column of a brush row once, so a row paints
  // at most the block columns its width spans.
  const int64_t blocksARow = job.grid->column(job.width - 1) + 2;
  return points * job.height * blocksARow * blockBytes(job) <= kPaintAtOnceBudget;
}
void stampEachPlacement(StampJob& job, const BlockPainter& painter) {
  paintPlacements(job, painter, brushBytes(job), job.first, job.last);
}

// sweep: the blocks of many points at once (segment_sweep.h), when its cost
// estimate, in brush rows a point, beats gathering's (a 32 x 32 square over
// 3 x 2 blocks along 256 pixels: 65 times faster than the next best row; a
// disc of 32 along a 256-pixel diagonal: 1.2 times). One point never sweeps
// for less than it gathers (every class costs at least its rows), so a stamp
// does not even sort the brush into classes.
bool sweepApplies(StampJob& job) { return pointCount(job) > 1 && haveSweepPlan(job); }
bool sweepWorth(StampJob& job) {
  const uint64_t last =
      pointCount(job) > kMaxSweepPoints ? job.first + kMaxSweepPoints - 1 : job.last;
  const SweepEstimate cost =
      estimateSweep(job.scratch->sweepPlan, *job.walk, job.first, last, *job.grid);
  return cost.sweep < cost.pointByPoint;
}
void stampSwept(StampJob& job, const BlockPainter& painter) {
  stampInChunks(job, painter, [&](uint64_t first, uint64_t end, const BlockSink& sink) {
    return sweepSegment(job.scratch->sweepPlan, job.scratch->sweep, *job.walk, first, end,
                        job.canvas, *job.grid, sink);
  });
}

// gather: the blocks of as many placements as one block set holds, each
// painted once; from the runs, or from the bytes of a brush too large for
// them. Always applies: the last resort.
void stampGathered(StampJob& job, const BlockPainter& painter) {
  const InkSource ink = bestInk(job);
  stampInChunks(job, painter, [&](uint64_t first, uint64_t end, const BlockSink& sink) {
    forEachPoint(job, first, end, [&](WalkPoint p) {
      VisibleBrush visible;
      if (visibleAt(job, p, visible)) addBrushBlocks(ink, visible, *job.grid, sink);
    });
    return end;
  });
}

struct StampPath {
  const char* name;
  bool (*applies)(StampJob&);  // whether it can stamp the job at all
  bool (*worth)(StampJob&);    // whether it is the one to take, if no earlier row was
  void (*stamp)(StampJob&, const BlockPainter&);
};

constexpr StampPath kPaths[kStampPathCount] = {
    {"one-ink-pixel", oneInkPixelApplies, oneInkPixelWorth, stampInkPoints},
    {"each-placement", always, eachPlacementWorth, stampEachPlacement},
    {"sweep", sweepApplies, sweepWorth, stampSwept},
    {"gather", always, always, stampGathered},
};

#ifdef TESSALY_PATH_SWITCH
int forcedPath = -1;
int64_t pathUses[kStampPathCount];
#endif

// The first row that applies and is worth it, the last one failing all
// others: a loop over the rows, unrolled at compile time so that each row's
// tests are called directly (and inlined where small), not through the table.
template <std::size_t... Row>
int firstWorthRow(StampJob& job, std::index_sequence<Row...>) {
  int chosen = kStampPathCount - 1;
  (void)((kPaths[Row].applies(job) && kPaths[Row].worth(job) && (chosen = Row, true)) || ...);
  return chosen;
}

int choosePath(StampJob& job) {
#ifdef TESSALY_PATH_SWITCH
  if (forcedPath >= 0 && kPaths[forcedPath].applies(job)) return forcedPath;
#endif
  return firstWorthRow(job, std::make_index_sequence<kStampPathCount - 1>());
}

}  // namespace

void stampAlongWalk(const SegmentWalk& walk, uint64_t first, uint64_t last,
                    const InclusiveBox& atOrigin, bool wholeBrush, PenContext* ctx,
                    StampScratch& scratch) {
  // Field by field: this runs for every message, and a braced initialiser
  // of the whole record costs a block clear first.
  StampJob job;
  job.walk = &walk;
  job.first = first;
  job.last = last;
  job.offsetX = atOrigin.left;
  job.offsetY = atOrigin.top;
  job.width = static_cast<int32_t>(atOrigin.right - atOrigin.left + 1);
  job.height = static_cast<int32_t>(atOrigin.bottom - atOrigin.top + 1);
  job.wholeBrush = wholeBrush;
  job.brush = bitmapGeometry(ctx->brushHeader);
  job.canvas = bitmapGeometry(ctx->canvasHeader);
  job.grid = &currentBlockGrid();
  job.ctx = ctx;
  job.scratch = &scratch;
  job.runsState = StampJob::Prepared::notYet;
  job.sweepState = StampJob::Prepared::notYet;
  const int path = choosePath(job);
#ifdef TESSALY_PATH_SWITCH
  ++pathUses[path];
#endif
  const BlockPainter painter =
      beginPainting(*job.grid, job.canvas, job.ctx, job.scratch->toneLines);
  kPaths[path].stamp(job, painter);
}

const char* stampPathName(int path) {
  return path >= 0 && path < kStampPathCount ? kPaths[path].name : "";
}

#ifdef TESSALY_PATH_SWITCH
bool forceStampPath(const char* name) {
  if (name == nullptr || *name == '\0') {
    forcedPath = -1;
    return true;
  }
  for (int i = 0; i < kStampPathCount; ++i)
    for (const char *a = name, *b = kPaths[i].name;; ++a, ++b) {
      if (*a != *b) break;
      if (*a == '\0') {
        forcedPath = i;
        return true;
      }
    }
  return false;
}

int64_t stampPathUses(int path) { return path >= 0 && path < kStampPathCount ? pathUses[path] : 0; }
#endif
