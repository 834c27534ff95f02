// The shipped engine against the literal one, down every stamping path: case
// n seeds the generator with n and builds a random canvas, mask, brush, block
// grid and a few stamping calls, now and then followed by calls with other
// pens the host picks; the literal engine runs them once, and the fast engine
// runs them once as it chooses its paths and once more with each path of the
// table forced (a forced path runs for every call it applies to).
// Every byte of the canvas (row padding and guard bytes included), the
// changed rectangle and the flags must agree.
//
//   TESSALY_DIFF_CASES=N        run N cases instead of the default
//   TESSALY_DIFF_CASE=N         run case N only, and print what it does
//   TESSALY_DIFF_PATH=name      only that path ("chosen": the engine's choice)
//
// At the end the test prints, for every row of the table, how many cases and
// calls it stamped, chosen and forced, and fails when a row took less than
// its least share of the cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "block_engine.h"
#include "block_fill.h"
#include "block_grid.h"
#include "block_set.h"
#include "brush_runs.h"
#include "literal_engine.h"
#include "segment_sweep.h"
#include "stamp_paths.h"
#include "support/poison_stack.h"
#include "support/seeded_random.h"
#include "support/test_bitmap.h"

namespace {

using testing_support::brushFromRows;
using testing_support::poisonStack;
using testing_support::ScopedBlockParams;
using testing_support::TestBitmap;
using testing_support::TestPen;

using testing_support::Random;

// One stamping call.
struct Call {
  enum Kind { brush, atCursor, segment } kind;
  uint32_t primary, secondary;
  int32_t x, y;                      // the cursor
  int32_t fromX, fromY;              // segment
  int32_t left, top, width, height;  // stampBrush
  bool newBlocks;                    // the block size changes first, as at a press
  int32_t blockW, blockH;
  int32_t newTone;       // and the tone, when 0 or more
  int32_t editX, editY;  // and the host flips this brush pixel, when editX >= 0
  bool newBrush;         // the host picks the next of the case's later brushes first
};

struct Case {
  int32_t canvasW, canvasH;
  TestBitmap brush;
  uint8_t background;
  uint32_t flags;
  std::vector<std::pair<int32_t, int32_t>> maskZeros;
  int32_t blockW, blockH, tone;
  std::vector<Call> calls;
  std::string description;
  std::vector<TestBitmap> laterBrushes;
  uint8_t poison = 0x7F;  // the stack's bytes at each call
};

// Brush kinds: one run a row (squares, discs, drifting spans), random ink,
// ragged rows of runs, the pens people use most (1 x 1 and one ink pixel),
// and now and then none at all.
TestBitmap randomBrush(Random& rnd, int32_t largest, std::ostream& log) {
  const int kind = rnd.chance(3) ? 10 : rnd.between(0, 9);
  const int32_t w = kind == 0 ? 1 : rnd.between(1, largest);
  const int32_t h = kind == 0 ? 1 : rnd.chance(20) ? w : rnd.between(1, largest);
  TestBitmap brush(w, h, 1);
  brush.setPadding(0);  // padding is not ink: it lies outside the brush
  const int density = rnd.between(5, 95);
  std::vector<std::pair<int32_t, int32_t>> spans(static_cast<std::size_t>(h));
  for (int32_t y = 0; y < h; ++y) {
    if (kind == 5) {
      const int32_t inset = std::abs(2 * y + 1 - h) * (w - 1) / (2 * h);
      spans[static_cast<std::size_t>(y)] = {inset, w - 1 - inset};
    } else {
      const int32_t a = rnd.between(0, w - 1);
      spans[static_cast<std::size_t>(y)] = {a, rnd.between(a, w - 1)};
    }
  }
  const int32_t inkX = rnd.between(0, w - 1), inkY = rnd.between(0, h - 1);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      bool ink = true;
      if (kind == 1) {
        ink = x == inkX && y == inkY;
      } else if (kind == 2) {  // a disc
        const int64_t dx = 2 * x + 1 - w, dy = 2 * y + 1 - h;
        ink = dx * dx * h * h + dy * dy * w * w <= int64_t{w} * w * h * h;
      } else if (kind == 3) {
        ink = rnd.between(0, 99) < density;
      } else if (kind == 4) {  // ragged rows of runs
        ink = (x / (1 + (y % 5))) % 2 == 0;
      } else if (kind >= 5 && kind <= 7) {  // one run a row, as squares and discs have
        const auto& span = spans[static_cast<std::size_t>(y)];
        ink = x >= span.first && x <= span.second;
      } else if (kind == 10) {
        ink = false;
      }  // else all ink
      brush.at(x, y) = ink ? 0 : static_cast<uint8_t>(rnd.between(1, 255));
    }
  log << "brush " << w << "x" << h << " kind " << kind << "\n";
  return brush;
}

// Mostly small blocks; a tenth of them 33 to 64 or wider, so that runs of
// wide blocks fill the prepared tone lines to their ends and beyond.
int32_t randomBlockSize(Random& rnd) {
  const int pick = rnd.between(0, 99);
  if (pick < 4) return rnd.between(-2, 0);
  if (pick < 8) return rnd.chance(50) ? rnd.between(33, 64) : rnd.between(62, 66);
  if (pick < 11)
    return rnd.chance(80) ? rnd.between(65, 300) : rnd.between(INT32_MAX - 2, INT32_MAX);
  return rnd.between(1, 20);
}

int32_t randomCoordinate(Random& rnd, int32_t extent) {
  if (rnd.chance(4))
    return rnd.chance(50) ? INT32_MIN + rnd.between(0, 3) : INT32_MAX - rnd.between(0, 3);
  if (rnd.chance(8)) return rnd.between(-2000000000, 2000000000);
  return rnd.between(-45, extent + 45);
}

int32_t nearby(int32_t v, int32_t offset) {
  const int64_t sum = int64_t{v} + offset;
  return sum < INT32_MIN ? INT32_MIN : sum > INT32_MAX ? INT32_MAX : static_cast<int32_t>(sum);
}

// No ink, in bytes of 1 that a flipped pixel flipped again restores; padding 0.
TestBitmap blankBrush(int32_t w, int32_t h) {
  TestBitmap brush(w, h, 1);
  brush.setPadding(0);
  return brush;
}

// The pens a host picks between strokes, which the engine compares with
// what it kept of the pen before.
TestBitmap laterBrush(Random& rnd, const TestBitmap& before, std::ostream& log) {
  const int32_t w = before.width(), h = before.height();
  switch (rnd.between(0, 6)) {
    case 0:
    case 5: {  // the same width, another height: its top rows or its bottom ones
      const int32_t cut = h > 1 && rnd.chance(80) ? rnd.between(1, h - 1) : h + rnd.between(1, 3);
      const bool top = rnd.chance(50);
      TestBitmap brush = blankBrush(w, cut);
      for (int32_t y = 0; y < cut; ++y)  // grown, the new rows without ink
        if (const int32_t from = top ? y : h - cut + y; from >= 0 && from < h)
          for (int32_t x = 0; x < w; ++x) brush.at(x, y) = before.at(x, from);
      log << "the brush cut to " << w << "x" << cut << (top ? ", its top rows\n" : "\n");
      return brush;
    }
    case 1: {  // too large to remember: a square of more than 64 KiB
      const int32_t side = rnd.between(257, 270);
      log << "brush " << side << "x" << side << " square\n";
      return TestBitmap(side, side, 0);
    }
    case 2:
    case 6: {  // a small pen, a line one pixel wide, or a larger brush: one ink pixel or none
      const int shape = rnd.between(0, 2);
      int32_t bw = rnd.between(1, 8), bh = rnd.between(1, 64 / bw);
      if (shape == 1) bh = rnd.chance(50) ? rnd.between(2, 64) : rnd.between(65, 130), bw = 1;
      if (shape == 2) bw = rnd.between(9, 40), bh = rnd.between(9, 40);
      if (shape == 1 && rnd.chance(50)) std::swap(bw, bh);
      TestBitmap brush = blankBrush(bw, bh);
      const bool ink = rnd.chance(75);
      if (ink) brush.at(rnd.between(0, bw - 1), rnd.between(0, bh - 1)) = 0;
      log << "brush " << bw << "x" << bh << (ink ? " of one ink pixel\n" : " without ink\n");
      return brush;
    }
    case 3: {  // one run a row of two pixels or more, its ends drifting in and out
      const int32_t bw = rnd.between(3, 12), bh = rnd.between(2, 6);
      TestBitmap brush = blankBrush(bw, bh);
      int32_t a = rnd.between(0, bw - 2), b = rnd.between(a + 1, bw - 1);
      const int32_t drift = rnd.chance(50) ? 0 : 1;
      for (int32_t y = 0; y < bh; ++y) {
        for (int32_t x = a; x <= b; ++x) brush.at(x, y) = 0;
        a = std::clamp(a + rnd.between(-drift, drift), 0, bw - 2);
        b = std::clamp(b + rnd.between(-3, 3), a + 1, bw - 1);
      }
      log << "brush " << bw << "x" << bh << " of drifting runs\n";
      return brush;
    }
    default:  // the pen as picked, its edits undone
      log << "the brush edited back\n";
      return before;
  }
}

// Now and then, after the case's calls, the host picks other pens and
// stamps with each, editing them in place and undoing the edits; from a
// generator of their own, so that the calls before stay as they were.
void addPenChanges(Case& c, uint32_t n, std::ostream& log) {
  Random rnd(n ^ 0x9E3779B9u);
  c.poison = rnd.chance(80) ? 0x7F : rnd.chance(50) ? 0x00 : 0xFF;
  if (c.poison != 0x7F) log << "the stack's bytes " << int{c.poison} << "\n";
  if (!rnd.chance(40)) return;
  const int calls = rnd.between(2, 6);
  TestBitmap brush = c.brush;
  int32_t editX = -1, editY = -1;
  for (int i = 0; i < calls; ++i) {
    Call call{};
    call.primary = static_cast<uint32_t>(rnd.between(0, 2));
    call.secondary = rnd.bits();
    call.editX = -1;
    const int what = rnd.between(0, 9);
    if (brush.width() * brush.height() > 65536) {
      // After a brush too large to remember, the one before it again.
      const TestBitmap next = c.laterBrushes.size() > 1 ? c.laterBrushes.end()[-2] : c.brush;
      log << "the brush before again\n";
      c.laterBrushes.push_back(next);
      brush = next;
      call.newBrush = true;
      editX = -1;
    } else if (what < 4) {
      TestBitmap next = laterBrush(rnd, brush, log);
      c.laterBrushes.push_back(next);
      brush = next;
      call.newBrush = true;
      editX = -1;
    } else if (what < 8) {  // a pixel flipped, often in the last word of the brush's memory
      const bool undo = editX >= 0 && rnd.chance(50);
      call.editX = undo             ? editX
                   : rnd.chance(50) ? brush.width() - 1
                                    : rnd.between(0, brush.width() - 1);
      call.editY = undo ? editY : rnd.chance(50) ? 0 : rnd.between(0, brush.height() - 1);
      editX = call.editX;
      editY = call.editY;
      log << "brush pixel (" << call.editX << ", " << call.editY << ") flipped\n";
    }
    call.x = rnd.between(-10, c.canvasW + 10);
    call.y = rnd.between(-10, c.canvasH + 10);
    call.kind =
        brush.width() * brush.height() > 65536 || rnd.chance(30) ? Call::atCursor : Call::segment;
    call.fromX = nearby(call.x, rnd.between(-30, 30));
    call.fromY = nearby(call.y, rnd.between(-30, 30));
    if (rnd.chance(20)) {  // down across the whole canvas and past its bottom
      call.fromX = call.x;
      call.fromY = rnd.between(-20, 0);
      call.y = c.canvasH - 1 + rnd.between(0, 20);
    }
    if (call.kind == Call::atCursor)
      log << "stampAtCursor at (" << call.x << ", " << call.y << ")\n";
    else
      log << "stampSegment (" << call.fromX << ", " << call.fromY << ") to (" << call.x << ", "
          << call.y << ")\n";
    c.calls.push_back(call);
  }
}

Case randomCase(uint32_t n) {
  Random rnd(n);
  std::ostringstream log;
  Case c;
  // Now and then a strip longer than a block set has rows or a sweep takes
  // points, so that segments along it are split.
  const int shape = rnd.between(0, 199);
  if (shape < 2) {
    c.canvasW = rnd.between(1, 24);
    c.canvasH = rnd.between(8180, 8300);
  } else if (shape < 4) {
    c.canvasW = rnd.between(16370, 16500);
    c.canvasH = rnd.between(1, 6);
  } else if (shape < 10) {
    c.canvasW = rnd.between(200, 700);
    c.canvasH = rnd.between(1, 60);
  } else {
    c.canvasW = rnd.between(1, 97);
    c.canvasH = rnd.between(1, 80);
  }
  // A quarter of brushes of at most 8 x 8, the pens people use most, which
  // the engine keeps and compares whole.
  c.brush = randomBrush(rnd, shape < 4 ? 6 : shape < 10 ? 200 : shape < 60 ? 8 : 40, log);
  c.background = static_cast<uint8_t>(rnd.between(0, 255));
  const bool masked = rnd.chance(30);
  c.flags = (rnd.bits() & ~PCF_MASK & ~PCF_DRAWN) | (masked ? PCF_MASK : 0);
  const int zeros = rnd.between(0, 20);
  for (int z = 0; z < zeros; ++z)
    c.maskZeros.push_back({rnd.between(0, c.canvasW - 1), rnd.between(0, c.canvasH - 1)});
  c.blockW = randomBlockSize(rnd);
  c.blockH = randomBlockSize(rnd);
  c.tone = rnd.chance(5) ? rnd.between(-5, 25) : rnd.between(0, 16);
  log << "canvas " << c.canvasW << "x" << c.canvasH << " blocks " << c.blockW << "x" << c.blockH
      << " tone " << c.tone << (masked ? " masked" : "") << "\n";

  const int calls = rnd.between(1, 4);
  int32_t blockW = c.blockW, blockH = c.blockH;  // as the calls leave them
  uint32_t lastPrimary = 0, lastSecondary = 0;
  for (int i = 0; i < calls; ++i) {
    Call call{};
    // Colours often repeat, so that what the engine keeps while they stay is
    // checked when the tone or the blocks change instead.
    const auto colour = [&](uint32_t before) {
      if (rnd.chance(40)) return before;
      return rnd.chance(50) ? static_cast<uint32_t>(rnd.between(0, 2)) : rnd.bits();
    };
    call.primary = lastPrimary = colour(lastPrimary);
    call.secondary = lastSecondary = colour(lastSecondary);
    // Now and then a new block size: one side only, often to 0, so that
    // whatever the engine keeps of the last grid must notice the change.
    if (i > 0 && rnd.chance(15)) {
      const int which = rnd.between(0, 3);
      call.newBlocks = true;
      blockW = call.blockW = which == 1 ? blockW : rnd.chance(30) ? 0 : randomBlockSize(rnd);
      blockH = call.blockH = which == 0 ? blockH : rnd.chance(30) ? 0 : randomBlockSize(rnd);
      log << "blocks " << call.blockW << "x" << call.blockH << "\n";
    }
    call.newTone = i > 0 && rnd.chance(15) ? rnd.between(0, 16) : -1;
    if (call.newTone >= 0) log << "tone " << call.newTone << "\n";
    // Now and then the host edits the brush in place between two calls,
    // keeping its size: whatever the engine keeps of the last brush must
    // notice. Often in a corner, where a comparison that stops a word short
    // or starts a word late would miss it.
    call.editX = -1;
    if (i > 0 && rnd.chance(15)) {
      const int32_t w = c.brush.width(), h = c.brush.height();
      const bool corner = rnd.chance(50);
      call.editX = corner ? (rnd.chance(50) ? 0 : w - 1) : rnd.between(0, w - 1);
      call.editY = corner ? (rnd.chance(50) ? 0 : h - 1) : rnd.between(0, h - 1);
      log << "brush pixel (" << call.editX << ", " << call.editY << ") flipped\n";
    }
    const int kind = rnd.between(0, 9);
    call.x = randomCoordinate(rnd, c.canvasW);
    call.y = randomCoordinate(rnd, c.canvasH);
    // Mostly short moves, the commonest of all; some long enough to leave the
    // canvas or to split.
    const int32_t reach = rnd.chance(30) ? 4 : rnd.chance(70) ? 60 : shape < 4 ? 17000 : 300;
    call.fromX = nearby(call.x, rnd.between(-reach, reach));
    call.fromY = nearby(call.y, rnd.between(-reach, reach));
    if (rnd.chance(10)) call.fromX = randomCoordinate(rnd, c.canvasW);
    if (rnd.chance(10)) call.fromY = randomCoordinate(rnd, c.canvasH);
    if (kind == 0) {
      call.kind = Call::brush;
      call.left = rnd.between(-45, c.canvasW + 5);
      call.top = rnd.between(-45, c.canvasH + 5);
      // The whole brush, a part of it, or more than it has.
      auto extent = [&](int32_t size) {
        return rnd.chance(40)   ? size
               : rnd.chance(80) ? rnd.between(-2, size)
                                : size + rnd.between(1, 3);
      };
      call.width = extent(c.brush.width());
      call.height = extent(c.brush.height());
      log << "stampBrush(" << call.left << ", " << call.top << ", " << call.width << ", "
          << call.height << ")\n";
    } else if (kind <= 3) {
      call.kind = Call::atCursor;
      log << "stampAtCursor at (" << call.x << ", " << call.y << ")\n";
    } else {
      call.kind = Call::segment;
      log << "stampSegment (" << call.fromX << ", " << call.fromY << ") to (" << call.x << ", "
          << call.y << ")\n";
    }
    c.calls.push_back(call);
  }
  addPenChanges(c, n, log);
  c.description = log.str();
  return c;
}

struct Result {
  std::vector<uint8_t> canvas;
  std::vector<TestPen::Rect> changed;
  std::vector<uint32_t> flags;
  bool untouched = true;
};

// Runs the calls of `c` through the literal engine or the fast one.
Result run(const Case& c, bool literalEngine) {
  TestPen pen(c.canvasW, c.canvasH, c.brush);
  pen.canvas.fill(c.background);
  pen.canvas.setPadding(0xEE);
  pen.ctx.stateFlags = c.flags;
  for (const auto& [x, y] : c.maskZeros) pen.mask.at(x, y) = 0;
  ScopedBlockParams params(c.blockW, c.blockH, c.tone);
  Result result;
  std::size_t nextBrush = 0;
  for (const Call& call : c.calls) {
    if (call.newBrush) {
      pen.brush = c.laterBrushes[nextBrush++];
      pen.wire();
    }
    if (call.newBlocks) {
      blockWidth = call.blockW;
      blockHeight = call.blockH;
    }
    if (call.newTone >= 0) strokeTone = call.newTone;
    if (call.editX >= 0) {
      uint8_t& pixel = pen.brush.at(call.editX, call.editY);
      pixel = pixel == 0 ? 1 : 0;
    }
    pen.ctx.primaryColour = call.primary;
    pen.ctx.secondaryColour = call.secondary;
    pen.setCursor(call.x, call.y);
    poisonStack(c.poison);
    if (call.kind == Call::brush)
      (literalEngine ? literal::stampBrush : stampBrush)(call.left, call.top, call.width,
                                                         call.height, &pen.ctx);
    else if (call.kind == Call::atCursor)
      (literalEngine ? literal::stampAtCursor : stampAtCursor)(&pen.ctx);
    else
      (literalEngine ? literal::stampSegment : stampSegment)(call.fromX, call.fromY, &pen.ctx);
    result.changed.push_back(pen.changed());
    result.flags.push_back(pen.ctx.stateFlags);
  }
  result.canvas = pen.canvas.storage();
  result.untouched = pen.untouchedOutsideCanvas();
  return result;
}

// "chosen", then the rows of the table.
std::vector<std::string> pathNames() {
  std::vector<std::string> names{"chosen"};
  for (int i = 0; i < kStampPathCount; ++i) names.push_back(stampPathName(i));
  return names;
}

// For each row of the table: the cases and calls it stamped when the engine
// chose, and when it was forced.
struct PathTally {
  int64_t chosenCases = 0, chosenCalls = 0;
  int64_t forcedCases = 0, forcedCalls = 0;
};

std::vector<PathTally> tally(kStampPathCount);

// Runs `c` down every path (or `only`) and compares each with `expected`.
void checkPaths(const Case& c, const Result& expected, const std::string& what,
                const std::string& only) {
  const std::vector<std::string> names = pathNames();
  for (std::size_t p = 0; p < names.size(); ++p) {
    if (!only.empty() && names[p] != only) continue;
    const int forced = static_cast<int>(p) - 1;
    ASSERT_TRUE(forceStampPath(forced < 0 ? nullptr : names[p].c_str()));
    std::vector<int64_t> before;
    for (int row = 0; row < kStampPathCount; ++row) before.push_back(stampPathUses(row));
    const Result got = run(c, false);
    forceStampPath(nullptr);
    for (int row = 0; row < kStampPathCount; ++row) {
      const int64_t uses = stampPathUses(row) - before[static_cast<std::size_t>(row)];
      PathTally& t = tally[static_cast<std::size_t>(row)];
      if (uses == 0 || (forced >= 0 && row != forced)) continue;
      ++(forced < 0 ? t.chosenCases : t.forcedCases);
      (forced < 0 ? t.chosenCalls : t.forcedCalls) += uses;
    }
    const std::string where = what + " down path " + names[p] + "\n" + c.description;
    ASSERT_EQ(got.canvas, expected.canvas) << where;
    ASSERT_EQ(got.changed, expected.changed) << where;
    ASSERT_EQ(got.flags, expected.flags) << where;
    ASSERT_TRUE(got.untouched) << where;
  }
}

uint32_t envNumber(const char* name, uint32_t fallback) {
  const char* v = std::getenv(name);
  return v ? static_cast<uint32_t>(std::strtoul(v, nullptr, 10)) : fallback;
}

std::string envText(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

void printTally() {
  for (int row = 0; row < kStampPathCount; ++row) {
    const PathTally& t = tally[static_cast<std::size_t>(row)];
    std::cout << "  " << stampPathName(row) << ": chosen in " << t.chosenCases << " cases ("
              << t.chosenCalls << " calls), forced in " << t.forcedCases << " (" << t.forcedCalls
              << " calls)\n";
  }
}

// Every row of the table takes at least this share of the cases, chosen by
// the engine and forced: a row that no longer runs, because its test never
// passes or no job reaches it, leaves its bytes unchecked.
constexpr double kLeastShare = 0.02;

TEST(FastVsLiteral, SeededRandomCasesDownEveryPath) {
  const std::string only = envText("TESSALY_DIFF_PATH");
  if (std::getenv("TESSALY_DIFF_CASE")) {
    const uint32_t n = envNumber("TESSALY_DIFF_CASE", 0);
    const Case c = randomCase(n);
    std::cout << c.description;
    checkPaths(c, run(c, true), "case " + std::to_string(n), only);
    printTally();
    return;
  }
  const uint32_t cases = envNumber("TESSALY_DIFF_CASES", 3000);
  for (uint32_t n = 0; n < cases; ++n) {
    const Case c = randomCase(n);
    ASSERT_NO_FATAL_FAILURE(checkPaths(
        c, run(c, true),
        "case " + std::to_string(n) + " (TESSALY_DIFF_CASE=" + std::to_string(n) + ")", only));
  }
  printTally();
  if (!only.empty()) return;
  const double least = kLeastShare * cases;
  for (int row = 0; row < kStampPathCount; ++row) {
    const PathTally& t = tally[static_cast<std::size_t>(row)];
    EXPECT_GE(static_cast<double>(t.chosenCases), least) << stampPathName(row) << " chosen";
    EXPECT_GE(static_cast<double>(t.forcedCases), least) << stampPathName(row) << " forced";
  }
}

// A case with one brush, one grid and one segment (one point when from == to).
Case boundCase(const char* what, int32_t canvasW, int32_t canvasH, TestBitmap brush, int32_t blockW,
               int32_t blockH, int32_t fromX, int32_t fromY, int32_t toX, int32_t toY) {
  Case c{canvasW, canvasH, std::move(brush), 0, 0, {}, blockW, blockH, 7, {}, what, {}, 0x7F};
  c.calls.push_back(
      {Call::segment, 3, 9, toX, toY, fromX, fromY, 0, 0, 0, 0, false, 0, 0, -1, -1, 0, false});
  return c;
}

TestBitmap pattern(int32_t w, int32_t h, bool (*ink)(int32_t x, int32_t y)) {
  TestBitmap brush(w, h, 1);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) brush.at(x, y) = ink(x, y) ? 0 : 1;
  return brush;
}

// Every scratch bound of the engine met exactly and exceeded by one, down
// every path.
TEST(FastVsLiteral, ScratchBoundsMetAndExceededByOne) {
  // A brush of 128 x 256 pixels with alternate ink has 64 runs a row.
  auto alternate = [](int32_t x, int32_t) { return x % 2 == 0; };
  const int32_t runsPerRow = 64, rowsForMaxRuns = static_cast<int32_t>(kMaxRuns) / runsPerRow;
  TestBitmap moreRuns = pattern(2 * runsPerRow, rowsForMaxRuns + 1, alternate);
  for (int32_t x = 1; x < 2 * runsPerRow; ++x) moreRuns.at(x, rowsForMaxRuns) = 1;
  const auto sweepPoints = static_cast<int32_t>(kMaxSweepPoints);
  const auto blockRows = static_cast<int32_t>(kBlockSetRows);
  const auto lineWidth = static_cast<int32_t>(kToneLineBlockWidth);
  const Case cases[] = {
      boundCase("runs exactly", 300, 300, pattern(2 * runsPerRow, rowsForMaxRuns, alternate), 1, 1,
                150, 150, 152, 151),
      boundCase("runs one over", 300, 300, moreRuns, 1, 1, 150, 150, 152, 151),
      boundCase("rows exactly", 40, 5000, TestBitmap(3, static_cast<int32_t>(kMaxRunRows), 0), 2, 3,
                10, 2000, 20, 2100),
      boundCase("rows one over", 40, 5000, TestBitmap(3, static_cast<int32_t>(kMaxRunRows) + 1, 0),
                2, 3, 10, 2000, 20, 2100),
      // A 3 x 3 square along a strip: points 0 .. n - 1 reach the canvas.
      boundCase("sweep points exactly", sweepPoints + 4, 5, TestBitmap(3, 3, 0), 1, 1, 0, 2,
                sweepPoints - 1, 2),
      boundCase("sweep points one over", sweepPoints + 4, 5, TestBitmap(3, 3, 0), 1, 1, 0, 2,
                sweepPoints, 2),
      // Blocks 3 tall keep these within one block set's rows.
      boundCase("sweep points exactly, down", 5, sweepPoints + 8, TestBitmap(3, 7, 0), 1, 3, 2, 0,
                2, sweepPoints - 1),
      boundCase("sweep points one over, down", 5, sweepPoints + 8, TestBitmap(3, 7, 0), 1, 3, 2, 0,
                2, sweepPoints),
      boundCase("sweep points one over, 3 x 2", sweepPoints + 4, 5, TestBitmap(3, 3, 0), 3, 2, 0, 2,
                sweepPoints, 2),
      boundCase("block rows exactly", 4, blockRows, TestBitmap(2, 2, 0), 1, 1, 1, -1, 1, blockRows),
      boundCase("block rows one over", 4, blockRows + 1, TestBitmap(2, 2, 0), 1, 1, 1, -1, 1,
                blockRows + 1),
      boundCase("one point over the block set", 2, blockRows + 2, TestBitmap(1, blockRows + 1, 0),
                1, 1, 0, blockRows / 2, 0, blockRows / 2 + 1),
      boundCase("tone line exactly", 40 * lineWidth, 9, TestBitmap(39 * lineWidth, 9, 0), lineWidth,
                2, 20 * lineWidth, 4, 20 * lineWidth + 3, 4),
      boundCase("tone line one over", 40 * lineWidth, 9, TestBitmap(39 * lineWidth, 9, 0),
                lineWidth + 1, 2, 20 * lineWidth, 4, 20 * lineWidth + 3, 4),
      boundCase("tone line, widest period", 40 * lineWidth, 9, TestBitmap(39 * lineWidth, 9, 0),
                lineWidth - 1, 2, 20 * lineWidth, 4, 20 * lineWidth + 3, 4),
      // Blocks as large as a grid can have, where every cost estimate must
      // divide rather than multiply.
      boundCase("blocks of 2^31 x 2^31", 50, 40, TestBitmap(3, 4, 0), INT32_MAX, INT32_MAX, 10, 10,
                13, 12),
      boundCase("blocks of 2^31 x 2^31, 1 x 1 pen", 50, 40, TestBitmap(1, 1, 0), INT32_MAX,
                INT32_MAX, 10, 10, 11, 10),
      // A diagonal over 2.8M blocks, and one point of 2.2M blocks.
      boundCase("block words", 2600, 1100, TestBitmap(9, 9, 0), 1, 1, -10, -10, 2610, 1110),
      boundCase("one point of 2.2M blocks", 2100, 1100, TestBitmap(2100, 1050, 0), 1, 1, 1050, 530,
                1050, 530),
  };
  for (const Case& c : cases)
    ASSERT_NO_FATAL_FAILURE(checkPaths(c, run(c, true), c.description, ""));
}

// A small brush's kept copy must hold all its rows: a 4 x 3 pen of one ink
// pixel in its top row, its two bottom rows (no ink), these with the top
// pixel flipped (one ink pixel) and flipped back (no ink again), each at one
// point. Kept without its last row in memory, the last pen looks like the one
// before it.
TEST(FastVsLiteral, ASmallBrushKeptWholeToItsLastRow) {
  Case c = boundCase("a pen cut, edited and edited back", 20, 20,
                     brushFromRows({"#...", "....", "...."}), 1, 1, 9, 9, 9, 9);
  c.laterBrushes.push_back(brushFromRows({"....", "...."}));
  Call call = c.calls[0];
  call.kind = c.calls[0].kind = Call::atCursor;
  call.newBrush = true;
  c.calls.push_back(call);
  call.newBrush = false;
  call.editX = call.editY = 0;
  for (const int32_t x : {6, 3}) {
    call.x = x;
    c.calls.push_back(call);
  }
  checkPaths(c, run(c, true), c.description, "");
}

// Strokes the random cases seldom make, each for a fault it would show.
TEST(FastVsLiteral, StrokesTheRandomCasesSeldomMake) {
  auto disc = [](int32_t x, int32_t y) {
    return (2 * x - 11) * (2 * x - 11) + (2 * y - 11) * (2 * y - 11) <= 144;
  };
  const Case cases[] = {
      // A brush row that reaches past the row above while a row higher up
      // reaches further still, on a diagonal up from the canvas's left edge,
      // where the edge cuts the least start of a canvas row: the profile
      // must not track it from the row above.
      boundCase("rows 0..5, 0..2, 0..4 over 3 x 2 blocks", 40, 40,
                brushFromRows({"######", "###...", "#####."}), 3, 2, -3, 30, 23, 5),
      // Whole block rows copied (a stroke over 16 block rows and more), the
      // last cut short by the canvas: nothing below it may be written.
      boundCase("a disc down a canvas of 41 rows over 3 x 2 blocks", 30, 41, pattern(12, 12, disc),
                3, 2, 15, -8, 15, 48),
  };
  for (const Case& c : cases)
    ASSERT_NO_FATAL_FAILURE(checkPaths(c, run(c, true), c.description, ""));
}

TEST(BlockDivider, MatchesDivisionForEveryBlockSize) {
  Random rnd(3);
  for (int n = 0; n < 20000; ++n) {
    const int64_t d = n < 64           ? n + 1
                      : rnd.chance(50) ? rnd.between(1, 1000)
                                       : rnd.between(1, INT32_MAX);
    const BlockDivider divide = makeBlockDivider(d);
    for (int64_t x :
         {int64_t{0}, d - 1, d, d + 1, int64_t{INT32_MAX}, int64_t{INT32_MAX} - 1,
          int64_t{rnd.between(0, INT32_MAX)}, (INT32_MAX / d) * d, (INT32_MAX / d) * d - 1})
      if (x >= 0) {
        ASSERT_EQ(divide(x), x / d) << x << " / " << d;
      }
  }
}

}  // namespace
