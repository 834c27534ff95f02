// segment_profile.h - the blocks of a whole stroke segment found canvas row
// by canvas row from the brush's left and right profiles, for brushes whose
// ink rows are one run each and overlap from one row to the next (discs,
// squares, dots): one run of blocks a canvas row, whatever the brush's
// height and the number of points.
//
// Consecutive points of a walk move the brush by at most one pixel on each
// axis, so on one canvas row the runs that consecutive placements put there
// share a pixel (prepareProfile takes only brushes for which they do). The
// union of all of them is then one run, from the least start to the greatest
// end, and every block boundary inside it is crossed by one placement's run:
// each block of the union after its first is stamped by a placement whose
// run enters it from the left, whatever the column tracker does. Only the
// first block is in doubt: the tracker leaves it out of every placement whose
// run starts in it and whose row above ended in it, and it is stamped when
// one such placement does not (segment_profile.cpp).
//
// The least start is that of the brush row r minimising dy * start(r) -
// sign * dx * r over the rows that meet the canvas row (dx, dy the walk's
// deltas, sign the product of its steps): the left edges of a straight walk
// are a floor of a linear function of the top, and the floor keeps the order
// of the sums. Those rows slide down by one each canvas row, so a queue of
// rows keeps the least in front in constant time a row; the greatest end
// likewise. The walk's end tops, whose points the floor may not describe (the
// first point, or a top only partly in this part of the walk), are looked at
// one by one.
#pragma once

#include <cstdint>

#include "block_grid.h"
#include "block_sink.h"
#include "brush_runs.h"
#include "pen_context.h"
#include "segment_walk.h"
#include "walk_tops.h"

// The widest brush taken, so that the ordering sums fit 64 bits.
constexpr int64_t kMaxProfileWidth = int64_t{1} << 24;
static_assert(kMaxRunRows <= kMaxProfileWidth);

// The widest and tallest canvas taken, so that the canvas positions of the
// pixels of brushes placed on it fit 32 bits, which the 32-bit build
// handles in one register each.
constexpr int64_t kMaxProfileCanvas = INT32_MAX - kMaxProfileWidth;
inline bool profileTakesCanvas(const BitmapGeometry& canvas) {
  return canvas.width <= kMaxProfileCanvas && canvas.height <= kMaxProfileCanvas;
}

struct ProfileScratch {
  int32_t leastStart[kMaxRunRows];  // the two queues of brush rows
  int32_t greatestEnd[kMaxRunRows];
  RowBlocks rows[kRowBatch];  // the batch of a CanvasRowSink
  TopEntry tops[kMaxTopPoints];
  // rowsUnlikeAbove[i]: how many of the first i ink rows stamp otherwise
  // than the row above does at one placement (a row like the two above it
  // does not)
  int32_t rowsUnlikeAbove[kMaxRunRows + 1];
};

// A brush ready to be stamped along any walk.
struct ProfilePlan {
  const InkRun* rows;  // ink row r's run at rows[r - firstRow], in the brush's runs
  const int32_t* rowsUnlikeAbove;
  int32_t firstRow;  // the brush's first and last rows with ink
  int32_t lastRow;
  int32_t brushWidth;
  int32_t brushHeight;
  // Blocks wider than a pixel and two ink rows or more: the tracker may
  // leave out a canvas row's first block.
  bool firstBlockInDoubt;
  int32_t distinctRows;  // ink rows whose run differs from the row above's, and the first
  int32_t widestReach;   // the most a row's run starts left of the row above's end
};

// Sorts out the brush's ink rows, keeping what it finds in `scratch`. False when the brush does not
// qualify: no ink; a row with more than one run, or none between rows with
// ink; wider than kMaxProfileWidth; with blocks one pixel wide, consecutive
// ink rows that share no column; with wider blocks and two ink rows or more,
// a row of one pixel, consecutive rows that do not overlap by two (each
// row's start at least one left of the other's end), or a row reaching past
// the row above where a row higher up reaches further still (so that the
// tracker of a row is the row above or none).
bool prepareProfile(const BrushRuns& runs, const BlockGrid& grid, ProfileScratch& scratch,
                    ProfilePlan& plan);

// A rough cost of profileSegment over walk points first..last, in the unit
// of estimateSweep (segment_sweep.h): grouping the points by top as there,
// a canvas row at three quarters of a row class's block row (a quarter
// where the walk keeps one top), and, where the brush's rows reach less far
// than a block is wide, the rows whose first block asks every top, as the
// instruction counts of the two producers over squares and discs of 4 to 128
// pixels, blocks of 1 x 1 to 16 x 16 and strokes of 1 to 256 pixels put it.
struct ProfileEstimate {
  int64_t profile;
  // The least the sweep of segment_sweep.h would cost: it sorts the brush
  // into at least distinctRows row classes and spends a unit on each block
  // row a class's rows meet along the walk, and two more.
  int64_t sweepAtLeast;
};
ProfileEstimate estimateProfile(const ProfilePlan& plan, const SegmentWalk& walk, uint64_t first,
                                uint64_t last, const BlockGrid& grid);

// Hands to `rows`, one run of blocks a canvas row, every block that stamping
// the brush at walk points first..last (all reaching the canvas, which
// profileTakesCanvas takes) paints, for at most kMaxTopPoints of them:
// returns the last point done, `last` or first + kMaxTopPoints - 1. The fill
// paints each block row as one run where its canvas rows' runs meet, so each
// block about once.
uint64_t profileSegment(const ProfilePlan& plan, ProfileScratch& scratch, const SegmentWalk& walk,
                        uint64_t first, uint64_t last, const BitmapGeometry& canvas,
                        const BlockGrid& grid, CanvasRowSink rows);
