#include "walk_tops.h"

#include "brush_placement.h"

namespace {

int32_t leftAt(WalkPoint p, int32_t brushWidth, int32_t brushHeight) {
  return static_cast<int32_t>(placeBrush(p, brushWidth, brushHeight).left);
}

}  // namespace

Tops collectTops(const SegmentWalk& walk, uint64_t first, uint64_t last, int32_t brushWidth,
                 int32_t brushHeight, TopEntry* entries) {
  const WalkPoint start = walkPointAt(walk, first);
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
  TopEntry* entry = entries;
  entry->leftFirst = leftAt(start, brushWidth, brushHeight);
  int64_t y = start.y;
  forEachWalkPoint(walk, first, last, [&](WalkPoint p) {
    const int32_t left = leftAt(p, brushWidth, brushHeight);
    if (p.y != y) {
      y = p.y;
      (++entry)->leftFirst = left;
    }
    entry->leftLast = left;
  });
  return tops;
}
