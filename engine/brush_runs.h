// brush_runs.h - the brush as runs of ink, row by row, read once per call so
// that stamping works on runs instead of on every brush byte.
//
// The runs live in a RunScratch the caller provides (static storage: no
// heap); a brush with more rows or runs than it holds is not described
// (buildBrushRuns returns false) and the caller reads the brush bytes instead.
#pragma once

#include <cstdint>
#include <cstring>

#include "pen_context.h"

constexpr int64_t kMaxRunRows = 4096;
constexpr uint32_t kMaxRuns = 16384;

// Brush columns start..end, both inclusive, all ink (byte 0).
struct InkRun {
  int32_t start;
  int32_t end;
};

struct RunScratch {
  uint32_t rowStart[kMaxRunRows + 1];
  InkRun runs[kMaxRuns];
};

struct BrushRuns {
  int32_t width;
  int32_t height;
  const InkRun* runs;        // all runs, row after row, left to right
  const uint32_t* rowStart;  // runs of brush row r: runs[rowStart[r] .. rowStart[r + 1])
  int64_t inkPixels;         // in all runs together
};

// Reads the brush of `ctx` into `scratch`. False when the brush is empty or
// has more than kMaxRunRows rows or kMaxRuns runs.
bool buildBrushRuns(const PenContext* ctx, RunScratch& scratch, BrushRuns& out);

// A copy of the last brush read into runs, to know it again at the next
// call: a drag stamps one brush at every move, and comparing its bytes costs
// a fraction of reading them into runs once more (instruction counts of long
// strokes of discs, docs/performance.md). Brushes of more bytes than it
// holds are read every time.
constexpr int64_t kRememberedBrushBytes = 65536;
struct RememberedBrush {
  int64_t width;  // 0: none
  int64_t height;
  uint8_t bytes[kRememberedBrushBytes];
};

// Whether `remembered` holds the brush of `ctx`, byte for byte (its rows'
// pixels, not their padding).
bool sameBrush(const RememberedBrush& remembered, const PenContext* ctx);
// Keeps a copy of the brush of `ctx`, or none when it is too large.
void rememberBrush(RememberedBrush& remembered, const PenContext* ctx);

// skipInk reads eight brush bytes as one word, whose lowest byte must then be
// the first in memory.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the pen is built for x86");

// The index of the first byte of `word` that is not 0 (word != 0).
inline int firstNonZeroByte(uint64_t word) { return __builtin_ctzll(word) >> 3; }

// The first byte at or after p that is not ink (not 0), or end; a word at a
// time where eight bytes remain, as in most rows of squares and discs.
inline const uint8_t* skipInk(const uint8_t* p, const uint8_t* end) {
  if (end - p < 8) {
    while (p < end && *p == 0) ++p;
    return p;
  }
  const uint8_t* const lastWord = end - 8;
  uint64_t word;
  for (; p < lastWord; p += 8) {
    std::memcpy(&word, p, sizeof word);
    if (word != 0) return p + firstNonZeroByte(word);
  }
  // The last word overlaps bytes already known to be ink.
  std::memcpy(&word, lastWord, sizeof word);
  return word != 0 ? lastWord + firstNonZeroByte(word) : end;
}

// nextInkRun for ranges of 16 bytes or more: memchr and word-wide skips.
bool nextLongInkRun(const uint8_t* p, const uint8_t* end, const uint8_t*& runStart,
                    const uint8_t*& runEnd);

// The first run of ink (bytes 0) in p..end-1: sets runStart and runEnd (one
// past its last byte) and returns true, or returns false when there is none.
// Inline for the rows of small brushes, where a call costs more than the
// bytes.
inline bool nextInkRun(const uint8_t* p, const uint8_t* end, const uint8_t*& runStart,
                       const uint8_t*& runEnd) {
  if (end - p >= 16) return nextLongInkRun(p, end, runStart, runEnd);
  while (p < end && *p != 0) ++p;
  if (p == end) return false;
  runStart = p;
  runEnd = skipInk(p, end);
  return true;
}
