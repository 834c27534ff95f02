#include "block_set.h"

#include "block_fill.h"

namespace {

constexpr int64_t kWords = int64_t{1} << 15;  // 2M blocks, 256 KiB
constexpr int64_t kRows = int64_t{1} << 13;

uint64_t bits[kWords];        // all zero between calls
int32_t touchedFirst[kRows];  // first and last word written in each row
int32_t touchedLast[kRows];
BlockBox currentBox;
int64_t wordsPerRow;

uint64_t bitsFrom(uint64_t bit) { return ~uint64_t{0} << bit; }
uint64_t bitsUpTo(uint64_t bit) { return ~uint64_t{0} >> (63 - bit); }

int trailingZeros(uint64_t w) { return __builtin_ctzll(w); }

}  // namespace

bool blockSetFits(const BlockBox& box) {
  const int64_t rows = box.bottom - box.top + 1;
  const int64_t words = (box.right - box.left + 64) / 64;
  return rows > 0 && words > 0 && rows <= kRows && words <= kWords / rows;
}

bool blockSetBegin(const BlockBox& box) {
  if (!blockSetFits(box)) return false;
  const int64_t rows = box.bottom - box.top + 1;
  const int64_t words = (box.right - box.left + 64) / 64;
  currentBox = box;
  wordsPerRow = words;
  for (int64_t r = 0; r < rows; ++r) {
    touchedFirst[r] = static_cast<int32_t>(words);
    touchedLast[r] = -1;
  }
  return true;
}

void blockSetAdd(int64_t row, int64_t first, int64_t last) {
  if (row < currentBox.top || row > currentBox.bottom) return;
  if (first < currentBox.left) first = currentBox.left;
  if (last > currentBox.right) last = currentBox.right;
  if (first > last) return;
  const int64_t r = row - currentBox.top;
  const auto a = static_cast<uint64_t>(first - currentBox.left);
  const auto b = static_cast<uint64_t>(last - currentBox.left);
  const auto wa = static_cast<int64_t>(a >> 6), wb = static_cast<int64_t>(b >> 6);
  uint64_t* line = bits + r * wordsPerRow;
  if (wa == wb) {
    line[wa] |= bitsFrom(a & 63) & bitsUpTo(b & 63);
  } else {
    line[wa] |= bitsFrom(a & 63);
    for (int64_t w = wa + 1; w < wb; ++w) line[w] = ~uint64_t{0};
    line[wb] |= bitsUpTo(b & 63);
  }
  if (wa < touchedFirst[r]) touchedFirst[r] = static_cast<int32_t>(wa);
  if (wb > touchedLast[r]) touchedLast[r] = static_cast<int32_t>(wb);
}

void blockSetPaint(const BlockGrid& grid, const BitmapGeometry& canvas, PenContext* ctx) {
  beginBlockRuns();
  const int64_t rows = currentBox.bottom - currentBox.top + 1;
  for (int64_t r = 0; r < rows; ++r) {
    uint64_t* line = bits + r * wordsPerRow;
    const int64_t row = currentBox.top + r;
    int64_t runStart = -1;  // bit index of the open run, if any
    for (int64_t w = touchedFirst[r]; w <= touchedLast[r]; ++w) {
      const uint64_t word = line[w];
      line[w] = 0;
      int64_t pos = 0;
      while (pos < 64) {
        if (runStart < 0) {
          const uint64_t rest = word >> pos;
          if (rest == 0) break;
          pos += trailingZeros(rest);
          runStart = w * 64 + pos;
        } else {
          const uint64_t rest = ~word >> pos;
          if (rest == 0) break;  // the run goes on into the next word
          pos += trailingZeros(rest);
          paintBlockRun(grid, canvas, ctx, row, currentBox.left + runStart,
                        currentBox.left + w * 64 + pos - 1);
          runStart = -1;
        }
      }
    }
    if (runStart >= 0)
      paintBlockRun(grid, canvas, ctx, row, currentBox.left + runStart,
                    currentBox.left + int64_t{touchedLast[r]} * 64 + 63);
  }
}
