// The shipped engine against the literal one: case n seeds the
// generator with n, builds a random canvas, mask, brush, block grid and
// stroke, runs both engines on identical copies and compares every byte of
// the canvas (row padding and guard bytes included), the changed rectangle
// and the flags.
//
//   TESSALY_DIFF_CASES=N   run N cases instead of the default
//   TESSALY_DIFF_CASE=N    run case N only, and print what it does
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <random>
#include <sstream>

#include "block_engine.h"
#include "block_grid.h"
#include "literal_engine.h"
#include "support/test_bitmap.h"

namespace {

using testing_support::ScopedBlockParams;
using testing_support::TestBitmap;
using testing_support::TestPen;

class Random {
 public:
  explicit Random(uint32_t seed) : rng_(seed) {}
  int32_t between(int32_t lo, int32_t hi) {
    return std::uniform_int_distribution<int32_t>(lo, hi)(rng_);
  }
  bool chance(int percent) { return between(0, 99) < percent; }
  uint32_t bits() { return static_cast<uint32_t>(rng_()); }

 private:
  std::mt19937 rng_;
};

TestBitmap randomBrush(Random& rnd, std::ostream& log) {
  const int32_t w = rnd.between(1, 40), h = rnd.chance(20) ? w : rnd.between(1, 40);
  TestBitmap brush(w, h, 1);
  brush.setPadding(0);  // padding is not ink: it lies outside the brush
  const int kind = rnd.between(0, 5);
  const int density = rnd.between(5, 95);
  // One run a row: a diamond-ish convex shape, or spans drifting at random.
  std::vector<std::pair<int32_t, int32_t>> spans(static_cast<std::size_t>(h));
  for (int32_t y = 0; y < h; ++y) {
    if (kind == 4) {
      const int32_t inset = std::abs(2 * y + 1 - h) * (w - 1) / (2 * h);
      spans[static_cast<std::size_t>(y)] = {inset, w - 1 - inset};
    } else {
      const int32_t a = rnd.between(0, w - 1);
      spans[static_cast<std::size_t>(y)] = {a, rnd.between(a, w - 1)};
    }
  }
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      bool ink = true;
      if (kind == 1) {  // a disc
        const int64_t dx = 2 * x + 1 - w, dy = 2 * y + 1 - h;
        ink = dx * dx * h * h + dy * dy * w * w <= int64_t{w} * w * h * h;
      } else if (kind == 2) {
        ink = rnd.between(0, 99) < density;
      } else if (kind == 3) {  // ragged rows of runs
        ink = (x / (1 + (y % 5))) % 2 == 0;
      } else {  // one run a row, as squares and discs have
        const auto& span = spans[static_cast<std::size_t>(y)];
        ink = x >= span.first && x <= span.second;
      }
      brush.at(x, y) = ink ? 0 : static_cast<uint8_t>(rnd.between(1, 255));
    }
  log << "brush " << w << "x" << h << " kind " << kind << "\n";
  return brush;
}

struct Engines {
  TestPen fast;
  TestPen literal;
};

void expectSame(const Engines& e, const std::string& what) {
  ASSERT_EQ(e.fast.canvas.storage(), e.literal.canvas.storage()) << what;
  ASSERT_EQ(e.fast.changed(), e.literal.changed()) << what;
  ASSERT_EQ(e.fast.ctx.stateFlags, e.literal.ctx.stateFlags) << what;
  ASSERT_TRUE(e.fast.untouchedOutsideCanvas()) << what;
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

void runCase(uint32_t n, bool verbose) {
  Random rnd(n);
  std::ostringstream log;
  const int32_t cw = rnd.between(1, 97), ch = rnd.between(1, 80);
  const TestBitmap brush = randomBrush(rnd, log);
  Engines e{TestPen(cw, ch, brush), TestPen(cw, ch, brush)};
  const uint8_t background = static_cast<uint8_t>(rnd.between(0, 255));
  const bool masked = rnd.chance(30);
  for (TestPen* pen : {&e.fast, &e.literal}) {
    pen->canvas.fill(background);
    pen->canvas.setPadding(0xEE);
    pen->ctx.stateFlags = rnd.bits() & ~PCF_MASK & ~PCF_DRAWN;
    if (masked) pen->ctx.stateFlags |= PCF_MASK;
  }
  Random maskRnd(n * 7919u + 1);
  const int zeros = maskRnd.between(0, 20);
  for (int z = 0; z < zeros; ++z) {
    const int32_t x = maskRnd.between(0, cw - 1), y = maskRnd.between(0, ch - 1);
    e.fast.mask.at(x, y) = e.literal.mask.at(x, y) = 0;
  }
  e.literal.ctx.stateFlags = e.fast.ctx.stateFlags;
  const int32_t bw = rnd.chance(5) ? rnd.between(-2, 0) : rnd.between(1, 20);
  const int32_t bh = rnd.chance(5) ? rnd.between(INT32_MAX - 2, INT32_MAX) : rnd.between(1, 20);
  const int32_t tone = rnd.chance(5) ? rnd.between(-5, 25) : rnd.between(0, 16);
  ScopedBlockParams params(bw, bh, tone);
  log << "canvas " << cw << "x" << ch << " blocks " << bw << "x" << bh << " tone " << tone
      << (masked ? " masked" : "") << "\n";

  const int operations = rnd.between(1, 4);
  for (int op = 0; op < operations; ++op) {
    const uint32_t primary = rnd.bits(), secondary = rnd.bits();
    const int kind = rnd.between(0, 9);
    const int32_t x = randomCoordinate(rnd, cw), y = randomCoordinate(rnd, ch);
    const int32_t reach = rnd.chance(20) ? 300 : 60;
    int32_t fromX = nearby(x, rnd.between(-reach, reach));
    int32_t fromY = nearby(y, rnd.between(-reach, reach));
    if (rnd.chance(10)) fromX = randomCoordinate(rnd, cw);
    if (rnd.chance(10)) fromY = randomCoordinate(rnd, ch);
    std::ostringstream what;
    for (TestPen* pen : {&e.fast, &e.literal}) {
      pen->ctx.primaryColour = primary;
      pen->ctx.secondaryColour = secondary;
      pen->setCursor(x, y);
    }
    if (kind == 0) {
      const int32_t left = rnd.between(-45, cw + 5), top = rnd.between(-45, ch + 5);
      const int32_t w = rnd.between(-2, brush.width()), h = rnd.between(-2, brush.height());
      what << "stampBrush(" << left << ", " << top << ", " << w << ", " << h << ")";
      stampBrush(left, top, w, h, &e.fast.ctx);
      literal::stampBrush(left, top, w, h, &e.literal.ctx);
    } else if (kind <= 3) {
      what << "stampAtCursor at (" << x << ", " << y << ")";
      stampAtCursor(&e.fast.ctx);
      literal::stampAtCursor(&e.literal.ctx);
    } else {
      what << "stampSegment (" << fromX << ", " << fromY << ") to (" << x << ", " << y << ")";
      stampSegment(fromX, fromY, &e.fast.ctx);
      literal::stampSegment(fromX, fromY, &e.literal.ctx);
    }
    log << what.str() << "\n";
    if (verbose) std::cout << log.str();
    ASSERT_NO_FATAL_FAILURE(expectSame(e, "case " + std::to_string(n) + ":\n" + log.str()));
  }
}

uint32_t envNumber(const char* name, uint32_t fallback) {
  const char* v = std::getenv(name);
  return v ? static_cast<uint32_t>(std::strtoul(v, nullptr, 10)) : fallback;
}

TEST(FastVsLiteral, SeededRandomStrokes) {
  if (std::getenv("TESSALY_DIFF_CASE")) {
    runCase(envNumber("TESSALY_DIFF_CASE", 0), true);
    return;
  }
  const uint32_t cases = envNumber("TESSALY_DIFF_CASES", 4000);
  for (uint32_t n = 0; n < cases; ++n) ASSERT_NO_FATAL_FAILURE(runCase(n, false));
}

// Shapes that exceed the scratch areas and so take the slower ways through
// the fast engine: a brush with more runs or rows than are kept, and a box of
// blocks larger than one block set.
TEST(FastVsLiteral, BeyondTheScratchAreas) {
  struct Case {
    int32_t canvasW, canvasH, brushW, brushH, blockW, blockH;
    int32_t fromX, fromY, toX, toY;
  };
  const Case cases[] = {
      {300, 300, 300, 300, 1, 1, 150, 150, 150, 150},  // checkerboard: ~45000 runs
      {64, 5000, 3, 4500, 2, 3, 10, 2000, 20, 2100},   // more brush rows than kept
      {2600, 1100, 9, 9, 1, 1, -10, -10, 2610, 1110},  // a diagonal over 2.8M blocks
      {2100, 1100, 2100, 1050, 1, 1, 1050, 530, 1050, 530},  // one point, 2.2M blocks
  };
  for (const Case& c : cases) {
    TestBitmap brush(c.brushW, c.brushH, 0);
    for (int32_t y = 0; y < c.brushH; ++y)
      for (int32_t x = 0; x < c.brushW; ++x)
        brush.at(x, y) = static_cast<uint8_t>(c.brushW == 300 ? (x + y) % 2 : 0);
    Engines e{TestPen(c.canvasW, c.canvasH, brush), TestPen(c.canvasW, c.canvasH, brush)};
    ScopedBlockParams params(c.blockW, c.blockH, 7);
    for (TestPen* pen : {&e.fast, &e.literal}) pen->setCursor(c.toX, c.toY);
    stampSegment(c.fromX, c.fromY, &e.fast.ctx);
    literal::stampSegment(c.fromX, c.fromY, &e.literal.ctx);
    ASSERT_NO_FATAL_FAILURE(expectSame(e, "brush " + std::to_string(c.brushW)));
    stampAtCursor(&e.fast.ctx);
    literal::stampAtCursor(&e.literal.ctx);
    ASSERT_NO_FATAL_FAILURE(expectSame(e, "stamp, brush " + std::to_string(c.brushW)));
  }
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
