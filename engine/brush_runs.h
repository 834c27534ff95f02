// brush_runs.h - the brush as runs of ink, row by row, read once per call so
// that stamping works on runs instead of on every brush byte.
//
// The runs live in a fixed static scratch area; a brush with more rows or
// runs than it holds is not described (buildBrushRuns returns false) and the
// caller stamps pixel by pixel instead.
#pragma once

#include <cstdint>

#include "pen_context.h"

// Brush columns start..end, both inclusive, all ink (byte 0).
struct InkRun {
  int32_t start;
  int32_t end;
};

struct BrushRuns {
  int32_t width;
  int32_t height;
  const InkRun* runs;        // all runs, row after row, left to right
  const uint32_t* rowStart;  // runs of brush row r: runs[rowStart[r] .. rowStart[r + 1])
  int64_t inkPixels;         // in all runs together
};

// Reads the brush of `ctx` (which must have a width and height of at least 1).
bool buildBrushRuns(const PenContext* ctx, BrushRuns& out);
