// pen_entry.h - the pen entry point: one call per canvas message while the
// pen is the editor's active tool.
//
// A left-button press reads the block size from the editor's block-size box,
// latches the tone of the stroke and stamps the brush at the cursor; each
// mouse move with the left button down draws a segment from the previous
// point; a right-button press picks a colour from the pick source. Every
// other message does nothing.
//
// State: the tracking state below and the block parameters of
// block_engine.h are module-wide, initialised at load and never reset; a
// stroke has no begin or end of its own. One call at a time; not reentrant.
//
// Pointers: only those a message needs are dereferenced, so a host may leave
// the others null or stale. A left-button press and a drag need canvasHeader,
// canvasBits, brushHeader, brushBits (and maskBits with PCF_MASK); a
// right-button press needs canvasHeader and pickBits; a mouse move without the
// button reads the cursor only; other messages touch nothing, ctx included.
#pragma once

#include <cstdint>

#include "block_size.h"
#include "pen_context.h"
#include "window_tree.h"

// Tracking state: the last cursor position reported by a press or a move (the
// start of the next segment) and the text last read from the block-size box.
extern int32_t prevX;                  // initially 0
extern int32_t prevY;                  // initially 0
extern char sizeText[kSizeTextBytes];  // initially all 0

// Handles one canvas message. `keyFlags` is a mouse message's wParam, of which
// only MK_LBUTTON and MK_SHIFT are read; `param` is not read. Returns 0.
int32_t ZVPen(WindowHandle window, uint32_t message, uint32_t keyFlags, int32_t param,
              PenContext* ctx);

// The tone pattern of a stroke: the host's tone level, clamped to 0..16, or
// its complement 16 - level with MK_SHIFT in `keyFlags`.
int32_t latchedTone(int32_t toneLevel, uint32_t keyFlags);
