#include <gtest/gtest.h>

#include <array>
#include <climits>

#include "block_engine.h"
#include "support/test_bitmap.h"

namespace {

using testing_support::brushFromRows;
using testing_support::ScopedBlockParams;
using testing_support::solidBrush;
using testing_support::TestBitmap;
using testing_support::TestPen;
using Rect = TestPen::Rect;
using Rows = std::vector<std::string>;

TEST(StampAtCursor, PlacesOddAndEvenBrushesOneRightAndBelowTheirHalf) {
  ScopedBlockParams params(1, 1, 0);
  {
    TestPen pen(4, 4);  // 1 x 1 brush: lands on (px + 1, py + 1)
    pen.setCursor(0, 0);
    stampAtCursor(&pen.ctx);
    EXPECT_EQ(pen.canvas.rows(), (Rows{"....", ".A..", "....", "...."}));
    EXPECT_EQ(pen.changed(), (Rect{1, 1, 2, 2}));
  }
  {
    TestPen pen(8, 8, solidBrush(3, 3));  // covers px .. px + 2
    pen.setCursor(2, 4);
    stampAtCursor(&pen.ctx);
    EXPECT_EQ(pen.changed(), (Rect{2, 4, 5, 7}));
    EXPECT_EQ(pen.canvas.rows()[4], "..AAA...");
    EXPECT_EQ(pen.canvas.rows()[7], "........");
  }
  {
    TestPen pen(8, 8, solidBrush(4, 2));  // covers px - 1 .. px + 2, py .. py + 1
    pen.setCursor(2, 4);
    stampAtCursor(&pen.ctx);
    EXPECT_EQ(pen.changed(), (Rect{1, 4, 5, 6}));
    EXPECT_EQ(pen.canvas.rows()[5], ".AAAA...");
  }
}

// With 1 x 1 blocks every ink pixel on the canvas is painted and nothing else:
// compare against that for a lopsided brush pushed past each edge in turn.
TEST(StampBrush, ClipsOnAllFourSides) {
  ScopedBlockParams params(1, 1, 0);
  const TestBitmap brush = brushFromRows({"##..#", "#.#..", "..###", "#...#"});
  for (int32_t top = -5; top <= 7; ++top)
    for (int32_t left = -6; left <= 8; ++left) {
      TestPen pen(7, 6, brush);
      stampBrush(left, top, brush.width(), brush.height(), &pen.ctx);
      for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 7; ++x) {
          const int32_t bx = x - left, by = y - top;
          const bool ink = bx >= 0 && by >= 0 && bx < brush.width() && by < brush.height() &&
                           brush.at(bx, by) == 0;
          ASSERT_EQ(pen.canvas.at(x, y), ink ? 1 : 0) << "brush at " << left << "," << top;
        }
      ASSERT_TRUE(pen.untouchedOutsideCanvas());
    }
}

TEST(StampBrush, TheColumnTrackerCarriesFromOneBrushRowToTheNext) {
  {
    // Row 3 stamps the block of rows 0..3; row 4 lies in the same block
    // column, so the block of rows 4..7 is skipped.
    ScopedBlockParams params(4, 4, 0);
    TestPen pen(8, 8, solidBrush(2, 2));
    stampBrush(0, 3, 2, 2, &pen.ctx);
    EXPECT_EQ(pen.canvas.rows(), (Rows{"AAAA....", "AAAA....", "AAAA....", "AAAA....", "........",
                                       "........", "........", "........"}));
  }
  {
    // A row whose first ink lies in another block column is stamped.
    ScopedBlockParams params(2, 2, 0);
    TestPen pen(6, 4, brushFromRows({"##.", "..#"}));
    stampBrush(0, 1, 3, 2, &pen.ctx);
    EXPECT_EQ(pen.canvas.rows(), (Rows{"AA....", "AA....", "..AA..", "..AA.."}));
  }
  {
    // Within a row, later blocks of other columns are all stamped.
    ScopedBlockParams params(2, 1, 0);
    TestPen pen(8, 2, brushFromRows({"#.#.#..#"}));
    stampBrush(0, 0, 8, 1, &pen.ctx);
    EXPECT_EQ(pen.canvas.rows(), (Rows{"AAAAAAAA", "........"}));
  }
}

TEST(StampBrush, BlocksOneColumnWideStampEveryInkPixel) {
  ScopedBlockParams params(1, 2, 0);
  TestPen pen(3, 4, brushFromRows({"#", "#"}));
  stampBrush(1, 1, 1, 2, &pen.ctx);  // rows 1 and 2 lie in different block rows
  EXPECT_EQ(pen.canvas.rows(), (Rows{".A.", ".A.", ".A.", ".A."}));
}

TEST(StampBrush, OnlyZeroBrushBytesAreInk) {
  ScopedBlockParams params(1, 1, 0);
  TestBitmap brush(4, 1);
  brush.at(0, 0) = 1;
  brush.at(1, 0) = 255;
  brush.at(2, 0) = 0x80;
  brush.at(3, 0) = 0;
  TestPen pen(4, 1, brush);
  stampBrush(0, 0, 4, 1, &pen.ctx);
  EXPECT_EQ(pen.canvas.rows(), Rows{"...A"});
}

TEST(StampAtCursor, ReportsTheBrushRectangleEvenWhenNothingIsPainted) {
  ScopedBlockParams params(3, 2, 0);
  TestPen pen(6, 6, solidBrush(3, 3));
  pen.setCursor(-10, -20);  // entirely left of and above the canvas
  stampAtCursor(&pen.ctx);
  EXPECT_EQ(pen.changed(), (Rect{-10, -20, -7, -17}));
  EXPECT_EQ(pen.ctx.stateFlags, PCF_DRAWN);
  EXPECT_EQ(pen.canvas.rows(), Rows(6, "......"));
}

TEST(StampAtCursor, EmptyCanvasOrBrushPaintsNothingButIsReported) {
  ScopedBlockParams params(1, 1, 0);
  for (auto [cw, ch, bw, bh] :
       {std::array{0, 4, 2, 2}, {4, -1, 2, 2}, {4, 4, 0, 2}, {4, 4, 2, -3}}) {
    TestPen pen(cw, ch, TestBitmap(bw, bh));
    pen.setCursor(1, 1);
    stampAtCursor(&pen.ctx);
    EXPECT_EQ(pen.changed(),
              (Rect{1 - bw / 2 + 1, 1 - bh / 2 + 1, 2 - bw / 2 + bw, 2 - bh / 2 + bh}));
    EXPECT_EQ(pen.ctx.stateFlags, PCF_DRAWN);
    EXPECT_TRUE(pen.untouchedOutsideCanvas());
    if (cw > 0 && ch > 0) {
      EXPECT_EQ(pen.canvas.rows(), Rows(4, "...."));
    }
  }
}

TEST(StampAtCursor, SetsDrawnWithoutClearingAndOverwritesTheRectangle) {
  ScopedBlockParams params(1, 1, 0);
  TestPen pen(8, 8, solidBrush(2, 2));
  pen.ctx.stateFlags = 0x80000011;
  pen.setCursor(5, 5);
  stampAtCursor(&pen.ctx);
  pen.setCursor(1, 1);
  stampAtCursor(&pen.ctx);
  EXPECT_EQ(pen.ctx.stateFlags, 0x80000011 | 0x01000000 | 0x02000000);
  EXPECT_EQ(pen.changed(), (Rect{1, 1, 3, 3}));  // the second stamp's alone
}

TEST(StampAtCursor, ClampsRectangleEdgesBeyondThe32BitRange) {
  ScopedBlockParams params(1, 1, 0);
  TestPen pen(4, 4, solidBrush(4, 4));
  pen.setCursor(INT32_MAX, INT32_MIN);
  stampAtCursor(&pen.ctx);
  EXPECT_EQ(pen.changed(), (Rect{INT32_MAX - 1, INT32_MIN, INT32_MAX, INT32_MIN + 3}));
  EXPECT_EQ(pen.canvas.rows(), Rows(4, "...."));
}

}  // namespace
