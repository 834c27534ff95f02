// block_fill.h - painting blocks: clip to the canvas, honour the mask, fill.
// The ink end of the engine; it knows nothing of brushes or walks.
#pragma once

#include <cstdint>

#include "block_grid.h"
#include "pen_context.h"

// Paints the block in grid column `column` and row `row` (both >= 0 and
// starting inside the canvas) in its tone colour, clipped to the canvas; with
// PCF_MASK set, a single 0 mask byte under the clipped block leaves it whole.
void paintBlock(const BlockGrid& grid, const BitmapGeometry& canvas, PenContext* ctx,
                int64_t column, int64_t row);

// Starts a painting pass: the colours and tone of the call are taken afresh.
// Call before the first paintBlockRun of each stamping call.
void beginBlockRuns();

// Paints blocks first..last (inclusive) of block row `row` exactly as
// paintBlock would one by one, filling whole canvas rows at a time.
void paintBlockRun(const BlockGrid& grid, const BitmapGeometry& canvas, PenContext* ctx,
                   int64_t row, int64_t first, int64_t last);
