// walk_tops.h - the points of part of a segment walk grouped by the canvas
// row their brush's top row lands on, for the producers that find the blocks
// of many points at once (segment_sweep, segment_profile).
//
// Along a y-major walk every point has a top of its own; along an x-major
// one a top lasts from one minor step to the next, and the brush's left edge
// moves one pixel a point meanwhile. So a top's points are consecutive, their
// left edges an interval, and the tops themselves consecutive rows.
#pragma once

#include <cstdint>

#include "segment_walk.h"

// The most points grouped at once.
constexpr uint64_t kMaxTopPoints = 16384;

// The brush's left edge at the first and at the last point of one top, in
// walk order.
struct TopEntry {
  int32_t leftFirst;
  int32_t leftLast;
};

// Entry j holds the points whose top is top0 + sign * j.
struct Tops {
  int64_t top0;
  int64_t sign;   // +1 or -1: sign * top never decreases along the walk
  int64_t count;  // entries
  int64_t key(int64_t top) const { return sign * (top - top0); }  // the entry of a top
  int64_t last() const { return top0 + sign * (count - 1); }      // the top of the last entry
};

// Rows the brush's top moves over along walk points first..last; with
// grouping the points by top, what both producers' estimates start from.
inline int64_t walkTopSpan(const SegmentWalk& walk, uint64_t first, uint64_t last) {
  const int64_t span = walkPointAt(walk, last).y - walkPointAt(walk, first).y;
  return span < 0 ? -span : span;
}

// Fills `entries` for walk points first..last (last - first < kMaxTopPoints,
// every brush reaching the canvas) with a brush of brushWidth x brushHeight
// placed for each point as brush_placement.h says.
Tops collectTops(const SegmentWalk& walk, uint64_t first, uint64_t last, int32_t brushWidth,
                 int32_t brushHeight, TopEntry* entries);
