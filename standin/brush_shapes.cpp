#include "brush_shapes.h"

#include <cstddef>

BrushShape squareBrush(int32_t side) {
  BrushShape b;
  b.width = b.height = side;
  b.ink.assign(static_cast<std::size_t>(side) * static_cast<std::size_t>(side), true);
  return b;
}

// Pixel centres, in half-pixel units from the brush centre, within a circle
// a little inside the square's inscribed one, so that 3 is a plus sign and 5
// has its corners cut, as pixel artists draw small discs.
BrushShape roundBrush(int32_t side) {
  BrushShape b;
  b.width = b.height = side;
  b.ink.clear();
  const int64_t limit = int64_t{side} * side - side + 1;
  for (int32_t y = 0; y < side; ++y)
    for (int32_t x = 0; x < side; ++x) {
      const int64_t dx = 2 * x + 1 - side, dy = 2 * y + 1 - side;
      b.ink.push_back(dx * dx + dy * dy <= limit);
    }
  return b;
}
