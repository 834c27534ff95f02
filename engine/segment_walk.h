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
#include <type_traits>

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

// Called per stamping call and per point, so defined here where callers can
// inline them.

// Units the minor axis has moved after k steps.
inline uint64_t walkMinorSteps(const SegmentWalk& walk, uint64_t k) {
  const uint64_t total = k * walk.minor;  // k, minor < 2^32: fits
  if (total == 0) return 0;
  // The last point, asked for with every segment, without a division.
  if (k == walk.major) return walk.minor - 1;
  return (total - 1) / walk.major;
}

inline SegmentWalk makeSegmentWalk(int32_t fromX, int32_t fromY, int32_t toX, int32_t toY) {
  SegmentWalk walk;
  walk.fromX = fromX;
  walk.fromY = fromY;
  walk.stepX = toX > fromX ? 1 : -1;
  walk.stepY = toY > fromY ? 1 : -1;
  const uint64_t dx =
      static_cast<uint64_t>(fromX > toX ? int64_t{fromX} - toX : int64_t{toX} - fromX);
  const uint64_t dy =
      static_cast<uint64_t>(fromY > toY ? int64_t{fromY} - toY : int64_t{toY} - fromY);
  walk.xMajor = dx > dy;
  walk.major = walk.xMajor ? dx : dy;
  walk.minor = walk.xMajor ? dy : dx;
  return walk;
}

// The walk of one point, (x, y) itself.
inline SegmentWalk makePointWalk(int64_t x, int64_t y) { return {x, y, 1, 1, false, 0, 0}; }

inline WalkPoint walkPointAt(const SegmentWalk& walk, uint64_t k) {
  const int64_t majorMoved = static_cast<int64_t>(k);
  const int64_t minorMoved = static_cast<int64_t>(walkMinorSteps(walk, k));
  if (walk.xMajor)
    return {walk.fromX + walk.stepX * majorMoved, walk.fromY + walk.stepY * minorMoved};
  return {walk.fromX + walk.stepX * minorMoved, walk.fromY + walk.stepY * majorMoved};
}

inline WalkCursor walkCursorAt(const SegmentWalk& walk, uint64_t k) {
  WalkCursor cursor;
  cursor.point = walkPointAt(walk, k);
  cursor.error = k * walk.minor - walkMinorSteps(walk, k) * walk.major;
  return cursor;
}

// One step of the walk exactly as the accumulator takes it, along a walk
// known to be x-major (kXMajor) or y-major: with the axes fixed the cursor
// stays in registers in a loop of steps.
template <bool kXMajor>
inline void walkStepAlong(const SegmentWalk& walk, WalkCursor& cursor) {
  int64_t& majorCoord = kXMajor ? cursor.point.x : cursor.point.y;
  int64_t& minorCoord = kXMajor ? cursor.point.y : cursor.point.x;
  majorCoord += kXMajor ? walk.stepX : walk.stepY;
  cursor.error += walk.minor;
  if (walk.major < cursor.error) {
    cursor.error -= walk.major;
    minorCoord += kXMajor ? walk.stepY : walk.stepX;
  }
}

// One step of any walk.
inline void walkStep(const SegmentWalk& walk, WalkCursor& cursor) {
  if (walk.xMajor)
    walkStepAlong<true>(walk, cursor);
  else
    walkStepAlong<false>(walk, cursor);
}

// Calls visit(point) for walk points first..last (first <= last <= major),
// in order; the loop is made once for each major axis.
template <typename Visit>
inline void forEachWalkPoint(const SegmentWalk& walk, uint64_t first, uint64_t last, Visit visit) {
  auto along = [&](auto xMajor) {
    WalkCursor cursor = walkCursorAt(walk, first);
    for (uint64_t k = first;; ++k) {
      visit(cursor.point);
      if (k == last) return;
      walkStepAlong<decltype(xMajor)::value>(walk, cursor);
    }
  };
  if (walk.xMajor)
    along(std::true_type{});
  else
    along(std::false_type{});
}

// The first step after which the minor axis has moved n units; major + 1
// when it never does.
uint64_t walkFirstStepWithMinor(const SegmentWalk& walk, uint64_t n);

// The points of a walk move monotonically on both axes, so those inside a box
// are the consecutive points first..last. Returns false when there are none.
bool walkRangeInBox(const SegmentWalk& walk, const InclusiveBox& box, uint64_t& first,
                    uint64_t& last);
