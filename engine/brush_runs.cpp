#include "brush_runs.h"

#include <cstring>

bool nextLongInkRun(const uint8_t* p, const uint8_t* end, const uint8_t*& runStart,
                    const uint8_t*& runEnd) {
  p = static_cast<const uint8_t*>(std::memchr(p, 0, static_cast<std::size_t>(end - p)));
  if (p == nullptr) return false;
  runStart = p;
  runEnd = skipInk(p, end);
  return true;
}

bool buildBrushRuns(const PenContext* ctx, RunScratch& scratch, BrushRuns& out) {
  const BitmapGeometry brush = bitmapGeometry(ctx->brushHeader);
  if (brush.empty() || brush.height > kMaxRunRows || brush.width > INT32_MAX) return false;
  uint32_t count = 0;
  int64_t ink = 0;
  for (int64_t r = 0; r < brush.height; ++r) {
    scratch.rowStart[r] = count;
    const uint8_t* row = ctx->brushBits + brush.offsetOf(0, r);
    const uint8_t* const end = row + brush.width;
    for (const uint8_t *p = row, *runEnd; nextInkRun(p, end, p, runEnd); p = runEnd) {
      if (count == kMaxRuns) return false;
      scratch.runs[count++] = {static_cast<int32_t>(p - row),
                               static_cast<int32_t>(runEnd - row - 1)};
      ink += runEnd - p;
    }
  }
  scratch.rowStart[brush.height] = count;
  out.width = static_cast<int32_t>(brush.width);
  out.height = static_cast<int32_t>(brush.height);
  out.runs = scratch.runs;
  out.rowStart = scratch.rowStart;
  out.inkPixels = ink;
  return true;
}
