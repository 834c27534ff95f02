#include "segment_walk.h"

namespace {

int64_t minorOf(const SegmentWalk& walk, WalkPoint p) { return walk.xMajor ? p.y : p.x; }

// Steps of the walk whose major coordinate lies in [low, high].
bool majorRange(const SegmentWalk& walk, int64_t low, int64_t high, uint64_t& first,
                uint64_t& last) {
  const int64_t start = walk.xMajor ? walk.fromX : walk.fromY;
  const int64_t step = walk.xMajor ? walk.stepX : walk.stepY;
  int64_t a = step > 0 ? low - start : start - high;
  int64_t b = step > 0 ? high - start : start - low;
  if (a < 0) a = 0;
  if (b > static_cast<int64_t>(walk.major)) b = static_cast<int64_t>(walk.major);
  if (a > b) return false;
  first = static_cast<uint64_t>(a);
  last = static_cast<uint64_t>(b);
  return true;
}

bool inBox(const InclusiveBox& box, WalkPoint p) { return boxContains(box, p.x, p.y); }

}  // namespace

uint64_t walkFirstStepWithMinor(const SegmentWalk& walk, uint64_t n) {
  if (n == 0) return 0;
  if (walk.minor == 0) return walk.major + 1;
  return (n * walk.major + walk.minor) / walk.minor;  // ceil((n * major + 1) / minor)
}

bool walkRangeInBox(const SegmentWalk& walk, const InclusiveBox& box, uint64_t& first,
                    uint64_t& last) {
  // Most segments lie wholly inside: both ends in the box put every point in.
  if (inBox(box, walkPointAt(walk, 0)) && inBox(box, walkPointAt(walk, walk.major))) {
    first = 0;
    last = walk.major;
    return true;
  }
  const int64_t majorLow = walk.xMajor ? box.left : box.top;
  const int64_t majorHigh = walk.xMajor ? box.right : box.bottom;
  const int64_t minorLow = walk.xMajor ? box.top : box.left;
  const int64_t minorHigh = walk.xMajor ? box.bottom : box.right;
  uint64_t a, b;
  if (!majorRange(walk, majorLow, majorHigh, a, b)) return false;

  // The minor coordinate is monotone in k: binary-search the first step that
  // has not yet passed below the box and the last that has not passed beyond.
  const int64_t minorStep = walk.xMajor ? walk.stepY : walk.stepX;
  auto notBefore = [&](uint64_t k) {
    const int64_t v = minorOf(walk, walkPointAt(walk, k));
    return minorStep > 0 ? v >= minorLow : v <= minorHigh;
  };
  auto notAfter = [&](uint64_t k) {
    const int64_t v = minorOf(walk, walkPointAt(walk, k));
    return minorStep > 0 ? v <= minorHigh : v >= minorLow;
  };
  uint64_t lo = a, hi = b + 1;  // first k in [a, b] with notBefore, or b + 1
  while (lo < hi) {
    const uint64_t mid = lo + (hi - lo) / 2;
    if (notBefore(mid))
      hi = mid;
    else
      lo = mid + 1;
  }
  if (lo > b || !notAfter(lo)) return false;
  first = lo;
  hi = b;  // last k in [first, b] with notAfter
  while (lo < hi) {
    const uint64_t mid = lo + (hi - lo + 1) / 2;
    if (notAfter(mid))
      lo = mid;
    else
      hi = mid - 1;
  }
  last = lo;
  return true;
}
