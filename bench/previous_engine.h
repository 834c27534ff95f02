// previous_engine.h - the engine of an earlier revision, compiled from git
// into namespace previous (bench/previous_engine.cmake), so that a run can
// time it against the current one. Only what the benchmarks call is declared.
#pragma once

#include <cstdint>

#include "pen_context.h"

#if TESSALY_HAS_PREVIOUS_ENGINE
namespace previous {

extern int32_t blockWidth;
extern int32_t blockHeight;
extern int32_t strokeTone;

int32_t stampAtCursor(PenContext* ctx);
int32_t stampSegment(int32_t fromX, int32_t fromY, PenContext* ctx);

}  // namespace previous
#endif
