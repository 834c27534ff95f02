// stamp_job.h - one stamping call as the table of stamp_paths.h sees it: the
// job (a brush at points of a walk), the facts of its brush that the rows'
// tests and stamps ask for, and the scratch they live in.
//
// A fact is worked out when first asked for and kept: in the job for the
// call, and in the scratch, with the brush it was found for, for the calls
// after (a drag stamps one brush at every move). Working a fact out changes
// nothing but the time it takes: asking again gives the same answer, and no
// step relies on another having asked first.
#pragma once

#include <cstdint>

#include "block_grid.h"
#include "block_set.h"
#include "brush_runs.h"
#include "pen_context.h"
#include "segment_profile.h"
#include "segment_sweep.h"
#include "segment_walk.h"

// A plan (the profile's or the sweep's) depends on the brush and on whether
// blocks are one pixel wide or wider: made once for each, kept with the
// brush.
enum class PlanBlocks : uint8_t { notMade, onePixelWide, wider };
struct RememberedPlan {
  PlanBlocks madeForBlocks;  // notMade: not made for the remembered brush
  bool brushQualifies;       // whether the brush has such a plan (in the scratch)
};

// A brush of up to kSmallBrushPixels pixels, kept byte for byte as it lies
// in memory (rows bottom up, each padded to four bytes: at most four bytes a
// pixel) with whether it has exactly one ink pixel, and where.
constexpr int64_t kSmallBrushPixels = 64;
struct SmallBrushInk {
  int64_t width;  // 0: none kept
  int64_t height;
  uint8_t bytes[4 * kSmallBrushPixels];
  bool oneInk;
  int64_t inkColumn;
  int64_t inkRow;
};

// Every scratch area of the engine: static storage, one per engine, passed
// by reference to whatever needs a part of it. Each array is followed by
// something a later step of the same call reads (run starts by runs, runs by
// the block set's bits, sweep entries by the row classes, the profile's
// queues and tops by its tops and rows), so that writing one element past an
// array shows in the painted bytes the tests compare.
struct StampScratch {
  RunScratch runs;
  BlockSet blocks;
  SweepScratch sweep;
  ProfileScratch profile;
  ToneLines toneLines;
  BrushRuns brushRuns;      // the current job's brush, when known to have runs
  SweepPlan sweepPlan;      // its row classes, when known to sweep
  ProfilePlan profilePlan;  // its ink rows, when known to qualify for the profile
  // What the calls before this one found of their brush, for a call with the
  // same brush: its bytes, whether runs and brushRuns describe it, and the
  // plans made for it.
  RememberedBrush brush;
  bool brushHasRuns;
  RememberedPlan profileKnown;  // profile and profilePlan
  RememberedPlan sweepKnown;    // sweep and sweepPlan
  // The last small brush searched for its one ink pixel: a drag with a dot
  // searches the same brush at every move.
  SmallBrushInk smallInk;
};

// What is known of a job's brush.
enum class Known : uint8_t { notYet, yes, no };
inline Known knownIf(bool fact) { return fact ? Known::yes : Known::no; }

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

  // The facts of the brush, notYet until asked: scratch->brushRuns,
  // scratch->sweepPlan and scratch->profilePlan describe it when these say
  // yes.
  Known runs;
  Known sweepPlan;
  Known profilePlan;
  Known oneInk;     // exactly one ink pixel, at inkColumn, inkRow
  Known sweepCost;  // sweepEstimate holds the sweep's estimate
  int64_t inkColumn;
  int64_t inkRow;
  SweepEstimate sweepEstimate;
};

// Reads the brush into runs, keeps it for the calls after and forgets the
// plans of the brush before. Out of line: a drag reads its brush once.
bool readNewBrush(StampJob& job);

// The brush's runs: from the call before when it had the same brush, else
// read.
inline bool haveRuns(StampJob& job) {
  if (job.runs == Known::notYet)
    job.runs = knownIf(sameBrush(job.scratch->brush, job.ctx) ? job.scratch->brushHasRuns
                                                              : readNewBrush(job));
  return job.runs == Known::yes;
}

// Whether the brush has a plan (`fact` the job's answer): the one kept with
// it for these blocks, or made now by make() and kept.
template <typename Make>
bool havePlan(StampJob& job, Known& fact, RememberedPlan& kept, Make make) {
  if (fact == Known::notYet) {
    const PlanBlocks blocks = job.grid->width > 1 ? PlanBlocks::wider : PlanBlocks::onePixelWide;
    if (haveRuns(job) && kept.madeForBlocks != blocks) {
      kept.brushQualifies = make();
      kept.madeForBlocks = blocks;
    }
    fact = knownIf(haveRuns(job) && kept.brushQualifies);
  }
  return fact == Known::yes;
}

// Whether the brush is sorted into the sweep's row classes (scratch->sweepPlan).
inline bool haveSweepPlan(StampJob& job) {
  StampScratch& s = *job.scratch;
  return havePlan(job, job.sweepPlan, s.sweepKnown,
                  [&] { return prepareSweep(s.brushRuns, *job.grid, s.sweep, s.sweepPlan); });
}

// Whether the brush's ink rows qualify for the profile (scratch->profilePlan).
inline bool haveProfilePlan(StampJob& job) {
  StampScratch& s = *job.scratch;
  return havePlan(job, job.profilePlan, s.profileKnown,
                  [&] { return prepareProfile(s.brushRuns, *job.grid, s.profile, s.profilePlan); });
}

// Whether a brush other than 1 x 1 has exactly one ink pixel (then at
// inkColumn, inkRow). A brush of up to kSmallBrushPixels pixels is compared
// with the small brush searched last, and searched byte by byte when it
// differs; a larger one row by row with memchr, which stops at the second
// ink pixel as soon as a disc's or a square's first row shows it. Neither
// reads the brush into runs, which a brush of one ink pixel never needs and
// a stamp painted straight from the bytes does not either.
bool searchOnlyInkPixel(StampJob& job);

// Whether the brush has exactly one ink pixel (then at inkColumn, inkRow).
// Small, so that the choice inlines it for the 1 x 1 pen.
inline bool onlyInkPixel(StampJob& job) {
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

inline uint64_t pointCount(const StampJob& job) { return job.last - job.first + 1; }

// The last point one sweep or profile takes from the job's first.
inline uint64_t lastOfFirstPart(const StampJob& job) {
  return pointCount(job) > kMaxSweepPoints ? job.first + kMaxSweepPoints - 1 : job.last;
}

// The sweep's cost estimate for the job's first part, with gathering's in
// the same unit (the brush has a sweep plan).
inline const SweepEstimate& sweepCost(StampJob& job) {
  if (job.sweepCost == Known::notYet) {
    job.sweepEstimate = estimateSweep(job.scratch->sweepPlan, *job.walk, job.first,
                                      lastOfFirstPart(job), *job.grid);
    job.sweepCost = Known::yes;
  }
  return job.sweepEstimate;
}

inline int64_t blockBytes(const StampJob& job) { return job.grid->width * job.grid->height; }
