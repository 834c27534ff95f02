#include "stamp_paths.h"

#include <cstring>

#include "block_sink.h"
#include "brush_blocks.h"

namespace {

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
  forEachWalkPoint(*job.walk, first, last, visit);
}

InkSource brushBytes(const StampJob& job) { return {nullptr, job.ctx->brushBits, job.brush}; }

InkSource bestInk(StampJob& job) {
  return haveRuns(job) ? InkSource{&job.scratch->brushRuns, nullptr, {}} : brushBytes(job);
}

// Hands to `sink` the blocks of the brush at walk points first..last,
// placement by placement.
void addPlacements(const StampJob& job, const InkSource& ink, uint64_t first, uint64_t last,
                   const BlockSink& sink) {
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
      addPlacements(job, bestInk(job), k, k, paintAtOnce(painter));
    }
    if (end == job.last) return;
    k = end;
  }
}

// --- The rows -------------------------------------------------------------
//
// Each row's comment names where it wins; bench/path_gains times those
// strokes down every row and fails when the row named no longer wins there.
// The thresholds weigh one row's fixed and per-point costs against the next
// row's, each in the unit it is compared with; their numbers come from
// path_gains and from instruction counts of the strokes that straddle them
// (docs/performance.md has the recorded run).

// Painting a point's blocks at once, a block painted again for every point
// that asks for it, against gathering or finding the blocks row by row,
// which paint each block once but cost a set-up: at once wins while a job
// paints no more than kPaintAtOnceBudget canvas bytes in all (a stamp, a
// move of a pixel or two), or, for the one-ink-pixel pen, while a block
// covers no more than kSmallBlockBytes and the job's points mostly lie on
// rows of their own (h4/dot5/3x2 against h256 and d1024 of square1).
constexpr int64_t kPaintAtOnceBudget = 1024;  // canvas bytes painted by the job
constexpr int64_t kSmallBlockBytes = 16;      // canvas bytes of one block
// Up to this many points, painting at once is not weighed against the
// rows' set-up at all.
constexpr uint64_t kShortJobPoints = 64;
// Painting a single placement straight from the brush bytes, against the
// runs kept from call to call: the bytes win for brushes of up to this many
// pixels (a stamp of a square of 3, not of 16).
constexpr int64_t kFewBrushPixels = 16;
// A short job of small blocks and a small brush paints at once while each
// placement paints no more than this many canvas bytes (brush pixels times
// block bytes), unless the profile takes the brush.
constexpr int64_t kSmallPlacementBytes = 16;
// Reading the brush into runs and finding its blocks as runs, against
// painting straight from the brush bytes: the bytes win up to this many
// brush pixels read in all the job's placements (points times brush pixels),
// for the brushes the profile does not take (measured on h1/disc8/1x1 and
// d16/square2/1x1 before it took those).
constexpr int64_t kBrushPixelsRead = 128;

bool always(StampJob&) { return true; }

// Whether painting at once costs little enough to need no set-up: few points
// of few block bytes. Bounded before multiplied, not divided: this runs for
// every message, and blocks may be 2^31 x 2^31 pixels.
bool shortAndCheap(const StampJob& job) {
  const uint64_t points = pointCount(job);
  return points <= kShortJobPoints && blockBytes(job) <= kPaintAtOnceBudget &&
         static_cast<int64_t>(points) * blockBytes(job) <= kPaintAtOnceBudget;
}

// Whether painting a single placement's blocks at once, straight from the
// brush bytes, repeats little: over blocks one pixel tall each block is met
// once, and otherwise a brush row paints at most the block columns its width
// spans, within the byte budget. Then nothing beats it, as it reads no runs.
bool onePlacementPaintsLittle(const StampJob& job) {
  if (pointCount(job) != 1 || blockBytes(job) > kPaintAtOnceBudget) return false;
  if (job.grid->height == 1) return true;
  const int64_t blocksARow = job.grid->column(job.width - 1) + 2;
  return job.height <= kPaintAtOnceBudget && blocksARow <= kPaintAtOnceBudget &&
         job.height * blocksARow * blockBytes(job) <= kPaintAtOnceBudget;
}

// The canvas rows the brush's top lands on along the job.
uint64_t topRows(const StampJob& job) {
  const SegmentWalk& walk = *job.walk;
  if (!walk.xMajor) return pointCount(job);
  return walkMinorSteps(walk, job.last) - walkMinorSteps(walk, job.first) + 1;
}

// one-ink-pixel: a brush with one ink pixel paints one block a point, with
// no brush to read; along an x-major walk whose points share rows, one run of
// blocks a row. Wins on the drag of a 1 x 1 pen, on a dot in a larger brush
// moved a few pixels, and on flat strokes of a dot.
bool oneInkPixelApplies(StampJob& job) { return job.wholeBrush && onlyInkPixel(job); }
// Whether the points along an x-major walk lie on rows of two and more
// each, where a run a row costs less than a block a point; but for a job
// short and cheap enough to paint a point at a time (a move of a pixel or
// two), where finding the runs costs more than their blocks.
bool inkPointsInRuns(const StampJob& job) {
  return job.walk->xMajor && !shortAndCheap(job) && pointCount(job) >= 2 * topRows(job);
}
// Otherwise, small blocks with the points mostly on rows of their own: the
// profile would paint a run of blocks a row where this paints a block a
// point, but such rows are short.
bool oneInkPixelWorth(StampJob& job) {
  if (shortAndCheap(job) || inkPointsInRuns(job)) return true;
  return blockBytes(job) <= kSmallBlockBytes && 2 * topRows(job) > pointCount(job);
}
// The points of one minor step of an x-major walk are one row's run of
// pixels. Out of line: beside it, the point by point loop below lost its
// registers.
[[gnu::noinline]] void stampInkRuns(const StampJob& job, const BlockPainter& painter, int64_t dx,
                                    int64_t dy) {
  const BlockGrid& grid = *painter.grid;
  const BitmapGeometry& canvas = *painter.canvas;
  const SegmentWalk& walk = *job.walk;
  for (uint64_t k = job.first;;) {
    uint64_t end = walkFirstStepWithMinor(walk, walkMinorSteps(walk, k) + 1) - 1;
    if (end > job.last) end = job.last;
    const WalkPoint p = walkPointAt(walk, k);
    const int64_t y = p.y + dy, x = p.x + dx, reach = walk.stepX * static_cast<int64_t>(end - k);
    int64_t left = reach < 0 ? x + reach : x, right = reach < 0 ? x : x + reach;
    if (left < 0) left = 0;
    if (right > canvas.width - 1) right = canvas.width - 1;
    if (y >= 0 && y < canvas.height && left <= right)
      paintAtOnce(painter).add(grid.row(y), grid.column(left), grid.column(right));
    if (end == job.last) return;
    k = end + 1;
  }
}
// A block a point.
void stampInkBlocks(const StampJob& job, const BlockPainter& painter, int64_t dx, int64_t dy) {
  const BlockGrid& grid = *painter.grid;
  const BitmapGeometry& canvas = *painter.canvas;
  forEachPoint(job, job.first, job.last, [&](WalkPoint p) {
    const int64_t x = p.x + dx, y = p.y + dy;
    if (canvas.contains(x, y)) paintBlock(painter, grid.column(x), grid.row(y));
  });
}
void stampInkPoints(StampJob& job, const BlockPainter& painter) {
  onlyInkPixel(job);
  const int64_t dx = job.inkColumn + job.offsetX;
  const int64_t dy = job.inkRow + job.offsetY;
  if (inkPointsInRuns(job))
    stampInkRuns(job, painter, dx, dy);
  else
    stampInkBlocks(job, painter, dx, dy);
}

// each-placement: every placement's blocks painted at once, straight from
// the brush bytes; the general path, needing no scratch. It wins on three
// kinds of job: a single placement that repeats few blocks, of a brush of up
// to kFewBrushPixels pixels (a stamp of a square of 3) or of one too large to
// be read into runs; a short job whose placements each paint up to
// kSmallPlacementBytes; and a job that reads up to kBrushPixelsRead brush
// pixels in all. The last two only for brushes its rival, the profile, does
// not take. Beyond those, the rows below find the blocks from the brush's
// runs, which are kept from call to call, for less (stamps of a square of
// 16, a disc of 128, a ring of 32).
bool eachPlacementWorth(StampJob& job, bool (*profileTakesBrush)(StampJob&)) {
  const int64_t brushPixels = int64_t{job.width} * job.height;
  if (onePlacementPaintsLittle(job)) return brushPixels <= kFewBrushPixels || !haveRuns(job);
  const auto points = static_cast<int64_t>(pointCount(job));
  // Each factor bounded before the product (by the product's own bound, as
  // each is at least 1): brushes and blocks may be 2^31 x 2^31 pixels. No
  // division either: this runs for every message.
  if (points <= int64_t{kShortJobPoints} && brushPixels <= kSmallPlacementBytes &&
      blockBytes(job) <= kSmallPlacementBytes &&
      brushPixels * blockBytes(job) <= kSmallPlacementBytes)
    return !profileTakesBrush(job);
  if (points > kBrushPixelsRead || brushPixels > kBrushPixelsRead ||
      points * brushPixels > kBrushPixelsRead || blockBytes(job) > kPaintAtOnceBudget)
    return false;
  // The tracker paints a block column of a brush row once, so a row paints
  // at most the block columns its width spans.
  const int64_t blocksARow = job.grid->column(job.width - 1) + 2;
  return points * job.height * blocksARow * blockBytes(job) <= kPaintAtOnceBudget &&
         !profileTakesBrush(job);
}
void stampEachPlacement(StampJob& job, const BlockPainter& painter) {
  addPlacements(job, brushBytes(job), job.first, job.last, paintAtOnce(painter));
}

// profile: one run of blocks a canvas row (segment_profile.h), handed to
// the fill's row kernel. Wins on every job each-placement leaves it: moves
// of a pixel (a square of 8), long diagonals of discs most of all, and flat
// strokes of squares; but not where a brush of few row classes (squares) is
// swept along many points over blocks tall enough that its rival, the
// sweep, estimates less in the same unit.
bool profileApplies(StampJob& job) {
  return job.wholeBrush && profileTakesCanvas(job.canvas) && haveProfilePlan(job);
}
// The profile's answer to each-placement: whether it takes the brush (its
// ink rows qualify), the canvas aside.
bool profileTakesBrush(StampJob& job) { return job.wholeBrush && haveProfilePlan(job); }
bool profileWorth(StampJob& job, int64_t (*sweepEstimate)(StampJob&)) {
  // Where the brush's top stays on one row, the two are about even, and
  // sorting the brush into classes as well would cost more than either saves.
  if (topRows(job) == 1) return true;
  const ProfileEstimate cost = estimateProfile(job.scratch->profilePlan, *job.walk, job.first,
                                               lastOfFirstPart(job), *job.grid);
  // The sweep is asked (and the brush sorted into its classes) only where it
  // may cost less.
  return cost.profile <= cost.sweepAtLeast || cost.profile <= sweepEstimate(job);
}
void stampProfiled(StampJob& job, const BlockPainter& painter) {
  CanvasRowFill fill(painter);
  const CanvasRowSink rows(fill, job.scratch->profile.rows);
  for (uint64_t k = job.first;; ++k) {
    const uint64_t end = profileSegment(job.scratch->profilePlan, job.scratch->profile, *job.walk,
                                        k, job.last, job.canvas, *job.grid, rows);
    if (end == job.last) return;
    k = end;
  }
}

// sweep: the blocks of many points at once (segment_sweep.h), when its cost
// estimate, in brush rows a point, beats its rival's, gathering's. Wins on
// the slanted brushes the profile does not take along many points (a flat
// stroke of a nib of 32), and on squares along diagonals over tall blocks
// (of 128 over 16 x 16). One point never sweeps for less than it gathers
// (every class costs at least its rows), so a stamp does not even sort the
// brush into classes.
bool sweepApplies(StampJob& job) {
  return job.wholeBrush && pointCount(job) > 1 && haveSweepPlan(job);
}
// The sweep's answer to the profile: its estimate, or none when the brush
// does not sweep.
int64_t sweepEstimate(StampJob& job) {
  return haveSweepPlan(job) ? sweepCost(job).sweep : INT64_MAX;
}
bool sweepWorth(StampJob& job, int64_t (*gatherEstimate)(StampJob&)) {
  return sweepCost(job).sweep < gatherEstimate(job);
}
void stampSwept(StampJob& job, const BlockPainter& painter) {
  stampInChunks(job, painter, [&](uint64_t first, uint64_t end, const BlockSink& sink) {
    return sweepSegment(job.scratch->sweepPlan, job.scratch->sweep, *job.walk, first, end,
                        job.canvas, *job.grid, sink);
  });
}

// gather: the blocks of as many placements as one block set holds, each
// painted once; from the runs, or from the bytes of a brush too large for
// them. Always applies: the last resort. Wins on brushes of many runs a row
// (rings, random ink) along many points, and on their stamps over tall
// blocks.
void stampGathered(StampJob& job, const BlockPainter& painter) {
  const InkSource ink = bestInk(job);
  stampInChunks(job, painter, [&](uint64_t first, uint64_t end, const BlockSink& sink) {
    addPlacements(job, ink, first, end, sink);
    return end;
  });
}
// Gathering's answer to the sweep: its cost in the sweep's unit, about a
// brush row a point, which the sweep's estimate works out beside its own.
int64_t gatherEstimate(StampJob& job) { return sweepCost(job).pointByPoint; }

// Whether a row takes the job: it applies, and it is worth it (if no earlier
// row took the job), weighed against its rival's answer where it has one.
// One function of all, so that the choice makes one call a row and the
// tests, often small, inline into it: this runs for every message.
template <bool (*applies)(StampJob&), auto worth, auto... rival>
bool takes(StampJob& job) {
  return applies(job) && worth(job, rival...);
}

struct StampPath {
  const char* name;
  bool (*applies)(StampJob&);  // whether it can stamp the job at all
  bool (*takes)(StampJob&);    // whether it applies and is worth it
  void (*stamp)(StampJob&, const BlockPainter&);
};

// Each row: its name, its tests (applies, worth, and the rival whose answer
// the worth weighs) and its stamp.
constexpr StampPath kPaths[kStampPathCount] = {
    {"one-ink-pixel", oneInkPixelApplies, takes<oneInkPixelApplies, oneInkPixelWorth>,
     stampInkPoints},
    {"each-placement", always, takes<always, eachPlacementWorth, profileTakesBrush>,
     stampEachPlacement},
    {"profile", profileApplies, takes<profileApplies, profileWorth, sweepEstimate>, stampProfiled},
    {"sweep", sweepApplies, takes<sweepApplies, sweepWorth, gatherEstimate>, stampSwept},
    {"gather", always, takes<always, always>, stampGathered},
};

#ifdef TESSALY_PATH_SWITCH
int forcedPath = -1;
#endif
#if defined(TESSALY_PATH_SWITCH) || defined(TESSALY_PATH_COUNTS)
int64_t pathUses[kStampPathCount];
#endif

// The first row that takes the job; gather, the last, always does.
// Unrolled, the loop calls each row's test directly.
int choosePath(StampJob& job) {
#ifdef TESSALY_PATH_SWITCH
  if (forcedPath >= 0 && kPaths[forcedPath].applies(job)) return forcedPath;
#endif
#pragma GCC unroll 8
  for (int row = 0; row < kStampPathCount - 1; ++row)
    if (kPaths[row].takes(job)) return row;
  return kStampPathCount - 1;
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
  job.runs = job.sweepPlan = job.profilePlan = job.oneInk = job.sweepCost = Known::notYet;
  const int path = choosePath(job);
#if defined(TESSALY_PATH_SWITCH) || defined(TESSALY_PATH_COUNTS)
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
    if (std::strcmp(name, kPaths[i].name) == 0) {
      forcedPath = i;
      return true;
    }
  return false;
}
#endif

#if defined(TESSALY_PATH_SWITCH) || defined(TESSALY_PATH_COUNTS)
int64_t stampPathUses(int path) { return path >= 0 && path < kStampPathCount ? pathUses[path] : 0; }
#endif
