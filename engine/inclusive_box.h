// inclusive_box.h - a box of the integer plane whose four edges are all
// inclusive, in 64 bits: a brush's pixels on the canvas, cells of the block
// grid and points of a walk alike. The changed rectangle the host reads has
// its right and bottom edges exclusive; only the code that writes it converts.
#pragma once

#include <cstdint>

struct InclusiveBox {
  int64_t left;
  int64_t top;
  int64_t right;
  int64_t bottom;
};

inline InclusiveBox unionOf(const InclusiveBox& a, const InclusiveBox& b) {
  return {a.left < b.left ? a.left : b.left, a.top < b.top ? a.top : b.top,
          a.right > b.right ? a.right : b.right, a.bottom > b.bottom ? a.bottom : b.bottom};
}

inline InclusiveBox offsetBy(const InclusiveBox& box, int64_t dx, int64_t dy) {
  return {box.left + dx, box.top + dy, box.right + dx, box.bottom + dy};
}

inline bool boxContains(const InclusiveBox& box, int64_t x, int64_t y) {
  return x >= box.left && x <= box.right && y >= box.top && y <= box.bottom;
}
