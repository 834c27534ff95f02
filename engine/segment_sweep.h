// segment_sweep.h - the blocks of a whole stroke segment found block row by
// block row, for brushes whose every row is one run of ink (slanted nibs,
// and squares along many points over tall blocks; the profile takes most
// discs and squares).
//
// Point by point, a segment of n points costs n passes over the brush, though
// consecutive points differ by at most one pixel on each axis. Here the brush
// rows fall into classes of consecutive rows that stamp alike (same run, and
// same run in the row above, which decides the column tracker). For one class
// and one block row, the points whose class rows meet that block row are
// consecutive, their brush left edges form an interval, and the blocks the
// class stamps over that interval have a closed form (segment_sweep.cpp). So
// the work grows with block rows and classes, not with points times rows.
#pragma once

#include <cstdint>

#include "block_grid.h"
#include "block_sink.h"
#include "brush_runs.h"
#include "pen_context.h"
#include "segment_walk.h"
#include "walk_tops.h"

// The most points one sweep takes, and the most row classes of a brush.
constexpr uint64_t kMaxSweepPoints = kMaxTopPoints;
constexpr int64_t kMaxRowClasses = 4096;

// Brush rows first..last that stamp alike.
struct RowClass {
  int32_t firstRow;
  int32_t lastRow;
  int32_t start;  // the run, brush columns
  int32_t end;
  int32_t aboveStart;  // the run of the row above, for a class that follows one
  int32_t aboveEnd;
  bool followsRow;  // the tracker comes from the row above
};

struct SweepScratch {
  TopEntry entries[kMaxSweepPoints];
  RowClass classes[kMaxRowClasses];
};

// A brush sorted into row classes, ready to sweep any segment.
struct SweepPlan {
  const BrushRuns* runs;
  const RowClass* classes;
  int64_t classCount;
};

// Sorts the brush rows into classes, kept in `scratch`. False when the brush
// does not qualify: a row that is not one run of ink, a run one pixel wide
// below another row (with blocks wider than one pixel), a row reaching past
// the row above where a row higher up reaches further still, or more than
// kMaxRowClasses classes.
bool prepareSweep(const BrushRuns& runs, const BlockGrid& grid, SweepScratch& scratch,
                  SweepPlan& plan);

// A rough cost, in one unit for both, of sweeping walk points first..last and
// of gathering them point by point: about one unit a brush row a point.
struct SweepEstimate {
  int64_t sweep;
  int64_t pointByPoint;
};
SweepEstimate estimateSweep(const SweepPlan& plan, const SegmentWalk& walk, uint64_t first,
                            uint64_t last, const BlockGrid& grid);

// Hands to `sink` every block that stamping the brush at walk points
// first..last (all reaching the canvas) would paint, for at most
// kMaxSweepPoints of them: returns the last point swept, which is `last` or
// first + kMaxSweepPoints - 1.
uint64_t sweepSegment(const SweepPlan& plan, SweepScratch& scratch, const SegmentWalk& walk,
                      uint64_t first, uint64_t last, const BitmapGeometry& canvas,
                      const BlockGrid& grid, const BlockSink& sink);
