#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "brush_runs.h"
#include "support/test_bitmap.h"

namespace {

using testing_support::brushFromRows;
using testing_support::solidBrush;
using testing_support::TestBitmap;

RunScratch scratch;  // too large for the stack

struct RowRun {
  int32_t row, start, end;
  bool operator==(const RowRun& o) const {
    return row == o.row && start == o.start && end == o.end;
  }
};

std::ostream& operator<<(std::ostream& os, const RowRun& r) {
  return os << "row " << r.row << ": " << r.start << ".." << r.end;
}

// The runs of a brush as one byte after another reads them.
std::vector<RowRun> literalRuns(const TestBitmap& brush) {
  std::vector<RowRun> runs;
  for (int32_t y = 0; y < brush.height(); ++y)
    for (int32_t x = 0; x < brush.width(); ++x) {
      if (brush.at(x, y) != 0) continue;
      if (x > 0 && brush.at(x - 1, y) == 0)
        runs.back().end = x;
      else
        runs.push_back({y, x, x});
    }
  return runs;
}

bool build(const TestBitmap& brush, BrushRuns& out) {
  PenContext ctx{};
  ctx.brushHeader = brush.header();
  ctx.brushBits = brush.bits();
  return buildBrushRuns(&ctx, scratch, out);
}

// The runs buildBrushRuns lists, or none when it refuses the brush.
std::vector<RowRun> builtRuns(const TestBitmap& brush) {
  BrushRuns built{};
  std::vector<RowRun> runs;
  if (!build(brush, built)) return runs;
  int64_t ink = 0;
  for (int32_t r = 0; r < built.height; ++r)
    for (uint32_t n = built.rowStart[r]; n < built.rowStart[r + 1]; ++n) {
      runs.push_back({r, built.runs[n].start, built.runs[n].end});
      ink += built.runs[n].end - built.runs[n].start + 1;
    }
  EXPECT_EQ(built.inkPixels, ink);
  EXPECT_EQ(built.width, brush.width());
  EXPECT_EQ(built.height, brush.height());
  return runs;
}

// Ink runs of 1 to 20 bytes (so many of 8 and more) between runs of any other
// byte, over row padding of 0 bytes that must not read as ink.
TEST(BuildBrushRuns, RandomBrushesMatchAByteByByteReading) {
  std::mt19937 rng(17);
  std::uniform_int_distribution<int32_t> size(1, 40), inkLength(1, 20), gap(1, 4), other(1, 255);
  for (int n = 0; n < 500; ++n) {
    TestBitmap brush(size(rng), size(rng) / 3 + 1);
    brush.setPadding(0);
    for (int32_t y = 0; y < brush.height(); ++y) {
      bool ink = n % 2 == 0;
      for (int32_t x = 0; x < brush.width(); ink = !ink)
        for (int32_t k = ink ? inkLength(rng) : gap(rng); k > 0 && x < brush.width(); --k, ++x)
          brush.at(x, y) = ink ? 0 : static_cast<uint8_t>(other(rng));
    }
    ASSERT_EQ(builtRuns(brush), literalRuns(brush)) << "brush " << n;
  }
}

TEST(BuildBrushRuns, EveryNonZeroByteEndsARun) {
  TestBitmap brush(30, 255);  // all ink, padding included
  std::vector<RowRun> expected;
  for (int32_t v = 1; v <= 255; ++v) {
    const int32_t column = 1 + v * 7 % 28;  // anywhere within an 8-byte word
    brush.at(column, v - 1) = static_cast<uint8_t>(v);
    expected.push_back({v - 1, 0, column - 1});
    expected.push_back({v - 1, column + 1, 29});
  }
  EXPECT_EQ(builtRuns(brush), expected);
}

TEST(BuildBrushRuns, RunsAtRowEndsAndRowsWithout) {
  TestBitmap brush = brushFromRows({"#...#", ".....", "#####", ".###.", "....#"});
  brush.setPadding(0);
  EXPECT_EQ(builtRuns(brush),
            (std::vector<RowRun>{{0, 0, 0}, {0, 4, 4}, {2, 0, 4}, {3, 1, 3}, {4, 4, 4}}));
}

TEST(BuildBrushRuns, HoldsUpToItsRowsAndRunsAndRefusesMore) {
  BrushRuns out{};
  ASSERT_TRUE(build(solidBrush(1, kMaxRunRows), out));
  EXPECT_EQ(out.rowStart[kMaxRunRows], static_cast<uint32_t>(kMaxRunRows));
  EXPECT_FALSE(build(solidBrush(1, kMaxRunRows + 1), out));
  EXPECT_FALSE(build(TestBitmap(0, 3), out));
  EXPECT_FALSE(build(TestBitmap(3, 0), out));
  // Four runs in each of kMaxRunRows rows: both limits met exactly.
  TestBitmap brush(9, static_cast<int32_t>(kMaxRunRows), 1);
  for (int32_t y = 0; y < brush.height(); ++y)
    for (int32_t x = 0; x < 8; x += 2) brush.at(x, y) = 0;
  ASSERT_TRUE(build(brush, out));
  EXPECT_EQ(out.rowStart[kMaxRunRows], kMaxRuns);
  EXPECT_EQ(out.runs[kMaxRuns - 1].start, 6);
  brush.at(8, brush.height() - 1) = 0;  // one run more
  EXPECT_FALSE(build(brush, out));
}

TEST(NextInkRun, EmptyAllInkAndInkFreeRanges) {
  std::vector<uint8_t> zeros(48, 0), ones(48, 1);
  const uint8_t *start = nullptr, *end = nullptr;
  EXPECT_FALSE(nextInkRun(zeros.data(), zeros.data(), start, end));
  for (std::size_t n = 1; n <= 40; ++n) {
    ASSERT_TRUE(nextInkRun(zeros.data() + 3, zeros.data() + 3 + n, start, end));
    EXPECT_EQ(start, zeros.data() + 3);
    EXPECT_EQ(end, zeros.data() + 3 + n) << "stops at the range's end, not the buffer's";
    EXPECT_FALSE(nextInkRun(ones.data(), ones.data() + n, start, end));
  }
}

}  // namespace
