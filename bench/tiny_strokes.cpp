// The strokes of a few pixels that a slow mouse sends, timed with the
// standard clock through the fast, previous and literal engines; then what
// each row of the fast engine's table of stamping paths buys. It needs
// nothing but the C++ library, so it also runs where Google Benchmark is not
// available: make bench runs it natively and the Windows build under Wine.
// Each time is the median of interleaved rounds, every round timing one batch
// per engine in a shuffled order, so a slow moment of the machine falls on
// all engines alike.
//
//   tiny_strokes [ROUNDS]      default 31
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench_strokes.h"
#include "stamp_paths.h"

namespace {

using bench::BlockParams;
using bench::Brush;
using bench::Engine;
using bench::Stroke;
using bench::StrokePen;

// Far above the clock's resolution (0.1 us under Wine), and short enough that
// most batches run without the process being preempted: the median then
// ignores those that were.
constexpr double kBatchMicroseconds = 250;
constexpr double kSlower = 1.10;

struct Case {
  Stroke stroke;
  Brush brush;
  int32_t blockW, blockH;
  std::string key() const {
    return stroke.name + "/" + brush.name() + "/" + std::to_string(blockW) + "x" +
           std::to_string(blockH);
  }
};

std::vector<Case> cases() {
  std::vector<Case> out{{bench::drag(1000), {Brush::kSquare, 1}, 1, 1}};
  for (int32_t length : {1, 2, 4})
    for (const Stroke& stroke : {bench::horizontal(length), bench::diagonal(length)})
      for (Brush brush :
           {Brush{Brush::kSquare, 1}, Brush{Brush::kDot, 5}, Brush{Brush::kSquare, 8}})
        for (auto [bw, bh] : {std::pair{1, 1}, {3, 2}}) out.push_back({stroke, brush, bw, bh});
  return out;
}

double microsecondsFor(const Case& c, const Engine& engine, StrokePen& pen, long calls) {
  const auto start = std::chrono::steady_clock::now();
  for (long i = 0; i < calls; ++i) bench::drawStroke(c.stroke, engine, pen.ctx());
  const auto end = std::chrono::steady_clock::now();
  return std::chrono::duration<double, std::micro>(end - start).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Microseconds a stroke for each engine, in the order of `engines`.
std::vector<double> timeCase(const Case& c, const std::vector<Engine>& engines, int rounds,
                             std::mt19937& shuffle) {
  BlockParams params(c.blockW, c.blockH, 8);
  std::vector<std::unique_ptr<StrokePen>> pens;
  std::vector<long> calls;
  for (const Engine& engine : engines) {
    pens.push_back(std::make_unique<StrokePen>(c.stroke, c.brush));
    long n = 1;
    while (microsecondsFor(c, engine, *pens.back(), n) < kBatchMicroseconds / 2) n *= 2;
    calls.push_back(n);
  }
  std::vector<std::vector<double>> samples(engines.size());
  std::vector<std::size_t> order(engines.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  for (int r = 0; r < rounds; ++r) {
    std::shuffle(order.begin(), order.end(), shuffle);
    for (std::size_t i : order)
      samples[i].push_back(microsecondsFor(c, engines[i], *pens[i], calls[i]) /
                           static_cast<double>(calls[i]));
  }
  std::vector<double> out;
  for (const auto& s : samples) out.push_back(median(s));
  return out;
}

const char* platform() {
#if defined(_WIN64)
  return "Windows x86-64";
#elif defined(_WIN32)
  return "Windows i686";
#else
  return "native";
#endif
}

std::string number(double value, const char* format) {
  if (value <= 0) return "-";
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

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
  std::printf("\nstamping paths, us a stroke; gain: the fastest other path / the chosen one\n");
  std::printf("%-24s %-21s", "stroke/brush/blocks", "chosen");
  for (int i = 0; i < kStampPathCount; ++i) std::printf(" %11.11s", stampPathName(i));
  std::printf(" %6s\n", "gain");
  for (const Case& c : pathCases()) {
    std::vector<Engine> engines{bench::kFast};
    for (int i = 0; i < kStampPathCount; ++i) engines.push_back(bench::forcedPath(i));
    const int chosen = rowTaken(c, bench::kFast);
    const std::vector<double> t = timeCase(c, engines, rounds, shuffle);
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
  const std::vector<Engine> engines = bench::engines();
  std::mt19937 shuffle(20261208);
  std::printf("tiny strokes, %s build: medians of %d interleaved rounds, us a stroke\n", platform(),
              rounds);
  std::printf("(drag: 1000 one-pixel segments); %s\n", bench::previousEngineNote().c_str());
  std::printf("%-22s %10s %12s %11s %13s %14s\n", "stroke/brush/blocks", "fast us", "previous us",
              "literal us", "fast/literal", "fast/previous");
  double worst = 0;
  std::string worstKey;
  int slower = 0, compared = 0;
  for (const Case& c : cases()) {
    const std::vector<double> t = timeCase(c, engines, rounds, shuffle);
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
  printPathGains(rounds, shuffle);
  return 0;
}
