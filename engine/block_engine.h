// block_engine.h - the pen's pixel work: tone patterns, block stamps, brush
// stamps and stroke segments.
//
// Every pixel the pen paints is painted as part of a block: the grid-aligned
// rectangle of blockWidth x blockHeight canvas pixels, anchored at canvas
// pixel (0, 0), that contains an ink pixel of the brush. A 4 x 4 ordered-dither
// tone pattern laid over the block grid picks one of the two colours of the
// PenContext for each block.
//
// Units and conventions are those of pen_context.h: signed 32-bit canvas
// coordinates with y from the top, palette-index pixels, a changed rectangle
// that is not clipped. Positions are computed in 64 bits, so no coordinate,
// size or segment end a host can pass overflows; a changed-rectangle edge that
// does not fit 32 bits is clamped to the 32-bit range.
//
// State: the block parameters below are module-wide, initialised at load and
// never reset; the pen entry point sets them at every left-button press.
// Nothing here allocates, throws or calls the platform. Not reentrant.
//
// Reads and writes: only the canvas rows 0..H-1, columns 0..W-1 are written;
// the mask is read only when PCF_MASK is set; the brush is read within its own
// width and height.
//
// Inside: stampBlock paints its block straight through the fill
// (block_fill.h); every other call becomes one job, the brush at the points
// of a walk (stamping.cpp), and the table of stamp_paths.h picks the way to
// stamp it. All ways give the bytes of stamping each ink pixel in turn,
// which the literal engine in reference/ does step by step; the tests
// compare them. Scratch areas are static, in one record (StampScratch).
#pragma once

#include <cstdint>

#include "pen_context.h"
#include "tone_patterns.h"

// Block parameters. Sizes below 1 are treated as 1 and a tone outside 0..16
// as the nearest of 0 and 16, so no value can index outside the tone table.
extern int32_t blockWidth;   // initially 3
extern int32_t blockHeight;  // initially 2
extern int32_t strokeTone;   // initially 0: the tone pattern of the stroke

// Paints the whole block that contains canvas pixel (x, y), clipped to the
// canvas, unless (x, y) lies outside the canvas or PCF_MASK is set and any
// mask byte under the block is 0. The colour is the low byte of
// secondaryColour where the block's tone cell is set, else of primaryColour.
void stampBlock(int32_t x, int32_t y, PenContext* ctx);

// Lays the brush with its top-left pixel at (left, top) and stamps the block
// of each ink pixel (brush byte 0) on the canvas, skipping an ink pixel whose
// block column equals that of the last stamped one. That tracker is set once
// per call and carries from one brush row to the next. Returns 0.
int32_t stampBrush(int32_t left, int32_t top, int32_t width, int32_t height, PenContext* ctx);

// Stamps the brush placed at (cursorX, cursorY), writes its rectangle as the
// changed rectangle and sets PCF_DRAWN. Returns 0.
int32_t stampAtCursor(PenContext* ctx);

// Stamps the brush at every point of the walk from (fromX, fromY) towards
// (cursorX, cursorY) (see segment_walk.h), writes the union of the brush
// rectangles as the changed rectangle and sets PCF_DRAWN. Returns 0.
int32_t stampSegment(int32_t fromX, int32_t fromY, PenContext* ctx);
