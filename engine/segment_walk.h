// segment_walk.h - the integer walk of a stroke segment, free of any image.
//
// The walk goes from (fromX, fromY) towards (toX, toY) one unit at a time on
// the major axis (x when |dx| > |dy|, y otherwise, so a tie is y-major) and
// steps the minor axis with an error accumulator that starts at 0 and steps
// only when major < error. The minor axis therefore lags: whenever the minor
// delta is non-zero, the last of the major + 1 points lies one unit short of
// the target on the minor axis. Strokes rely on that: the next segment starts
// at the target itself.
//
// Point k (0 <= k <= major) has a closed form, so a walk of four billion
// steps can be entered anywhere: after k steps the minor axis has moved
// floor((k * minor - 1) / major) units (none when k * minor is 0). All
// arithmetic is 64-bit and unsigned where it counts steps; nothing overflows
// for any pair of 32-bit end points.
#pragma once

#include <cstdint>

#include "inclusive_box.h"

struct SegmentWalk {
  int64_t fromX;
  int64_t fromY;
  int64_t stepX;  // +1 when the target's x is greater than the start's, else -1
  int64_t stepY;
  bool xMajor;
  uint64_t major;  // M: |dx| if x-major, else |dy|; the walk has M + 1 points
  uint64_t minor;  // m: the other delta, m <= M
};

struct WalkPoint {
  int64_t x;
  int64_t y;
};

// A position on the walk that can be stepped: the point and the accumulator.
struct WalkCursor {
  WalkPoint point;
  uint64_t error;
};

SegmentWalk makeSegmentWalk(int32_t fromX, int32_t fromY, int32_t toX, int32_t toY);

// The walk of one point, (x, y) itself.
SegmentWalk makePointWalk(int64_t x, int64_t y);

WalkPoint walkPointAt(const SegmentWalk& walk, uint64_t k);

// Units the minor axis has moved after k steps.
uint64_t walkMinorSteps(const SegmentWalk& walk, uint64_t k);

// The first step after which the minor axis has moved n units; major + 1
// when it never does.
uint64_t walkFirstStepWithMinor(const SegmentWalk& walk, uint64_t n);

WalkCursor walkCursorAt(const SegmentWalk& walk, uint64_t k);

// One step of the walk exactly as the accumulator takes it.
void walkStep(const SegmentWalk& walk, WalkCursor& cursor);

// The points of a walk move monotonically on both axes, so those inside a box
// are the consecutive points first..last. Returns false when there are none.
bool walkRangeInBox(const SegmentWalk& walk, const InclusiveBox& box, uint64_t& first,
                    uint64_t& last);
