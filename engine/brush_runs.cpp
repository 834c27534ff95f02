#include "brush_runs.h"

#include <cstring>

namespace {

constexpr int64_t kMaxRows = 4096;
constexpr uint32_t kMaxRuns = 16384;

InkRun runScratch[kMaxRuns];
uint32_t rowStartScratch[kMaxRows + 1];

// The first byte at or after p that is not ink (not 0), or end; eight bytes
// at a time through long runs.
const uint8_t* skipInk(const uint8_t* p, const uint8_t* end) {
  for (uint64_t word; end - p >= 8; p += 8) {
    std::memcpy(&word, p, sizeof word);
    if (word != 0) break;
  }
  while (p < end && *p == 0) ++p;
  return p;
}

}  // namespace

bool buildBrushRuns(const PenContext* ctx, BrushRuns& out) {
  const BitmapGeometry brush = bitmapGeometry(ctx->brushHeader);
  if (brush.empty() || brush.height > kMaxRows || brush.width > INT32_MAX) return false;
  uint32_t count = 0;
  for (int64_t r = 0; r < brush.height; ++r) {
    rowStartScratch[r] = count;
    const uint8_t* row = ctx->brushBits + brush.offsetOf(0, r);
    const uint8_t* const end = row + brush.width;
    const uint8_t* p = row;
    while (p < end) {
      // Ink is 0: find the next 0, then the next non-zero after it.
      p = static_cast<const uint8_t*>(std::memchr(p, 0, static_cast<std::size_t>(end - p)));
      if (p == nullptr) break;
      const uint8_t* q = skipInk(p + 1, end);
      if (count == kMaxRuns) return false;
      runScratch[count++] = {static_cast<int32_t>(p - row), static_cast<int32_t>(q - row - 1)};
      p = q;
    }
  }
  rowStartScratch[brush.height] = count;
  out.width = static_cast<int32_t>(brush.width);
  out.height = static_cast<int32_t>(brush.height);
  out.runs = runScratch;
  out.rowStart = rowStartScratch;
  return true;
}
