// brush_placement.h - where a brush lands for a point, and which points land
// it on the canvas.
//
// For a brush of width bw placed for the point px, the brush's left column is
// px - bw / 2 + 1 (division toward zero), for odd and even sizes alike: a
// 1 x 1 brush lands on (px + 1, py + 1), a 4 x 4 brush covers px - 1 .. px + 2.
#pragma once

#include <cstdint>

#include "segment_walk.h"

// Right and bottom exclusive.
struct BrushRect {
  int64_t left;
  int64_t top;
  int64_t right;
  int64_t bottom;
};

inline BrushRect placeBrush(WalkPoint p, int32_t brushWidth, int32_t brushHeight) {
  BrushRect rect;
  rect.left = p.x - brushWidth / 2 + 1;
  rect.top = p.y - brushHeight / 2 + 1;
  rect.right = rect.left + brushWidth;
  rect.bottom = rect.top + brushHeight;
  return rect;
}

inline BrushRect unionOf(const BrushRect& a, const BrushRect& b) {
  return {a.left < b.left ? a.left : b.left, a.top < b.top ? a.top : b.top,
          a.right > b.right ? a.right : b.right, a.bottom > b.bottom ? a.bottom : b.bottom};
}

// The points whose brush overlaps a canvas of canvasWidth x canvasHeight.
// Returns false when no point does (an empty brush or canvas).
inline bool pointsReachingCanvas(int32_t brushWidth, int32_t brushHeight, int64_t canvasWidth,
                                 int64_t canvasHeight, PointBox& box) {
  if (brushWidth <= 0 || brushHeight <= 0 || canvasWidth <= 0 || canvasHeight <= 0) return false;
  // left < W and left + bw > 0, with left = p - bw / 2 + 1.
  const int64_t halfW = brushWidth / 2, halfH = brushHeight / 2;
  box.left = halfW - brushWidth;
  box.right = canvasWidth + halfW - 2;
  box.top = halfH - brushHeight;
  box.bottom = canvasHeight + halfH - 2;
  return true;
}
