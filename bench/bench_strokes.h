// bench_strokes.h - what the two stamping timers share: the strokes, the
// brushes, the engines they time and the block parameters all of them read.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "block_engine.h"
#include "literal_engine.h"
#include "previous_engine.h"
#include "stamp_paths.h"
#include "support/test_bitmap.h"

namespace bench {

constexpr int32_t kCanvas = 1024;

struct Point {
  int32_t x, y;
};

// One stampAtCursor at `to`, one stampSegment from `from` to `to`, or a
// drag: a stampSegment from each point of `path` to the next, the cursor
// moving on as the editor moves it (the press that starts it not included).
struct Stroke {
  enum Kind { kStamp, kSegment, kDrag };
  std::string name;  // "stamp", "h256", "d4", "drag"
  Kind kind;
  Point from, to;
  std::vector<Point> path;
  bool tiny;  // a stroke of a few pixels, where fixed costs dominate
};

inline Stroke stampStroke() {
  return {"stamp", Stroke::kStamp, {0, 0}, {kCanvas / 2, kCanvas / 2}, {}, false};
}

// N pixels along x or along the diagonal, centred on the canvas.
inline Stroke horizontal(int32_t length) {
  const int32_t a = (kCanvas - length) / 2;
  return {"h" + std::to_string(length),
          Stroke::kSegment,
          {a, kCanvas / 2},
          {a + length, kCanvas / 2},
          {},
          length <= 4};
}
inline Stroke diagonal(int32_t length) {
  const int32_t a = (kCanvas - length) / 2;
  return {"d" + std::to_string(length),
          Stroke::kSegment,
          {a, a},
          {a + length, a + length},
          {},
          length <= 4};
}

// A slow mouse: one pixel a move, rightwards, alternately straight and
// diagonal up or down.
inline Stroke drag(int32_t moves) {
  Stroke s{"drag", Stroke::kDrag, {12, kCanvas / 2}, {12, kCanvas / 2}, {}, true};
  s.path.push_back(s.from);
  constexpr int32_t rise[4] = {0, 1, 0, -1};
  for (int32_t i = 0; i < moves; ++i) {
    const Point last = s.path.back();
    s.path.push_back({last.x + 1, last.y + rise[i % 4]});
  }
  s.to = s.path.back();
  return s;
}

struct Brush {
  enum Shape { kSquare, kDisc, kDot, kSlant, kRing };
  Shape shape;
  int32_t size;
  std::string name() const {
    static const char* const names[] = {"square", "disc", "dot", "slant", "ring"};
    return names[shape] + std::to_string(size);
  }
};

// Ink is byte 0. A disc is the one inscribed in the square; a dot has its
// centre pixel as its only ink, so the engines read a whole brush to stamp
// one pixel; a slant is a nib's stroke, two pixels a row stepping one pixel
// right a row down (rows that overlap by one pixel only); a ring is the disc
// less the disc of half its size (two runs in its middle rows).
inline testing_support::TestBitmap makeBrush(const Brush& b) {
  const int32_t n = b.size;
  testing_support::TestBitmap brush(n, n, b.shape == Brush::kSquare ? 0 : 1);
  if (b.shape == Brush::kDot) brush.at(n / 2, n / 2) = 0;
  if (b.shape == Brush::kSlant)
    for (int32_t y = 0; y < n; ++y) brush.fillRect(y * (n - 2) / (n - 1), y, 2, 1, 0);
  if (b.shape == Brush::kDisc || b.shape == Brush::kRing)
    for (int32_t y = 0; y < n; ++y)
      for (int32_t x = 0; x < n; ++x) {
        const int64_t dx = 2 * x + 1 - n, dy = 2 * y + 1 - n, r = dx * dx + dy * dy;
        const bool ink = r <= int64_t{n} * n && (b.shape == Brush::kDisc || 4 * r > int64_t{n} * n);
        brush.at(x, y) = ink ? 0 : 1;
      }
  return brush;
}

// A stroke with its brush and blocks: a row of every benchmark's table.
struct Case {
  Stroke stroke;
  Brush brush;
  int32_t blockW, blockH;
  std::string key() const {
    return stroke.name + "/" + brush.name() + "/" + std::to_string(blockW) + "x" +
           std::to_string(blockH);
  }
};

struct Engine {
  const char* name;
  int32_t (*atCursor)(PenContext*);
  int32_t (*segment)(int32_t, int32_t, PenContext*);
  const char* path;  // the fast engine with this stamping path forced, or null
};

constexpr Engine kFast{"fast", stampAtCursor, stampSegment, nullptr};
constexpr Engine kLiteral{"literal", literal::stampAtCursor, literal::stampSegment, nullptr};
#if TESSALY_HAS_PREVIOUS_ENGINE
constexpr Engine kPrevious{"previous", previous::stampAtCursor, previous::stampSegment, nullptr};
#endif

#ifdef TESSALY_PATH_SWITCH
// The fast engine forced down one row of its table of stamping paths (in
// programs that link the switchable engine).
inline Engine forcedPath(int path) {
  return {stampPathName(path), stampAtCursor, stampSegment, stampPathName(path)};
}
#endif

// The engines timed, the previous one where this build has it.
inline std::vector<Engine> engines() {
#if TESSALY_HAS_PREVIOUS_ENGINE
  return {kFast, kPrevious, kLiteral};
#else
  return {kFast, kLiteral};
#endif
}

// What the table says about the previous engine.
inline std::string previousEngineNote() {
#if TESSALY_HAS_PREVIOUS_ENGINE
  return std::string("previous: the engine at ") + TESSALY_PREVIOUS_REVISION;
#else
  return std::string("previous: not in this build (") + TESSALY_PREVIOUS_MISSING + ")";
#endif
}

inline void drawStroke(const Stroke& s, const Engine& engine, PenContext* ctx) {
#ifdef TESSALY_PATH_SWITCH
  if (engine.path != nullptr) forceStampPath(engine.path);
#endif
  switch (s.kind) {
    case Stroke::kStamp:
      engine.atCursor(ctx);
      break;
    case Stroke::kSegment:
      engine.segment(s.from.x, s.from.y, ctx);
      break;
    case Stroke::kDrag:
      for (std::size_t i = 1; i < s.path.size(); ++i) {
        ctx->cursorX = s.path[i].x;
        ctx->cursorY = s.path[i].y;
        engine.segment(s.path[i - 1].x, s.path[i - 1].y, ctx);
      }
      break;
  }
#ifdef TESSALY_PATH_SWITCH
  if (engine.path != nullptr) forceStampPath(nullptr);
#endif
}

// The block parameters of every engine for one measurement (the literal
// engine reads the current engine's), restored afterwards.
class BlockParams {
 public:
  BlockParams(int32_t width, int32_t height, int32_t tone) : current_(width, height, tone) {
#if TESSALY_HAS_PREVIOUS_ENGINE
    previous::blockWidth = width;
    previous::blockHeight = height;
    previous::strokeTone = tone;
#endif
  }
  ~BlockParams() {
#if TESSALY_HAS_PREVIOUS_ENGINE
    previous::blockWidth = saved_[0];
    previous::blockHeight = saved_[1];
    previous::strokeTone = saved_[2];
#endif
  }
  BlockParams(const BlockParams&) = delete;
  BlockParams& operator=(const BlockParams&) = delete;

 private:
  testing_support::ScopedBlockParams current_;
#if TESSALY_HAS_PREVIOUS_ENGINE
  int32_t saved_[3] = {previous::blockWidth, previous::blockHeight, previous::strokeTone};
#endif
};

// A pen on a canvas of its own, colours 1 and 2, the cursor at the stroke's
// end.
struct StrokePen {
  testing_support::TestPen pen;
  StrokePen(const Stroke& s, const Brush& brush) : pen(kCanvas, kCanvas, makeBrush(brush)) {
    pen.ctx.primaryColour = 1;
    pen.ctx.secondaryColour = 2;
    pen.setCursor(s.to.x, s.to.y);
  }
  StrokePen(const StrokePen&) = delete;  // the context points into the pen's bitmaps
  StrokePen& operator=(const StrokePen&) = delete;
  PenContext* ctx() { return &pen.ctx; }
};

// The least any engine could do for a stroke: write the pixels it changes,
// once, one memset per run of them, found beforehand from what the fast
// engine paints on a pen of its own.
class WriteOnce {
 public:
  WriteOnce(const Stroke& s, const Brush& brush);
  WriteOnce(const WriteOnce&) = delete;
  WriteOnce& operator=(const WriteOnce&) = delete;
  void draw() {
    for (const Span& span : spans_) std::memset(span.start, 1, span.length);
  }

 private:
  struct Span {
    uint8_t* start;
    std::size_t length;
  };
  StrokePen pen_;
  std::vector<Span> spans_;
};

inline WriteOnce::WriteOnce(const Stroke& s, const Brush& brush) : pen_(s, brush) {
  drawStroke(s, kFast, pen_.ctx());
  testing_support::TestBitmap& canvas = pen_.pen.canvas;
  for (int32_t y = 0; y < kCanvas; ++y)
    for (int32_t x = 0; x < kCanvas; ++x) {
      if (canvas.at(x, y) == 0) continue;
      int32_t end = x;
      while (end < kCanvas && canvas.at(end, y) != 0) ++end;
      spans_.push_back({&canvas.at(x, y), static_cast<std::size_t>(end - x)});
      x = end;
    }
}

}  // namespace bench
