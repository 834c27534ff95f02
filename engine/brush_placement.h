// brush_placement.h - where a brush lands for a point, and which points land
// it on the canvas.
//
// For a brush of width bw placed for the point px, the brush's left column is
// px - bw / 2 + 1 (division toward zero), for odd and even sizes alike: a
// 1 x 1 brush lands on (px + 1, py + 1), a 4 x 4 brush covers px - 1 .. px + 2.
#pragma once

#include <cstdint>

#include "inclusive_box.h"
#include "segment_walk.h"

// The canvas pixels under the brush placed for `p` (empty, right < left or
// bottom < top, for a size below 1).
inline InclusiveBox placeBrush(WalkPoint p, int32_t brushWidth, int32_t brushHeight) {
  const int64_t left = p.x - brushWidth / 2 + 1;
  const int64_t top = p.y - brushHeight / 2 + 1;
  return {left, top, left + brushWidth - 1, top + brushHeight - 1};
}

// The points whose brush overlaps a canvas of canvasWidth x canvasHeight.
// Returns false when no point does (an empty brush or canvas).
inline bool pointsReachingCanvas(int32_t brushWidth, int32_t brushHeight, int64_t canvasWidth,
                                 int64_t canvasHeight, InclusiveBox& points) {
  if (brushWidth <= 0 || brushHeight <= 0 || canvasWidth <= 0 || canvasHeight <= 0) return false;
  // left < W and left + bw > 0, with left = p - bw / 2 + 1.
  const int64_t halfW = brushWidth / 2, halfH = brushHeight / 2;
  points.left = halfW - brushWidth;
  points.right = canvasWidth + halfW - 2;
  points.top = halfH - brushHeight;
  points.bottom = canvasHeight + halfH - 2;
  return true;
}
