#include "block_fill.h"

#include <cstring>

namespace {

// A canvas row of blocks wider than kToneLineBlockWidth: the first four
// blocks by hand, the rest by doubling copies. Out of line, as the rare case
// of paintBlockRun.
[[gnu::noinline]] void fillWideToneRow(uint8_t* out, const BlockGrid& grid, const PenContext* ctx,
                                       int64_t row, int64_t first, int64_t length) {
  const int64_t period = 4 * grid.width;
  int64_t done = 0;
  for (int64_t c = first; c < first + 4 && done < length; ++c) {
    const int64_t n = grid.width < length - done ? grid.width : length - done;
    std::memset(out + done, blockColour(grid, ctx, c, row), static_cast<std::size_t>(n));
    done += n;
  }
  for (int64_t chunk = period; done < length; chunk *= 2) {
    const int64_t n = chunk < length - done ? chunk : length - done;
    std::memcpy(out + done, out, static_cast<std::size_t>(n));
    done += n;
  }
}

// The runs CanvasRowFill does not copy from the tone lines itself: short
// ones, block by block, and those under the mask or of blocks too wide for
// tone lines, by paintBlockRun.
[[gnu::noinline]] void paintUncopiedRun(const BlockPainter& painter, std::size_t blockRow,
                                        std::size_t firstBlock, std::size_t lastBlock,
                                        int64_t leastWholeRun) {
  const auto row = static_cast<int64_t>(blockRow), first = static_cast<int64_t>(firstBlock),
             last = static_cast<int64_t>(lastBlock);
  if (last - first + 1 >= leastWholeRun || last - first >= kShortBlockRun)
    return paintBlockRun(painter, row, first, last);
  for (int64_t column = first; column <= last; ++column) paintBlock(painter, column, row);
}

}  // namespace

const ToneLine& buildToneLine(const BlockPainter& painter, int64_t row) {
  const BlockGrid& grid = *painter.grid;
  const PenContext* ctx = painter.ctx;
  ToneLines& lines = *painter.lines;
  if (!toneLinesSuit(painter)) {
    lines.ready = 0;  // built for other blocks or colours
    lines.blockWidth = grid.width;
    lines.tone = grid.tone;
    lines.primary = ctx->primaryColour;
    lines.secondary = ctx->secondaryColour;
  }
  ToneLine& line = lines.rows[row & 3];
  const int64_t unit = 4 * grid.width;
  const int64_t period = unit * ((kToneLineLeast + unit - 1) / unit);
  line.period = static_cast<std::size_t>(period);
  for (int64_t c = 0; c < 4; ++c)
    std::memset(line.bytes + c * grid.width, blockColour(grid, ctx, c, row),
                static_cast<std::size_t>(grid.width));
  for (int64_t done = unit; done < period + unit;) {
    const int64_t n = done < period + unit - done ? done : period + unit - done;
    std::memcpy(line.bytes + done, line.bytes, static_cast<std::size_t>(n));
    done += n;
  }
  lines.ready |= 1u << (row & 3);
  return line;
}

// Out of line: inlined into paintBlock's loops in this file, it took the
// registers of the unmasked blocks.
[[gnu::noinline]] bool maskAllows(const uint8_t* mask, const BitmapGeometry& canvas, int64_t left,
                                  int64_t top, int64_t width, int64_t height) {
  for (int64_t y = top; y < top + height; ++y) {
    const uint8_t* line = mask + canvas.offsetOf(left, y);
    if (std::memchr(line, 0, static_cast<std::size_t>(width)) != nullptr) return false;
  }
  return true;
}

void paintBlockRun(const BlockPainter& painter, int64_t row, int64_t first, int64_t last) {
  const BlockGrid& grid = *painter.grid;
  const BitmapGeometry& canvas = *painter.canvas;
  PenContext* const ctx = painter.ctx;
  if ((ctx->stateFlags & PCF_MASK) != 0) {
    // Each block is allowed or not on its own.
    for (int64_t c = first; c <= last; ++c) paintBlock(painter, c, row);
    return;
  }
  const int64_t left = first * grid.width;
  const int64_t top = row * grid.height;
  const int64_t end = (last + 1) * grid.width;
  const int64_t length = (end < canvas.width ? end : canvas.width) - left;
  const int64_t bottom = top + grid.height < canvas.height ? top + grid.height : canvas.height;
  uint8_t* const firstLine = ctx->canvasBits + canvas.offsetOf(left, top);
  if (grid.width <= kToneLineBlockWidth)
    copyToneRow(firstLine, toneLineFor(painter, row),
                static_cast<std::size_t>((first & 3) * grid.width),
                static_cast<std::size_t>(length));
  else
    fillWideToneRow(firstLine, grid, ctx, row, first, length);
  for (int64_t y = top + 1; y < bottom; ++y)
    copyBytes(ctx->canvasBits + canvas.offsetOf(left, y), firstLine,
              static_cast<std::size_t>(length));
}

void CanvasRowFill::begin(int64_t y, int64_t blockRows) {
  const BlockPainter& painter = *painter_;
  const bool many = blockRows >= kManyBlockRows;
  const bool copied = many && (painter.ctx->stateFlags & PCF_MASK) == 0 &&
                      painter.grid->width <= kToneLineBlockWidth;
  leastWholeRun_ = many ? kShortMergedRun : INT64_MAX;
  leastCopiedRun_ = copied ? std::size_t{kShortMergedRun} : SIZE_MAX;
  const int64_t blockRow = painter.grid->row(y);
  blockRow_ = static_cast<std::size_t>(blockRow);
  rowInBlock_ = static_cast<std::size_t>(y - blockRow * painter.grid->height);
  line_ = static_cast<std::size_t>((painter.canvas->height - 1 - blockRow * painter.grid->height) *
                                   painter.canvas->stride);
  // first_ and last_ hold no run: the last part's rows were all painted.
  // Copying whole runs of so many block rows needs every tone line: built
  // now, the copying need not ask.
  if (leastCopiedRun_ != SIZE_MAX)
    for (int64_t r = 0; r < 4; ++r) toneLineFor(painter, r);
}

void CanvasRowFill::paintRows(const RowBlocks* rows, std::size_t n, bool last) {
  // On locals: the loop keeps them in registers across the canvas stores.
  const BlockPainter& painter = *painter_;
  uint8_t* const bits = painter.ctx->canvasBits;
  const auto stride = static_cast<std::size_t>(painter.canvas->stride);
  const auto width = static_cast<std::size_t>(painter.canvas->width);
  const auto height = static_cast<std::size_t>(painter.canvas->height);
  const auto blockWidth = static_cast<std::size_t>(painter.grid->width);
  const auto blockHeight = static_cast<std::size_t>(painter.grid->height);
  const std::size_t leastCopiedRun = leastCopiedRun_;
  const ToneLine* const lines = painter.lines->rows;
  std::size_t line = line_, blockRow = blockRow_, rowInBlock = rowInBlock_;
  if (blockHeight == 1 && leastCopiedRun != SIZE_MAX) {
    // A canvas row is a block row: nothing to merge, and a loop of few
    // values, which for 1 x 1 blocks costs about half the one below.
    for (const RowBlocks* row = rows; row != rows + n; ++row, line -= stride, ++blockRow) {
      if (row->first > row->last) continue;
      const auto a = static_cast<std::size_t>(row->first);
      const auto b = static_cast<std::size_t>(row->last);
      if (b - a + 1 < leastCopiedRun) {
        paintUncopiedRun(painter, blockRow, a, b, leastWholeRun_);
        continue;
      }
      const std::size_t left = a * blockWidth, end = b * blockWidth + blockWidth;
      copyToneRow(bits + line + left, lines[blockRow & 3], (a & 3) * blockWidth,
                  (end < width ? end : width) - left);
    }
    line_ = line;
    blockRow_ = blockRow;
    return;
  }
  std::size_t first = first_, lastBlock = last_;
  auto paint = [&] {
    if (lastBlock - first + 1 < leastCopiedRun) {
      paintUncopiedRun(painter, blockRow, first, lastBlock, leastWholeRun_);
      return;
    }
    const std::size_t left = first * blockWidth, end = lastBlock * blockWidth + blockWidth;
    const std::size_t length = (end < width ? end : width) - left;
    const std::size_t top = blockRow * blockHeight;
    const std::size_t rowsHere = height - top > blockHeight ? blockHeight : height - top;
    const ToneLine& tone = lines[blockRow & 3];
    uint8_t* const out = bits + line + left;
    copyToneRow(out, tone, (first & 3) * blockWidth, length);
    // The other rows in one copy each: from the tone line where it holds
    // the whole row (reading back the row just written would wait for its
    // stores), else from that row (the tone line would take several).
    const uint8_t* const from = length <= tone.period ? tone.bytes + (first & 3) * blockWidth : out;
    for (std::size_t k = 1; k < rowsHere; ++k) copyBytes(out - k * stride, from, length);
  };
  for (const RowBlocks* row = rows; row != rows + n; ++row) {
    if (row->first <= row->last) {
      const auto a = static_cast<std::size_t>(row->first);
      const auto b = static_cast<std::size_t>(row->last);
      if (first <= lastBlock && a <= lastBlock + 1 && b + 1 >= first) {
        if (a < first) first = a;
        if (b > lastBlock) lastBlock = b;
      } else {
        if (first <= lastBlock) paint();
        first = a;
        lastBlock = b;
      }
    }
    if (++rowInBlock == blockHeight) {
      if (first <= lastBlock) paint();
      first = 1;
      lastBlock = 0;
      rowInBlock = 0;
      ++blockRow;
      line -= blockHeight * stride;
    }
  }
  if (last && first <= lastBlock) {
    paint();
    first = 1;
    lastBlock = 0;
  }
  line_ = line;
  blockRow_ = blockRow;
  rowInBlock_ = rowInBlock;
  first_ = first;
  last_ = lastBlock;
}
