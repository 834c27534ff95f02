// The strokes of a few pixels that a slow mouse sends, timed with the
// standard clock through the shipped, previous and literal engines. It needs
// nothing but the C++ library, so it also runs where Google Benchmark is not
// available: make bench runs it natively and the Windows build under Wine.
// It links the engine the DLL links, without the path switch; path_gains
// times the rows of the table.
//
//   tiny_strokes [ROUNDS]      default 31
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "interleaved_timer.h"

namespace {

using bench::Brush;
using bench::Case;
using bench::Engine;
using bench::number;
using bench::Stroke;

constexpr double kSlower = 1.10;

std::vector<Case> cases() {
  std::vector<Case> out{{bench::drag(1000), {Brush::kSquare, 1}, 1, 1}};
  for (int32_t length : {1, 2, 4})
    for (const Stroke& stroke : {bench::horizontal(length), bench::diagonal(length)})
      for (Brush brush :
           {Brush{Brush::kSquare, 1}, Brush{Brush::kDot, 5}, Brush{Brush::kSquare, 8}})
        for (auto [bw, bh] : {std::pair{1, 1}, {3, 2}}) out.push_back({stroke, brush, bw, bh});
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 31;
  const std::vector<Engine> engines = bench::engines();
  std::mt19937 shuffle(20261208);
  std::printf("tiny strokes, %s build: medians of %d interleaved rounds, us a stroke\n",
              bench::platform(), rounds);
  std::printf("(drag: 1000 one-pixel segments); %s\n", bench::previousEngineNote().c_str());
  std::printf("%-22s %10s %12s %11s %13s %14s\n", "stroke/brush/blocks", "fast us", "previous us",
              "literal us", "fast/literal", "fast/previous");
  double worst = 0;
  std::string worstKey;
  int slower = 0, compared = 0;
  for (const Case& c : cases()) {
    const std::vector<double> t = bench::timeCase(c, engines, rounds, shuffle);
    double fast = 0, previous = 0, literal = 0;
    for (std::size_t i = 0; i < engines.size(); ++i) {
      const std::string name = engines[i].name;
      (name == "fast" ? fast : name == "previous" ? previous : literal) = t[i];
    }
    const double overLiteral = literal > 0 ? fast / literal : 0;
    const double overPrevious = previous > 0 ? fast / previous : 0;
    if (overLiteral > worst) worst = overLiteral, worstKey = c.key();
    if (overPrevious > 0) ++compared;
    if (overPrevious > kSlower) ++slower;
    std::printf("%-22s %10.3f %12s %11.3f %13.2f %14s%s\n", c.key().c_str(), fast,
                number(previous, "%.3f").c_str(), literal, overLiteral,
                number(overPrevious, "%.2f").c_str(), overPrevious > kSlower ? "  <-- slower" : "");
  }
  std::printf("greatest fast/literal: %.2f at %s (the literal engine is faster above 1)\n", worst,
              worstKey.c_str());
  if (compared > 0)
    std::printf("more than 10%% slower than previous: %d of %d rows\n", slower, compared);
  return 0;
}
