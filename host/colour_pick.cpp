#include "colour_pick.h"

int32_t pickColour(const PenContext* ctx) {
  const BitmapGeometry canvas = bitmapGeometry(ctx->canvasHeader);
  if (!canvas.contains(ctx->cursorX, ctx->cursorY)) return kNoColour;
  return ctx->pickBits[canvas.offsetOf(ctx->cursorX, ctx->cursorY)];
}
