#include "block_set.h"

#include "block_fill.h"

bool blockSetFits(const InclusiveBox& box) {
  const int64_t rows = box.bottom - box.top + 1;
  const int64_t words = (box.right - box.left + 64) / 64;
  return rows > 0 && words > 0 && rows <= kBlockSetRows && words <= kBlockSetWords / rows;
}

bool blockSetBegin(BlockSet& set, const InclusiveBox& box) {
  if (!blockSetFits(box)) return false;
  const int64_t rows = box.bottom - box.top + 1;
  const int64_t words = (box.right - box.left + 64) / 64;
  set.box = box;
  set.wordsPerRow = words;
  for (int64_t r = 0; r < rows; ++r) {
    set.touchedFirst[r] = static_cast<int32_t>(words);
    set.touchedLast[r] = -1;
  }
  return true;
}

void blockSetPaint(BlockSet& set, const BlockPainter& painter) {
  const InclusiveBox& box = set.box;
  const int64_t rows = box.bottom - box.top + 1;
  for (int64_t r = 0; r < rows; ++r) {
    uint64_t* line = set.bits + r * set.wordsPerRow;
    const int64_t row = box.top + r;
    int64_t runStart = -1;  // bit index of the open run, if any
    for (int64_t w = set.touchedFirst[r]; w <= set.touchedLast[r]; ++w) {
      const uint64_t word = line[w];
      line[w] = 0;
      int64_t pos = 0;
      while (pos < 64) {
        if (runStart < 0) {
          const uint64_t rest = word >> pos;
          if (rest == 0) break;
          pos += __builtin_ctzll(rest);
          runStart = w * 64 + pos;
        } else {
          const uint64_t rest = ~word >> pos;
          if (rest == 0) break;  // the run goes on into the next word
          pos += __builtin_ctzll(rest);
          paintBlockRun(painter, row, box.left + runStart, box.left + w * 64 + pos - 1);
          runStart = -1;
        }
      }
    }
    if (runStart >= 0)
      paintBlockRun(painter, row, box.left + runStart,
                    box.left + int64_t{set.touchedLast[r]} * 64 + 63);
  }
}
