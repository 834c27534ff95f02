#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <utility>

#include "block_fill.h"
#include "support/test_bitmap.h"

namespace {

using testing_support::TestPen;

// The tone lines between guard bytes, so that a line written past either end
// shows. One record for every pass: each pass has colours of its own, so
// must build its lines afresh.
struct GuardedLines {
  uint8_t before[64];
  ToneLines lines;
  uint8_t after[64];
};
GuardedLines guarded;

bool guardsIntact() {
  return std::all_of(std::begin(guarded.before), std::end(guarded.before),
                     [](uint8_t b) { return b == 0xA5; }) &&
         std::all_of(std::begin(guarded.after), std::end(guarded.after),
                     [](uint8_t b) { return b == 0xA5; });
}

// Tone 7 gives each tone row a pattern unlike the next one's, so a line that
// overran into its neighbour would paint the wrong colours there.
BlockGrid gridOf(int64_t width, int64_t height) {
  return {width, height, 7, makeBlockDivider(width), makeBlockDivider(height)};
}

// Block widths either side of kToneLineBlockWidth, with runs long enough to
// need several copies of a tone line, painted in one pass with tone rows 3, 2,
// 1, 0 and then 0, 1, 2, 3; the last block column and row are cut short by
// the canvas edge.
TEST(PaintBlockRun, PaintsWhatPaintBlockPaintsOneByOne) {
  std::fill(std::begin(guarded.before), std::end(guarded.before), 0xA5);
  std::fill(std::begin(guarded.after), std::end(guarded.after), 0xA5);
  for (const bool masked : {false, true})
    for (int64_t width = 1; width <= 70; ++width) {
      const int64_t height = 1 + width % 3;
      const int64_t columns = std::max<int64_t>(16, 1400 / width + 3);
      const auto canvasWidth = static_cast<int32_t>(columns * width - width / 2);
      const auto canvasHeight = static_cast<int32_t>(8 * height - (height > 1 ? 1 : 0));
      TestPen runs(canvasWidth, canvasHeight), single(canvasWidth, canvasHeight);
      for (TestPen* pen : {&runs, &single}) {
        pen->ctx.primaryColour = static_cast<uint32_t>(1 + width % 4);  // each pass its own
        pen->ctx.secondaryColour = static_cast<uint32_t>(5 + width % 3);
        if (masked) pen->ctx.stateFlags |= PCF_MASK;
        for (int64_t c = 1; c * width < canvasWidth; c += 5)  // one pixel of some blocks
          pen->mask.at(static_cast<int32_t>(c * width), static_cast<int32_t>(c % 8 * height)) = 0;
      }
      const BlockGrid grid = gridOf(width, height);
      const BitmapGeometry canvas = bitmapGeometry(runs.canvas.header());
      const BlockPainter painter = beginPainting(grid, canvas, &runs.ctx, guarded.lines);
      ToneLines spare;
      const BlockPainter oneByOne = beginPainting(grid, canvas, &single.ctx, spare);
      for (const int64_t row : {7, 6, 5, 4, 0, 1, 2, 3}) {
        const int64_t p = row & 3;  // every phase of the first block
        for (const auto& [first, last] :
             {std::pair{p, p}, {p + 2, p + 7}, {p + 8, columns - 4}, {columns - 3, columns - 1}}) {
          paintBlockRun(painter, row, first, last);
          for (int64_t c = first; c <= last; ++c) paintBlock(oneByOne, c, row);
        }
      }
      ASSERT_EQ(runs.canvas.rows(), single.canvas.rows()) << "width " << width << " " << masked;
      ASSERT_TRUE(runs.untouchedOutsideCanvas()) << "width " << width;
      ASSERT_TRUE(guardsIntact()) << "width " << width;
    }
}

}  // namespace
