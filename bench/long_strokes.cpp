// The long strokes the engine is held to the write-once baseline on, timed
// with the standard clock through the shipped engine, the previous one and
// the baseline (bench_strokes.h), so that make bench runs them natively and
// the Windows build under Wine as well. Prints each stroke's times and
// ratios, how many strokes are within kWithinBaseline times the baseline and
// how many are more than 10 % slower than the previous engine.
//
//   long_strokes [ROUNDS]      default 31
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "interleaved_timer.h"

namespace {

using bench::Case;
using bench::Engine;
using bench::number;

constexpr double kSlower = 1.10;
constexpr double kWithinBaseline = 5.0;

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 31;
  std::vector<Engine> engines{bench::kFast};
#if TESSALY_HAS_PREVIOUS_ENGINE
  engines.push_back(bench::kPrevious);
#endif
  std::mt19937 shuffle(20261208);
  std::printf("long strokes, %s build: medians of %d interleaved rounds, us a stroke; %s\n",
              bench::platform(), rounds, bench::previousEngineNote().c_str());
  std::printf("%-24s %10s %12s %12s %10s %14s\n", "stroke/brush/blocks", "fast us", "previous us",
              "baseline us", "/baseline", "fast/previous");
  int within = 0, slower = 0, compared = 0, counted = 0;
  double worst = 0;
  std::string worstKey;
  for (const Case& c : bench::longStrokeCases()) {
    const std::vector<double> t = bench::timeCase(c, engines, rounds, shuffle, true);
    const double fast = t.front(), base = t.back();
    const double previous = engines.size() > 1 ? t[1] : 0;
    const double overBase = base > 0 ? fast / base : 0;
    const double overPrevious = previous > 0 ? fast / previous : 0;
    ++counted;
    if (overBase <= kWithinBaseline) ++within;
    if (overBase > worst) worst = overBase, worstKey = c.key();
    if (overPrevious > 0) ++compared;
    if (overPrevious > kSlower) ++slower;
    std::printf("%-24s %10.3f %12s %12.3f %10.1f %14s%s\n", c.key().c_str(), fast,
                number(previous, "%.3f").c_str(), base, overBase,
                number(overPrevious, "%.2f").c_str(), overPrevious > kSlower ? "  <-- slower" : "");
  }
  std::printf("within %.0fx of the baseline: %d of %d (the most: %.1f at %s)\n", kWithinBaseline,
              within, counted, worst, worstKey.c_str());
  if (compared > 0)
    std::printf("more than 10%% slower than previous: %d of %d rows\n", slower, compared);
  return 0;
}
