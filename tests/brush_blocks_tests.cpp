#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <random>

#include "brush_blocks.h"
#include "support/test_bitmap.h"

namespace {

using testing_support::brushFromRows;
using testing_support::TestBitmap;
using testing_support::TestPen;
using Rows = std::vector<std::string>;

RunScratch runScratch;  // both too large for the stack
BlockSet blocks;

BlockGrid gridOf(int64_t width, int64_t height, int tone = 0) {
  return {width, height, tone, makeBlockDivider(width), makeBlockDivider(height)};
}

enum class Ink { runsGathered, bytesAtOnce, pixelByPixel };

// The canvas after one placement of the brush with its top-left pixel at
// (left, top). pixelByPixel is the rule itself: each ink pixel on the canvas
// stamps its block unless the block column equals the tracker, which starts
// at -1 and carries across rows; blocks one pixel wide have no tracker.
Rows stamped(Ink ink, const TestBitmap& brush, int64_t left, int64_t top, const BlockGrid& grid,
             int32_t canvasWidth, int32_t canvasHeight) {
  TestPen pen(canvasWidth, canvasHeight, brush);
  const BitmapGeometry canvas = bitmapGeometry(pen.canvas.header());
  ToneLines lines;
  const BlockPainter painter = beginPainting(grid, canvas, &pen.ctx, lines);
  VisibleBrush visible;
  if (ink == Ink::pixelByPixel) {
    int64_t tracker = -1;
    for (int32_t by = 0; by < brush.height(); ++by)
      for (int32_t bx = 0; bx < brush.width(); ++bx) {
        const int64_t x = left + bx, y = top + by, column = x / grid.width;
        if (brush.at(bx, by) != 0 || !canvas.contains(x, y)) continue;
        if (grid.width > 1 && column == tracker) continue;
        paintBlock(painter, column, y / grid.height);
        tracker = column;
      }
  } else if (clipBrush(left, top, brush.width(), brush.height(), canvas, visible)) {
    BrushRuns runs;
    if (ink == Ink::bytesAtOnce) {
      const InkSource bytes{nullptr, pen.ctx.brushBits, bitmapGeometry(pen.ctx.brushHeader)};
      addBrushBlocks(bytes, visible, grid, paintAtOnce(painter));
    } else if (buildBrushRuns(&pen.ctx, runScratch, runs) &&
               blockSetBegin(blocks, blockBoxOf(visible, grid))) {
      addBrushBlocks({&runs, nullptr, {}}, visible, grid, gatherInto(blocks));
      blockSetPaint(blocks, painter);
    } else {
      ADD_FAILURE() << "no runs or no block set";
    }
  }
  EXPECT_TRUE(pen.untouchedOutsideCanvas());
  return pen.canvas.rows();
}

// Random brushes, blocks and placements, clipped on every side of the canvas
// and on two sides at once.
TEST(AddBrushBlocks, RunsAndBytesStampWhatThePixelRuleStamps) {
  std::mt19937 rng(23);
  std::uniform_int_distribution<int32_t> size(1, 18), blockWidth(1, 5), blockHeight(1, 4),
      other(1, 255), percent(0, 99);
  for (int n = 0; n < 1500; ++n) {
    TestBitmap brush(size(rng), size(rng));
    brush.setPadding(0);
    const int32_t density = percent(rng);
    for (int32_t y = 0; y < brush.height(); ++y)
      for (int32_t x = 0; x < brush.width(); ++x)
        brush.at(x, y) = percent(rng) < density ? 0 : static_cast<uint8_t>(other(rng));
    const BlockGrid grid = gridOf(blockWidth(rng), blockHeight(rng), 7);
    const int64_t left = std::uniform_int_distribution<int64_t>(-brush.width(), 15)(rng);
    const int64_t top = std::uniform_int_distribution<int64_t>(-brush.height(), 11)(rng);
    const Rows expected = stamped(Ink::pixelByPixel, brush, left, top, grid, 15, 11);
    ASSERT_EQ(stamped(Ink::runsGathered, brush, left, top, grid, 15, 11), expected) << n;
    ASSERT_EQ(stamped(Ink::bytesAtOnce, brush, left, top, grid, 15, 11), expected) << n;
  }
}

TEST(AddBrushBlocks, TheTrackerCarriesAcrossRowsUnlessBlocksAreOnePixelWide) {
  const TestBitmap steps = brushFromRows({"##....", "..##..", "....##"});
  const TestBitmap hook = brushFromRows({"##", ".#"});
  for (Ink ink : {Ink::runsGathered, Ink::bytesAtOnce, Ink::pixelByPixel}) {
    // Each row starts in the block column where the row above ended.
    EXPECT_EQ(stamped(ink, steps, 0, 0, gridOf(3, 1), 7, 3),
              (Rows{"AAA....", "...AAA.", "......."}));
    EXPECT_EQ(stamped(ink, steps, 0, 0, gridOf(1, 1), 7, 3),
              (Rows{"AA.....", "..AA...", "....AA."}));
    EXPECT_EQ(stamped(ink, hook, 0, 0, gridOf(2, 1), 2, 2), (Rows{"AA", ".."}));
    EXPECT_EQ(stamped(ink, hook, 0, 0, gridOf(1, 1), 2, 2), (Rows{"AA", ".A"}));
  }
}

using Fields = std::array<int64_t, 6>;

Fields fieldsOf(const VisibleBrush& v) {
  return {v.left, v.top, v.column, v.row, v.width, v.height};
}

TEST(ClipBrush, KeepsWhatLiesOnTheCanvasUpToEachEdge) {
  const BitmapGeometry canvas{10, 6, 12};
  struct Case {
    int64_t left, top, width, height;
    Fields visible;  // all zero: none
  };
  for (const Case& c : {Case{-4, 0, 4, 2, {}}, Case{-3, 0, 4, 2, {0, 0, 3, 0, 1, 2}},
                        Case{9, 5, 4, 2, {9, 5, 0, 0, 1, 1}}, Case{10, 0, 4, 2, {}},
                        Case{0, -2, 4, 2, {}}, Case{0, -1, 4, 2, {0, 0, 0, 1, 4, 1}},
                        Case{0, 6, 4, 2, {}}, Case{-2, -3, 15, 12, {0, 0, 2, 3, 10, 6}}}) {
    VisibleBrush v{};
    const bool shown = clipBrush(c.left, c.top, c.width, c.height, canvas, v);
    EXPECT_EQ(shown ? fieldsOf(v) : Fields{}, c.visible) << c.left << "," << c.top;
  }
  VisibleBrush v{};
  EXPECT_FALSE(clipBrush(0, 0, 4, 4, BitmapGeometry{0, 6, 0}, v));
}

TEST(BlockBoxOf, ThePixelsFirstAndLastBlocksUpToThe32BitEdge) {
  for (int64_t blockSize = 1; blockSize <= 7; ++blockSize) {
    const BlockGrid grid = gridOf(blockSize, blockSize + 1);
    for (int64_t at : {int64_t{0}, int64_t{1}, int64_t{5}, int64_t{6}, int64_t{INT32_MAX - 15}})
      for (int64_t size = 1; size <= 15; ++size) {
        const VisibleBrush v{at, at + 1, 0, 0, size, size};
        const InclusiveBox box = blockBoxOf(v, grid);
        EXPECT_EQ(box.left, at / blockSize);
        EXPECT_EQ(box.right, (at + size - 1) / blockSize);
        EXPECT_EQ(box.top, (at + 1) / (blockSize + 1));
        EXPECT_EQ(box.bottom, (at + size) / (blockSize + 1));
      }
  }
}

}  // namespace
