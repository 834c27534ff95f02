// block_grid.h - the block grid and tone of the current stroke, as the
// stamping code reads them: block parameters made safe for arithmetic, and
// the colour of a block from its grid position.
#pragma once

#include <cstdint>

#include "block_engine.h"

struct BlockGrid {
  int64_t width;   // blockWidth, at least 1
  int64_t height;  // blockHeight, at least 1
  int tone;        // strokeTone within 0..16
};

inline BlockGrid currentBlockGrid() {
  BlockGrid grid;
  grid.width = blockWidth < 1 ? 1 : blockWidth;
  grid.height = blockHeight < 1 ? 1 : blockHeight;
  grid.tone = strokeTone < 0 ? 0 : strokeTone > 16 ? 16 : strokeTone;
  return grid;
}

// Colour of the block in grid column `column` and grid row `row` (both >= 0).
// The colour fields are read at every call: a colour the host changes shows
// from the next block on.
inline uint8_t blockColour(const BlockGrid& grid, const PenContext* ctx, int64_t column,
                           int64_t row) {
  const bool set = TonePatternTable.cells[grid.tone][row & 3][column & 3] != 0;
  return static_cast<uint8_t>(set ? ctx->secondaryColour : ctx->primaryColour);
}
