// The closed form. Take one class: a run a..b (brush columns) with, unless it
// is the brush's first row or blocks are one pixel wide, the run ap..bp of
// the row above. At brush column L (the brush's left edge on the canvas) the
// row shows canvas pixels x0(L) = max(L + a, 0) .. x1(L) = min(L + b, W - 1),
// in block columns c0(L) .. c1(L). Without a row above the tracker is -1 and
// the row stamps all of c0..c1 ("full"). With the row above visible, the
// tracker is that row's last visible block u(L), and the row stamps
// c0 + 1 .. c1 when c0 = u, else c0 .. c1. c0, c1 and u never decrease as L
// grows and change by at most one block per pixel, so over an interval
// La..Lb of L, with c = c0(La):
//   - full rows stamp exactly c0(La) .. c1(Lb);
//   - a row above visible and runs at least two pixels wide stamp c .. c1(Lb),
//     except c itself when u = c all along the L with c0 = c, which is when u
//     equals c at both ends of them. Every block after c is stamped from the
//     last L whose run still starts left of that block.
// Where the row above is off the canvas but this row is not, no row above is
// visible (prepareSweep makes sure of it) and the row is full.
#include "segment_sweep.h"

#include "block_set.h"
#include "brush_placement.h"

namespace {

constexpr int64_t kMaxClasses = 4096;

struct RowClass {
  int32_t firstRow;
  int32_t lastRow;
  int32_t start;  // the run, brush columns
  int32_t end;
  int32_t aboveStart;  // the run of the row above, for a class that follows one
  int32_t aboveEnd;
  bool followsRow;  // the tracker comes from the row above
};

RowClass classes[kMaxClasses];
int64_t classCount;

// The chunk's points, grouped by brush top row: entry j holds the points whose
// top row is top0 + sign * j, in walk order, and their leftmost brush column
// L at the first and the last of them. Along a y-major walk every point has
// a top of its own; along an x-major one, a top lasts until a minor step.
struct TopEntry {
  int32_t leftFirst;
  int32_t leftLast;
};
TopEntry entries[kMaxSweepPoints];
struct Tops {
  int64_t top0;
  int64_t sign;   // +1 or -1: tops never decrease in sign * top along the walk
  int64_t count;  // entries
  int64_t key(int64_t top) const { return sign * (top - top0); }  // the entry of a top
};

bool sameStamping(const RowClass& a, const RowClass& b) {
  return a.start == b.start && a.end == b.end && a.followsRow == b.followsRow &&
         (!a.followsRow || (a.aboveStart == b.aboveStart && a.aboveEnd == b.aboveEnd));
}

struct SweepView {
  const BitmapGeometry& canvas;
  const BlockGrid& grid;
  int64_t c0(int64_t L, int64_t a) const { return grid.column(L + a > 0 ? L + a : 0); }
  int64_t c1(int64_t L, int64_t b) const {
    return grid.column(L + b < canvas.width - 1 ? L + b : canvas.width - 1);
  }
  // Blocks a row with run a..b stamps over La..Lb with the tracker at -1.
  void addFull(int64_t row, int64_t a, int64_t b, int64_t La, int64_t Lb) const {
    if (La < -b) La = -b;
    if (Lb > canvas.width - 1 - a) Lb = canvas.width - 1 - a;
    if (La <= Lb) blockSetAdd(row, c0(La, a), c1(Lb, b));
  }
  void addClass(int64_t row, const RowClass& k, int64_t La, int64_t Lb) const {
    const int64_t a = k.start, b = k.end;
    if (!k.followsRow) {
      addFull(row, a, b, La, Lb);
      return;
    }
    const int64_t ap = k.aboveStart, bp = k.aboveEnd, W = canvas.width;
    addFull(row, a, b, La, Lb < -bp - 1 ? Lb : -bp - 1);  // the row above off to the left
    addFull(row, a, b, La > W - ap ? La : W - ap, Lb);    // the row above off to the right
    int64_t lo = La > -bp ? La : -bp, hi = Lb < W - 1 - ap ? Lb : W - 1 - ap;
    if (lo < -b) lo = -b;
    if (hi > W - 1 - a) hi = W - 1 - a;
    if (lo > hi) return;
    const int64_t c = c0(lo, a);
    const int64_t lastWithC = (c + 1) * grid.width - 1 - a;
    const int64_t prefixEnd = hi < lastWithC ? hi : lastWithC;
    const bool trackerAllAlong = c1(lo, bp) == c && c1(prefixEnd, bp) == c;
    const int64_t from = trackerAllAlong ? c + 1 : c, to = c1(hi, b);
    if (from <= to) blockSetAdd(row, from, to);
  }
};

// Blocks over the entries first..last (in walk order): L moves one way along
// the walk, so its extremes are at the two ends.
void addEntries(const SweepView& view, int64_t row, const RowClass& k, int64_t first,
                int64_t last) {
  const int64_t a = entries[first].leftFirst, b = entries[last].leftLast;
  view.addClass(row, k, a < b ? a : b, a < b ? b : a);
}

void sweepClass(const RowClass& k, const Tops& tops, int64_t topMin, int64_t topMax,
                const SweepView& view) {
  const BlockGrid& grid = view.grid;
  const int64_t H = view.canvas.height;
  const int64_t yMin = k.followsRow ? 1 : 0;  // a followed row at y = 0 is the first visible
  int64_t lo = topMin + k.firstRow, hi = topMax + k.lastRow;
  if (lo < yMin) lo = yMin;
  if (hi > H - 1) hi = H - 1;
  if (lo > hi) return;
  for (int64_t row = grid.row(lo); row <= grid.row(hi); ++row) {
    int64_t yLo = row * grid.height, yHi = yLo + grid.height - 1;
    if (yLo < lo) yLo = lo;
    if (yHi > hi) yHi = hi;
    // Points whose class rows meet yLo..yHi have tops in yLo - lastRow .. yHi - firstRow.
    int64_t a = tops.key(yLo - k.lastRow), b = tops.key(yHi - k.firstRow);
    if (a > b) {
      const int64_t t = a;
      a = b;
      b = t;
    }
    if (a < 0) a = 0;
    if (b > tops.count - 1) b = tops.count - 1;
    if (a <= b) addEntries(view, row, k, a, b);
  }
}

// A brush whose top lies above the canvas shows row -T on canvas row 0 first,
// with the tracker at -1 whatever row it is.
void sweepFirstVisibleRows(const BrushRuns& runs, const Tops& tops, int64_t topMin, int64_t topMax,
                           const SweepView& view) {
  const int64_t from = topMin > 1 - int64_t{runs.height} ? topMin : 1 - int64_t{runs.height};
  const int64_t to = topMax < -1 ? topMax : -1;
  for (int64_t top = from; top <= to; ++top) {
    const int64_t j = tops.key(top);
    const InkRun run = runs.runs[runs.rowStart[-top]];
    const int64_t a = entries[j].leftFirst, b = entries[j].leftLast;
    view.addFull(0, run.start, run.end, a < b ? a : b, a < b ? b : a);
  }
}

int32_t leftAt(WalkPoint p, const BrushRuns& runs) {
  return static_cast<int32_t>(placeBrush(p, runs.width, runs.height).left);
}

// Fills the entries for walk points first..last.
Tops collectTops(const SegmentWalk& walk, uint64_t first, uint64_t last, const BrushRuns& runs) {
  const WalkPoint start = walkPointAt(walk, first);
  Tops tops{placeBrush(start, runs.width, runs.height).top, walk.stepY, 0};
  const uint64_t n = last - first + 1;
  if (walk.xMajor) {
    const uint64_t minorFirst = walkMinorSteps(walk, first), minorLast = walkMinorSteps(walk, last);
    tops.count = static_cast<int64_t>(minorLast - minorFirst + 1);
    if (static_cast<uint64_t>(tops.count) * 16 < n) {
      // Few minor steps: find where each top begins and ends directly.
      for (int64_t j = 0; j < tops.count; ++j) {
        const uint64_t m = minorFirst + static_cast<uint64_t>(j);
        uint64_t a = walkFirstStepWithMinor(walk, m), b = walkFirstStepWithMinor(walk, m + 1) - 1;
        if (a < first) a = first;
        if (b > last) b = last;
        entries[j] = {leftAt(walkPointAt(walk, a), runs), leftAt(walkPointAt(walk, b), runs)};
      }
      return tops;
    }
  } else {
    tops.count = static_cast<int64_t>(n);
  }
  WalkCursor cursor = walkCursorAt(walk, first);
  int64_t j = 0;
  int32_t left = leftAt(cursor.point, runs);
  entries[0].leftFirst = left;
  for (uint64_t i = 1; i < n; ++i) {
    const int64_t y = cursor.point.y;
    walkStep(walk, cursor);
    if (cursor.point.y != y) {
      entries[j++].leftLast = left;
      left = leftAt(cursor.point, runs);
      entries[j].leftFirst = left;
    } else {
      left = leftAt(cursor.point, runs);
    }
  }
  entries[j].leftLast = left;
  return tops;
}

}  // namespace

bool prepareSweep(const BrushRuns& runs, const BlockGrid& grid) {
  classCount = 0;
  int32_t widestEnd = 0, widestStart = 0;  // over the rows above
  for (int32_t r = 0; r < runs.height; ++r) {
    if (runs.rowStart[r + 1] - runs.rowStart[r] != 1) return false;
    const InkRun run = runs.runs[runs.rowStart[r]];
    RowClass k{r, r, run.start, run.end, 0, 0, grid.width > 1 && r > 0};
    if (k.followsRow) {
      const InkRun above = runs.runs[runs.rowStart[r - 1]];
      k.aboveStart = above.start;
      k.aboveEnd = above.end;
      if (run.start == run.end) return false;
      if (run.end > above.end && widestEnd != above.end) return false;
      if (run.start < above.start && widestStart != above.start) return false;
    }
    if (r == 0 || run.end > widestEnd) widestEnd = run.end;
    if (r == 0 || run.start < widestStart) widestStart = run.start;
    if (classCount > 0 && sameStamping(classes[classCount - 1], k)) {
      classes[classCount - 1].lastRow = r;
    } else {
      if (classCount == kMaxClasses) return false;
      classes[classCount++] = k;
    }
  }
  return true;
}

SweepEstimate estimateSweep(const SegmentWalk& walk, uint64_t first, uint64_t last,
                            const BrushRuns& runs, const BlockGrid& grid) {
  const int64_t n = static_cast<int64_t>(last - first) + 1;
  const int64_t topSpan = walkPointAt(walk, last).y - walkPointAt(walk, first).y;
  const int64_t span = topSpan < 0 ? -topSpan : topSpan;
  int64_t sweep = walk.xMajor ? span + 1 : n;
  for (int64_t i = 0; i < classCount; ++i) {
    const int64_t rows = span + classes[i].lastRow - classes[i].firstRow + 1;
    sweep += rows / grid.height + 2;
  }
  return {sweep, n * runs.height};
}

void sweepSegment(const SegmentWalk& walk, uint64_t first, uint64_t last, const BrushRuns& runs,
                  const BitmapGeometry& canvas, const BlockGrid& grid) {
  const Tops tops = collectTops(walk, first, last, runs);
  const int64_t topLast = tops.top0 + tops.sign * (tops.count - 1);
  const int64_t topMin = tops.top0 < topLast ? tops.top0 : topLast;
  const int64_t topMax = tops.top0 < topLast ? topLast : tops.top0;
  const SweepView view{canvas, grid};
  for (int64_t i = 0; i < classCount; ++i) sweepClass(classes[i], tops, topMin, topMax, view);
  if (grid.width > 1) sweepFirstVisibleRows(runs, tops, topMin, topMax, view);
}
