// block_fill.h - painting blocks: clip to the canvas, honour the mask, fill.
// The ink end of the engine and the only code that writes canvas bytes; it
// knows nothing of brushes or walks. Its kernels, from the smallest work up,
// each with the threshold that hands over to the next and what it trades:
//
//   paintBlock      one block, by stores chosen once for all its rows
//                   (fillRows); the 1 x 1 block unmasked is one byte.
//   paintBlockRun   a run of blocks of one block row: its first canvas row
//                   copied from the row's tone line (blocks up to
//                   kToneLineBlockWidth wide) or filled by doubling copies,
//                   the other rows copied from it. Runs shorter than
//                   kShortBlockRun are painted block by block instead: the
//                   line costs more than a few blocks.
//   CanvasRowFill   the runs of the profile, one a canvas row, merged within
//                   a block row and painted as one run when it ends. Over
//                   kManyBlockRows block rows or more, the tone lines are
//                   built once for all and runs of kShortMergedRun blocks and
//                   more copied from them here, the canvas line kept from one
//                   block row to the next; other runs go to the kernels above.
//
// The tone lines are kept from call to call while the block width, the tone
// and the colours stay (ToneLines).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "block_grid.h"
#include "pen_context.h"

// Along a canvas row the block colours repeat every four blocks. For blocks
// up to kToneLineBlockWidth pixels wide, each of the four tone rows gets a
// prepared line of whole periods, at least kToneLineLeast bytes long plus one
// period of slack for the phase of a run's first block, built when first
// needed and kept while the colours stay (toneLineFor). Wider blocks are
// filled by doubling copies instead.
constexpr int64_t kToneLineBlockWidth = 64;
// Long enough that a row across a canvas of a thousand pixels or so is one
// copy: built once for many calls now, a line's length costs little.
constexpr int64_t kToneLineLeast = 1024;
// period < kToneLineLeast + 4 * width, and the line holds period + 4 * width
// bytes.
constexpr int64_t kToneLineBytes = kToneLineLeast + 8 * kToneLineBlockWidth;

struct ToneLine {
  std::size_t period;  // bytes of whole periods to copy at a time
  uint8_t bytes[kToneLineBytes];
};

struct ToneLines {
  ToneLine rows[4];    // by block row & 3
  unsigned ready = 0;  // bit r: rows[r] is built, for the grid and colours below
  int64_t blockWidth = 0;
  int tone = 0;
  uint32_t primary = 0;
  uint32_t secondary = 0;
};

// One painting pass: the grid, canvas and colours of one stamping call.
struct BlockPainter {
  const BlockGrid* grid;
  const BitmapGeometry* canvas;
  PenContext* ctx;
  ToneLines* lines;
};

// Starts a painting pass: the colours and tone of the call are taken afresh.
// The painter points at `grid` and `canvas`, which must outlive it: it is
// made once a call, and copying them cost more than the small pens' work.
inline BlockPainter beginPainting(const BlockGrid& grid, const BitmapGeometry& canvas,
                                  PenContext* ctx, ToneLines& lines) {
  return {&grid, &canvas, ctx, &lines};
}
// Never at temporaries.
BlockPainter beginPainting(BlockGrid&&, const BitmapGeometry&, PenContext*, ToneLines&) = delete;
BlockPainter beginPainting(const BlockGrid&, BitmapGeometry&&, PenContext*, ToneLines&) = delete;
BlockPainter beginPainting(BlockGrid&&, BitmapGeometry&&, PenContext*, ToneLines&) = delete;

// Whether the mask has no 0 under width x height canvas pixels from
// (left, top).
bool maskAllows(const uint8_t* mask, const BitmapGeometry& canvas, int64_t left, int64_t top,
                int64_t width, int64_t height);

// memset over `rows` rows of n bytes, `step` bytes apart, for the short rows
// of small blocks, where a call costs more than the bytes: two overlapping
// stores cover 2 to 16 bytes, never past n. The stores are chosen once for
// all the rows of a block.
inline void fillRows(uint8_t* line, std::ptrdiff_t step, int64_t rows, uint8_t value, int64_t n) {
  if (n > 16) {
    for (; rows > 0; --rows, line += step) std::memset(line, value, static_cast<std::size_t>(n));
  } else if (n >= 8) {
    const uint64_t v = 0x0101010101010101u * value;
    for (; rows > 0; --rows, line += step) {
      std::memcpy(line, &v, 8);
      std::memcpy(line + n - 8, &v, 8);
    }
  } else if (n >= 4) {
    const uint32_t v = 0x01010101u * value;
    for (; rows > 0; --rows, line += step) {
      std::memcpy(line, &v, 4);
      std::memcpy(line + n - 4, &v, 4);
    }
  } else if (n >= 2) {
    const auto v = static_cast<uint16_t>(0x0101u * value);
    for (; rows > 0; --rows, line += step) {
      std::memcpy(line, &v, 2);
      std::memcpy(line + n - 2, &v, 2);
    }
  } else if (n == 1) {
    for (; rows > 0; --rows, line += step) *line = value;
  }
}

// Paints the block in grid column `column` and row `row` (both >= 0 and
// starting inside the canvas) in its tone colour, clipped to the canvas; with
// PCF_MASK set, a single 0 mask byte under the clipped block leaves it whole.
// Inline: the small pens paint a block or two a call.
inline void paintBlock(const BlockPainter& painter, int64_t column, int64_t row) {
  const BlockGrid& grid = *painter.grid;
  const BitmapGeometry& canvas = *painter.canvas;
  PenContext* const ctx = painter.ctx;
  // A block of one pixel, unmasked, is that pixel: the 1 x 1 pen over 1 x 1
  // blocks paints one a point, and the general steps below cost more.
  if (grid.width == 1 && grid.height == 1 && (ctx->stateFlags & PCF_MASK) == 0) {
    ctx->canvasBits[canvas.offsetOf(column, row)] = blockColour(grid, ctx, column, row);
    return;
  }
  const int64_t left = column * grid.width;
  const int64_t top = row * grid.height;
  const int64_t width = left + grid.width < canvas.width ? grid.width : canvas.width - left;
  const int64_t height = top + grid.height < canvas.height ? grid.height : canvas.height - top;
  if ((ctx->stateFlags & PCF_MASK) != 0 &&
      !maskAllows(ctx->maskBits, canvas, left, top, width, height))
    return;
  const uint8_t colour = blockColour(grid, ctx, column, row);
  uint8_t* line = ctx->canvasBits + canvas.offsetOf(left, top);
  fillRows(line, -static_cast<std::ptrdiff_t>(canvas.stride), height, colour, width);
}

// Paints blocks first..last (inclusive) of block row `row` exactly as
// paintBlock would one by one, filling whole canvas rows at a time.
void paintBlockRun(const BlockPainter& painter, int64_t row, int64_t first, int64_t last);

// A run painted at once shorter than this is painted block by block (by
// the sinks of block_sink.h and by CanvasRowFill): the tone line a longer run
// is copied from costs more than a few blocks.
constexpr int64_t kShortBlockRun = 8;

// The tone line of block row `row` (blocks up to kToneLineBlockWidth wide),
// built when first asked for with these colours. Lines built by earlier calls
// are kept while the block width, the tone and the colours stay the same: a
// drag paints with the same ones at every move, and building a line costs
// more than a short stroke's painting. Asked here, not once a call, so that
// the calls that paint from no line pay nothing for them.
const ToneLine& buildToneLine(const BlockPainter& painter, int64_t row);
// Whether the painter's lines were built for its block width, tone and colours.
inline bool toneLinesSuit(const BlockPainter& painter) {
  const ToneLines& lines = *painter.lines;
  return lines.blockWidth == painter.grid->width && lines.tone == painter.grid->tone &&
         lines.primary == painter.ctx->primaryColour &&
         lines.secondary == painter.ctx->secondaryColour;
}
inline const ToneLine& toneLineFor(const BlockPainter& painter, int64_t row) {
  if ((painter.lines->ready & (1u << (row & 3))) == 0 || !toneLinesSuit(painter))
    return buildToneLine(painter, row);
  return painter.lines->rows[row & 3];
}

// n bytes from `in` to `out`: up to 32 by two overlapping stores, inline,
// where a call to memcpy costs more than the bytes. Sizes here and below are
// of the machine's width: the 32-bit build would otherwise spend two
// registers on each.
inline void copyBytes(uint8_t* out, const uint8_t* in, std::size_t n) {
  if (n > 32) {
    std::memcpy(out, in, n);
  } else if (n >= 16) {
    uint8_t a[16], b[16];
    std::memcpy(a, in, 16);
    std::memcpy(b, in + n - 16, 16);
    std::memcpy(out, a, 16);
    std::memcpy(out + n - 16, b, 16);
  } else if (n >= 8) {
    uint64_t a, b;
    std::memcpy(&a, in, 8);
    std::memcpy(&b, in + n - 8, 8);
    std::memcpy(out, &a, 8);
    std::memcpy(out + n - 8, &b, 8);
  } else if (n >= 4) {
    uint32_t a, b;
    std::memcpy(&a, in, 4);
    std::memcpy(&b, in + n - 4, 4);
    std::memcpy(out, &a, 4);
    std::memcpy(out + n - 4, &b, 4);
  } else if (n > 0) {
    const uint8_t a = in[0], b = in[n / 2], c = in[n - 1];
    out[0] = a;
    out[n / 2] = b;
    out[n - 1] = c;
  }
}

// `length` bytes of a canvas row of blocks from their tone line, the first
// of them `phase` bytes into it (its block column & 3 times the width).
inline void copyToneRow(uint8_t* out, const ToneLine& line, std::size_t phase, std::size_t length) {
  for (; length > line.period; length -= line.period, out += line.period)
    copyBytes(out, line.bytes + phase, line.period);
  copyBytes(out, line.bytes + phase, length);
}

// A canvas row's block columns first..last; none when first > last.
struct RowBlocks {
  int32_t first;
  int32_t last;
};

// The kernel for runs found one a canvas row (segment_profile), fed through
// CanvasRowSink (block_sink.h). The canvas rows' runs, taken row by row, are
// merged while they stay in one block row and meet, so that a block row is
// painted as one run when it ends. Over many block rows the tone lines are
// built once for all of them, and a whole run copied from them costs less
// than its blocks one by one from kShortMergedRun blocks on, long before
// kShortBlockRun. Without the mask such runs are copied here, the canvas line
// kept from one block row to the next.
class CanvasRowFill {
 public:
  static constexpr int64_t kShortMergedRun = 3;
  static constexpr int64_t kManyBlockRows = 16;

  explicit CanvasRowFill(const BlockPainter& painter) : painter_(&painter) {}

  // Starts at canvas row `y`, over `blockRows` block rows in all.
  void begin(int64_t y, int64_t blockRows);

  // The next n canvas rows' blocks; with `last`, the run of the block row
  // they end in is painted too. Out of line: its loop keeps what it reads in
  // registers across the canvas stores (which may alias anything), and a row
  // of a long stroke costs a few instructions beside its bytes.
  [[gnu::noinline]] void paintRows(const RowBlocks* rows, std::size_t n, bool last);

 private:
  // Every offset, position and size here is within the canvas buffer or its
  // row, so it is held in the machine's width, unsigned (a buffer may exceed
  // 2 GiB in a 32-bit process).
  const BlockPainter* painter_;
  // Runs of leastWholeRun_ blocks or more are painted whole, and those of
  // leastCopiedRun_ or more copied here from the tone lines (the same,
  // where they may be; else SIZE_MAX).
  int64_t leastWholeRun_ = 0;
  std::size_t leastCopiedRun_ = 0;
  std::size_t blockRow_ = 0, rowInBlock_ = 0;  // where the next canvas row lies
  std::size_t line_ = 0;                       // the offset of the block row's first canvas row
  std::size_t first_ = 1, last_ = 0;  // the block row's run so far, none when first_ > last_
};
