#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

#include "segment_walk.h"
#include "support/known_walks.h"

namespace {

// The walk as an error accumulator, one step at a time: what the closed form
// and the box search must reproduce.
std::vector<WalkPoint> accumulatorWalk(int64_t fromX, int64_t fromY, int64_t toX, int64_t toY) {
  const int64_t dx = toX > fromX ? toX - fromX : fromX - toX;
  const int64_t dy = toY > fromY ? toY - fromY : fromY - toY;
  const bool xMajor = dx > dy;
  const int64_t major = xMajor ? dx : dy, minor = xMajor ? dy : dx;
  int64_t x = fromX, y = fromY, e = 0;
  std::vector<WalkPoint> points;
  for (int64_t i = 0; i <= major; ++i) {
    points.push_back({x, y});
    if (xMajor)
      x += toX > fromX ? 1 : -1;
    else
      y += toY > fromY ? 1 : -1;
    e += minor;
    if (major < e) {
      e -= major;
      if (xMajor)
        y += toY > fromY ? 1 : -1;
      else
        x += toX > fromX ? 1 : -1;
    }
  }
  return points;
}

TEST(SegmentWalk, StopsOneStepShortOnTheMinorAxis) {
  for (const testing_support::KnownWalk& c : testing_support::knownWalks()) {
    const SegmentWalk walk = makeSegmentWalk(c.fromX, c.fromY, c.toX, c.toY);
    ASSERT_EQ(walk.major + 1, c.points.size());
    WalkCursor cursor = walkCursorAt(walk, 0);
    for (std::size_t k = 0; k < c.points.size(); ++k) {
      EXPECT_EQ(walkPointAt(walk, k).x, c.points[k].first) << c.toX << "," << c.toY << " k=" << k;
      EXPECT_EQ(walkPointAt(walk, k).y, c.points[k].second) << c.toX << "," << c.toY << " k=" << k;
      EXPECT_EQ(cursor.point.x, c.points[k].first);
      EXPECT_EQ(cursor.point.y, c.points[k].second);
      walkStep(walk, cursor);
    }
  }
}

TEST(SegmentWalk, ClosedFormAndResumedCursorsMatchTheAccumulator) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int32_t> delta(-300, 300), origin(-2000000000, 2000000000);
  for (int n = 0; n < 2000; ++n) {
    const int32_t fx = origin(rng), fy = origin(rng);
    const int32_t tx = fx + delta(rng), ty = fy + delta(rng) / (n % 5 + 1);
    const std::vector<WalkPoint> expected = accumulatorWalk(fx, fy, tx, ty);
    const SegmentWalk walk = makeSegmentWalk(fx, fy, tx, ty);
    ASSERT_EQ(walk.major + 1, expected.size());
    const std::size_t resumeAt = static_cast<std::size_t>(n) % expected.size();
    WalkCursor cursor = walkCursorAt(walk, resumeAt);
    for (std::size_t k = 0; k < expected.size(); ++k) {
      const WalkPoint p = walkPointAt(walk, k);
      ASSERT_TRUE(p.x == expected[k].x && p.y == expected[k].y) << "case " << n << " k " << k;
      if (k >= resumeAt) {
        ASSERT_TRUE(cursor.point.x == expected[k].x && cursor.point.y == expected[k].y)
            << "case " << n << " resumed at " << resumeAt << " k " << k;
        walkStep(walk, cursor);
      }
    }
  }
}

TEST(SegmentWalk, RangeInBoxIsExactlyThePointsInside) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<int32_t> coord(-60, 60), size(-2, 25);
  for (int n = 0; n < 3000; ++n) {
    const int32_t fx = coord(rng), fy = coord(rng), tx = coord(rng), ty = coord(rng);
    InclusiveBox box;
    box.left = coord(rng) / 2;
    box.top = coord(rng) / 2;
    box.right = box.left + size(rng);
    box.bottom = box.top + size(rng);
    const std::vector<WalkPoint> points = accumulatorWalk(fx, fy, tx, ty);
    int64_t first = -1, last = -1;
    for (std::size_t k = 0; k < points.size(); ++k) {
      const WalkPoint p = points[k];
      if (p.x < box.left || p.x > box.right || p.y < box.top || p.y > box.bottom) continue;
      if (first < 0) first = static_cast<int64_t>(k);
      ASSERT_EQ(last, first < static_cast<int64_t>(k) ? static_cast<int64_t>(k) - 1 : -1)
          << "points inside a box are consecutive";
      last = static_cast<int64_t>(k);
    }
    uint64_t a = 0, b = 0;
    const bool found = walkRangeInBox(makeSegmentWalk(fx, fy, tx, ty), box, a, b);
    ASSERT_EQ(found, first >= 0) << "case " << n;
    if (found) {
      EXPECT_EQ(a, static_cast<uint64_t>(first)) << "case " << n;
      EXPECT_EQ(b, static_cast<uint64_t>(last)) << "case " << n;
    }
  }
}

TEST(SegmentWalk, ExtremeEndPointsDoNotOverflow) {
  const SegmentWalk walk = makeSegmentWalk(INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN);
  EXPECT_EQ(walk.major, 0xFFFFFFFFull);
  const WalkPoint last = walkPointAt(walk, walk.major);
  EXPECT_EQ(last.x, INT32_MAX - 1);  // a tie is y-major and x lags by one
  EXPECT_EQ(last.y, INT32_MIN);
  const InclusiveBox box{-5, -5, 5, 5};
  uint64_t a = 0, b = 0;
  ASSERT_TRUE(walkRangeInBox(walk, box, a, b));
  EXPECT_EQ(walkPointAt(walk, a).x, -5);  // the diagonal enters through the left side
  EXPECT_EQ(walkPointAt(walk, a).y, 3);
  EXPECT_EQ(walkPointAt(walk, b).x, 3);
  EXPECT_EQ(walkPointAt(walk, b).y, -5);
}

}  // namespace
