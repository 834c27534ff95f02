// block_sink.h - the one seam between the code that finds blocks and the code
// that paints them (block_fill.h). Producers (a brush placement read through
// the column tracker, the one-ink-pixel walk, the segment sweep) hand over
// block rows with a range of block columns to a BlockSink, which either
// paints them at once or gathers them into a block set to be painted once at
// the end of the call. Painting a block is idempotent, so both give the same
// bytes. The profile (segment_profile), which finds one run of blocks a
// canvas row, hands its rows to a CanvasRowSink, whose fill merges them into
// block rows.
#pragma once

#include <cstddef>
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
};

inline BlockSink paintAtOnce(const BlockPainter& painter) { return {nullptr, &painter}; }
inline BlockSink gatherInto(BlockSet& set) { return {&set, nullptr}; }

// Canvas rows found before they are painted.
constexpr std::size_t kRowBatch = 256;

// The canvas rows' blocks as the profile finds them, kRowBatch at a time
// handed to the fill's CanvasRowFill: finding and painting each in a loop of
// its own, neither holds the other's values in its registers. A producer
// takes it by value and begins it once a part of the walk: its own copy,
// whose count and row stay in registers.
class CanvasRowSink {
 public:
  // `batch` holds kRowBatch rows; `fill` must outlive the sink.
  CanvasRowSink(CanvasRowFill& fill, RowBlocks* batch) : fill_(&fill), rows_(batch) {}

  // Starts at canvas row `y`, the first of the rows to be handed over, the
  // last of them `yLast`.
  void begin(int64_t y, int64_t yLast, const BlockGrid& grid) {
    fill_->begin(y, (yLast - y + 1) / grid.height);  // count_ is 0: nothing handed over yet
    rowInBlock_ = static_cast<std::size_t>(y - grid.row(y) * grid.height);
    blockHeight_ = static_cast<std::size_t>(grid.height);
  }
  // Whether this canvas row is the first of its block row.
  bool atBlockRowStart() const { return rowInBlock_ == 0; }
  // Blocks first..last of this canvas row (none when first > last); then
  // on to the next row.
  [[gnu::always_inline]] void add(std::ptrdiff_t first, std::ptrdiff_t last) {
    rows_[count_++] = {static_cast<int32_t>(first), static_cast<int32_t>(last)};
    if (count_ == kRowBatch) paint();
    if (++rowInBlock_ == blockHeight_) rowInBlock_ = 0;
  }
  void none() { add(1, 0); }
  // Paints every row handed over.
  void finish() { paint(true); }

 private:
  void paint(bool last = false) {
    fill_->paintRows(rows_, count_, last);
    count_ = 0;
  }

  CanvasRowFill* fill_;
  RowBlocks* rows_;
  std::size_t count_ = 0, rowInBlock_ = 0, blockHeight_ = 1;
};
