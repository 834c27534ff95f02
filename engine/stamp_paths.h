// stamp_paths.h - the ways the engine can stamp, as rows of one table.
//
// A stamping call becomes a job: the brush (or the top-left part of it that
// stampBrush is asked for) placed at the points first..last of a walk.
// Every row of the table stamps any job it applies to with the same bytes as
// the literal algorithm; they differ only in speed. Choosing is one loop in
// stamp_paths.cpp: the first row that applies and is worth it for this job
// runs. Each row's two tests look at the job alone (neither changes
// anything, nor asks another row's); the thresholds sit beside their rows
// with what they trade. The rows, in the order they are tried:
//
//   one-ink-pixel   a brush with one ink pixel (the 1 x 1 pen) paints one
//                   block a point, reading no brush; when the blocks are
//                   small or the job paints few bytes.
//   each-placement  paints each placement's blocks at once, reading the brush
//                   bytes; needs no scratch. The general path: the fallback
//                   of the gathering rows, and the fastest for a single
//                   placement that repeats little and for small jobs of the
//                   brushes the profile does not take.
//   profile         one run of blocks a canvas row for the whole job
//                   (segment_profile.h), for brushes whose ink rows are one
//                   run each and overlap from row to row (discs, squares,
//                   dots): its work grows with the canvas rows the job covers.
//   sweep           finds the blocks of many points at once, block row by
//                   block row (segment_sweep.h), for brushes whose rows are
//                   one run of ink but do not overlap so (slanted strokes);
//                   when its cost estimate beats gathering.
//   gather          gathers the blocks of as many placements as one block set
//                   holds and paints each block once; always applies, and
//                   takes every job the rows above do not.
//
// Tests and bench/path_gains build the engine with TESSALY_PATH_SWITCH
// defined and can force one row for every job it applies to; with it, or
// with TESSALY_PATH_COUNTS (the fuzzer), the engine counts the jobs of each
// row. The shipped engine, which the other benchmarks time, has neither and
// reads no setting.
#pragma once

#include <cstdint>

#include "block_fill.h"
#include "block_grid.h"
#include "block_set.h"
#include "brush_runs.h"
#include "inclusive_box.h"
#include "pen_context.h"
#include "segment_profile.h"
#include "segment_sweep.h"
#include "segment_walk.h"

// A plan of the brush, which depends on it and on whether blocks are one
// pixel wide or wider: made once for each, kept with the brush.
struct RememberedPlan {
  int madeFor;  // 1: blocks one pixel wide, 2: wider, 0: not made for this brush
  bool made;    // whether the brush has such a plan
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

// Stamps the brush of `ctx`, or its top-left part, at walk points
// first..last, down the path the table chooses. `atOrigin` is where its
// pixels lie for the point (0, 0), at least 1 x 1 and within the brush:
// wholeBrush, the whole brush placed as brush_placement.h says; otherwise a
// part whose top-left pixel goes on the point.
void stampAlongWalk(const SegmentWalk& walk, uint64_t first, uint64_t last,
                    const InclusiveBox& atOrigin, bool wholeBrush, PenContext* ctx,
                    StampScratch& scratch);

constexpr int kStampPathCount = 5;
const char* stampPathName(int path);

#ifdef TESSALY_PATH_SWITCH
// Runs the named row for every job it applies to (others choose as usual);
// null or "" chooses as usual again. False, changing nothing, for an unknown
// name.
bool forceStampPath(const char* name);
#endif
#if defined(TESSALY_PATH_SWITCH) || defined(TESSALY_PATH_COUNTS)
// Jobs each row has stamped since the program started.
int64_t stampPathUses(int path);
#endif
