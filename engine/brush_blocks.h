// brush_blocks.h - which blocks a brush stamps at one placement: the order in
// which ink pixels stamp and the column tracker, written once.
//
// Walking the ink pixels of a brush row left to right, a pixel stamps its
// block unless its block column equals that of the last stamped pixel; that
// column (the tracker) starts at -1 for each placement and carries from one
// brush row to the next. Along a run of ink the columns only grow, so a run
// stamps every block column it touches except a first one equal to the
// tracker, and leaves the tracker at its last column. With blocks one pixel
// wide there is no tracker: every ink pixel stamps.
#pragma once

#include <cstdint>

#include "block_grid.h"
#include "block_sink.h"
#include "brush_runs.h"
#include "inclusive_box.h"
#include "pen_context.h"

// The part of a placed brush that lies on the canvas.
struct VisibleBrush {
  int64_t left;  // canvas column and row of the first visible brush pixel
  int64_t top;
  int64_t column;  // brush column and row of that pixel
  int64_t row;
  int64_t width;  // visible size, at least 1 x 1
  int64_t height;
};

// Clips a brush of width x height placed with its top-left pixel at
// (left, top) to the canvas. False when nothing of it is visible.
bool clipBrush(int64_t left, int64_t top, int64_t width, int64_t height,
               const BitmapGeometry& canvas, VisibleBrush& out);

// The blocks (columns and rows of the grid) covering the canvas pixels of
// `visible`.
InclusiveBox blockBoxOf(const VisibleBrush& visible, const BlockGrid& grid);

// Where the ink of a brush is read from: its run list when one was built,
// else its bytes, run by run as they are met.
struct InkSource {
  const BrushRuns* runs;  // null: read the bytes
  const uint8_t* bits;
  BitmapGeometry brush;
};

// Hands to `sink` every block the ink pixels of `visible` stamp, in the order
// they stamp, as runs of block columns within a block row.
void addBrushBlocks(const InkSource& ink, const VisibleBrush& visible, const BlockGrid& grid,
                    const BlockSink& sink);
