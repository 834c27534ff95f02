// footprint.h - where a left press puts the brush's ink and which blocks the
// pen fills there, by the pen's own rules (the README's "What the pen does,
// exactly"), for the outline the interactive stand-in draws under the
// pointer. No platform calls.
//
// Units are canvas pixels, y from the top, in 64 bits: a cursor anywhere a
// coordinate can be, a brush reaching past it, blocks as large as the pen
// reads them. Nothing here loops over a block's pixels or a box's: a press
// costs one pass over the brush, an outline a grid of the boxes' distinct
// edges, so that both run at every mouse move.
#pragma once

#include <cstdint>
#include <vector>

#include "document.h"

// Canvas pixels, left and top inclusive, right and bottom exclusive.
struct CanvasBox {
  int64_t left = 0, top = 0, right = 0, bottom = 0;
  bool empty() const { return left >= right || top >= bottom; }
};

struct Footprint {
  // The brush's ink: a box for each run of ink in a brush row, runs alike in
  // consecutive rows in one box. Not clipped: ink off the canvas paints
  // nothing but is shown.
  std::vector<CanvasBox> ink;
  // The blocks a press there fills, each clipped to the canvas; blocks side
  // by side in a block row are one box, and none overlap.
  std::vector<CanvasBox> blocks;
};

// What a left press at canvas (x, y) does: `brush` as the pen reads it
// (rows bottom-up, a byte of 0 is ink), blocks of blockWidth x blockHeight
// (as the pen parsed them; below 1 counts as 1), on a canvas of
// canvasWidth x canvasHeight.
Footprint pressFootprint(const Bitmap& brush, int32_t x, int32_t y, int64_t blockWidth,
                         int64_t blockHeight, int32_t canvasWidth, int32_t canvasHeight);

// A horizontal (y0 == y1) or vertical (x0 == x1) stretch of the boundary
// between pixels, in pixel-edge coordinates, x0 <= x1 and y0 <= y1.
struct EdgeSegment {
  int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool operator==(const EdgeSegment& o) const {
    return x0 == o.x0 && y0 == o.y0 && x1 == o.x1 && y1 == o.y1;
  }
};

// The boundary of the union of `boxes` (empty ones count for nothing):
// every stretch with the union on one side only, collinear stretches that
// meet joined into one, horizontal ones first, each kind in reading order.
std::vector<EdgeSegment> outline(const std::vector<CanvasBox>& boxes);
