#include "stamp_paths.h"

#include <cstring>

#include "block_sink.h"
#include "brush_blocks.h"

namespace {

// What is known of a job's brush: worked out when a test or a stamp first
// asks for it and kept for the call, so asking again gives the same answer
// and no step relies on another having asked first.
enum class Known : uint8_t { notYet, yes, no };

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

  // The brush's facts: scratch->brushRuns, scratch->sweepPlan and
  // scratch->profilePlan describe it when these say yes.
  mutable Known runs;
  mutable Known sweepPlan;
  mutable Known profilePlan;
  mutable Known oneInk;     // exactly one ink pixel, at inkColumn, inkRow
  mutable Known sweepCost;  // sweepEstimate holds the sweep's estimate
  mutable int64_t inkColumn;
  mutable int64_t inkRow;
  mutable SweepEstimate sweepEstimate;
};

Known knownIf(bool fact) { return fact ? Known::yes : Known::no; }

// The brush's runs: from the call before when it had the same brush, else
// read, and the brush remembered for the calls after.
bool readBrushRuns(const StampJob& job) {
  StampScratch& scratch = *job.scratch;
  if (sameBrush(scratch.brush, job.ctx)) return scratch.brushHasRuns;
  scratch.brushHasRuns = buildBrushRuns(job.ctx, scratch.runs, scratch.brushRuns);
  scratch.profileKnown.madeFor = scratch.sweepKnown.madeFor = 0;
  rememberBrush(scratch.brush, job.ctx);
  return scratch.brushHasRuns;
}

bool haveRuns(const StampJob& job) {
  if (job.runs == Known::notYet) job.runs = knownIf(readBrushRuns(job));
  return job.runs == Known::yes;
}

// Whether the brush has a plan: the one kept with it for these blocks, or
// made now by make() and kept.
template <typename Make>
Known planOf(const StampJob& job, RememberedPlan& kept, Make make) {
  if (!haveRuns(job)) return Known::no;
  const int blocks = job.grid->width > 1 ? 2 : 1;
  if (kept.madeFor != blocks) {
    kept.made = make();
    kept.madeFor = blocks;
  }
  return knownIf(kept.made);
}

bool haveSweepPlan(const StampJob& job) {
  StampScratch& scratch = *job.scratch;
  if (job.sweepPlan == Known::notYet)
    job.sweepPlan = planOf(job, scratch.sweepKnown, [&] {
      return prepareSweep(scratch.brushRuns, *job.grid, scratch.sweep, scratch.sweepPlan);
    });
  return job.sweepPlan == Known::yes;
}

bool haveProfilePlan(const StampJob& job) {
  StampScratch& scratch = *job.scratch;
  if (job.profilePlan == Known::notYet)
    job.profilePlan = planOf(job, scratch.profileKnown, [&] {
      return prepareProfile(scratch.brushRuns, *job.grid, scratch.profile, scratch.profilePlan);
    });
  return job.profilePlan == Known::yes;
}

// A brush of up to kSmallBrushPixels pixels is compared with the small
// brush searched last, and searched byte by byte when it differs; a larger
// one row by row with memchr, which stops at the second ink pixel as soon as
// a disc's or a square's first row shows it. Neither reads the brush into
// runs, which a brush of one ink pixel never needs and a stamp painted
// straight from the bytes does not either.

// Whether n bytes (a multiple of 4) at a and b agree, eight at a time:
// where a call to memcmp costs more than the bytes.
bool sameWords(const uint8_t* a, const uint8_t* b, std::size_t n) {
  uint64_t differ = 0;
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t x, y;
    std::memcpy(&x, a + i, 8);
    std::memcpy(&y, b + i, 8);
    differ |= x ^ y;
  }
  if (i < n) {
    uint32_t x, y;
    std::memcpy(&x, a + i, 4);
    std::memcpy(&y, b + i, 4);
    differ |= x ^ y;
  }
  return differ == 0;
}

// Apart, so that the small brushes' path keeps its values in registers:
// beside the calls of this one it lost them (the tiny strokes of the dot in
// tiny_strokes showed it).
[[gnu::noinline]] bool searchLargeBrush(const StampJob& job) {
  int64_t found = 0;
  for (int64_t y = 0; y < job.brush.height; ++y) {
    const uint8_t* row = job.ctx->brushBits + job.brush.offsetOf(0, y);
    const uint8_t* const end = row + job.brush.width;
    for (const uint8_t* p = row;
         (p = static_cast<const uint8_t*>(std::memchr(p, 0, static_cast<std::size_t>(end - p))));
         ++p) {
      if (++found > 1) return false;
      job.inkColumn = p - row;
      job.inkRow = y;
    }
  }
  return found == 1;
}

// Searches a small brush and keeps it with what was found.
[[gnu::noinline]] void searchSmallBrush(const StampJob& job, SmallBrushInk& kept) {
  const int64_t width = job.brush.width, height = job.brush.height;
  int64_t found = 0;
  for (int64_t y = 0; y < height; ++y) {
    const uint8_t* row = job.ctx->brushBits + job.brush.offsetOf(0, y);
    for (int64_t x = 0; x < width; ++x)
      if (row[x] == 0 && ++found == 1) {
        kept.inkColumn = x;
        kept.inkRow = y;
      }
  }
  std::memcpy(kept.bytes, job.ctx->brushBits, static_cast<std::size_t>(height * job.brush.stride));
  kept.oneInk = found == 1;
  kept.width = width;
  kept.height = height;
}

// The whole of a small brush's memory is compared, its rows' padding too: a
// host that changes the padding only makes the brush searched again.
[[gnu::noinline]] bool searchOnlyInkPixel(const StampJob& job) {
  const int64_t width = job.brush.width, height = job.brush.height;
  if (width <= 0 || height <= 0 || width * height > kSmallBrushPixels) return searchLargeBrush(job);
  SmallBrushInk& kept = job.scratch->smallInk;
  if (kept.width != width || kept.height != height ||
      !sameWords(job.ctx->brushBits, kept.bytes,
                 static_cast<std::size_t>(height * job.brush.stride)))
    searchSmallBrush(job, kept);
  job.inkColumn = kept.inkColumn;
  job.inkRow = kept.inkRow;
  return kept.oneInk;
}

// Whether the brush has exactly one ink pixel (then at inkColumn, inkRow).
// Small, so that the choice inlines it for the 1 x 1 pen.
bool onlyInkPixel(const StampJob& job) {
  if (job.oneInk == Known::notYet) {
    if (job.brush.width == 1 && job.brush.height == 1) {
      job.inkColumn = job.inkRow = 0;
      job.oneInk = knownIf(job.ctx->brushBits[0] == 0);
    } else {
      job.oneInk = knownIf(searchOnlyInkPixel(job));
    }
  }
  return job.oneInk == Known::yes;
}

uint64_t pointCount(const StampJob& job) { return job.last - job.first + 1; }

// The last point one sweep or profile takes from the job's first.
uint64_t lastOfFirstPart(const StampJob& job) {
  return pointCount(job) > kMaxSweepPoints ? job.first + kMaxSweepPoints - 1 : job.last;
}

// The sweep's cost estimate for the job's first part (the brush has a sweep
// plan).
const SweepEstimate& sweepCost(const StampJob& job) {
  if (job.sweepCost == Known::notYet) {
    job.sweepEstimate = estimateSweep(job.scratch->sweepPlan, *job.walk, job.first,
                                      lastOfFirstPart(job), *job.grid);
    job.sweepCost = Known::yes;
  }
  return job.sweepEstimate;
}

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
  forEachWalkPoint(*job.walk, first, last, visit);
}

InkSource brushBytes(const StampJob& job) { return {nullptr, job.ctx->brushBits, job.brush}; }

InkSource bestInk(const StampJob& job) {
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
void stampInChunks(const StampJob& job, const BlockPainter& painter, GatherChunk gatherChunk) {
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
// Each row's comment names where it wins; bench/path_gains times those
// strokes down every row and fails when the row named no longer wins there.
// The thresholds weigh one row's fixed and per-point costs against the next
// row's; their numbers come from path_gains and from instruction counts of
// the strokes that straddle them (docs/performance.md has the recorded run).

// Painting a point's blocks at once, a block painted again for every point
// that asks for it, against gathering or finding the blocks row by row,
// which paint each block once but cost a set-up: at once wins while a job
// paints no more than kPaintAtOnceBudget bytes in all (a stamp, a move of a
// pixel or two), or, for the one-ink-pixel pen, while blocks are no larger
// than kPaintAtOnceBytes and the job's points mostly lie on rows of their
// own (h4/dot5/3x2 against h256 and d1024 of square1).
constexpr int64_t kPaintAtOnceBytes = 16;
constexpr int64_t kPaintAtOnceBudget = 1024;
// Up to this many points, painting at once is not weighed against the
// rows' set-up at all.
constexpr uint64_t kShortJobPoints = 64;
// Reading the brush into runs and finding its blocks as runs, against
// painting straight from the brush bytes: the bytes win up to this many
// brush pixels in all the job's points, for the brushes the profile does not
// take (measured on h1/disc8/1x1 and d16/square2/1x1 before it took those).
constexpr int64_t kEachPlacementPixels = 128;

bool always(const StampJob&) { return true; }

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
bool oneInkPixelApplies(const StampJob& job) { return job.wholeBrush && onlyInkPixel(job); }
// Whether the points along an x-major walk lie on rows of two and more
// each, where a run a row costs less than a block a point; but for a job
// short and cheap enough to paint a point at a time (a move of a pixel or
// two), where finding the runs costs more than their blocks.
bool inkPointsInRuns(const StampJob& job) {
  return job.walk->xMajor && !shortAndCheap(job) && pointCount(job) >= 2 * topRows(job);
}
bool oneInkPixelWorth(const StampJob& job) {
  if (shortAndCheap(job) || inkPointsInRuns(job)) return true;
  // Along a row, the profile paints a run of blocks where this paints a
  // block a point.
  return blockBytes(job) <= kPaintAtOnceBytes && 2 * topRows(job) > pointCount(job);
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
void stampInkPoints(const StampJob& job, const BlockPainter& painter) {
  onlyInkPixel(job);
  const int64_t dx = job.inkColumn + job.offsetX;
  const int64_t dy = job.inkRow + job.offsetY;
  if (inkPointsInRuns(job))
    stampInkRuns(job, painter, dx, dy);
  else
    stampInkBlocks(job, painter, dx, dy);
}

// each-placement: every placement's blocks painted at once, straight from
// the brush bytes; the general path, needing no scratch. Wins on a single
// placement that repeats little of brushes of up to kPaintAtOnceBytes
// pixels (a stamp of a square of 3) and of brushes too large to be read into
// runs, and on small jobs of the brushes the profile does not take. Beyond
// those, the rows below find the blocks from the brush's runs, which are
// kept from call to call, for less (stamps of a square of 16, a disc of 128,
// a ring of 32).
bool eachPlacementWorth(const StampJob& job) {
  const int64_t brushPixels = int64_t{job.width} * job.height;
  if (onePlacementPaintsLittle(job)) return brushPixels <= kPaintAtOnceBytes || !haveRuns(job);
  const auto points = static_cast<int64_t>(pointCount(job));
  // Each factor bounded before the product: brushes and blocks may be
  // 2^31 x 2^31 pixels. No division either: this runs for every message.
  if (points <= int64_t{kShortJobPoints} && brushPixels <= kPaintAtOnceBytes &&
      blockBytes(job) <= kPaintAtOnceBytes && brushPixels * blockBytes(job) <= kPaintAtOnceBytes)
    return !(job.wholeBrush && haveProfilePlan(job));
  if (points > kEachPlacementPixels || brushPixels > kEachPlacementPixels ||
      points * brushPixels > kEachPlacementPixels || blockBytes(job) > kPaintAtOnceBudget)
    return false;
  // The tracker paints a block column of a brush row once, so a row paints
  // at most the block columns its width spans.
  const int64_t blocksARow = job.grid->column(job.width - 1) + 2;
  return points * job.height * blocksARow * blockBytes(job) <= kPaintAtOnceBudget &&
         !(job.wholeBrush && haveProfilePlan(job));
}
void stampEachPlacement(const StampJob& job, const BlockPainter& painter) {
  paintPlacements(job, painter, brushBytes(job), job.first, job.last);
}

// profile: one run of blocks a canvas row (segment_profile.h), painted at
// once. Wins on every job each-placement leaves it: moves of a pixel (a
// square of 8), long diagonals of discs most of all, and flat strokes of
// squares; but where a brush of so few row
// classes (squares) is swept along many points over blocks tall enough that
// the sweep's estimate, in the same unit, comes out lower.
bool profileApplies(const StampJob& job) {
  return job.wholeBrush && profileTakesCanvas(job.canvas) && haveProfilePlan(job);
}
bool profileWorth(const StampJob& job) {
  // Where the brush's top stays on one row, the two are about even, and
  // sorting the brush into classes as well would cost more than either saves.
  if (topRows(job) == 1) return true;
  const ProfileEstimate cost = estimateProfile(job.scratch->profilePlan, *job.walk, job.first,
                                               lastOfFirstPart(job), *job.grid);
  // The brush's row classes are sorted only where the sweep may cost less.
  if (cost.profile <= cost.sweepAtLeast || !haveSweepPlan(job)) return true;
  return cost.profile <= sweepCost(job).sweep;
}
void stampProfiled(const StampJob& job, const BlockPainter& painter) {
  for (uint64_t k = job.first;; ++k) {
    const uint64_t end = profileSegment(job.scratch->profilePlan, job.scratch->profile, *job.walk,
                                        k, job.last, job.canvas, *job.grid, painter);
    if (end == job.last) return;
    k = end;
  }
}

// sweep: the blocks of many points at once (segment_sweep.h), when its cost
// estimate, in brush rows a point, beats gathering's. Wins on the slanted
// brushes the profile does not take along many points (a flat stroke of a
// nib of 32), and on squares along diagonals over tall blocks (of 128 over
// 16 x 16). One point never sweeps for less than it gathers (every class
// costs at least its rows), so a stamp does not even sort the brush into
// classes.
bool sweepApplies(const StampJob& job) {
  return job.wholeBrush && pointCount(job) > 1 && haveSweepPlan(job);
}
bool sweepWorth(const StampJob& job) { return sweepCost(job).sweep < sweepCost(job).pointByPoint; }
void stampSwept(const StampJob& job, const BlockPainter& painter) {
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
void stampGathered(const StampJob& job, const BlockPainter& painter) {
  const InkSource ink = bestInk(job);
  stampInChunks(job, painter, [&](uint64_t first, uint64_t end, const BlockSink& sink) {
    forEachPoint(job, first, end, [&](WalkPoint p) {
      VisibleBrush visible;
      if (visibleAt(job, p, visible)) addBrushBlocks(ink, visible, *job.grid, sink);
    });
    return end;
  });
}

// Whether a row takes the job: it applies, and it is worth it (if no earlier
// row took the job). One function of both, so that the choice makes one call
// a row and the tests, often small, inline into it: this runs for every
// message.
template <bool (*applies)(const StampJob&), bool (*worth)(const StampJob&)>
bool takes(const StampJob& job) {
  return applies(job) && worth(job);
}

struct StampPath {
  const char* name;
  bool (*applies)(const StampJob&);  // whether it can stamp the job at all
  bool (*takes)(const StampJob&);    // whether it applies and is worth it
  void (*stamp)(const StampJob&, const BlockPainter&);
};

constexpr StampPath kPaths[kStampPathCount] = {
    {"one-ink-pixel", oneInkPixelApplies, takes<oneInkPixelApplies, oneInkPixelWorth>,
     stampInkPoints},
    {"each-placement", always, takes<always, eachPlacementWorth>, stampEachPlacement},
    {"profile", profileApplies, takes<profileApplies, profileWorth>, stampProfiled},
    {"sweep", sweepApplies, takes<sweepApplies, sweepWorth>, stampSwept},
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
int choosePath(const StampJob& job) {
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
    for (const char *a = name, *b = kPaths[i].name;; ++a, ++b) {
      if (*a != *b) break;
      if (*a == '\0') {
        forcedPath = i;
        return true;
      }
    }
  return false;
}
#endif

#if defined(TESSALY_PATH_SWITCH) || defined(TESSALY_PATH_COUNTS)
int64_t stampPathUses(int path) { return path >= 0 && path < kStampPathCount ? pathUses[path] : 0; }
#endif
