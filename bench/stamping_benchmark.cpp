// Stamping speed: the shipped engine against the literal one and against a
// baseline that writes each changed pixel of the stroke once (one memset per
// run of changed pixels, found beforehand). Prints a table of medians with
// the two ratios; the numbers only mean something relative to each other,
// taken in the same run on the same machine.
//
//   make bench                      the whole matrix (a few minutes)
//   bench/stamping_benchmark --benchmark_filter=d1024   a part of it
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "block_engine.h"
#include "literal_engine.h"
#include "support/test_bitmap.h"

namespace {

using testing_support::ScopedBlockParams;
using testing_support::TestBitmap;
using testing_support::TestPen;

constexpr int32_t kCanvas = 1024;

struct Stroke {
  std::string name;  // "stamp", "h256", "d1024", "far"
  int32_t fromX, fromY, toX, toY;
  bool segment;
};

struct Scenario {
  Stroke stroke;
  bool disc;
  int32_t brush;
  int32_t blockW, blockH;
  std::string key() const {
    return stroke.name + "/" + (disc ? "disc" : "square") + std::to_string(brush) + "/" +
           std::to_string(blockW) + "x" + std::to_string(blockH);
  }
};

TestBitmap makeBrush(int32_t n, bool disc) {
  TestBitmap brush(n, n, 0);
  if (disc)
    for (int32_t y = 0; y < n; ++y)
      for (int32_t x = 0; x < n; ++x) {
        const int64_t dx = 2 * x + 1 - n, dy = 2 * y + 1 - n;
        brush.at(x, y) = dx * dx + dy * dy <= int64_t{n} * n ? 0 : 1;
      }
  return brush;
}

struct Bench {
  TestPen pen;
  explicit Bench(const Scenario& s) : pen(kCanvas, kCanvas, makeBrush(s.brush, s.disc)) {
    pen.ctx.primaryColour = 1;
    pen.ctx.secondaryColour = 2;
    pen.setCursor(s.stroke.toX, s.stroke.toY);
  }
};

template <typename AtCursor, typename Segment>
void runStroke(const Scenario& s, PenContext* ctx, AtCursor atCursor, Segment segment) {
  if (s.stroke.segment)
    segment(s.stroke.fromX, s.stroke.fromY, ctx);
  else
    atCursor(ctx);
}

void benchFast(benchmark::State& state, Scenario s) {
  ScopedBlockParams params(s.blockW, s.blockH, 8);
  Bench b(s);
  for (auto _ : state) {
    runStroke(s, &b.pen.ctx, stampAtCursor, stampSegment);
    benchmark::ClobberMemory();
  }
}

void benchLiteral(benchmark::State& state, Scenario s) {
  ScopedBlockParams params(s.blockW, s.blockH, 8);
  Bench b(s);
  for (auto _ : state) {
    runStroke(s, &b.pen.ctx, literal::stampAtCursor, literal::stampSegment);
    benchmark::ClobberMemory();
  }
}

// The least any engine could do: write the pixels the stroke changes, once.
void benchBaseline(benchmark::State& state, Scenario s) {
  ScopedBlockParams params(s.blockW, s.blockH, 8);
  Bench b(s);
  runStroke(s, &b.pen.ctx, stampAtCursor, stampSegment);
  struct Span {
    uint8_t* start;
    std::size_t length;
  };
  std::vector<Span> spans;
  for (int32_t y = 0; y < kCanvas; ++y)
    for (int32_t x = 0; x < kCanvas; ++x) {
      if (b.pen.canvas.at(x, y) == 0) continue;
      int32_t end = x;
      while (end < kCanvas && b.pen.canvas.at(end, y) != 0) ++end;
      spans.push_back({&b.pen.canvas.at(x, y), static_cast<std::size_t>(end - x)});
      x = end;
    }
  for (auto _ : state) {
    for (const Span& span : spans) std::memset(span.start, 1, span.length);
    benchmark::ClobberMemory();
  }
}

// Collects the medians and prints one table at the end.
class TableReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median") continue;
      const std::string name = run.run_name.function_name;
      const std::size_t slash = name.rfind('/');
      times_[name.substr(0, slash)][name.substr(slash + 1)] =
          run.GetAdjustedRealTime() * multiplier(run.time_unit);
      std::fputc('.', stderr);
    }
  }

  void Finalize() override {
    std::fputc('\n', stderr);
    printTable();
    printTargets();
  }

 private:
  void printTable() const {
    std::printf("\n%-28s %12s %12s %12s %9s %9s\n", "stroke/brush/blocks", "fast us", "literal us",
                "baseline us", "speed-up", "/baseline");
    for (const auto& [key, t] : times_) {
      const double fast = at(t, "fast"), literalTime = at(t, "literal"), base = at(t, "baseline");
      std::printf("%-28s %12.3f %12.3f %12.3f %9.2f %9.1f\n", key.c_str(), fast, literalTime, base,
                  fast > 0 ? literalTime / fast : 0.0, base > 0 ? fast / base : 0.0);
    }
  }

  double ratio(const std::string& key, const char* over, const char* under) const {
    const auto it = times_.find(key);
    if (it == times_.end()) return 0.0;
    const double u = at(it->second, under);
    return u > 0 ? at(it->second, over) / u : 0.0;
  }

  // The goals the engine was built to, checked against this run.
  void printTargets() const {
    std::printf("\ntargets\n");
    for (const char* key : {"d1024/square64/4x4", "d1024/square64/8x8"})
      std::printf("  speed-up %-24s %8.1f  (goal >= 20)\n", key, ratio(key, "literal", "fast"));
    std::printf("  speed-up %-24s %8.1f  (goal >= 5)\n", "d1024/square32/3x2",
                ratio("d1024/square32/3x2", "literal", "fast"));
    std::string slowest;
    double least = 1e300;
    int within = 0, counted = 0;
    for (const auto& [key, t] : times_) {
      const double speedUp = ratio(key, "literal", "fast");
      if (speedUp > 0 && speedUp < least) least = speedUp, slowest = key;
      const bool longStroke = key.rfind("h256/", 0) == 0 || key.rfind("d256/", 0) == 0 ||
                              key.rfind("h1024/", 0) == 0 || key.rfind("d1024/", 0) == 0;
      const bool bigBrush = key.find("32/") != std::string::npos ||
                            key.find("64/") != std::string::npos ||
                            key.find("128/") != std::string::npos;
      if (longStroke && bigBrush && at(t, "baseline") > 0) {
        ++counted;
        if (ratio(key, "fast", "baseline") <= 5.0) ++within;
      }
    }
    std::printf("  least speed-up %.2f at %s  (goal >= 0.9)\n", least, slowest.c_str());
    std::printf("  within 5x of the baseline: %d of %d strokes of 256+ pixels, brushes 32+\n",
                within, counted);
    const auto far = times_.find("far/square64/4x4");
    if (far != times_.end())
      std::printf("  far segment %.1f us  (goal < 1000)\n", at(far->second, "fast"));
  }

  static double multiplier(benchmark::TimeUnit unit) {  // to microseconds
    switch (unit) {
      case benchmark::kNanosecond:
        return 1e-3;
      case benchmark::kMicrosecond:
        return 1.0;
      case benchmark::kMillisecond:
        return 1e3;
      default:
        return 1e6;
    }
  }
  static double at(const std::map<std::string, double>& t, const char* engine) {
    const auto it = t.find(engine);
    return it == t.end() ? 0.0 : it->second;
  }
  std::map<std::string, std::map<std::string, double>> times_;
};

std::vector<Stroke> strokes() {
  std::vector<Stroke> out{{"stamp", 0, 0, kCanvas / 2, kCanvas / 2, false}};
  for (int32_t length : {16, 256, 1024}) {
    const int32_t a = (kCanvas - length) / 2, b = a + length;
    out.push_back({"h" + std::to_string(length), a, kCanvas / 2, b, kCanvas / 2, true});
    out.push_back({"d" + std::to_string(length), a, a, b, b, true});
  }
  return out;
}

void registerAll() {
  std::vector<Scenario> scenarios;
  for (const Stroke& stroke : strokes())
    for (bool disc : {false, true})
      for (int32_t brush : {1, 8, 32, 64, 128})
        for (auto [bw, bh] : {std::pair{1, 1}, {3, 2}, {8, 8}, {16, 16}}) {
          if (disc && brush == 1) continue;  // a disc of one pixel is the square
          scenarios.push_back({stroke, disc, brush, bw, bh});
        }
  // The block size the targets name besides the matrix's, and the far segment.
  scenarios.push_back({strokes()[6], false, 64, 4, 4});
  scenarios.push_back({{"far", -2000000000, -3, 2000000000, 7, true}, false, 64, 4, 4});
  for (const Scenario& s : scenarios) {
    const std::string key = s.key();
    for (auto [engine, fn] :
         {std::pair{"fast", benchFast}, {"literal", benchLiteral}, {"baseline", benchBaseline}}) {
      if (s.stroke.name == "far" && std::string(engine) == "baseline") continue;
      benchmark::RegisterBenchmark((key + "/" + engine).c_str(), fn, s)
          ->Unit(benchmark::kMicrosecond)
          ->MinTime(0.05)
          ->Repetitions(3)
          ->ReportAggregatesOnly(true);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  registerAll();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
