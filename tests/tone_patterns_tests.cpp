#include <gtest/gtest.h>

#include <string>

#include "block_engine.h"

namespace {

std::string patternText(int k) {
  std::string text;
  for (int r = 0; r < 4; ++r) {
    if (r) text += '/';
    for (int c = 0; c < 4; ++c) text += TonePatternTable.cells[k][r][c] ? '1' : '0';
  }
  return text;
}

TEST(TonePatterns, PatternKHasKCellsAndContainsTheOneBefore) {
  for (int k = 0; k <= 16; ++k) {
    int set = 0;
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 4; ++c) {
        const uint8_t cell = TonePatternTable.cells[k][r][c];
        EXPECT_TRUE(cell == 0 || cell == 1);
        set += cell;
        if (k > 0) {
          EXPECT_GE(cell, TonePatternTable.cells[k - 1][r][c]) << "k=" << k;
        }
      }
    EXPECT_EQ(set, k);
  }
}

TEST(TonePatterns, KnownPatterns) {
  EXPECT_EQ(patternText(0), "0000/0000/0000/0000");
  EXPECT_EQ(patternText(1), "1000/0000/0000/0000");
  EXPECT_EQ(patternText(2), "1000/0000/0010/0000");
  EXPECT_EQ(patternText(4), "1010/0000/1010/0000");
  EXPECT_EQ(patternText(8), "1010/0101/1010/0101");
  EXPECT_EQ(patternText(16), "1111/1111/1111/1111");
}

TEST(TonePatterns, TableIsPatternAfterPatternRowAfterRow) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(&TonePatternTable);
  // Pattern 2, row 2, column 2 is the 16 * 2 + 4 * 2 + 2 = 42nd byte.
  EXPECT_EQ(bytes[42], 1);
  EXPECT_EQ(bytes[41], 0);
  EXPECT_EQ(bytes[271], 1);
}

}  // namespace
