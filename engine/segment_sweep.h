// segment_sweep.h - the blocks of a whole stroke segment found block row by
// block row, for brushes whose every row is one run of ink (squares, discs).
//
// Point by point, a segment of n points costs n passes over the brush, though
// consecutive points differ by at most one pixel on each axis. Here the brush
// rows fall into classes of consecutive rows that stamp alike (same run, and
// same run in the row above, which decides the column tracker). For one class
// and one block row, the points whose class rows meet that block row are
// consecutive, their brush columns L form an interval, and the blocks the
// class stamps over that interval have a closed form (segment_sweep.cpp). So
// the work grows with block rows and classes, not with points times rows.
//
// Everything lives in fixed static scratch areas. The caller must have begun
// a block set whose box covers the points' visible pixels.
#pragma once

#include <cstdint>

#include "block_grid.h"
#include "brush_runs.h"
#include "pen_context.h"
#include "segment_walk.h"

// Sorts the brush rows into classes. False when the brush does not qualify:
// a row that is not one run of ink, a run one pixel wide below another row
// (with blocks wider than one pixel), or a row reaching past the row above
// where a row higher up reaches further still.
bool prepareSweep(const BrushRuns& runs, const BlockGrid& grid);

// A rough cost, in one unit for both, of sweeping walk points first..last
// after prepareSweep and of gathering them point by point (brush_stamp.cpp
// sweeps when the first is lower).
struct SweepEstimate {
  int64_t sweep;
  int64_t pointByPoint;
};
SweepEstimate estimateSweep(const SegmentWalk& walk, uint64_t first, uint64_t last,
                            const BrushRuns& runs, const BlockGrid& grid);

// The most points one sweep takes.
constexpr uint64_t kMaxSweepPoints = 16384;

// Adds to the block set every block that stamping the brush at walk points
// first..last (at most kMaxSweepPoints, all reaching the canvas) would paint.
void sweepSegment(const SegmentWalk& walk, uint64_t first, uint64_t last, const BrushRuns& runs,
                  const BitmapGeometry& canvas, const BlockGrid& grid);
