// Row by row: the least start and the greatest end of the placements' runs
// on the canvas row, found from the two queues of brush rows and the end
// tops; then the run of blocks between them, its first block only where a
// placement whose run starts in it stamps it.
#include "segment_profile.h"

#include <cstddef>
#include <cstdint>

namespace {

// Canvas positions and brush rows in the loops below: within 32 bits on the
// canvases taken (profileTakesCanvas), so of the machine's width, which the
// 32-bit build holds in one register each.
using Coord = std::ptrdiff_t;

// Brush rows queued in increasing order, each with a key worse than all
// before it still queued: the front is the best row of the window, the first
// of those that tie. Each row is queued once, so the storage needs no
// wrapping.
struct RowQueue {
  int32_t* rows;
  Coord head;
  Coord tail;

  bool empty() const { return head == tail; }
  Coord front() const { return rows[head]; }
  template <typename Better>
  void push(Coord row, Better better) {
    while (tail > head && better(row, rows[tail - 1])) --tail;
    rows[tail++] = static_cast<int32_t>(row);
  }
  void dropBefore(Coord row) {
    while (head < tail && rows[head] < row) ++head;
  }
};

Coord leftmost(const TopEntry& e) { return e.leftFirst < e.leftLast ? e.leftFirst : e.leftLast; }
Coord rightmost(const TopEntry& e) { return e.leftFirst < e.leftLast ? e.leftLast : e.leftFirst; }

// The brush's ink rows and the tops of one part of the walk, with the bounds
// the rows below read, copied so that the painting between rows does not
// make the compiler read them again.
struct InkRowsAtTops {
  const InkRun* rows;  // ink row r at rows[r - firstRow]
  const TopEntry* entries;
  Coord firstRow;
  Coord lastRow;
  Coord top0;  // as in Tops
  Coord sign;
  Coord topMin;
  Coord topMax;
  Coord canvasWidth;
  Coord blockWidth;

  const InkRun& row(Coord r) const { return rows[r - firstRow]; }
  bool hasRow(Coord r) const { return r >= firstRow && r <= lastRow; }
  const TopEntry& entry(Coord top) const { return entries[sign * (top - top0)]; }

  // Whether a placement of top `top` whose run on canvas row y starts in
  // block `first` (the least block of the row) stamps it: its row above is
  // none, off the canvas, or ends right of the block.
  bool topStampsFirst(Coord y, Coord top, Coord first) const {
    const Coord r = y - top;
    if (!hasRow(r)) return false;
    const TopEntry& e = entry(top);
    const InkRun& run = row(r);
    // the first pixel right of the block, which may be past 2^31
    const int64_t beyond = (int64_t{first} + 1) * blockWidth;
    // The left edges of the top's placements whose run shows and starts in the block.
    int64_t a = leftmost(e), b = rightmost(e);
    if (a < -int64_t{run.end}) a = -int64_t{run.end};
    if (b > canvasWidth - 1 - run.start) b = canvasWidth - 1 - run.start;
    if (b > beyond - 1 - run.start) b = beyond - 1 - run.start;
    if (a > b) return false;
    if (r == firstRow || y == 0) return true;  // no row above: the tracker is -1
    const InkRun& above = row(r - 1);
    return a < -int64_t{above.end} || b > canvasWidth - 1 - above.start ||
           (beyond <= canvasWidth - 1 && b >= beyond - above.end);
  }

  // Whether any placement stamps block `first` on canvas row y, where the
  // least start, `start`, is that of a placement of top startTop. Mostly
  // that placement does, showing on the row with its row above ending right
  // of the block; else every top is asked.
  bool firstBlockStamped(Coord y, Coord first, Coord start, Coord startTop) const {
    const Coord r = y - startTop;
    const InkRun& run = row(r);
    if (start + (run.end - run.start) >= 0) {  // the placement shows on the row
      if (r == firstRow || y == 0) return true;
      // The row above ends right of the block, or it is off the canvas.
      Coord aboveEnd = start - run.start + row(r - 1).end;
      if (aboveEnd > canvasWidth - 1) aboveEnd = canvasWidth - 1;
      // The block ends before 2^32, past 2^31 perhaps: unsigned.
      if (aboveEnd >= 0 &&
          static_cast<std::size_t>(aboveEnd) >=
              static_cast<std::size_t>(first) * static_cast<std::size_t>(blockWidth) +
                  static_cast<std::size_t>(blockWidth))
        return true;
    }
    return anyTopStampsFirst(y, first, startTop);
  }

  [[gnu::noinline]] bool anyTopStampsFirst(Coord y, Coord first, Coord startTop) const {
    if (topStampsFirst(y, startTop, first)) return true;
    const Coord from = y - lastRow > topMin ? y - lastRow : topMin;
    const Coord to = y - firstRow < topMax ? y - firstRow : topMax;
    for (Coord top = from; top <= to; ++top)
      if (topStampsFirst(y, top, first)) return true;
    return false;
  }
};

// The blocks of canvas row y from the least start and the greatest end on
// it, the former at top startTop, handed to `rows`; then on to the next row.
[[gnu::always_inline]] inline void finishRow(CanvasRowSink& rows, const InkRowsAtTops& placed,
                                             BlockDivider column, bool firstBlockInDoubt, Coord y,
                                             Coord start, Coord end, Coord startTop) {
  const Coord width = placed.canvasWidth;
  if (start <= width - 1 && end >= 0) {
    Coord c0 = static_cast<Coord>(column(start > 0 ? start : 0));
    const auto c1 = static_cast<Coord>(column(end < width - 1 ? end : width - 1));
    if (firstBlockInDoubt && !placed.firstBlockStamped(y, c0, start, startTop)) ++c0;
    return rows.add(c0, c1);
  }
  rows.none();
}

}  // namespace

bool prepareProfile(const BrushRuns& runs, const BlockGrid& grid, ProfileScratch& scratch,
                    ProfilePlan& plan) {
  if (runs.inkPixels == 0 || runs.width > kMaxProfileWidth) return false;
  int32_t firstRow = 0;
  while (runs.rowStart[firstRow + 1] == runs.rowStart[firstRow]) ++firstRow;
  int32_t lastRow = runs.height - 1;
  while (runs.rowStart[lastRow + 1] == runs.rowStart[lastRow]) --lastRow;
  // One run a row: the rows' runs are the list's from the first row's on.
  if (runs.rowStart[lastRow + 1] - runs.rowStart[firstRow] !=
      static_cast<uint32_t>(lastRow - firstRow + 1))
    return false;
  const InkRun* run = runs.runs + runs.rowStart[firstRow];
  const bool firstBlockInDoubt = grid.width > 1 && firstRow < lastRow;
  if (firstBlockInDoubt && run[0].start == run[0].end) return false;
  int32_t widestStart = run[0].start, widestEnd = run[0].end;  // over the rows above
  int32_t distinct = 1, widestReach = 0;
  // A row like the row above stamps as it does, but that its tracker comes
  // from that row, which makes a difference where the row above is the first
  // or not like its own row above.
  bool aboveSame = false;  // the row above is like the one above it
  scratch.rowsUnlikeAbove[0] = 0;
  scratch.rowsUnlikeAbove[1] = 1;
  // The rows of a square first: one run each, like the first row's. Only the
  // second differs from the row above in its tracker.
  const uint32_t base = runs.rowStart[firstRow];
  int32_t i = 1;
  while (i <= lastRow - firstRow &&
         runs.rowStart[firstRow + i] == base + static_cast<uint32_t>(i) &&
         run[i].start == run[0].start && run[i].end == run[0].end) {
    scratch.rowsUnlikeAbove[i + 1] = firstBlockInDoubt ? 2 : 1;
    ++i;
  }
  if (i > 1) {
    widestReach = run[0].end - run[0].start;
    aboveSame = true;
  }
  for (; i <= lastRow - firstRow; ++i) {
    if (runs.rowStart[firstRow + i] != runs.rowStart[firstRow] + static_cast<uint32_t>(i))
      return false;  // none here, or two runs in a row above
    const InkRun row = run[i], above = run[i - 1];
    if (above.end - row.start > widestReach) widestReach = above.end - row.start;
    if (row.start == above.start && row.end == above.end) {  // the rows of a square
      scratch.rowsUnlikeAbove[i + 1] =
          scratch.rowsUnlikeAbove[i] + (!firstBlockInDoubt || aboveSame ? 0 : 1);
      aboveSame = true;
      continue;
    }
    if (!firstBlockInDoubt) {
      const int32_t start = row.start > above.start ? row.start : above.start;
      const int32_t end = row.end < above.end ? row.end : above.end;
      if (start > end) return false;
    } else {
      if (row.start == row.end || row.start + 1 > above.end || above.start + 1 > row.end)
        return false;
      if (row.end > above.end && widestEnd != above.end) return false;
      if (row.start < above.start && widestStart != above.start) return false;
      if (row.end > widestEnd) widestEnd = row.end;
      if (row.start < widestStart) widestStart = row.start;
    }
    ++distinct;
    scratch.rowsUnlikeAbove[i + 1] = scratch.rowsUnlikeAbove[i] + 1;
    aboveSame = false;
  }
  plan = {run,         scratch.rowsUnlikeAbove, firstRow, lastRow,    runs.width,
          runs.height, firstBlockInDoubt,       distinct, widestReach};
  return true;
}

ProfileEstimate estimateProfile(const ProfilePlan& plan, const SegmentWalk& walk, uint64_t first,
                                uint64_t last, const BlockGrid& grid) {
  const int64_t n = static_cast<int64_t>(last - first) + 1;
  const int64_t span = walkTopSpan(walk, first, last);
  const int64_t inkRows = plan.lastRow - plan.firstRow + 1, rows = span + inkRows;
  const int64_t grouping = (walk.xMajor ? span + 1 : n) / 2;
  // A row costs the least where there is only one top.
  int64_t profile = grouping + (span == 0 ? rows / 4 : 3 * rows / 4);
  if (plan.firstBlockInDoubt && plan.widestReach < grid.width) {
    // In sixteenths of a block: how often the first block is in doubt.
    const int64_t doubt = (grid.width - plan.widestReach) * 16 / grid.width;
    const int64_t tops = span + 1 < inkRows ? span + 1 : inkRows;
    profile += rows * tops / 8 * doubt / 16;
  }
  return {profile,
          grouping + (plan.distinctRows * span + inkRows) / grid.height + plan.distinctRows};
}

uint64_t profileSegment(const ProfilePlan& plan, ProfileScratch& scratch, const SegmentWalk& walk,
                        uint64_t first, uint64_t last, const BitmapGeometry& canvas,
                        const BlockGrid& grid, CanvasRowSink rows) {
  if (last - first >= kMaxTopPoints) last = first + kMaxTopPoints - 1;
  const Tops tops = collectTops(walk, first, last, plan.brushWidth, plan.brushHeight, scratch.tops);
  // Every top is within a brush's height of the canvas, every left edge
  // within a brush's width: they fit Coord.
  const auto topMin = static_cast<Coord>(tops.top0 < tops.last() ? tops.top0 : tops.last());
  const auto topMax = static_cast<Coord>(tops.top0 < tops.last() ? tops.last() : tops.top0);
  const Coord firstRow = plan.firstRow, lastRow = plan.lastRow;
  const auto canvasWidth = static_cast<Coord>(canvas.width);
  const auto canvasHeight = static_cast<Coord>(canvas.height);
  const auto firstTop = static_cast<Coord>(tops.top0), topSign = static_cast<Coord>(tops.sign);
  const InkRowsAtTops placed{
      plan.rows, scratch.tops, firstRow, lastRow,     firstTop,
      topSign,   topMin,       topMax,   canvasWidth, static_cast<Coord>(grid.width)};
  const Coord yFrom = topMin + firstRow > 0 ? topMin + firstRow : 0;
  const Coord yTo = topMax + lastRow < canvasHeight - 1 ? topMax + lastRow : canvasHeight - 1;
  if (yFrom > yTo) return last;

  // The order of the sums (see segment_profile.h), in 64 bits: the walk's
  // deltas take 32.
  const auto dx = static_cast<int64_t>(walk.xMajor ? walk.major : walk.minor);
  const auto dy = static_cast<int64_t>(walk.xMajor ? walk.minor : walk.major);
  const int64_t slope = walk.stepX * walk.stepY * dx;
  auto fewerStart = [&](Coord a, Coord b) {
    return dy * placed.row(a).start - slope * a < dy * placed.row(b).start - slope * b;
  };
  auto moreEnd = [&](Coord a, Coord b) {
    return dy * placed.row(a).end - slope * a > dy * placed.row(b).end - slope * b;
  };
  RowQueue least{scratch.leastStart, 0, 0}, greatest{scratch.greatestEnd, 0, 0};
  Coord next = firstRow;  // the next brush row to queue

  rows.begin(yFrom, yTo, grid);
  const BlockDivider column = grid.column;
  const bool firstBlockInDoubt = plan.firstBlockInDoubt;
  if (tops.count == 1) {
    // One top (a stamp, a flat stroke): each canvas row meets one brush row.
    // A row that repeats the row above, within one block row, adds nothing
    // (the row above had its own row above on the canvas too, from y 2 on).
    const Coord left = leftmost(scratch.tops[0]), right = rightmost(scratch.tops[0]);
    for (Coord y = yFrom; y <= yTo; ++y) {
      const Coord r = y - topMin;
      const Coord i = r - firstRow;
      if (y > yFrom && y >= 2 && !rows.atBlockRowStart() &&
          plan.rowsUnlikeAbove[i + 1] == plan.rowsUnlikeAbove[i]) {
        rows.none();
        continue;
      }
      const InkRun& run = placed.row(r);
      finishRow(rows, placed, column, firstBlockInDoubt, y, left + run.start, right + run.end,
                topMin);
    }
    rows.finish();
    return last;
  }
  // Rows all of whose brush rows meet tops between the end tops: the queues
  // hold every ink row and their fronts stay, and the end tops are out of
  // reach.
  const Coord steadyFrom = topMin + 1 + lastRow, steadyTo = topMax - 1 + firstRow;
  for (Coord y = yFrom; y <= yTo; ++y) {
    // The brush rows that meet canvas row y at the tops between the end tops.
    const Coord low = y - topMax + 1 > firstRow ? y - topMax + 1 : firstRow;
    const Coord high = y - topMin - 1 < lastRow ? y - topMin - 1 : lastRow;
    if (next < low) next = low;
    for (; next <= high; ++next) {
      least.push(next, fewerStart);
      greatest.push(next, moreEnd);
    }
    least.dropBefore(low);
    greatest.dropBefore(low);

    // Where every top meets this row and the row above, the placements stamp
    // here what they stamped there if each's row repeats its row above; within
    // a block row that adds nothing (from y 2 on, as above).
    if (y > yFrom && y >= 2 && !rows.atBlockRowStart() && y >= topMax + firstRow + 1 &&
        y <= topMin + lastRow &&
        plan.rowsUnlikeAbove[y - topMin - firstRow + 1] ==
            plan.rowsUnlikeAbove[y - topMax - firstRow]) {
      rows.none();
      continue;
    }

    if (y >= steadyFrom && y <= steadyTo) {
      const Coord rowFrom = least.front(), rowTo = greatest.front();
      const Coord start = placed.row(rowFrom).start, end = placed.row(rowTo).end;
      const TopEntry* atStart = &placed.entry(y - rowFrom);
      const TopEntry* atEnd = &placed.entry(y - rowTo);
      const Coord steadyLast = steadyTo < yTo ? steadyTo : yTo, sign = placed.sign;
      for (;; ++y, atStart += sign, atEnd += sign) {
        finishRow(rows, placed, column, firstBlockInDoubt, y, leftmost(*atStart) + start,
                  rightmost(*atEnd) + end, y - rowFrom);
        if (y == steadyLast) break;
      }
      continue;
    }

    Coord start = PTRDIFF_MAX, end = PTRDIFF_MIN, startTop = topMin;
    auto consider = [&](Coord top, bool forStart, bool forEnd) {
      const Coord r = y - top;
      if (!placed.hasRow(r)) return;
      const TopEntry& e = placed.entry(top);
      if (forStart && leftmost(e) + placed.row(r).start < start) {
        start = leftmost(e) + placed.row(r).start;
        startTop = top;
      }
      if (forEnd && rightmost(e) + placed.row(r).end > end) end = rightmost(e) + placed.row(r).end;
    };
    if (!least.empty()) consider(y - least.front(), true, false);
    if (!greatest.empty()) consider(y - greatest.front(), false, true);
    consider(topMin, true, true);
    if (topMax != topMin) consider(topMax, true, true);
    finishRow(rows, placed, column, firstBlockInDoubt, y, start, end, startTop);
  }
  rows.finish();
  return last;
}
