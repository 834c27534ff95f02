// Stamping speed: the shipped engine against the previous one (the engine of
// an earlier revision, built from git), the literal one, and a baseline that
// writes each changed pixel of the stroke once (one memset per run of changed
// pixels, found beforehand). Prints a table of medians with their ratios; the
// numbers only mean something relative to each other, taken in the same run
// on the same machine.
//
//   make bench                      the whole matrix (a few minutes)
//   bench/stamping_benchmark --benchmark_filter=d1024   a part of it
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "bench_strokes.h"

namespace {

using bench::BlockParams;
using bench::Brush;
using bench::Case;
using bench::Engine;
using bench::kCanvas;
using bench::Stroke;
using bench::StrokePen;

// fast ÷ previous above this is flagged as a slowdown worth a look.
constexpr double kSlower = 1.10;

void benchEngine(benchmark::State& state, const Case& s, Engine engine) {
  BlockParams params(s.blockW, s.blockH, 8);
  StrokePen pen(s.stroke, s.brush);
  for (auto _ : state) {
    bench::drawStroke(s.stroke, engine, pen.ctx());
    benchmark::ClobberMemory();
  }
}

// The least any engine could do: write the pixels the stroke changes, once.
void benchBaseline(benchmark::State& state, const Case& s) {
  BlockParams params(s.blockW, s.blockH, 8);
  bench::WriteOnce baseline(s.stroke, s.brush);
  for (auto _ : state) {
    baseline.draw();
    benchmark::ClobberMemory();
  }
}

// Collects the medians and prints one table at the end.
class TableReporter : public benchmark::ConsoleReporter {
 public:
  explicit TableReporter(std::map<std::string, bool> tiny) : tiny_(std::move(tiny)) {}

  // CPU time of the process: on an idle machine the same as the real time,
  // and on a busy one the time other programs take is not counted.
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median") continue;
      const std::string name = run.run_name.function_name;
      const std::size_t slash = name.rfind('/');
      times_[name.substr(0, slash)][name.substr(slash + 1)] =
          run.GetAdjustedCPUTime() * multiplier(run.time_unit);
      std::fputc('.', stderr);
    }
  }

  void Finalize() override {
    std::fputc('\n', stderr);
    printTable();
    printTargets();
    printChecks();
  }

 private:
  void printTable() const {
    std::printf("\n%s\n", bench::previousEngineNote().c_str());
    std::printf("%-28s %12s %12s %12s %12s %10s %9s %9s\n", "stroke/brush/blocks", "fast us",
                "previous us", "literal us", "baseline us", "fast/prev", "speed-up", "/baseline");
    for (const auto& [key, t] : times_) {
      std::printf("%-28s %12.3f %12s %12.3f %12.3f %10s %9.2f %9.1f%s\n", key.c_str(),
                  at(t, "fast"), orDash(at(t, "previous"), "%.3f").c_str(), at(t, "literal"),
                  at(t, "baseline"), orDash(ratio(key, "fast", "previous"), "%.2f").c_str(),
                  ratio(key, "literal", "fast"), ratio(key, "fast", "baseline"),
                  ratio(key, "fast", "previous") > kSlower ? "  <-- slower" : "");
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
      const bool bigBrush =
          key.find("32/") != std::string::npos || key.find("64/") != std::string::npos ||
          key.find("128/") != std::string::npos || key.find("/dot") != std::string::npos;
      if (longStroke && bigBrush && at(t, "baseline") > 0) {
        ++counted;
        if (ratio(key, "fast", "baseline") <= 5.0) ++within;
      }
    }
    std::printf("  least speed-up %.2f at %s  (goal >= 0.9)\n", least, slowest.c_str());
    std::printf(
        "  within 5x of the baseline: %d of %d strokes of 256+ pixels, brushes 32+ and the dot\n",
        within, counted);
    const auto far = times_.find("far/square64/4x4");
    if (far != times_.end())
      std::printf("  far segment %.1f us  (goal < 1000)\n", at(far->second, "fast"));
  }

  // Against the previous engine, and the strokes of a few pixels that a
  // slow mouse sends.
  void printChecks() const {
    std::printf("\nchecks\n");
    int slower = 0, compared = 0;
    for (const auto& entry : times_) {
      const double r = ratio(entry.first, "fast", "previous");
      if (r <= 0) continue;
      ++compared;
      if (r > kSlower) ++slower;
    }
    if (compared > 0)
      std::printf("  more than 10%% slower than previous: %d of %d rows\n", slower, compared);
    else
      std::printf("  against previous: not measured; %s\n", bench::previousEngineNote().c_str());
    std::string slowest;
    double least = 1e300;
    for (const auto& entry : times_) {
      const std::size_t slash = entry.first.find('/');
      const auto tiny = tiny_.find(entry.first.substr(0, slash));
      if (tiny == tiny_.end() || !tiny->second) continue;
      const double speedUp = ratio(entry.first, "literal", "fast");
      if (speedUp > 0 && speedUp < least) least = speedUp, slowest = entry.first;
    }
    if (!slowest.empty())
      std::printf("  least speed-up of the tiny strokes (1, 2, 4 px, drag): %.2f at %s\n", least,
                  slowest.c_str());
  }

  static std::string orDash(double value, const char* format) {
    if (value <= 0) return "-";
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
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
  std::map<std::string, bool> tiny_;  // by stroke name
  std::map<std::string, std::map<std::string, double>> times_;
};

std::vector<Case> scenarios() {
  std::vector<Stroke> strokes{bench::stampStroke()};
  for (int32_t length : {16, 256, 1024}) {
    strokes.push_back(bench::horizontal(length));
    strokes.push_back(bench::diagonal(length));
  }
  std::vector<Case> out;
  for (const Stroke& stroke : strokes) {
    for (Brush::Shape shape : {Brush::kSquare, Brush::kDisc})
      for (int32_t size : {1, 8, 32, 64, 128})
        for (auto [bw, bh] : {std::pair{1, 1}, {3, 2}, {8, 8}, {16, 16}}) {
          if (shape == Brush::kDisc && size == 1) continue;  // a disc of one pixel is the square
          out.push_back({stroke, {shape, size}, bw, bh});
        }
  }
  // The press and the long strokes of a one-pixel pen drawn with a larger
  // brush bitmap.
  for (const Stroke& stroke : {bench::stampStroke(), bench::horizontal(256), bench::diagonal(256),
                               bench::horizontal(1024), bench::diagonal(1024)})
    for (auto [bw, bh] : {std::pair{1, 1}, {3, 2}, {8, 8}, {16, 16}})
      out.push_back({stroke, {Brush::kDot, 5}, bw, bh});
  // Strokes of a few pixels, where what an engine does per call counts most.
  for (int32_t length : {1, 2, 4})
    for (const Stroke& stroke : {bench::horizontal(length), bench::diagonal(length)})
      for (Brush brush : {Brush{Brush::kSquare, 1}, Brush{Brush::kDot, 5}, Brush{Brush::kSquare, 8},
                          Brush{Brush::kDisc, 8}})
        for (auto [bw, bh] : {std::pair{1, 1}, {3, 2}, {8, 8}})
          out.push_back({stroke, brush, bw, bh});
  out.push_back({bench::drag(1000), {Brush::kSquare, 1}, 1, 1});
  // The block size the targets name besides the matrix's, and the far segment.
  out.push_back({bench::diagonal(1024), {Brush::kSquare, 64}, 4, 4});
  out.push_back({{"far", Stroke::kSegment, {-2000000000, -3}, {2000000000, 7}, {}, false},
                 {Brush::kSquare, 64},
                 4,
                 4});
  return out;
}

// Registers every scenario with each engine; returns which strokes are tiny.
std::map<std::string, bool> registerAll() {
  std::map<std::string, bool> tiny;
  for (const Case& s : scenarios()) {
    tiny[s.stroke.name] = s.stroke.tiny;
    const std::string key = s.key();
    std::vector<benchmark::internal::Benchmark*> runs;
    for (const Engine& engine : bench::engines())
      runs.push_back(benchmark::RegisterBenchmark(
          (key + "/" + engine.name).c_str(),
          [s, engine](benchmark::State& state) { benchEngine(state, s, engine); }));
    if (s.stroke.name != "far")
      runs.push_back(benchmark::RegisterBenchmark(
          (key + "/baseline").c_str(), [s](benchmark::State& state) { benchBaseline(state, s); }));
    // The runs of all rows are interleaved at random, so each median samples
    // the machine at seven moments: steadier than three for the same time.
    for (benchmark::internal::Benchmark* run : runs)
      run->Unit(benchmark::kMicrosecond)->MinTime(0.02)->Repetitions(7)->ReportAggregatesOnly(true);
  }
  return tiny;
}

}  // namespace

int main(int argc, char** argv) {
  TableReporter reporter(registerAll());
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
