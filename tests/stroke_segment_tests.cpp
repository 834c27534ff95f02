#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <utility>

#include "block_engine.h"
#include "support/known_walks.h"
#include "support/test_bitmap.h"

namespace {

using testing_support::brushFromRows;
using testing_support::ScopedBlockParams;
using testing_support::solidBrush;
using testing_support::TestPen;
using Rect = TestPen::Rect;
using Rows = std::vector<std::string>;
using PointSet = std::set<std::pair<int32_t, int32_t>>;

// With a 1 x 1 brush and 1 x 1 blocks a point (x, y) paints pixel
// (x + 1, y + 1): the painted pixels show the points of the walk.
PointSet stampedPoints(int32_t fromX, int32_t fromY, int32_t toX, int32_t toY, Rect* changed) {
  ScopedBlockParams params(1, 1, 0);
  const int32_t origin = 10;  // room for negative coordinates
  TestPen pen(24, 24);
  pen.setCursor(toX + origin, toY + origin);
  stampSegment(fromX + origin, fromY + origin, &pen.ctx);
  EXPECT_TRUE(pen.untouchedOutsideCanvas());
  PointSet points;
  for (int32_t y = 0; y < 24; ++y)
    for (int32_t x = 0; x < 24; ++x)
      if (pen.canvas.at(x, y)) points.insert({x - 1 - origin, y - 1 - origin});
  const Rect r = pen.changed();
  *changed = {r.left - origin, r.top - origin, r.right - origin, r.bottom - origin};
  return points;
}

TEST(StampSegment, StampsTheWalkFromStartToOneShortOfTheTarget) {
  for (const testing_support::KnownWalk& c : testing_support::knownWalks()) {
    Rect changed{};
    EXPECT_EQ(stampedPoints(c.fromX, c.fromY, c.toX, c.toY, &changed),
              PointSet(c.points.begin(), c.points.end()))
        << "(" << c.fromX << "," << c.fromY << ") to (" << c.toX << "," << c.toY << ")";
    // The changed rectangle is the union of the 1 x 1 brush rectangles.
    Rect bounds{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    for (auto [x, y] : c.points)
      bounds = {std::min(bounds.left, x + 1), std::min(bounds.top, y + 1),
                std::max(bounds.right, x + 2), std::max(bounds.bottom, y + 2)};
    EXPECT_EQ(changed, bounds);
  }
}

TEST(StampSegment, UsesBlocksAndReportsTheUnionOfBrushRectangles) {
  ScopedBlockParams params(2, 2, 0);
  TestPen pen(10, 6, solidBrush(3, 1));
  pen.ctx.stateFlags = PCF_MASK;  // with an all-allowing mask
  pen.setCursor(6, 2);
  stampSegment(1, 0, &pen.ctx);  // points (1,0) (2,0) (3,0) (4,1) (5,1) (6,1)
  EXPECT_EQ(pen.changed(), (Rect{1, 1, 9, 3}));
  EXPECT_EQ(pen.ctx.stateFlags, PCF_MASK | PCF_DRAWN);
  EXPECT_EQ(pen.canvas.rows(), (Rows{"AAAAAA....", "AAAAAA....", "....AAAAAA", "....AAAAAA",
                                     "..........", ".........."}));
}

TEST(StampSegment, AFarSegmentPaintsOnlyWhereItCrossesTheCanvas) {
  ScopedBlockParams params(1, 1, 0);
  TestPen pen(16, 8);
  pen.setCursor(2000000000, 5);
  stampSegment(-2000000000, 0, &pen.ctx);
  // Four billion x steps and five y units: the walk has moved 2 units of y
  // where it crosses the canvas, and the 1 x 1 brush lands one row below.
  Rows expected(8, "................");
  expected[3] = "AAAAAAAAAAAAAAAA";
  EXPECT_EQ(pen.canvas.rows(), expected);
  EXPECT_EQ(pen.changed(), (Rect{-1999999999, 1, 2000000002, 6}));
  EXPECT_TRUE(pen.untouchedOutsideCanvas());
}

TEST(StampSegment, ExtremeEndsClampTheRectangle) {
  ScopedBlockParams params(3, 2, 16);
  TestPen pen(8, 8, solidBrush(4, 4));
  pen.setCursor(INT32_MIN, INT32_MIN);
  stampSegment(INT32_MAX, INT32_MAX, &pen.ctx);
  EXPECT_EQ(pen.changed(), (Rect{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}));
  EXPECT_EQ(pen.canvas.at(0, 0), 2);  // the diagonal crosses the whole canvas
  EXPECT_EQ(pen.canvas.at(7, 7), 2);
  EXPECT_TRUE(pen.untouchedOutsideCanvas());
}

TEST(StampSegment, MissingTheCanvasStillReportsAndSetsDrawn) {
  ScopedBlockParams params(1, 1, 0);
  for (auto [cw, ch] : {std::pair{8, 8}, {0, 8}, {8, -2}}) {
    TestPen pen(cw, ch, solidBrush(2, 2));
    pen.setCursor(-5, 30);
    stampSegment(-30, 30, &pen.ctx);
    EXPECT_EQ(pen.changed(), (Rect{-30, 30, -3, 32}));
    EXPECT_EQ(pen.ctx.stateFlags, PCF_DRAWN);
    EXPECT_TRUE(pen.untouchedOutsideCanvas());
  }
}

TEST(StampSegment, EachCallOverwritesTheRectangle) {
  ScopedBlockParams params(1, 1, 0);
  TestPen pen(16, 16, brushFromRows({"#"}));
  pen.setCursor(9, 2);
  stampSegment(1, 2, &pen.ctx);
  pen.setCursor(4, 4);
  stampSegment(4, 4, &pen.ctx);
  EXPECT_EQ(pen.changed(), (Rect{5, 5, 6, 6}));
}

}  // namespace
