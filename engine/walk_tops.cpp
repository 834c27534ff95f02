#include "walk_tops.h"

#include <cstddef>

#include "brush_placement.h"

namespace {

int32_t leftAt(WalkPoint p, int32_t brushWidth, int32_t brushHeight) {
  return static_cast<int32_t>(placeBrush(p, brushWidth, brushHeight).left);
}

}  // namespace

Tops collectTops(const SegmentWalk& walk, uint64_t first, uint64_t last, int32_t brushWidth,
                 int32_t brushHeight, TopEntry* entries) {
  const WalkCursor cursor = walkCursorAt(walk, first);
  const WalkPoint start = cursor.point;
  Tops tops{placeBrush(start, brushWidth, brushHeight).top, walk.stepY, 0};
  const uint64_t n = last - first + 1;
  if (walk.xMajor) {
    const uint64_t minorFirst = walkMinorSteps(walk, first), minorLast = walkMinorSteps(walk, last);
    tops.count = static_cast<int64_t>(minorLast - minorFirst + 1);
    if (static_cast<uint64_t>(tops.count) * 16 < n) {
      // Few minor steps: find where each top begins and ends directly.
      for (int64_t j = 0; j < tops.count; ++j) {
        const uint64_t m = minorFirst + static_cast<uint64_t>(j);
        uint64_t a = walkFirstStepWithMinor(walk, m), b = walkFirstStepWithMinor(walk, m + 1) - 1;
        if (a < first) a = first;
        if (b > last) b = last;
        entries[j] = {leftAt(walkPointAt(walk, a), brushWidth, brushHeight),
                      leftAt(walkPointAt(walk, b), brushWidth, brushHeight)};
      }
      return tops;
    }
  } else {
    tops.count = static_cast<int64_t>(n);
  }
  // Stepped in 32 bits, which the 32-bit build holds in one register each:
  // every point's brush reaches the canvas, so its left edge fits, and the
  // accumulator stays within 0..major, below 2^32. error > room is the walk's
  // major < error + minor.
  const auto minor = static_cast<uint32_t>(walk.minor);
  const auto room = static_cast<uint32_t>(walk.major - walk.minor);
  auto error = static_cast<uint32_t>(cursor.error);
  const auto stepX = static_cast<int32_t>(walk.stepX);
  int32_t left = leftAt(start, brushWidth, brushHeight);
  TopEntry* entry = entries;
  entry->leftFirst = left;
  for (auto steps = static_cast<std::size_t>(n - 1); steps > 0; --steps) {
    entry->leftLast = left;
    const bool minorStep = error > room;
    error = minorStep ? error - room : error + minor;
    if (walk.xMajor) {
      left += stepX;
      if (minorStep) (++entry)->leftFirst = left;
    } else {
      if (minorStep) left += stepX;
      (++entry)->leftFirst = left;
    }
  }
  entry->leftLast = left;
  return tops;
}
