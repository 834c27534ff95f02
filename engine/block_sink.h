// block_sink.h - the one seam between the code that finds blocks and the code
// that paints them. Producers (a brush placement read through the column
// tracker, the one-ink-pixel walk, the segment sweep) hand over block rows
// with a range of block columns; a sink either paints them at once or
// gathers them into a block set to be painted once at the end of the call.
// Painting a block is idempotent, so both give the same bytes.
#pragma once

#include <cstdint>

#include "block_fill.h"
#include "block_set.h"

struct BlockSink {
  BlockSet* set;  // gather into this set, or, when null, paint at once
  const BlockPainter* painter;

  // Blocks first..last (inclusive, first <= last) of block row `row`, all
  // starting inside the canvas.
  void add(int64_t row, int64_t first, int64_t last) const {
    if (set != nullptr) {
      blockSetAdd(*set, row, first, last);
    } else if (last - first < kShortBlockRun) {
      for (int64_t column = first; column <= last; ++column) paintBlock(*painter, column, row);
    } else {
      paintBlockRun(*painter, row, first, last);
    }
  }

  // A run painted at once shorter than this is painted block by block: the
  // tone line a longer run is copied from costs more than a few blocks.
  static constexpr int64_t kShortBlockRun = 8;
};

inline BlockSink paintAtOnce(const BlockPainter& painter) { return {nullptr, &painter}; }
inline BlockSink gatherInto(BlockSet& set) { return {&set, nullptr}; }
