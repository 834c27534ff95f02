// tone_patterns.h - the 17 ordered-dither tone patterns laid over the block
// grid.
//
// Tone pattern k has cell (row r, column c) set exactly when B[r][c] < k, B
// being the 4 x 4 Bayer matrix; so pattern k has k set cells and contains
// pattern k - 1. 17 patterns x 16 cells, one byte a cell, 272 bytes.
#pragma once

#include <cstdint>

struct TonePatterns {
  uint8_t cells[17][4][4];
};

constexpr TonePatterns buildTonePatterns() {
  constexpr uint8_t bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
  TonePatterns patterns{};
  for (int k = 0; k <= 16; ++k)
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 4; ++c) patterns.cells[k][r][c] = bayer[r][c] < k ? 1 : 0;
  return patterns;
}

inline constexpr TonePatterns TonePatternTable = buildTonePatterns();
static_assert(sizeof(TonePatternTable) == 272, "tone table is 17 patterns of 16 bytes");
