#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "brush_blocks.h"
#include "brush_placement.h"
#include "segment_profile.h"
#include "segment_sweep.h"
#include "support/test_bitmap.h"

namespace {

using testing_support::brushFromRows;
using testing_support::solidBrush;
using testing_support::TestBitmap;
using testing_support::TestPen;

RunScratch runScratch;  // all four too large for the stack
SweepScratch sweepScratch;
ProfileScratch profileScratch;
BlockSet blocks;

BlockGrid gridOf(int64_t width, int64_t height) {
  return {width, height, 7, makeBlockDivider(width), makeBlockDivider(height)};
}

bool prepare(const TestBitmap& brush, const BlockGrid& grid, BrushRuns& runs, SweepPlan& plan) {
  PenContext ctx{};
  ctx.brushHeader = brush.header();
  ctx.brushBits = brush.bits();
  return buildBrushRuns(&ctx, runScratch, runs) && prepareSweep(runs, grid, sweepScratch, plan);
}

int32_t square(int32_t v) { return v * v; }

// Brushes whose rows are one run each: squares, discs, runs whose ends drift
// by a pixel a row, and staircases whose rows may not even touch.
TestBitmap randomBrush(std::mt19937& rng, int kind) {
  std::uniform_int_distribution<int32_t> size(1, 12), drift(-1, 1), jump(0, 3);
  const int32_t d = size(rng), height = kind == 1 ? d : size(rng);
  int32_t start = size(rng), end = size(rng), x = 0;
  std::vector<std::pair<int32_t, int32_t>> spans;
  for (int32_t y = 0; y < height; ++y, x = 0) {
    while (kind == 1 && square(2 * x + 1 - d) + square(2 * y + 1 - d) > d * d) ++x;
    spans.push_back(kind == 0   ? std::pair{0, d - 1}
                    : kind == 1 ? std::pair{x, d - 1 - x}
                                : std::pair{std::min(start, end), std::max(start, end)});
    if (kind == 2) {
      start += drift(rng);
      end += drift(rng);
    } else if (kind == 3) {
      start = end + jump(rng);
      end = start + jump(rng);
    }
  }
  if (kind == 3 && d % 2 == 1)  // going left
    for (auto& [from, to] : spans) std::tie(from, to) = std::pair{-to, -from};
  int32_t left = INT32_MAX, right = INT32_MIN;
  for (const auto& [from, to] : spans) {
    left = std::min(left, from);
    right = std::max(right, to);
  }
  TestBitmap brush(right - left + 1, height, 1);
  for (int32_t y = 0; y < height; ++y) {
    const auto [from, to] = spans[static_cast<std::size_t>(y)];
    brush.fillRect(from - left, y, to - from + 1, 1, 0);
  }
  return brush;
}

enum class Way { swept, profiled, pointByPoint };

// The canvas after stamping walk points first..last, on a bitmap with room
// for two blocks more right of and below `canvas`, where nothing may show.
// Swept into a block set, or at once when the blocks do not fit one, `last`
// becoming the last point swept; row by row from the brush's profile
// (`profile` prepared), painted at once; or placement by placement.
TestBitmap stamped(Way way, const SweepPlan& plan, const SegmentWalk& walk, uint64_t first,
                   uint64_t& last, const BitmapGeometry& canvas, const BlockGrid& grid,
                   const ProfilePlan* profile = nullptr) {
  TestPen pen(static_cast<int32_t>(canvas.width + 2 * grid.width),
              static_cast<int32_t>(canvas.height + 2 * grid.height));
  const BitmapGeometry room = bitmapGeometry(pen.canvas.header());  // the painter keeps a reference
  ToneLines lines;
  const BlockPainter painter = beginPainting(grid, room, &pen.ctx, lines);
  const InclusiveBox box{0, 0, grid.column(canvas.width - 1) + 2, grid.row(canvas.height - 1) + 2};
  const BrushRuns& runs = *plan.runs;
  if (way == Way::pointByPoint) {
    for (uint64_t k = first; k <= last; ++k) {
      const InclusiveBox at = placeBrush(walkPointAt(walk, k), runs.width, runs.height);
      VisibleBrush visible;
      if (clipBrush(at.left, at.top, runs.width, runs.height, canvas, visible))
        addBrushBlocks({&runs, nullptr, {}}, visible, grid, paintAtOnce(painter));
    }
  } else if (way == Way::profiled) {
    CanvasRowFill fill(painter);
    last = profileSegment(*profile, profileScratch, walk, first, last, canvas, grid,
                          CanvasRowSink(fill, profileScratch.rows));
  } else if (blockSetBegin(blocks, box)) {
    last = sweepSegment(plan, sweepScratch, walk, first, last, canvas, grid, gatherInto(blocks));
    blockSetPaint(blocks, painter);
  } else {
    last = sweepSegment(plan, sweepScratch, walk, first, last, canvas, grid, paintAtOnce(painter));
  }
  return std::move(pen.canvas);
}

// Short and long segments in every direction, ends on and off the canvas,
// entered anywhere along the walk; swept and, where the brush qualifies,
// from its profile.
TEST(SweepSegment, PaintsWhatStampingEachPointPaints) {
  std::mt19937 rng(29);
  std::uniform_int_distribution<int32_t> start(-15, 55), step(-12, 12), far(-150, 190);
  std::uniform_int_distribution<int64_t> blockWidth(1, 5), blockHeight(1, 4);
  const BitmapGeometry canvas{40, 30, 40};
  int compared = 0, profiled = 0;
  for (int n = 0; n < 6000; ++n) {
    const TestBitmap brush = randomBrush(rng, n % 4);
    const BlockGrid grid = gridOf(blockWidth(rng), blockHeight(rng));
    BrushRuns runs;
    SweepPlan plan;
    if (!prepare(brush, grid, runs, plan)) continue;
    // A third from far off the canvas, across a point of it, to far off it.
    const bool across = n / 4 % 3 == 0;
    const int32_t fromX = across ? far(rng) : start(rng), fromY = across ? far(rng) : start(rng);
    const int32_t toX = across ? 2 * (start(rng) - 15) - fromX : fromX + step(rng);
    const int32_t toY = across ? 2 * (start(rng) - 20) - fromY : fromY + step(rng);
    const SegmentWalk walk = makeSegmentWalk(fromX, fromY, toX, toY);
    InclusiveBox reach;
    uint64_t first, last;
    if (!pointsReachingCanvas(runs.width, runs.height, canvas.width, canvas.height, reach) ||
        !walkRangeInBox(walk, reach, first, last))
      continue;
    if (n / 12 % 2 == 1) {  // entered part of the way along
      first += (last - first) / 3;
      last -= (last - first) / 4;
    }
    uint64_t sweptLast = last;
    const TestBitmap swept = stamped(Way::swept, plan, walk, first, sweptLast, canvas, grid);
    ASSERT_EQ(sweptLast, last);
    const TestBitmap placed = stamped(Way::pointByPoint, plan, walk, first, last, canvas, grid);
    ASSERT_EQ(swept.rows(), placed.rows()) << "case " << n;
    ++compared;
    // The same from the brush's profile, where it qualifies.
    ProfilePlan profile;
    if (!prepareProfile(runs, grid, profileScratch, profile)) continue;
    uint64_t profiledLast = last;
    ASSERT_EQ(
        stamped(Way::profiled, plan, walk, first, profiledLast, canvas, grid, &profile).rows(),
        placed.rows())
        << "case " << n << " from the profile";
    ++profiled;
  }
  EXPECT_GT(compared, 1500);
  EXPECT_GT(profiled, 500);
}

TEST(PrepareSweep, RefusesBrushesOutsideTheClosedForm) {
  const BlockGrid wide = gridOf(2, 2), narrow = gridOf(1, 2);
  BrushRuns runs;
  SweepPlan plan;
  EXPECT_FALSE(prepare(brushFromRows({"##.#"}), narrow, runs, plan));            // two runs
  EXPECT_FALSE(prepare(brushFromRows({"##", "..", "##"}), narrow, runs, plan));  // none
  EXPECT_FALSE(prepare(brushFromRows({"##", "#."}), wide, runs, plan));  // one pixel below a row
  EXPECT_TRUE(prepare(brushFromRows({"##", "#."}), narrow, runs, plan));
  EXPECT_TRUE(prepare(brushFromRows({".#.", "###"}), wide, runs, plan));  // the top row may
  // Narrowing and then widening again, on either side.
  EXPECT_FALSE(prepare(brushFromRows({"####", "##..", "###."}), wide, runs, plan));
  EXPECT_FALSE(prepare(brushFromRows({"####", "..##", ".###"}), wide, runs, plan));
  EXPECT_TRUE(prepare(brushFromRows({"####", "##..", "###."}), narrow, runs, plan));
  EXPECT_TRUE(prepare(brushFromRows({"##..", "###.", "####", ".##."}), wide, runs, plan));
}

// Rows alternating between two runs are a class each. kMaxRunRows rows is
// all a run list holds, so the brush is made by hand.
TEST(PrepareSweep, TakesUpToItsRowClassesAndNoMore) {
  std::vector<InkRun> spans;
  std::vector<uint32_t> rowStart;
  for (int32_t r = 0; r <= kMaxRowClasses + 1; ++r) {
    rowStart.push_back(static_cast<uint32_t>(r));
    spans.push_back({r % 2, r % 2});
  }
  BrushRuns runs{2, kMaxRowClasses + 1, spans.data(), rowStart.data(), kMaxRowClasses + 1};
  SweepPlan plan;
  EXPECT_FALSE(prepareSweep(runs, gridOf(1, 1), sweepScratch, plan));
  runs.height = kMaxRowClasses;
  ASSERT_TRUE(prepareSweep(runs, gridOf(1, 1), sweepScratch, plan));
  EXPECT_EQ(plan.classCount, kMaxRowClasses);
}

// A heuristic, so only its plain case: a long flat stroke of a square brush
// costs a few block rows to sweep and every row of every point to gather.
TEST(EstimateSweep, FavoursSweepingALongFlatSquareStroke) {
  const BlockGrid grid = gridOf(3, 3);
  BrushRuns runs;
  SweepPlan plan;
  ASSERT_TRUE(prepare(solidBrush(9, 9), grid, runs, plan));
  const SegmentWalk walk = makeSegmentWalk(0, 10, 500, 10);
  const SweepEstimate cost = estimateSweep(plan, walk, 0, walk.major, grid);
  EXPECT_LT(cost.sweep, cost.pointByPoint);
}

// One more point than a sweep takes, and exactly as many: flat walks whose
// brush top changes rarely and often, and a steep one; each point paints
// pixels of its own, so a point too many or too few shows.
TEST(SweepSegment, TakesAtMostkMaxSweepPointsAtOnce) {
  const BlockGrid grid = gridOf(1, 1);
  BrushRuns runs;
  SweepPlan plan;
  ASSERT_TRUE(prepare(solidBrush(3, 2), grid, runs, plan));
  for (auto [xMajor, minor, first] :
       {std::tuple{true, 40, uint64_t{0}}, {true, 1100, uint64_t{3}}, {false, 40, uint64_t{5}}})
    for (uint64_t points : {kMaxSweepPoints + 1, kMaxSweepPoints}) {
      const auto major = static_cast<int32_t>(first + points - 1);
      const int32_t across = major + 8, along = minor + 8;
      const BitmapGeometry canvas{xMajor ? across : along, xMajor ? along : across, 0};
      const SegmentWalk walk = xMajor ? makeSegmentWalk(2, 2, 2 + major, 2 + minor)
                                      : makeSegmentWalk(2, 2, 2 + minor, 2 + major);
      uint64_t last = first + points - 1;
      const TestBitmap swept = stamped(Way::swept, plan, walk, first, last, canvas, grid);
      EXPECT_EQ(last, first + std::min(points, kMaxSweepPoints) - 1);
      EXPECT_TRUE(swept.storage() ==
                  stamped(Way::pointByPoint, plan, walk, first, last, canvas, grid).storage())
          << xMajor << " " << minor << " " << points;
    }
}

}  // namespace
