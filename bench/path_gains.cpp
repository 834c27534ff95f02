// What each row of the fast engine's table of stamping paths buys: strokes
// that the engine sends down each row, timed down every row that applies to
// them through the path switch (so this links the switchable engine, which
// tiny_strokes and the matrix do not), and the gain: the fastest other row
// over the chosen one.
//
//   path_gains [ROUNDS]        default 31
#include <cstdio>
#include <cstdlib>
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

// Strokes that the engine sends down each row of its table of stamping
// paths (stamp_paths.h), to be timed down every row that applies to them.
std::vector<Case> pathCases() {
  return {{bench::drag(1000), {Brush::kSquare, 1}, 1, 1},
          {bench::horizontal(4), {Brush::kDot, 5}, 3, 2},
          {bench::diagonal(1), {Brush::kSquare, 4}, 3, 2},
          {bench::horizontal(1), {Brush::kDisc, 8}, 1, 1},
          {bench::horizontal(256), {Brush::kSquare, 32}, 3, 2},
          {bench::diagonal(256), {Brush::kDisc, 32}, 1, 1},
          {bench::diagonal(16), {Brush::kSquare, 2}, 1, 1},
          {bench::diagonal(256), {Brush::kSquare, 3}, 1, 1},
          {bench::stampStroke(), {Brush::kDisc, 64}, 3, 2},
          {bench::diagonal(1024), {Brush::kSquare, 1}, 16, 16},
          {bench::horizontal(16), {Brush::kSquare, 8}, 8, 8}};
}

// The rows that stamp one stroke of `c`, as counted by the engine; -1 for
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

// For each stroke: the row the engine takes and its time, the time down every
// other row that applies, and the gain: the best of the others over the
// chosen one.
void printPathGains(int rounds, std::mt19937& shuffle) {
  std::printf("stamping paths, us a stroke; gain: the fastest other path / the chosen one\n");
  std::printf("%-24s %-21s", "stroke/brush/blocks", "chosen");
  for (int i = 0; i < kStampPathCount; ++i) std::printf(" %11.11s", stampPathName(i));
  std::printf(" %6s\n", "gain");
  for (const Case& c : pathCases()) {
    std::vector<Engine> engines{bench::kFast};
    for (int i = 0; i < kStampPathCount; ++i) engines.push_back(bench::forcedPath(i));
    const int chosen = rowTaken(c, bench::kFast);
    const std::vector<double> t = bench::timeCase(c, engines, rounds, shuffle);
    double bestOther = 0;
    std::printf("%-24s %-21s", c.key().c_str(), chosen < 0 ? "-" : stampPathName(chosen));
    for (int i = 0; i < kStampPathCount; ++i) {
      const bool applies = rowTaken(c, engines[static_cast<std::size_t>(i) + 1]) == i;
      const double time = t[static_cast<std::size_t>(i) + 1];
      std::printf(" %11s", applies ? number(time, "%.3f").c_str() : "-");
      if (applies && i != chosen && (bestOther == 0 || time < bestOther)) bestOther = time;
    }
    std::printf(" %6s\n", number(t[0] > 0 && bestOther > 0 ? bestOther / t[0] : 0, "%.2f").c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 31;
  std::mt19937 shuffle(20261208);
  printPathGains(rounds, shuffle);
  return 0;
}
