// interleaved_timer.h - what tiny_strokes and path_gains share: a stroke
// with its brush and blocks, timed through several engines in interleaved
// rounds with the standard clock alone (Google Benchmark is not available to
// the mingw builds). Each time is the median of the rounds, every round
// timing one batch per engine in a shuffled order, so a slow moment of the
// machine falls on all engines alike.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench_strokes.h"

namespace bench {

// Far above the clock's resolution (0.1 us under Wine), and short enough that
// most batches run without the process being preempted: the median then
// ignores those that were.
constexpr double kBatchMicroseconds = 250;

struct Case {
  Stroke stroke;
  Brush brush;
  int32_t blockW, blockH;
  std::string key() const {
    return stroke.name + "/" + brush.name() + "/" + std::to_string(blockW) + "x" +
           std::to_string(blockH);
  }
};

inline double microsecondsFor(const Case& c, const Engine& engine, StrokePen& pen, long calls) {
  const auto start = std::chrono::steady_clock::now();
  for (long i = 0; i < calls; ++i) bench::drawStroke(c.stroke, engine, pen.ctx());
  const auto end = std::chrono::steady_clock::now();
  return std::chrono::duration<double, std::micro>(end - start).count();
}

inline double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Microseconds a stroke for each engine, in the order of `engines`.
inline std::vector<double> timeCase(const Case& c, const std::vector<Engine>& engines, int rounds,
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

inline const char* platform() {
#if defined(_WIN64)
  return "Windows x86-64";
#elif defined(_WIN32)
  return "Windows i686";
#else
  return "native";
#endif
}

inline std::string number(double value, const char* format) {
  if (value <= 0) return "-";
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace bench
