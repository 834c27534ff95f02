// block_fill.h - painting blocks: clip to the canvas, honour the mask, fill.
// The ink end of the engine; it knows nothing of brushes or walks.
#pragma once

#include <cstdint>

#include "block_grid.h"
#include "pen_context.h"

// Along a canvas row the block colours repeat every four blocks. For blocks
// up to kToneLineBlockWidth pixels wide, each of the four tone rows gets a
// prepared line of whole periods, at least 256 bytes long plus one period of
// slack for the phase of a run's first block, built when first needed in a
// painting pass. Wider blocks are filled by doubling copies instead.
constexpr int64_t kToneLineBlockWidth = 64;
// period < 256 + 4 * width, and the line holds period + 4 * width bytes.
constexpr int64_t kToneLineBytes = 256 + 8 * kToneLineBlockWidth;

struct ToneLine {
  bool ready;
  int64_t period;  // bytes of whole periods to copy at a time
  uint8_t bytes[kToneLineBytes];
};

struct ToneLines {
  ToneLine rows[4];  // by block row & 3
};

// One painting pass: the grid, canvas and colours of one stamping call.
struct BlockPainter {
  const BlockGrid& grid;
  const BitmapGeometry& canvas;
  PenContext* ctx;
  ToneLines& lines;
};

// Starts a painting pass: the colours and tone of the call are taken afresh.
BlockPainter beginPainting(const BlockGrid& grid, const BitmapGeometry& canvas, PenContext* ctx,
                           ToneLines& lines);

// Paints the block in grid column `column` and row `row` (both >= 0 and
// starting inside the canvas) in its tone colour, clipped to the canvas; with
// PCF_MASK set, a single 0 mask byte under the clipped block leaves it whole.
void paintBlock(const BlockPainter& painter, int64_t column, int64_t row);

// Paints blocks first..last (inclusive) of block row `row` exactly as
// paintBlock would one by one, filling whole canvas rows at a time.
void paintBlockRun(const BlockPainter& painter, int64_t row, int64_t first, int64_t last);
