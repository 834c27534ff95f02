// interleaved_timer.h - what tiny_strokes, long_strokes and path_gains
// share: strokes with their brush and blocks (bench_strokes.h's Case), timed
// through several engines
// (and the write-once baseline) in interleaved rounds with the standard clock
// alone (Google Benchmark is not available to the mingw builds). Each time is the median of the
// rounds, every round timing one batch per engine in a shuffled order, so a slow moment of the
// machine falls on all engines alike.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "bench_strokes.h"

namespace bench {

// Far above the clock's resolution (0.1 us under Wine), and short enough that
// most batches run without the process being preempted: the median then
// ignores those that were.
constexpr double kBatchMicroseconds = 250;

// The strokes held to the write-once baseline: 256 and 1024 pixels, flat and
// diagonal, of squares and discs of 32 to 128 pixels and the dot, over
// blocks of 1 x 1, 3 x 2, 8 x 8 and 16 x 16, and the diagonal of a square of
// 64 over 4 x 4 that the matrix's targets name.
inline std::vector<Case> longStrokeCases() {
  std::vector<Case> out;
  for (int32_t length : {256, 1024})
    for (const Stroke& stroke : {horizontal(length), diagonal(length)})
      for (Brush brush : {Brush{Brush::kSquare, 32}, Brush{Brush::kSquare, 64},
                          Brush{Brush::kSquare, 128}, Brush{Brush::kDisc, 32},
                          Brush{Brush::kDisc, 64}, Brush{Brush::kDisc, 128}, Brush{Brush::kDot, 5}})
        for (auto [bw, bh] : {std::pair{1, 1}, {3, 2}, {8, 8}, {16, 16}})
          out.push_back({stroke, brush, bw, bh});
  out.push_back({diagonal(1024), {Brush::kSquare, 64}, 4, 4});
  return out;
}

// Microseconds for `calls` calls of `draw`.
inline double microsecondsFor(const std::function<void()>& draw, long calls) {
  const auto start = std::chrono::steady_clock::now();
  for (long i = 0; i < calls; ++i) draw();
  const auto end = std::chrono::steady_clock::now();
  return std::chrono::duration<double, std::micro>(end - start).count();
}

inline double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Microseconds a call of each of `draws`, in their order: each sized to a
// batch of about kBatchMicroseconds, then timed batch by batch in `rounds`
// shuffled rounds.
inline std::vector<double> timeInterleaved(const std::vector<std::function<void()>>& draws,
                                           int rounds, std::mt19937& shuffle) {
  std::vector<long> calls;
  for (const auto& draw : draws) {
    long n = 1;
    while (microsecondsFor(draw, n) < kBatchMicroseconds / 2) n *= 2;
    calls.push_back(n);
  }
  std::vector<std::vector<double>> samples(draws.size());
  std::vector<std::size_t> order(draws.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  for (int r = 0; r < rounds; ++r) {
    std::shuffle(order.begin(), order.end(), shuffle);
    for (std::size_t i : order)
      samples[i].push_back(microsecondsFor(draws[i], calls[i]) / static_cast<double>(calls[i]));
  }
  std::vector<double> out;
  for (const auto& s : samples) out.push_back(median(s));
  return out;
}

// Microseconds a stroke for each engine, in the order of `engines`, and last,
// with `baseline`, the write-once baseline's.
inline std::vector<double> timeCase(const Case& c, const std::vector<Engine>& engines, int rounds,
                                    std::mt19937& shuffle, bool baseline = false) {
  BlockParams params(c.blockW, c.blockH, 8);
  std::vector<std::unique_ptr<StrokePen>> pens;
  std::vector<std::function<void()>> draws;
  for (const Engine& engine : engines) {
    pens.push_back(std::make_unique<StrokePen>(c.stroke, c.brush));
    StrokePen* pen = pens.back().get();
    draws.push_back([&c, engine, pen] { drawStroke(c.stroke, engine, pen->ctx()); });
  }
  std::unique_ptr<WriteOnce> writeOnce;
  if (baseline) {
    writeOnce = std::make_unique<WriteOnce>(c.stroke, c.brush);
    draws.push_back([&writeOnce] { writeOnce->draw(); });
  }
  return timeInterleaved(draws, rounds, shuffle);
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
