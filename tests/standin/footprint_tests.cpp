// Where a press puts ink and which blocks it fills, against what the literal
// engine paints at that press: seeded random brushes (square, round, odd
// shapes), block sizes up to the largest the pen reads and cursors inside,
// on the edges of and far outside the canvas. Outlines against the boundary
// found pixel edge by pixel edge.
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

#include "brush_shapes.h"
#include "document.h"
#include "footprint.h"
#include "literal_engine.h"
#include "support/seeded_random.h"
#include "support/test_bitmap.h"

namespace {

using testing_support::ScopedBlockParams;
using testing_support::TestPen;

struct Press {
  Bitmap brush;
  int32_t x = 0, y = 0;
  int64_t blockWidth = 1, blockHeight = 1;
  int32_t width = 1, height = 1;  // the canvas
};

std::string describe(const Press& p) {
  return "brush " + std::to_string(p.brush.width()) + "x" + std::to_string(p.brush.height()) +
         " at (" + std::to_string(p.x) + ", " + std::to_string(p.y) + "), blocks " +
         std::to_string(p.blockWidth) + "x" + std::to_string(p.blockHeight) + ", canvas " +
         std::to_string(p.width) + "x" + std::to_string(p.height);
}

// The canvas after the literal engine's press, one byte a pixel, top row
// first: 1 where it painted a canvas of 0.
std::vector<uint8_t> painted(const Press& p, int64_t blockWidth, int64_t blockHeight) {
  TestPen pen(p.width, p.height);
  pen.ctx.brushHeader = &p.brush.header;
  pen.ctx.brushBits = p.brush.bits.data();
  pen.ctx.primaryColour = pen.ctx.secondaryColour = 1;
  const ScopedBlockParams params(static_cast<int32_t>(blockWidth),
                                 static_cast<int32_t>(blockHeight), 0);
  pen.setCursor(p.x, p.y);
  literal::stampAtCursor(&pen.ctx);
  std::vector<uint8_t> out;
  for (int32_t y = 0; y < p.height; ++y)
    for (int32_t x = 0; x < p.width; ++x) out.push_back(pen.canvas.at(x, y));
  return out;
}

// The boxes' pixels on the canvas, as painted() lays them out; `area` is the
// sum of the boxes' areas, on the canvas or not.
std::vector<uint8_t> covered(const std::vector<CanvasBox>& boxes, const Press& p, int64_t& area) {
  std::vector<uint8_t> out(static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.height));
  area = 0;
  for (const CanvasBox& b : boxes) {
    area += (b.right - b.left) * (b.bottom - b.top);
    for (int64_t y = std::max<int64_t>(b.top, 0); y < std::min<int64_t>(b.bottom, p.height); ++y)
      for (int64_t x = std::max<int64_t>(b.left, 0); x < std::min<int64_t>(b.right, p.width); ++x)
        out[static_cast<std::size_t>(y * p.width + x)] = 1;
  }
  return out;
}

// The outline of `boxes` against the boundary pixel edge by pixel edge: every
// edge between a pixel in the union and one outside covered once, nothing
// else, and no two segments that meet in a line.
void checkOutline(const std::vector<CanvasBox>& boxes) {
  const std::vector<EdgeSegment> segments = outline(boxes);
  CanvasBox all{INT64_MAX, INT64_MAX, INT64_MIN, INT64_MIN};
  for (const CanvasBox& b : boxes) {
    all = {std::min(all.left, b.left), std::min(all.top, b.top), std::max(all.right, b.right),
           std::max(all.bottom, b.bottom)};
  }
  if (boxes.empty()) {
    EXPECT_TRUE(segments.empty());
    return;
  }
  const int64_t x0 = all.left - 1, y0 = all.top - 1;
  const int64_t w = all.right - all.left + 2, h = all.bottom - all.top + 2;
  ASSERT_LT(w * h, 1 << 20);
  auto index = [&](int64_t x, int64_t y) {
    return static_cast<std::size_t>((y - y0) * w + (x - x0));
  };
  std::vector<uint8_t> inside(static_cast<std::size_t>(w * h));
  auto in = [&](int64_t x, int64_t y) -> uint8_t& { return inside[index(x, y)]; };
  for (const CanvasBox& b : boxes)
    for (int64_t y = b.top; y < b.bottom; ++y)
      for (int64_t x = b.left; x < b.right; ++x) in(x, y) = 1;
  // Edges above and left of each pixel of the grid, counted as the segments
  // cover them.
  std::vector<int> above(inside.size()), leftOf(inside.size());
  for (const EdgeSegment& s : segments) {
    ASSERT_TRUE((s.y0 == s.y1 && s.x0 < s.x1) || (s.x0 == s.x1 && s.y0 < s.y1));
    for (const EdgeSegment& t : segments)
      ASSERT_FALSE((s.y0 == s.y1 && t.y0 == t.y1 && s.y0 == t.y0 && s.x1 == t.x0) ||
                   (s.x0 == s.x1 && t.x0 == t.x1 && s.x0 == t.x0 && s.y1 == t.y0))
          << "segments that meet in a line are one";
    for (int64_t x = s.x0; x < s.x1; ++x) ++above[index(x, s.y0)];
    for (int64_t y = s.y0; y < s.y1; ++y) ++leftOf[index(s.x0, y)];
  }
  for (int64_t y = y0 + 1; y < y0 + h; ++y)
    for (int64_t x = x0 + 1; x < x0 + w; ++x) {
      ASSERT_EQ(above[index(x, y)], in(x, y) != in(x, y - 1) ? 1 : 0) << x << ", " << y;
      ASSERT_EQ(leftOf[index(x, y)], in(x, y) != in(x - 1, y) ? 1 : 0) << x << ", " << y;
    }
}

using testing_support::Random;

Bitmap randomBrush(Random& r) {
  switch (r.between(0, 3)) {
    case 0:
      return brushBitmap(squareBrush(r.between(1, 12)));
    case 1:
      return brushBitmap(roundBrush(r.between(1, 14)));
    default: {
      // Odd shapes: scattered ink, gaps within rows, rows without ink; any
      // byte but 0 is no ink.
      Bitmap b;
      const int32_t w = r.between(1, 11), h = r.between(1, 9), density = r.between(5, 95);
      b.reset(w, h, 0xFF);
      for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
          b.at(x, y) = r.chance(density) ? 0 : static_cast<uint8_t>(r.between(1, 255));
      return b;
    }
  }
}

int64_t randomBlockSide(Random& r, int32_t canvasSide) {
  if (r.chance(75)) return r.between(1, 5);
  const int64_t large[] = {canvasSide - 1, canvasSide, canvasSide + 1, INT32_MAX};
  return std::max<int64_t>(1, large[r.between(0, 3)]);
}

int32_t randomCursor(Random& r, int32_t canvasSide) {
  if (r.chance(5)) {
    const int32_t far[] = {INT32_MIN, INT32_MIN + 5, INT32_MAX - 5, INT32_MAX, -100000, 100000};
    return far[r.between(0, 5)];
  }
  return r.chance(60) ? r.between(-3, canvasSide + 2) : r.between(-15, canvasSide + 14);
}

TEST(Footprint, TheBlocksAreWhatTheLiteralEnginePaintsAndTheInkWhereTheBrushLands) {
  int blocksPainted = 0, inkOffCanvas = 0;
  for (uint32_t seed = 1; seed <= 4000; ++seed) {
    Random r(seed);
    Press p;
    p.brush = randomBrush(r);
    p.width = r.between(1, 40);
    p.height = r.between(1, 30);
    p.blockWidth = randomBlockSide(r, p.width);
    p.blockHeight = randomBlockSide(r, p.height);
    p.x = randomCursor(r, p.width);
    p.y = randomCursor(r, p.height);
    SCOPED_TRACE("seed " + std::to_string(seed) + ": " + describe(p));
    const Footprint f =
        pressFootprint(p.brush, p.x, p.y, p.blockWidth, p.blockHeight, p.width, p.height);

    int64_t area = 0;
    ASSERT_EQ(covered(f.blocks, p, area), painted(p, p.blockWidth, p.blockHeight));
    int64_t onCanvas = 0;
    for (uint8_t v : covered(f.blocks, p, area)) onCanvas += v;
    ASSERT_EQ(area, onCanvas) << "blocks overlap or leave the canvas";
    blocksPainted += onCanvas > 0;

    // With 1 x 1 blocks the pen paints exactly the ink on the canvas.
    ASSERT_EQ(covered(f.ink, p, area), painted(p, 1, 1));
    int64_t inkBytes = 0;
    for (int32_t y = 0; y < p.brush.height(); ++y)
      for (int32_t x = 0; x < p.brush.width(); ++x) inkBytes += p.brush.at(x, y) == 0;
    ASSERT_EQ(area, inkBytes) << "ink boxes overlap or miss ink";
    int64_t inkOnCanvas = 0;
    for (uint8_t v : covered(f.ink, p, area)) inkOnCanvas += v;
    inkOffCanvas += inkOnCanvas < inkBytes;

    if (std::abs(int64_t{p.x}) < 1000 && std::abs(int64_t{p.y}) < 1000) {
      checkOutline(f.ink);
      checkOutline(f.blocks);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
  EXPECT_GT(blocksPainted, 1500);
  EXPECT_GT(inkOffCanvas, 2500);
}

// The README's case: the second row of a 2 x 2 brush at (0, 3) meets the
// block column its first row stamped, and the block below is left out.
TEST(Footprint, TheColumnTrackerCarriesFromRowToRow) {
  const Bitmap brush = brushBitmap(squareBrush(2));
  const Footprint f = pressFootprint(brush, 0, 3, 4, 4, 16, 16);
  ASSERT_EQ(f.blocks.size(), 1u);
  EXPECT_EQ((std::vector<int64_t>{f.blocks[0].left, f.blocks[0].top, f.blocks[0].right,
                                  f.blocks[0].bottom}),
            (std::vector<int64_t>{0, 0, 4, 4}));
  ASSERT_EQ(f.ink.size(), 1u);  // two rows alike: one box
  EXPECT_EQ((std::vector<int64_t>{f.ink[0].left, f.ink[0].top, f.ink[0].right, f.ink[0].bottom}),
            (std::vector<int64_t>{0, 3, 2, 5}));
}

TEST(Footprint, OutlinesOfSquaresTouchingBoxesAndAHole) {
  const auto segments = [](const std::vector<CanvasBox>& boxes) {
    std::vector<std::vector<int64_t>> out;
    for (const EdgeSegment& s : outline(boxes)) out.push_back({s.x0, s.y0, s.x1, s.y1});
    return out;
  };
  const std::vector<std::vector<int64_t>> square = {
      {-2, 1, 3, 1}, {-2, 4, 3, 4}, {-2, 1, -2, 4}, {3, 1, 3, 4}};
  EXPECT_EQ(segments({{-2, 1, 3, 4}}), square);
  EXPECT_EQ(segments({{-2, 1, 0, 4}, {0, 1, 3, 4}}), square) << "side by side";
  EXPECT_EQ(segments({{-2, 1, 3, 2}, {-2, 2, 3, 4}, {0, 2, 1, 3}}), square)
      << "stacked, overlapping";
  EXPECT_TRUE(segments({{5, 5, 5, 9}, {1, 2, 0, 3}}).empty()) << "empty boxes";
  // A frame: the outer square and the hole's, four sides each.
  const std::vector<CanvasBox> frame = {{0, 0, 3, 1}, {0, 2, 3, 3}, {0, 1, 1, 2}, {2, 1, 3, 2}};
  EXPECT_EQ(segments(frame).size(), 8u);
  checkOutline(frame);
  checkOutline({{0, 0, 2, 2}, {2, 2, 4, 4}, {1, 5, 2, 6}});  // corners that touch
}

}  // namespace
