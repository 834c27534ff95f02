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

namespace {

// Calls f(row bytes, copy, n) for the brush's rows, or for all of them at
// once where they lie end to end (widths that are multiples of 4). False,
// calling nothing, when the brush is empty or too large to remember.
template <typename F>
bool forBrushRows(const PenContext* ctx, F f) {
  const BitmapGeometry brush = bitmapGeometry(ctx->brushHeader);
  if (brush.empty() || brush.width > kRememberedBrushBytes ||
      brush.height > kRememberedBrushBytes / brush.width)
    return false;
  const auto width = static_cast<std::size_t>(brush.width);
  // Without padding the rows lie end to end, in memory order (bottom up).
  if (brush.stride == brush.width)
    return f(ctx->brushBits, 0, width * static_cast<std::size_t>(brush.height));
  for (int64_t y = 0; y < brush.height; ++y)
    if (!f(ctx->brushBits + brush.offsetOf(0, y), static_cast<std::size_t>(y) * width, width))
      return false;
  return true;
}

}  // namespace

bool sameBrush(const RememberedBrush& remembered, const PenContext* ctx) {
  if (remembered.width != readHeaderField(ctx->brushHeader, 4) ||
      remembered.height != readHeaderField(ctx->brushHeader, 8))
    return false;
  return forBrushRows(ctx, [&](const uint8_t* row, std::size_t at, std::size_t n) {
    return std::memcmp(row, remembered.bytes + at, n) == 0;
  });
}

void rememberBrush(RememberedBrush& remembered, const PenContext* ctx) {
  remembered.width = remembered.height = 0;
  if (forBrushRows(ctx, [&](const uint8_t* row, std::size_t at, std::size_t n) {
        std::memcpy(remembered.bytes + at, row, n);
        return true;
      })) {
    remembered.width = readHeaderField(ctx->brushHeader, 4);
    remembered.height = readHeaderField(ctx->brushHeader, 8);
  }
}
