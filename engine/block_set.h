// block_set.h - the blocks that one stamping call has to paint, gathered
// before any is painted so that each is painted once however many ink pixels
// and brush positions ask for it. A bitset per block row over a box of the
// block grid, in a fixed static scratch area.
#pragma once

#include <cstdint>

#include "block_grid.h"
#include "pen_context.h"

// Block columns left..right and block rows top..bottom, all inclusive.
struct BlockBox {
  int64_t left;
  int64_t top;
  int64_t right;
  int64_t bottom;
};

// Whether a set over `box` fits the scratch area.
bool blockSetFits(const BlockBox& box);

// Starts an empty set over `box`. Returns false, and starts nothing, when the
// box is larger than the scratch area.
bool blockSetBegin(const BlockBox& box);

// Adds blocks first..last (inclusive) of block row `row`; the part outside the
// box is ignored.
void blockSetAdd(int64_t row, int64_t first, int64_t last);

// Paints every block of the set (row by row, each maximal run of blocks at
// once) and leaves the set empty.
void blockSetPaint(const BlockGrid& grid, const BitmapGeometry& canvas, PenContext* ctx);
