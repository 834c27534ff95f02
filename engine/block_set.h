// block_set.h - the blocks that one stamping call has to paint, gathered
// before any is painted so that each is painted once however many ink pixels
// and brush positions ask for it. A bitset per block row over a box of the
// block grid, in a record the caller provides (static storage: no heap).
#pragma once

#include <cstdint>

#include "block_fill.h"
#include "inclusive_box.h"

constexpr int64_t kBlockSetWords = int64_t{1} << 15;  // 2M blocks, 256 KiB
constexpr int64_t kBlockSetRows = int64_t{1} << 13;

struct BlockSet {
  uint64_t bits[kBlockSetWords];        // all zero outside a begun set
  int32_t touchedFirst[kBlockSetRows];  // first and last word written in each row
  int32_t touchedLast[kBlockSetRows];
  InclusiveBox box;  // block columns and rows of the begun set
  int64_t wordsPerRow;
};

// Whether a set over `box` (block columns and rows) fits a BlockSet.
bool blockSetFits(const InclusiveBox& box);

// Starts an empty set over `box`. Returns false, and starts nothing, when the
// box does not fit. The set must be zero-initialised (static storage) or
// left by blockSetPaint.
bool blockSetBegin(BlockSet& set, const InclusiveBox& box);

// Adds blocks first..last (inclusive) of block row `row`; the part outside the
// box is ignored. Inline: gathering calls it for every run of every
// placement.
inline void blockSetAdd(BlockSet& set, int64_t row, int64_t first, int64_t last) {
  const InclusiveBox& box = set.box;
  if (row < box.top || row > box.bottom) return;
  if (first < box.left) first = box.left;
  if (last > box.right) last = box.right;
  if (first > last) return;
  const int64_t r = row - box.top;
  const auto a = static_cast<uint64_t>(first - box.left);
  const auto b = static_cast<uint64_t>(last - box.left);
  const auto wa = static_cast<int64_t>(a >> 6), wb = static_cast<int64_t>(b >> 6);
  uint64_t* line = set.bits + r * set.wordsPerRow;
  if (wa == wb) {
    line[wa] |= (~uint64_t{0} << (a & 63)) & (~uint64_t{0} >> (63 - (b & 63)));
  } else {
    line[wa] |= ~uint64_t{0} << (a & 63);
    for (int64_t w = wa + 1; w < wb; ++w) line[w] = ~uint64_t{0};
    line[wb] |= ~uint64_t{0} >> (63 - (b & 63));
  }
  if (wa < set.touchedFirst[r]) set.touchedFirst[r] = static_cast<int32_t>(wa);
  if (wb > set.touchedLast[r]) set.touchedLast[r] = static_cast<int32_t>(wb);
}

// Paints every block of the set (row by row, each maximal run of blocks at
// once) and leaves the set empty.
void blockSetPaint(BlockSet& set, const BlockPainter& painter);
