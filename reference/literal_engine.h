// literal_engine.h - the stamping algorithm written out step by step, one
// stampBlock call per visited ink pixel, as the reference the shipped engine
// must match byte for byte. Built into tests and benchmarks only.
//
// It reads the same block parameters (blockWidth, blockHeight, strokeTone)
// as the shipped engine and shares its one concession to practicality: a walk
// longer than a million steps jumps to the stretch whose brush can reach the
// canvas (see segment_walk.h, itself checked step by step in its tests).
#pragma once

#include <cstdint>

#include "pen_context.h"

namespace literal {

void stampBlock(int32_t x, int32_t y, PenContext* ctx);
int32_t stampBrush(int32_t left, int32_t top, int32_t width, int32_t height, PenContext* ctx);
int32_t stampAtCursor(PenContext* ctx);
int32_t stampSegment(int32_t fromX, int32_t fromY, PenContext* ctx);

}  // namespace literal
