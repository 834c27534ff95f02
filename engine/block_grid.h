// block_grid.h - the block grid and tone of the current stroke, as the
// stamping code reads them: block parameters made safe for arithmetic, the
// colour of a block from its grid position, and division by a block size.
#pragma once

#include <cstdint>

#include "pen_context.h"
#include "tone_patterns.h"

// x / d for 0 <= x < 2^31 and 1 <= d < 2^31 by one multiplication: the
// stamping loops divide every run end by the block width. The multiplier
// fits 32 bits, so that the 32-bit build multiplies 32 by 32 bits, not in 64.
struct BlockDivider {
  uint32_t multiplier;
  unsigned shift;

  int64_t operator()(int64_t x) const {
    if constexpr (sizeof(void*) >= 8) {
      return static_cast<int64_t>((static_cast<uint64_t>(x) * multiplier) >> shift);
    } else {
      // A 64-bit shift by a variable costs several instructions here; the
      // product shifted by 31 fits 32 bits.
      const uint64_t product = uint64_t{static_cast<uint32_t>(x)} * multiplier;
      return static_cast<uint32_t>(product >> 31) >> (shift - 31);
    }
  }
};

// With l = ceil(log2 d) and m = ceil(2^(31 + l) / d), floor(x * m / 2^(31 + l))
// equals floor(x / d) for every x below 2^31. As 2^(l - 1) < d, m is below
// 2^32, and x * m below 2^63.
inline BlockDivider makeBlockDivider(int64_t d) {
  unsigned l = 0;
  while ((int64_t{1} << l) < d) ++l;
  BlockDivider divider;
  divider.shift = 31 + l;
  divider.multiplier = static_cast<uint32_t>(
      ((uint64_t{1} << divider.shift) + static_cast<uint64_t>(d) - 1) / static_cast<uint64_t>(d));
  return divider;
}

struct BlockGrid {
  int64_t width;        // blockWidth, at least 1
  int64_t height;       // blockHeight, at least 1
  int tone;             // strokeTone within 0..16
  BlockDivider column;  // canvas x -> block column
  BlockDivider row;     // canvas y -> block row
};

// The grid of the block parameters (blockWidth, blockHeight, strokeTone in
// block_engine.h). The dividers cost more than a small stamp, so the last
// grid is kept until the parameters change.
const BlockGrid& currentBlockGrid();

inline bool toneCellSet(const BlockGrid& grid, int64_t column, int64_t row) {
  return TonePatternTable.cells[grid.tone][row & 3][column & 3] != 0;
}

// Colour of the block in grid column `column` and grid row `row` (both >= 0).
// The colour fields are read at every call: a colour the host changes shows
// from the next block on.
inline uint8_t blockColour(const BlockGrid& grid, const PenContext* ctx, int64_t column,
                           int64_t row) {
  return static_cast<uint8_t>(toneCellSet(grid, column, row) ? ctx->secondaryColour
                                                             : ctx->primaryColour);
}
