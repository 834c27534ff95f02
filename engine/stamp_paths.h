// stamp_paths.h - the ways the engine can stamp, as rows of one table.
//
// A stamping call becomes a job (stamp_job.h): the brush (or the top-left
// part of it that stampBrush is asked for) placed at the points first..last
// of a walk. Every row of the table stamps any job it applies to with the
// same bytes as the literal algorithm; they differ only in speed. Choosing is
// one loop in stamp_paths.cpp: the first row that applies and is worth it for
// this job runs.
//
// Each row has two tests, whether it applies and whether it is worth it.
// They read the job and the facts of its brush (its runs, its one ink pixel,
// the profile's and the sweep's plans, the sweep's estimate), which
// stamp_job.h works out when first asked for and keeps in the scratch for
// the calls after: asking changes no later answer, so the order in which
// the tests ask changes no choice. A row's worth weighs its own cost against
// at most one other row's, its rival, which the table names in the row and
// hands to the test: no test asks another row by itself. The thresholds sit
// beside their rows with what they trade. The rows, in the order they are
// tried:
//
//   row             takes                                     rival
//   one-ink-pixel   a brush with one ink pixel (the 1 x 1      -
//                   pen), one block a point, reading no
//                   brush; when the blocks are small or the
//                   job paints few bytes.
//   each-placement  each placement's blocks at once from the   profile: whether
//                   brush bytes, needing no scratch. The       it takes the
//                   general path: the fallback of the          brush
//                   gathering rows, and the fastest for a
//                   single placement that repeats little and
//                   for small jobs of the brushes the
//                   profile does not take.
//   profile         one run of blocks a canvas row for the     sweep: its
//                   whole job (segment_profile.h), for         estimate
//                   brushes whose ink rows are one run each
//                   and overlap from row to row (discs,
//                   squares, dots): its work grows with the
//                   canvas rows the job covers.
//   sweep           the blocks of many points at once, block   gather: its
//                   row by block row (segment_sweep.h), for    estimate, in
//                   brushes whose rows are one run of ink but  the sweep's
//                   do not overlap so (slanted strokes); when  unit
//                   its estimate beats gathering's.
//   gather          the blocks of as many placements as one    -
//                   block set holds, each painted once;
//                   always applies, and takes every job the
//                   rows above do not.
//
// Forcing a row: tests and bench/path_gains build the engine with
// TESSALY_PATH_SWITCH defined (tessaly_engine_switchable) and can force one
// row for every job it applies to (forceStampPath; the differential test
// reads TESSALY_DIFF_PATH); with it, or with TESSALY_PATH_COUNTS (the
// fuzzer), the engine counts the jobs of each row. The shipped engine, which
// the other benchmarks time, has neither and reads no setting.
#pragma once

#include <cstdint>

#include "inclusive_box.h"
#include "stamp_job.h"  // the walk, the editor's record and the scratch

// Stamps the brush of `ctx`, or its top-left part, at walk points
// first..last, down the path the table chooses. `atOrigin` is where its
// pixels lie for the point (0, 0), at least 1 x 1 and within the brush:
// wholeBrush, the whole brush placed as brush_placement.h says; otherwise a
// part whose top-left pixel goes on the point.
void stampAlongWalk(const SegmentWalk& walk, uint64_t first, uint64_t last,
                    const InclusiveBox& atOrigin, bool wholeBrush, PenContext* ctx,
                    StampScratch& scratch);

constexpr int kStampPathCount = 5;
const char* stampPathName(int path);

#ifdef TESSALY_PATH_SWITCH
// Runs the named row for every job it applies to (others choose as usual);
// null or "" chooses as usual again. False, changing nothing, for an unknown
// name.
bool forceStampPath(const char* name);
#endif
#if defined(TESSALY_PATH_SWITCH) || defined(TESSALY_PATH_COUNTS)
// Jobs each row has stamped since the program started.
int64_t stampPathUses(int path);
#endif
