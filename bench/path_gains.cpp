// What each row of the fast engine's table of stamping paths buys, and a
// check that it still does: strokes where the table's comments
// (engine/stamp_paths.cpp) say a row wins, timed down every row that applies
// to them through the path switch (so this links the switchable engine,
// which tiny_strokes, long_strokes and the matrix do not), and the gain: the
// fastest other row over the chosen one. A stroke where the engine chooses
// another row than the comments name, or where the named row's gain is below
// 1, is timed once more with twice the rounds; if it still fails, it is
// marked and the program exits with 1.
//
//   path_gains [ROUNDS]        default 31
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "interleaved_timer.h"
#include "stamp_paths.h"

namespace {

using bench::BlockParams;
using bench::Brush;
using bench::Case;
using bench::Engine;
using bench::number;
using bench::StrokePen;

// A stroke and the row the comments say wins there.
struct PathCase {
  Case stroke;
  const char* wins;
};

std::vector<PathCase> pathCases() {
  using bench::diagonal;
  using bench::horizontal;
  return {
      {{bench::drag(1000), {Brush::kSquare, 1}, 1, 1}, "one-ink-pixel"},
      {{horizontal(4), {Brush::kDot, 5}, 3, 2}, "one-ink-pixel"},
      {{horizontal(256), {Brush::kDot, 5}, 1, 1}, "one-ink-pixel"},
      {{bench::stampStroke(), {Brush::kSquare, 3}, 1, 1}, "each-placement"},
      {{bench::stampStroke(), {Brush::kSquare, 16}, 1, 1}, "profile"},
      {{bench::stampStroke(), {Brush::kDisc, 128}, 1, 1}, "profile"},
      {{horizontal(1), {Brush::kSquare, 8}, 1, 1}, "profile"},
      {{diagonal(256), {Brush::kDisc, 32}, 1, 1}, "profile"},
      {{diagonal(256), {Brush::kDisc, 64}, 3, 2}, "profile"},
      {{horizontal(256), {Brush::kSquare, 32}, 3, 2}, "profile"},
      {{horizontal(256), {Brush::kSlant, 32}, 3, 2}, "sweep"},
      {{diagonal(1024), {Brush::kSquare, 128}, 16, 16}, "sweep"},
      {{diagonal(16), {Brush::kRing, 32}, 3, 2}, "gather"},
      {{bench::stampStroke(), {Brush::kRing, 64}, 8, 8}, "gather"},
      {{bench::stampStroke(), {Brush::kRing, 32}, 1, 1}, "gather"},
  };
}

// The row that stamps one stroke of `c`, as counted by the engine; -1 for
// none (nothing reached the canvas).
int rowTaken(const Case& c, const Engine& engine) {
  BlockParams params(c.blockW, c.blockH, 8);
  StrokePen pen(c.stroke, c.brush);
  std::vector<int64_t> before;
  for (int i = 0; i < kStampPathCount; ++i) before.push_back(stampPathUses(i));
  bench::drawStroke(c.stroke, engine, pen.ctx());
  for (int i = 0; i < kStampPathCount; ++i)
    if (stampPathUses(i) != before[static_cast<std::size_t>(i)]) return i;
  return -1;
}

struct Gain {
  int chosen;
  std::vector<double> times;  // the engine's choice, then every row; 0 where it does not apply
  double gain;                // the fastest other row over the chosen one, or 0
};

Gain measure(const Case& c, int rounds, std::mt19937& shuffle) {
  std::vector<Engine> engines{bench::kFast};
  for (int i = 0; i < kStampPathCount; ++i) engines.push_back(bench::forcedPath(i));
  Gain g{rowTaken(c, bench::kFast), bench::timeCase(c, engines, rounds, shuffle), 0};
  double bestOther = 0;
  for (int i = 0; i < kStampPathCount; ++i) {
    double& time = g.times[static_cast<std::size_t>(i) + 1];
    if (rowTaken(c, engines[static_cast<std::size_t>(i) + 1]) != i) time = 0;
    if (time > 0 && i != g.chosen && (bestOther == 0 || time < bestOther)) bestOther = time;
  }
  g.gain = g.times[0] > 0 && bestOther > 0 ? bestOther / g.times[0] : 0;
  return g;
}

bool holds(const Gain& g, const char* wins) {
  return g.chosen >= 0 && std::strcmp(stampPathName(g.chosen), wins) == 0 && g.gain >= 1.0;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 31;
  std::mt19937 shuffle(20261208);
  std::printf("stamping paths, us a stroke; gain: the fastest other path / the chosen one\n");
  std::printf("%-24s %-15s", "stroke/brush/blocks", "chosen");
  for (int i = 0; i < kStampPathCount; ++i) std::printf(" %11.11s", stampPathName(i));
  std::printf(" %6s\n", "gain");
  int failed = 0;
  for (const PathCase& p : pathCases()) {
    Gain g = measure(p.stroke, rounds, shuffle);
    if (!holds(g, p.wins)) g = measure(p.stroke, 2 * rounds, shuffle);  // once more, longer
    std::printf("%-24s %-15s", p.stroke.key().c_str(),
                g.chosen < 0 ? "-" : stampPathName(g.chosen));
    for (int i = 0; i < kStampPathCount; ++i)
      std::printf(" %11s", number(g.times[static_cast<std::size_t>(i) + 1], "%.3f").c_str());
    std::printf(" %6s", number(g.gain, "%.2f").c_str());
    if (!holds(g, p.wins)) {
      ++failed;
      std::printf("  <-- the comments say %s wins here", p.wins);
    }
    std::printf("\n");
  }
  std::printf("rows that win where the comments say: %zu of %zu strokes\n",
              pathCases().size() - static_cast<std::size_t>(failed), pathCases().size());
  return failed == 0 ? 0 : 1;
}
