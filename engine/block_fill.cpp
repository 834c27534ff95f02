#include "block_fill.h"

#include <cstring>

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

void fillWideToneRow(uint8_t* out, const BlockGrid& grid, const PenContext* ctx, int64_t row,
                     int64_t first, int64_t length) {
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

bool maskAllows(const uint8_t* mask, const BitmapGeometry& canvas, int64_t left, int64_t top,
                int64_t width, int64_t height) {
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
