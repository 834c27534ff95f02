// colour_pick.h - the colour picker of the right mouse button.
#pragma once

#include <cstdint>

#include "pen_context.h"

// What pickColour returns when the cursor is not on the canvas.
constexpr int32_t kNoColour = -1;

// The pick-source byte under (cursorX, cursorY), 0 to 255, addressed with the
// canvas geometry; kNoColour when the cursor lies outside the canvas (or the
// canvas has no pixels), so that nothing outside the buffer is read. Reads
// canvasHeader and pickBits only.
int32_t pickColour(const PenContext* ctx);
