#include "stamp_job.h"

#include <cstring>

bool readNewBrush(StampJob& job) {
  StampScratch& scratch = *job.scratch;
  scratch.brushHasRuns = buildBrushRuns(job.ctx, scratch.runs, scratch.brushRuns);
  scratch.profileKnown.madeForBlocks = scratch.sweepKnown.madeForBlocks = PlanBlocks::notMade;
  rememberBrush(scratch.brush, job.ctx);
  return scratch.brushHasRuns;
}

namespace {

// Whether n bytes (a multiple of 4) at a and b agree, eight at a time:
// where a call to memcmp costs more than the bytes.
bool sameWords(const uint8_t* a, const uint8_t* b, std::size_t n) {
  uint64_t differ = 0;
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t x, y;
    std::memcpy(&x, a + i, 8);
    std::memcpy(&y, b + i, 8);
    differ |= x ^ y;
  }
  if (i < n) {
    uint32_t x, y;
    std::memcpy(&x, a + i, 4);
    std::memcpy(&y, b + i, 4);
    differ |= x ^ y;
  }
  return differ == 0;
}

// Apart, so that the small brushes' path keeps its values in registers:
// beside the calls of this one it lost them (the tiny strokes of the dot in
// tiny_strokes showed it).
[[gnu::noinline]] bool searchLargeBrush(StampJob& job) {
  int64_t found = 0;
  for (int64_t y = 0; y < job.brush.height; ++y) {
    const uint8_t* row = job.ctx->brushBits + job.brush.offsetOf(0, y);
    const uint8_t* const end = row + job.brush.width;
    for (const uint8_t* p = row;
         (p = static_cast<const uint8_t*>(std::memchr(p, 0, static_cast<std::size_t>(end - p))));
         ++p) {
      if (++found > 1) return false;
      job.inkColumn = p - row;
      job.inkRow = y;
    }
  }
  return found == 1;
}

// Searches a small brush and keeps it with what was found.
[[gnu::noinline]] void searchSmallBrush(StampJob& job, SmallBrushInk& kept) {
  const int64_t width = job.brush.width, height = job.brush.height;
  int64_t found = 0;
  for (int64_t y = 0; y < height; ++y) {
    const uint8_t* row = job.ctx->brushBits + job.brush.offsetOf(0, y);
    for (int64_t x = 0; x < width; ++x)
      if (row[x] == 0 && ++found == 1) {
        kept.inkColumn = x;
        kept.inkRow = y;
      }
  }
  std::memcpy(kept.bytes, job.ctx->brushBits, static_cast<std::size_t>(height * job.brush.stride));
  kept.oneInk = found == 1;
  kept.width = width;
  kept.height = height;
}

}  // namespace

// The whole of a small brush's memory is compared, its rows' padding too: a
// host that changes the padding only makes the brush searched again.
bool searchOnlyInkPixel(StampJob& job) {
  const int64_t width = job.brush.width, height = job.brush.height;
  if (width <= 0 || height <= 0 || width * height > kSmallBrushPixels) return searchLargeBrush(job);
  SmallBrushInk& kept = job.scratch->smallInk;
  if (kept.width != width || kept.height != height ||
      !sameWords(job.ctx->brushBits, kept.bytes,
                 static_cast<std::size_t>(height * job.brush.stride)))
    searchSmallBrush(job, kept);
  job.inkColumn = kept.inkColumn;
  job.inkRow = kept.inkRow;
  return kept.oneInk;
}
