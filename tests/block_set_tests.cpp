#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

#include "block_set.h"
#include "support/test_bitmap.h"

namespace {

using testing_support::TestPen;

BlockSet set;  // too large for the stack; every test leaves it painted, so empty

// Blocks of 3 x 2 pixels, the last column and row cut short by the canvas.
constexpr int64_t kColumns = 200, kRows = 12;  // four words a row
const BlockGrid kGrid{3, 2, 7, makeBlockDivider(3), makeBlockDivider(2)};

InclusiveBox boxOf(int64_t left, int64_t top, int64_t columns, int64_t rows) {
  return {left, top, left + columns - 1, top + rows - 1};
}

// The blocks expected: what was added inside the box, row after row.
struct Expected {
  InclusiveBox box;
  std::vector<bool> blocks = std::vector<bool>(kColumns * kRows);
};

void add(Expected& expected, int64_t row, int64_t first, int64_t last) {
  blockSetAdd(set, row, first, last);
  for (int64_t c = first; c <= last; ++c)
    if (boxContains(expected.box, c, row))
      expected.blocks[static_cast<std::size_t>(row * kColumns + c)] = true;
}

// Paints the set, and the expected blocks one by one on a second canvas.
void expectPainted(const Expected& expected) {
  TestPen gathered(kColumns * 3 - 1, kRows * 2 - 1), single(kColumns * 3 - 1, kRows * 2 - 1);
  const BitmapGeometry canvas = bitmapGeometry(gathered.canvas.header());
  ToneLines lines;
  blockSetPaint(set, beginPainting(kGrid, canvas, &gathered.ctx, lines));
  const BlockPainter painter = beginPainting(kGrid, canvas, &single.ctx, lines);
  for (int64_t r = 0; r < kRows; ++r)
    for (int64_t c = 0; c < kColumns; ++c)
      if (expected.blocks[static_cast<std::size_t>(r * kColumns + c)]) paintBlock(painter, c, r);
  EXPECT_EQ(gathered.canvas.rows(), single.canvas.rows());
  EXPECT_TRUE(gathered.untouchedOutsideCanvas());
}

TEST(BlockSet, FitsUpToItsRowsAndWordsAndNoFurther) {
  constexpr int64_t bits = kBlockSetWords * 64, wordsPerFullRow = kBlockSetWords / kBlockSetRows;
  EXPECT_TRUE(blockSetFits(boxOf(0, 0, bits, 1)));
  EXPECT_FALSE(blockSetFits(boxOf(0, 0, bits + 1, 1)));
  EXPECT_TRUE(blockSetFits(boxOf(7, 9, 1, kBlockSetRows)));
  EXPECT_FALSE(blockSetFits(boxOf(7, 9, 1, kBlockSetRows + 1)));
  EXPECT_TRUE(blockSetFits(boxOf(3, 0, wordsPerFullRow * 64, kBlockSetRows)));
  EXPECT_FALSE(blockSetFits(boxOf(3, 0, wordsPerFullRow * 64 + 1, kBlockSetRows)));
  EXPECT_TRUE(blockSetFits(boxOf(0, 5, bits / 2, 2)));
  EXPECT_FALSE(blockSetFits(boxOf(0, 5, bits / 2, 3)));
  EXPECT_FALSE(blockSetFits(boxOf(4, 4, 0, 1)));
  EXPECT_FALSE(blockSetFits(boxOf(4, 4, 1, 0)));
}

TEST(BlockSet, RunsAcrossAndUpToWordEnds) {
  Expected expected{{5, 1, 196, 10}};  // three whole words a row, from column 5
  ASSERT_TRUE(blockSetBegin(set, expected.box));
  add(expected, 1, 5 + 63, 5 + 64);   // one bit either side of a word end
  add(expected, 2, 5, 5 + 63);        // exactly the first word
  add(expected, 3, 5 + 64, 5 + 127);  // exactly the middle word
  add(expected, 4, 5 + 60, 5 + 130);  // into all three words
  add(expected, 5, 5 + 63, 5 + 63);   // two adds that meet at a word end
  add(expected, 5, 5 + 64, 5 + 64);
  add(expected, 6, 5 + 150, 196);  // open at the last bit of the box
  add(expected, 7, 5, 196);
  add(expected, 8, 5 + 10, 5 + 20);  // an empty word between two runs
  add(expected, 8, 5 + 130, 5 + 140);
  add(expected, 9, 20, 80);  // overlapping adds
  add(expected, 9, 70, 150);
  add(expected, 10, 5 + 127, 5 + 128);
  expectPainted(expected);
}

TEST(BlockSet, AddsOutsideTheBoxAreClipped) {
  Expected expected{{10, 2, 150, 8}};
  ASSERT_TRUE(blockSetBegin(set, expected.box));
  add(expected, 1, 10, 20);    // the row above
  add(expected, 9, 10, 20);    // the row below
  add(expected, 3, 0, 9);      // wholly left
  add(expected, 3, 151, 199);  // wholly right
  add(expected, 4, 0, 20);
  add(expected, 5, 140, 199);
  add(expected, 6, -50, 500);
  expectPainted(expected);
}

TEST(BlockSet, RandomBoxesAndAddsPaintExactlyTheAddedBlocks) {
  std::mt19937 rng(3);
  std::uniform_int_distribution<int64_t> column(0, kColumns - 1), row(0, kRows - 1);
  for (int n = 0; n < 200; ++n) {
    int64_t left = column(rng), right = column(rng), top = row(rng), bottom = row(rng);
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    Expected expected{{left, top, right, bottom}};
    ASSERT_TRUE(blockSetBegin(set, expected.box));
    for (int i = n % 7; i < 20; ++i) {
      const int64_t a = column(rng) - 20, b = a + column(rng) / (1 + i % 4);
      add(expected, row(rng), a, b);
    }
    expectPainted(expected);
  }
}

TEST(BlockSet, ARefusedBeginLeavesTheBegunSetAsItWas) {
  Expected expected{{0, 0, 99, 3}};
  ASSERT_TRUE(blockSetBegin(set, expected.box));
  add(expected, 2, 30, 90);
  EXPECT_FALSE(blockSetBegin(set, boxOf(0, 0, 64, kBlockSetRows + 1)));
  EXPECT_FALSE(blockSetBegin(set, boxOf(0, 0, 0, 4)));
  add(expected, 3, 95, 120);
  expectPainted(expected);
}

// A set of every row and word it holds, away from column 0: the row after
// its last lies past its bits, on a canvas one block row taller, and nothing
// may be painted there from whatever memory follows them. The first row's
// blocks lie in a later word than the last row's first: a last row's first
// word kept where the first row's last is would paint nothing of the first.
TEST(BlockSet, AFullSetPaintsItsBlocksAndNothingBelowItsLastRow) {
  const BlockGrid grid{1, 1, 7, makeBlockDivider(1), makeBlockDivider(1)};
  constexpr int64_t left = 64, columns = kBlockSetWords / kBlockSetRows * 64;
  constexpr auto width = static_cast<int32_t>(left + columns);
  constexpr auto height = static_cast<int32_t>(kBlockSetRows + 1);
  TestPen gathered(width, height), single(width, height);
  const BitmapGeometry canvas = bitmapGeometry(gathered.canvas.header());
  ToneLines lines;
  const BlockPainter painter = beginPainting(grid, canvas, &single.ctx, lines);
  ASSERT_TRUE(blockSetBegin(set, boxOf(left, 0, columns, kBlockSetRows)));
  for (int64_t r = 0; r < kBlockSetRows; ++r) {
    const int64_t first = left + (r * 37 + 200) % columns,
                  last = std::min<int64_t>(first + r % 5, width - 1);
    blockSetAdd(set, r, first, last);
    for (int64_t c = first; c <= last; ++c) paintBlock(painter, c, r);
  }
  blockSetPaint(set, beginPainting(grid, canvas, &gathered.ctx, lines));
  EXPECT_TRUE(gathered.canvas.storage() == single.canvas.storage());
}

TEST(BlockSet, PaintingEmptiesTheSet) {
  Expected expected{{0, 0, kColumns - 1, kRows - 1}};
  ASSERT_TRUE(blockSetBegin(set, expected.box));
  for (int64_t r = 0; r < kRows; ++r) add(expected, r, r * 7, r * 13 + 70);
  expectPainted(expected);
  expectPainted(Expected{});       // a second paint paints nothing
  Expected other{{3, 1, 140, 9}};  // other words a row: nothing left over shows
  ASSERT_TRUE(blockSetBegin(set, other.box));
  expectPainted(other);
  ASSERT_TRUE(blockSetBegin(set, other.box));
  add(other, 4, 64, 64);
  expectPainted(other);
}

}  // namespace
