// A small pen that keeps the host contract, built once as the gallery's
// control and once per GALLERY_* define with exactly one fault of the kind
// pen authors make. Each faulty build must fail the validator's check meant
// for it and no other. The control stamps its brush's ink pixels in the
// primary colour at the cursor and picks from the pick source; it reads no
// block size.
#include <windows.h>

#include <cstdint>
#include <cstring>

#include "pen_context.h"
#include "pen_info.h"

#if defined(GALLERY_STDCALL)
#define PEN_CALL __stdcall
#else
#define PEN_CALL __cdecl
#endif

#if defined(GALLERY_FOREIGN_IMPORT)
extern "C" __declspec(dllimport) int32_t helperZero();
#endif

namespace {

const char kName[] = "Gallery";
const char kAltName[] = "Gallery";
const char kDescription[] = "\x83\x65\x83\x58\x83\x67";  // "test" in katakana, code page 932
const char kCopyright[] = "Copyright (C) the Tessaly authors";
const char kVersion[] = "1.0";

int64_t strideOf(int64_t width) { return (width + 3) & ~int64_t{3}; }

int32_t field(const void* header, int offset) {
  int32_t v;
  std::memcpy(&v, static_cast<const uint8_t*>(header) + offset, 4);
  return v;
}

// The colour of one pixel; the uninitialised-stack build mixes in a byte of
// whatever lay on the stack, as a pen with a forgotten initialisation does.
[[gnu::noinline]] uint8_t inkColour(const PenContext* ctx) {
  uint8_t colour = static_cast<uint8_t>(ctx->primaryColour);
#if defined(GALLERY_UNINITIALISED)
  uint8_t scratch[32];
  asm volatile("" : "=m"(scratch));  // never written: the stack's garbage
  colour = static_cast<uint8_t>(colour ^ (scratch[13] & 1));
#endif
  return colour;
}

void stamp(PenContext* ctx) {
  const int64_t w = field(ctx->canvasHeader, 4), h = field(ctx->canvasHeader, 8);
  const int64_t bw = field(ctx->brushHeader, 4), bh = field(ctx->brushHeader, 8);
  const int64_t left = int64_t{ctx->cursorX} - bw / 2, top = int64_t{ctx->cursorY} - bh / 2;
  const int64_t stride = strideOf(w), brushStride = strideOf(bw);
  // Only the part of the brush over the canvas is visited.
  const int64_t x0 = left < 0 ? 0 : left, y0 = top < 0 ? 0 : top;
  const int64_t x1 = left + bw > w ? w : left + bw, y1 = top + bh > h ? h : top + bh;
  for (int64_t y = y0; y < y1; ++y)
    for (int64_t x = x0; x < x1; ++x) {
      if (ctx->brushBits[(bh - 1 - (y - top)) * brushStride + (x - left)] != 0) continue;
      const int64_t at = (h - 1 - y) * stride + x;
      if ((ctx->stateFlags & PCF_MASK) && ctx->maskBits[at] == 0) continue;
      ctx->canvasBits[at] = inkColour(ctx);
    }
  const auto clamp = [](int64_t v) {
    return static_cast<int32_t>(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v);
  };
  ctx->changedLeft = clamp(left);
  ctx->changedTop = clamp(top);
  ctx->changedRight = clamp(left + bw);
  ctx->changedBottom = clamp(top + bh);
#if defined(GALLERY_FLAGS_CLEARED)
  ctx->stateFlags = PCF_DRAWN;  // assigned, where it should be or-ed in
#else
  ctx->stateFlags |= PCF_DRAWN;
#endif
}

void press(PenContext* ctx) {
  stamp(ctx);
#if defined(GALLERY_PAST_CANVAS)
  const int64_t w = field(ctx->canvasHeader, 4), h = field(ctx->canvasHeader, 8);
  ctx->canvasBits[strideOf(w) * h] = 0;  // one byte past the last row
#elif defined(GALLERY_ROW_PADDING)
  const int64_t w = field(ctx->canvasHeader, 4);
  if (w % 4) ctx->canvasBits[w] = 0;  // the padding after the bottom row's pixels
#elif defined(GALLERY_MASK_WRITTEN)
  if (ctx->stateFlags & PCF_MASK) const_cast<uint8_t*>(ctx->maskBits)[0] = 1;
#elif defined(GALLERY_PICK_ON_PRESS)
  volatile uint8_t peek = ctx->pickBits[0];
  (void)peek;
#elif defined(GALLERY_HOST_FIELD)
  ctx->hostField40 = 0;
#endif
}

void pick(PenContext* ctx, uint32_t keyFlags) {
  const int64_t w = field(ctx->canvasHeader, 4), h = field(ctx->canvasHeader, 8);
  const int64_t x = ctx->cursorX, y = ctx->cursorY;
  if (x < 0 || y < 0 || x >= w || y >= h) {
#if defined(GALLERY_CRASH_OUTSIDE)
    // As a pen that indexes the pick source without a bounds check lands far
    // outside it.
    *reinterpret_cast<volatile uint8_t*>(~uintptr_t{0xFFFF}) = 0;
#endif
    return;
  }
  const uint32_t v = ctx->pickBits[(h - 1 - y) * strideOf(w) + x];
  if (keyFlags & MK_SHIFT)
    ctx->secondaryColour = v;
  else
    ctx->primaryColour = v;
  ctx->stateFlags |= PCF_COLOUR;
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

int32_t PEN_CALL penGetInfo(PenInfo* info) {
  info->infoWord = 0x01002008;
  info->name = kName;
  info->description = kDescription;
  info->copyright = kCopyright;
  info->version = kVersion;
  info->altName = kAltName;
#if defined(GALLERY_INFO_PAST_RECORD)
  reinterpret_cast<uint32_t*>(info + 1)[0] = 0;  // one field too many
#endif
#if defined(GALLERY_FOREIGN_IMPORT)
  return 1 + helperZero();
#else
  return 1;
#endif
}

int32_t PEN_CALL penMain(HWND, UINT message, WPARAM keyFlags, LPARAM, PenContext* ctx) {
  switch (message) {
    case WM_LBUTTONDOWN:
      press(ctx);
#if defined(GALLERY_NONZERO)
      return 1;
#endif
      break;
    case WM_MOUSEMOVE:
      if (keyFlags & MK_LBUTTON) {
        stamp(ctx);
      } else {
#if defined(GALLERY_HEADER_ON_MOVE)
        volatile int32_t width = field(ctx->canvasHeader, 4);
        (void)width;
#endif
      }
      break;
    case WM_RBUTTONDOWN:
      pick(ctx, static_cast<uint32_t>(keyFlags));
      break;
#if defined(GALLERY_KEY_HANG)
    case WM_KEYDOWN:
      for (;;) Sleep(50);  // waits for something that never comes
#endif
    default:
      break;
  }
  return 0;
}

}  // extern "C"
