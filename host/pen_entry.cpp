#include "pen_entry.h"

#include "block_engine.h"
#include "colour_pick.h"
#include "window_messages.h"

int32_t prevX = 0;
int32_t prevY = 0;
char sizeText[kSizeTextBytes] = {};

int32_t latchedTone(int32_t toneLevel, uint32_t keyFlags) {
  // Clamped first: the complement of an out-of-range level would overflow or
  // pick the wrong end of the scale.
  const int32_t level = toneLevel < 0 ? 0 : toneLevel > 16 ? 16 : toneLevel;
  return (keyFlags & MK_SHIFT) ? 16 - level : level;
}

namespace {

void trackCursor(const PenContext* ctx) {
  prevX = ctx->cursorX;
  prevY = ctx->cursorY;
}

// The block size holds for the whole stroke, until the next press.
void selectBlockSize(WindowHandle window) {
  if (fetchBlockSizeText(window, sizeText)) {
    parseBlockSize(sizeText);
  } else {
    blockWidth = 1;
    blockHeight = 1;
  }
}

void pickInto(PenContext* ctx, uint32_t keyFlags) {
  const int32_t colour = pickColour(ctx);
  if (colour == kNoColour) return;  // a click off the canvas picks nothing
  uint32_t& field = (keyFlags & MK_SHIFT) ? ctx->secondaryColour : ctx->primaryColour;
  field = static_cast<uint32_t>(colour);
  ctx->stateFlags |= PCF_COLOUR;
}

}  // namespace

int32_t ZVPen(WindowHandle window, uint32_t message, uint32_t keyFlags, int32_t /*param*/,
              PenContext* ctx) {
  switch (message) {
    case WM_MOUSEMOVE:
      if (keyFlags & MK_LBUTTON) stampSegment(prevX, prevY, ctx);
      trackCursor(ctx);
      break;
    case WM_LBUTTONDOWN:
      selectBlockSize(window);
      strokeTone = latchedTone(ctx->toneLevel, keyFlags);
      stampAtCursor(ctx);
      trackCursor(ctx);
      break;
    case WM_RBUTTONDOWN:
      pickInto(ctx, keyFlags);  // the previous point stays where it was
      break;
    default:
      // Focus, keys, button releases and the editor's own WM_USER messages
      // (+1, +2, +4, +9, +10) arrive too; the pen has nothing to do for them.
      break;
  }
  return 0;
}
