// The closed form. Take one class: a run runStart..runEnd (brush columns)
// with, unless it is the brush's first row or blocks are one pixel wide, the
// run aboveStart..aboveEnd of the row above. With the brush's left edge at
// canvas column `left`, the row shows canvas pixels max(left + runStart, 0) ..
// min(left + runEnd, W - 1), in block columns firstBlock(left) ..
// lastBlock(left). Without a row above the tracker is -1 and the row stamps
// all of them ("full"). With the row above visible, the tracker is that row's
// last visible block, and the row stamps from firstBlock + 1 when firstBlock
// equals the tracker, else from firstBlock. All three never decrease as
// `left` grows and change by at most one block per pixel, so over an interval
// leftFrom..leftTo of left edges:
//   - full rows stamp exactly firstBlock(leftFrom) .. lastBlock(leftTo);
//   - a row above visible and runs at least two pixels wide stamp
//     first .. lastBlock(leftTo), with first = firstBlock(leftFrom), except
//     `first` itself when the tracker equals it all along the left edges
//     whose firstBlock is `first`, which is when it equals it at both ends of
//     them. Every block after `first` is stamped from the last left edge whose
//     run still starts left of that block.
// Where the row above is off the canvas but this row is not, no row above is
// visible (prepareSweep makes sure of it) and the row is full. The tests
// check the form against stamping the brush point by point.
#include "segment_sweep.h"

#include <utility>

namespace {

bool sameRun(const InkRun& a, const InkRun& b) { return a.start == b.start && a.end == b.end; }

bool sameStamping(const RowClass& a, const RowClass& b) {
  return a.start == b.start && a.end == b.end && a.followsRow == b.followsRow &&
         (!a.followsRow || (a.aboveStart == b.aboveStart && a.aboveEnd == b.aboveEnd));
}

struct ClosedForm {
  const BitmapGeometry& canvas;
  const BlockGrid& grid;
  const BlockSink& sink;

  // The block of the first and of the last visible pixel of a run starting or
  // ending at brush column `column`, with the brush's left edge at `left`.
  int64_t firstBlock(int64_t left, int64_t column) const {
    return grid.column(left + column > 0 ? left + column : 0);
  }
  int64_t lastBlock(int64_t left, int64_t column) const {
    return grid.column(left + column < canvas.width - 1 ? left + column : canvas.width - 1);
  }

  // Blocks a row with run runStart..runEnd stamps over left edges
  // leftFrom..leftTo with the tracker at -1.
  void addFull(int64_t row, int64_t runStart, int64_t runEnd, int64_t leftFrom,
               int64_t leftTo) const {
    if (leftFrom < -runEnd) leftFrom = -runEnd;
    if (leftTo > canvas.width - 1 - runStart) leftTo = canvas.width - 1 - runStart;
    if (leftFrom <= leftTo)
      sink.add(row, firstBlock(leftFrom, runStart), lastBlock(leftTo, runEnd));
  }

  void addClass(int64_t row, const RowClass& k, int64_t leftFrom, int64_t leftTo) const {
    if (!k.followsRow) {
      addFull(row, k.start, k.end, leftFrom, leftTo);
      return;
    }
    const int64_t width = canvas.width;
    // The row above wholly off the canvas, to the left and to the right.
    addFull(row, k.start, k.end, leftFrom, leftTo < -k.aboveEnd - 1 ? leftTo : -k.aboveEnd - 1);
    addFull(row, k.start, k.end, leftFrom > width - k.aboveStart ? leftFrom : width - k.aboveStart,
            leftTo);
    // Both rows visible.
    int64_t from = leftFrom > -k.aboveEnd ? leftFrom : -k.aboveEnd;
    int64_t to = leftTo < width - 1 - k.aboveStart ? leftTo : width - 1 - k.aboveStart;
    if (from < -k.end) from = -k.end;
    if (to > width - 1 - k.start) to = width - 1 - k.start;
    if (from > to) return;
    const int64_t first = firstBlock(from, k.start);
    const int64_t lastLeftWithFirst = (first + 1) * grid.width - 1 - k.start;
    const int64_t prefixEnd = to < lastLeftWithFirst ? to : lastLeftWithFirst;
    const bool trackerAllAlong =
        lastBlock(from, k.aboveEnd) == first && lastBlock(prefixEnd, k.aboveEnd) == first;
    const int64_t stampFrom = trackerAllAlong ? first + 1 : first;
    const int64_t stampTo = lastBlock(to, k.end);
    if (stampFrom <= stampTo) sink.add(row, stampFrom, stampTo);
  }
};

// Blocks over the entries first..last (in walk order): the left edge moves
// one way along the walk, so its extremes are at the two ends.
void addEntries(const ClosedForm& form, const TopEntry* entries, int64_t row, const RowClass& k,
                int64_t first, int64_t last) {
  const int64_t a = entries[first].leftFirst, b = entries[last].leftLast;
  form.addClass(row, k, a < b ? a : b, a < b ? b : a);
}

void sweepClass(const RowClass& k, const TopEntry* entries, const Tops& tops, int64_t topMin,
                int64_t topMax, const ClosedForm& form) {
  const BlockGrid& grid = form.grid;
  const int64_t yMin = k.followsRow ? 1 : 0;  // a followed row at y = 0 is the first visible
  int64_t lo = topMin + k.firstRow, hi = topMax + k.lastRow;
  if (lo < yMin) lo = yMin;
  if (hi > form.canvas.height - 1) hi = form.canvas.height - 1;
  if (lo > hi) return;
  for (int64_t row = grid.row(lo); row <= grid.row(hi); ++row) {
    int64_t yLo = row * grid.height, yHi = yLo + grid.height - 1;
    if (yLo < lo) yLo = lo;
    if (yHi > hi) yHi = hi;
    // Points whose class rows meet yLo..yHi have tops in yLo - lastRow .. yHi - firstRow.
    int64_t a = tops.key(yLo - k.lastRow), b = tops.key(yHi - k.firstRow);
    if (a > b) std::swap(a, b);
    if (a < 0) a = 0;
    if (b > tops.count - 1) b = tops.count - 1;
    if (a <= b) addEntries(form, entries, row, k, a, b);
  }
}

// A brush whose top lies above the canvas shows row -top on canvas row 0
// first, with the tracker at -1 whatever row it is.
void sweepFirstVisibleRows(const BrushRuns& runs, const TopEntry* entries, const Tops& tops,
                           int64_t topMin, int64_t topMax, const ClosedForm& form) {
  const int64_t from = topMin > 1 - int64_t{runs.height} ? topMin : 1 - int64_t{runs.height};
  const int64_t to = topMax < -1 ? topMax : -1;
  for (int64_t top = from; top <= to; ++top) {
    const int64_t j = tops.key(top);
    const InkRun run = runs.runs[runs.rowStart[-top]];
    const int64_t a = entries[j].leftFirst, b = entries[j].leftLast;
    form.addFull(0, run.start, run.end, a < b ? a : b, a < b ? b : a);
  }
}

}  // namespace

bool prepareSweep(const BrushRuns& runs, const BlockGrid& grid, SweepScratch& scratch,
                  SweepPlan& plan) {
  int64_t count = 0;
  int32_t widestEnd = 0, widestStart = 0;  // over the rows above
  for (int32_t r = 0; r < runs.height; ++r) {
    if (runs.rowStart[r + 1] - runs.rowStart[r] != 1) return false;
    const InkRun run = runs.runs[runs.rowStart[r]];
    // A row like the two above it (the rows of a square) joins their class.
    if (r >= 2 && sameRun(run, runs.runs[runs.rowStart[r - 1]]) &&
        sameRun(run, runs.runs[runs.rowStart[r - 2]])) {
      scratch.classes[count - 1].lastRow = r;
      continue;
    }
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
    if (count > 0 && sameStamping(scratch.classes[count - 1], k)) {
      scratch.classes[count - 1].lastRow = r;
    } else {
      if (count == kMaxRowClasses) return false;
      scratch.classes[count++] = k;
    }
  }
  plan = {&runs, scratch.classes, count};
  return true;
}

SweepEstimate estimateSweep(const SweepPlan& plan, const SegmentWalk& walk, uint64_t first,
                            uint64_t last, const BlockGrid& grid) {
  const int64_t n = static_cast<int64_t>(last - first) + 1;
  const int64_t span = walkTopSpan(walk, first, last);
  // Grouping a point by its top costs about half of what gathering spends on
  // one brush row of it (measured on a long diagonal of a 1 x 1 brush over
  // 16 x 16 blocks, swept and gathered).
  int64_t sweep = (walk.xMajor ? span + 1 : n) / 2;
  for (int64_t i = 0; i < plan.classCount; ++i) {
    const int64_t rows = span + plan.classes[i].lastRow - plan.classes[i].firstRow + 1;
    sweep += rows / grid.height + 2;
  }
  return {sweep, n * plan.runs->height};
}

uint64_t sweepSegment(const SweepPlan& plan, SweepScratch& scratch, const SegmentWalk& walk,
                      uint64_t first, uint64_t last, const BitmapGeometry& canvas,
                      const BlockGrid& grid, const BlockSink& sink) {
  if (last - first >= kMaxSweepPoints) last = first + kMaxSweepPoints - 1;
  const Tops tops =
      collectTops(walk, first, last, plan.runs->width, plan.runs->height, scratch.entries);
  const int64_t topLast = tops.last();
  const int64_t topMin = tops.top0 < topLast ? tops.top0 : topLast;
  const int64_t topMax = tops.top0 < topLast ? topLast : tops.top0;
  const ClosedForm form{canvas, grid, sink};
  for (int64_t i = 0; i < plan.classCount; ++i)
    sweepClass(plan.classes[i], scratch.entries, tops, topMin, topMax, form);
  if (grid.width > 1)
    sweepFirstVisibleRows(*plan.runs, scratch.entries, tops, topMin, topMax, form);
  return last;
}
