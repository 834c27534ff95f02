#include <gtest/gtest.h>

#include <climits>

#include "block_engine.h"
#include "support/test_bitmap.h"

namespace {

using testing_support::ScopedBlockParams;
using testing_support::TestPen;
using Rows = std::vector<std::string>;

void stampEverywhere(TestPen& pen) {
  for (int32_t y = 0; y < pen.canvas.height(); ++y)
    for (int32_t x = 0; x < pen.canvas.width(); ++x) stampBlock(x, y, &pen.ctx);
}

TEST(StampBlock, SnapsToTheGridAndClipsAtTheRightAndBottomEdges) {
  ScopedBlockParams params(3, 2, 0);
  TestPen pen(10, 7);
  stampBlock(9, 6, &pen.ctx);
  stampBlock(7, 3, &pen.ctx);
  EXPECT_EQ(pen.canvas.rows(), (Rows{"..........", "..........", "......AAA.", "......AAA.",
                                     "..........", "..........", ".........A"}));
  EXPECT_TRUE(pen.untouchedOutsideCanvas());
}

TEST(StampBlock, PointsOutsideTheCanvasPaintNothing) {
  ScopedBlockParams params(3, 2, 16);
  TestPen pen(10, 7);
  for (auto [x, y] : {std::pair{10, 0},
                      {0, 7},
                      {-1, 0},
                      {0, -1},
                      {INT32_MIN, INT32_MIN},
                      {INT32_MAX, 3},
                      {3, INT32_MAX}})
    stampBlock(x, y, &pen.ctx);
  EXPECT_EQ(pen.canvas.rows(), Rows(7, ".........."));
  EXPECT_TRUE(pen.untouchedOutsideCanvas());
}

TEST(StampBlock, ToneZeroIsAllPrimaryAndToneSixteenAllSecondary) {
  for (int tone : {0, 16}) {
    ScopedBlockParams params(2, 3, tone);
    TestPen pen(9, 9);
    stampEverywhere(pen);
    EXPECT_EQ(pen.canvas.rows(), Rows(9, std::string(9, tone ? 'B' : 'A'))) << "tone " << tone;
  }
}

TEST(StampBlock, ToneCellsFollowTheBlockGrid) {
  {
    ScopedBlockParams params(1, 1, 1);  // a plain dither at canvas resolution
    TestPen pen(9, 6);
    stampEverywhere(pen);
    EXPECT_EQ(pen.canvas.rows(),
              (Rows{"BAAABAAAB", "AAAAAAAAA", "AAAAAAAAA", "AAAAAAAAA", "BAAABAAAB", "AAAAAAAAA"}));
  }
  {
    ScopedBlockParams params(2, 2, 8);
    TestPen pen(10, 10);
    stampEverywhere(pen);
    EXPECT_EQ(pen.canvas.at(2, 2), 2);  // grid (1, 1): B[1][1] = 4 < 8
    EXPECT_EQ(pen.canvas.at(3, 3), 2);
    EXPECT_EQ(pen.canvas.at(2, 0), 1);  // grid (1, 0): B[0][1] = 8, not < 8
    EXPECT_EQ(pen.canvas.at(8, 8), 2);  // grid (4, 4) repeats grid (0, 0)
  }
}

TEST(StampBlock, OnlyTheLowByteOfAColourIsPainted) {
  ScopedBlockParams params(1, 1, 0);
  TestPen pen(4, 1);
  pen.ctx.primaryColour = 0x00000105;
  stampBlock(1, 0, &pen.ctx);
  pen.ctx.primaryColour = 0xFFFFFF07;
  stampBlock(2, 0, &pen.ctx);
  EXPECT_EQ(pen.canvas.at(1, 0), 5);
  EXPECT_EQ(pen.canvas.at(2, 0), 7);
  EXPECT_TRUE(pen.untouchedOutsideCanvas());
}

TEST(StampBlock, AMaskedBlockIsPaintedWholeOrNotAtAll) {
  ScopedBlockParams params(3, 2, 0);
  TestPen pen(9, 4);
  pen.mask.at(4, 1) = 0;  // one zero byte under the block of columns 3..5, rows 0..1
  pen.ctx.stateFlags = PCF_MASK;
  stampEverywhere(pen);
  EXPECT_EQ(pen.canvas.rows(), (Rows{"AAA...AAA", "AAA...AAA", "AAAAAAAAA", "AAAAAAAAA"}));

  // With PCF_MASK clear the mask does not matter, not even a null one.
  TestPen unmasked(9, 4);
  unmasked.mask.fill(0);
  unmasked.ctx.maskBits = nullptr;
  stampEverywhere(unmasked);
  EXPECT_EQ(unmasked.canvas.rows(), Rows(4, "AAAAAAAAA"));
}

TEST(StampBlock, RowPaddingIsNeverWritten) {
  for (int32_t width = 1; width <= 9; ++width)
    for (int32_t bw = 1; bw <= 6; ++bw) {
      ScopedBlockParams params(bw, 2, 7);
      TestPen pen(width, 5);
      stampEverywhere(pen);
      ASSERT_TRUE(pen.untouchedOutsideCanvas()) << "width " << width << " block " << bw;
    }
}

TEST(StampBlock, HugeBlocksAreClippedWithoutOverflow) {
  {
    ScopedBlockParams params(2000000000, 3, 16);
    TestPen pen(7, 5);
    stampBlock(6, 4, &pen.ctx);  // block columns 0.., rows 3..5, clipped to the canvas
    EXPECT_EQ(pen.canvas.rows(), (Rows{".......", ".......", ".......", "BBBBBBB", "BBBBBBB"}));
    EXPECT_TRUE(pen.untouchedOutsideCanvas());
  }
  {
    ScopedBlockParams params(INT32_MAX, INT32_MAX, 0);
    TestPen pen(7, 5);
    stampBlock(6, 4, &pen.ctx);
    EXPECT_EQ(pen.canvas.rows(), Rows(5, "AAAAAAA"));
    EXPECT_TRUE(pen.untouchedOutsideCanvas());
  }
}

TEST(StampBlock, OutOfRangeParametersDegradeSafely) {
  {
    ScopedBlockParams params(0, -4, 99);  // sizes below 1 act as 1, tone as 16
    TestPen pen(3, 2);
    stampBlock(1, 1, &pen.ctx);
    EXPECT_EQ(pen.canvas.rows(), (Rows{"...", ".B."}));
  }
  {
    ScopedBlockParams params(INT32_MIN, 1, INT32_MIN);
    TestPen pen(3, 2);
    stampBlock(1, 1, &pen.ctx);
    EXPECT_EQ(pen.canvas.rows(), (Rows{"...", ".A."}));
  }
}

TEST(StampBlock, AnEmptyCanvasIsNeverWritten) {
  ScopedBlockParams params(1, 1, 0);
  for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {-3, 5}, {5, -3}}) {
    TestPen pen(w, h);
    stampBlock(0, 0, &pen.ctx);
    EXPECT_TRUE(pen.untouchedOutsideCanvas());
  }
}

}  // namespace
