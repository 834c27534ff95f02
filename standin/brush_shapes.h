// brush_shapes.h - the brushes a script or the interactive stand-in draws
// with, as ink cells: squares, discs, and shapes of one's own.
#pragma once

#include <cstdint>
#include <vector>

// Top row first, true for ink.
struct BrushShape {
  int32_t width = 1;
  int32_t height = 1;
  std::vector<bool> ink{true};
};

// The shapes of `brush square N` and `brush round N`.
BrushShape squareBrush(int32_t side);
BrushShape roundBrush(int32_t side);
