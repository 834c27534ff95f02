// A small pen that keeps the host contract, built once as the gallery's
// control and once per GALLERY_* define with exactly one fault of the kind
// pen authors make. Each faulty build must fail the validator's check meant
// for it and no other. The control stamps its brush's ink pixels in the
// primary colour at the cursor and picks from the pick source; it reads no
// block size.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
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

#if defined(GALLERY_KEPT_POINTER)
// The canvas of the press, painted through for the whole stroke: in an
// editor whose canvas never moves, it looks right.
uint8_t* strokeCanvas = nullptr;
#endif

void stamp(PenContext* ctx) {
  const int64_t w = field(ctx->canvasHeader, 4), h = field(ctx->canvasHeader, 8);
#if defined(GALLERY_KEPT_POINTER)
  uint8_t* const canvas = strokeCanvas ? strokeCanvas : ctx->canvasBits;
#else
  uint8_t* const canvas = ctx->canvasBits;
#endif
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
      canvas[at] = inkColour(ctx);
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

#if defined(GALLERY_BOX_SELECTS)
// With no size selected, the pen "helpfully" selects the first one.
void selectSomeSize(HWND window) {
  HWND a = GetParent(window), b = a ? GetParent(a) : nullptr, c = b ? GetParent(b) : nullptr;
  HWND bar = c ? FindWindowExA(c, nullptr, "Zorvel DialogBar", nullptr) : nullptr;
  HWND page = bar ? FindWindowExA(bar, nullptr, nullptr, nullptr) : nullptr;
  HWND box = page ? GetDlgItem(page, 110) : nullptr;
  if (box && SendMessageA(box, CB_GETCURSEL, 0, 0) == CB_ERR) SendMessageA(box, CB_SETCURSEL, 0, 0);
}
#endif

#if defined(GALLERY_THREAD_CRASH)
// A worker that finishes the stroke's preview later, started without the
// argument it writes through.
DWORD WINAPI previewWorker(void* target) {
  Sleep(30);
  *static_cast<volatile uint32_t*>(target) = 1;
  return 0;
}
#endif

#if defined(GALLERY_PRESS_LEAK)
// A preview made at every press and replaced at the next, never freed.
void* volatile previewPixels = nullptr;
HBRUSH previewBrush = nullptr;
#endif

void press(HWND window, PenContext* ctx) {
  (void)window;
#if defined(GALLERY_KEPT_POINTER)
  strokeCanvas = ctx->canvasBits;
#endif
#if defined(GALLERY_COLOUR_CLAMPED)
  // Normalises the colours in place, as if they were the pen's.
  if (ctx->primaryColour > 255) ctx->primaryColour &= 0xFF;
#endif
#if defined(GALLERY_MMX_NO_EMMS)
  // Clears a register the MMX way and leaves the x87 stack in MMX state.
  asm volatile("pxor %%mm0, %%mm0" : : : "memory");
#endif
#if defined(GALLERY_BOX_SELECTS)
  selectSomeSize(window);
#endif
#if defined(GALLERY_THREAD_CRASH)
  if (HANDLE worker = CreateThread(nullptr, 0, previewWorker, nullptr, 0, nullptr))
    CloseHandle(worker);
#endif
#if defined(GALLERY_PRESS_LEAK)
  previewPixels = std::malloc(256);
  previewBrush = CreateSolidBrush(RGB(ctx->primaryColour & 0xFF, 0, 0));
#endif
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
    // As a pen that writes a pick outside the canvas through a record of its
    // own it never set up. (It wrote near the top of the address space once:
    // under Wine a large-address-aware process may have Linux's stack there,
    // and now and then the write landed and nothing crashed.)
    static volatile uintptr_t unset = 0x10;
    *reinterpret_cast<volatile uint8_t*>(unset) = 0;
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

#if defined(GALLERY_HANDLER_LEFT)
// Logs the exceptions it sees; added at load, never removed.
LONG CALLBACK logException(EXCEPTION_POINTERS*) { return EXCEPTION_CONTINUE_SEARCH; }
#endif

#if defined(GALLERY_QUADRATIC_DRAG)
int32_t lastX = 0;
volatile uint32_t walked = 0;

// Walks the segment clipped to the canvas, working each point out again
// from the segment's start, four times over: the work grows as the square of
// its length, and a drag of 4096 px takes several frames on any machine
// (once over, a quiet fast machine came in just under one).
void walkSegment(const PenContext* ctx) {
  const int64_t w = field(ctx->canvasHeader, 4);
  const int64_t x0 = lastX < 0 ? 0 : lastX > w ? w : lastX;
  const int64_t x1 = ctx->cursorX < 0 ? 0 : ctx->cursorX > w ? w : ctx->cursorX;
  const int64_t length = x1 > x0 ? x1 - x0 : x0 - x1;
  for (int64_t k = 0; k <= length; ++k)
    for (int64_t j = 0; j <= 4 * k; ++j) walked = walked + static_cast<uint32_t>((j * 7) / (k + 1));
}
#endif

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
#if defined(GALLERY_ENTRY_FALSE)
  // Refuses to load: a failed set-up it reports only this way.
  if (reason == DLL_PROCESS_ATTACH) return FALSE;
#elif defined(GALLERY_HANDLER_LEFT)
  if (reason == DLL_PROCESS_ATTACH) AddVectoredExceptionHandler(1, logException);
#endif
  (void)reason;
  return TRUE;
}

#if defined(GALLERY_EXTRA_EXPORT)
// A debugging entry left in the export table.
int32_t penDebugDump() { return 0; }
#endif

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

int32_t PEN_CALL penMain(HWND window, UINT message, WPARAM keyFlags, LPARAM, PenContext* ctx) {
  switch (message) {
    case WM_LBUTTONDOWN:
      press(window, ctx);
#if defined(GALLERY_QUADRATIC_DRAG)
      lastX = ctx->cursorX;
#endif
#if defined(GALLERY_NONZERO)
      return 1;
#endif
      break;
    case WM_MOUSEMOVE:
      if (keyFlags & MK_LBUTTON) {
#if defined(GALLERY_QUADRATIC_DRAG)
        walkSegment(ctx);
#endif
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
#if defined(GALLERY_QUADRATIC_DRAG)
  if (message == WM_MOUSEMOVE) lastX = ctx->cursorX;
#endif
  return 0;
}

}  // extern "C"
