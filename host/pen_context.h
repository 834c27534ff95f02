// pen_context.h - the record the editor and the pen exchange on every message.
//
// The editor owns the PenContext and every buffer it points to; it fills the
// record before each call of the pen entry point and reads back the canvas,
// the colours, the state flags and the changed rectangle afterwards. The pen
// keeps no pointer into it between calls.
//
// Units and conventions
//   - Coordinates are signed 32-bit canvas pixels: x from the left edge, y from
//     the top edge, even though every bitmap stores its rows bottom-up.
//   - Canvas, mask and pick source share the canvas header's geometry; the
//     brush has its own. BitmapGeometry below is the one place that knows how
//     a pixel (x, y) is found in any of them.
//   - Colours are palette indices; only the low byte of a colour field is
//     painted.
//   - The changed rectangle is left/top inclusive, right/bottom exclusive and
//     is not clipped to the canvas.
//
// Layout: every field is 32 bits in the 32-bit Windows build, where the byte
// offsets below are part of the contract with the editor and are asserted at
// compile time. Native builds (tests, fuzzing, benchmarks) use the same field
// order with native pointers.
//
// Threading: none. The editor calls the pen one message at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// Bits of PenContext::stateFlags that the pen uses. The pen only ever sets
// bits (bitwise OR); clearing them is the editor's business.
constexpr uint32_t PCF_MASK = 0x00000010;    // read: the mask applies
constexpr uint32_t PCF_DRAWN = 0x03000000;   // set after a stamp or a segment
constexpr uint32_t PCF_COLOUR = 0x04000000;  // set after a colour pick

struct PenContext {
  uint32_t hostField0;       //  0: the editor's, never touched
  const void* canvasHeader;  //  4: BITMAPINFOHEADER of the canvas
  uint8_t* canvasBits;       //  8: canvas pixels, the drawing target
  const uint8_t* maskBits;   // 12: 0 forbids painting (PCF_MASK)
  const uint8_t* pickBits;   // 16: source of the colour picker
  const void* brushHeader;   // 20: BITMAPINFOHEADER of the brush
  const uint8_t* brushBits;  // 24: brush pixels, 0 is ink
  uint32_t stateFlags;       // 28: PCF_* bits
  uint32_t primaryColour;    // 32: painted where the tone cell is clear
  uint32_t secondaryColour;  // 36: painted where the tone cell is set
  uint32_t hostField40;      // 40: the editor's, never touched
  uint32_t hostField44;      // 44: the editor's, never touched
  int32_t toneLevel;         // 48: 0..16, read at a left-button press
  int32_t cursorX;           // 52
  int32_t cursorY;           // 56
  int32_t changedLeft;       // 60: inclusive
  int32_t changedTop;        // 64: inclusive
  int32_t changedRight;      // 68: exclusive
  int32_t changedBottom;     // 72: exclusive
};

#if defined(_WIN32) && !defined(_WIN64)
static_assert(offsetof(PenContext, hostField0) == 0, "PenContext layout");
static_assert(offsetof(PenContext, canvasHeader) == 4, "PenContext layout");
static_assert(offsetof(PenContext, canvasBits) == 8, "PenContext layout");
static_assert(offsetof(PenContext, maskBits) == 12, "PenContext layout");
static_assert(offsetof(PenContext, pickBits) == 16, "PenContext layout");
static_assert(offsetof(PenContext, brushHeader) == 20, "PenContext layout");
static_assert(offsetof(PenContext, brushBits) == 24, "PenContext layout");
static_assert(offsetof(PenContext, stateFlags) == 28, "PenContext layout");
static_assert(offsetof(PenContext, primaryColour) == 32, "PenContext layout");
static_assert(offsetof(PenContext, secondaryColour) == 36, "PenContext layout");
static_assert(offsetof(PenContext, hostField40) == 40, "PenContext layout");
static_assert(offsetof(PenContext, hostField44) == 44, "PenContext layout");
static_assert(offsetof(PenContext, toneLevel) == 48, "PenContext layout");
static_assert(offsetof(PenContext, cursorX) == 52, "PenContext layout");
static_assert(offsetof(PenContext, cursorY) == 56, "PenContext layout");
static_assert(offsetof(PenContext, changedLeft) == 60, "PenContext layout");
static_assert(offsetof(PenContext, changedTop) == 64, "PenContext layout");
static_assert(offsetof(PenContext, changedRight) == 68, "PenContext layout");
static_assert(offsetof(PenContext, changedBottom) == 72, "PenContext layout");
static_assert(sizeof(PenContext) == 76, "PenContext layout");
#endif

// Where the pixels of a bitmap are: width and height from bytes 4 and 8 of
// its BITMAPINFOHEADER, rows bottom-up, each row padded to a multiple of
// 4 bytes. Kept in 64 bits so that no header value can overflow it.
struct BitmapGeometry {
  int64_t width;
  int64_t height;
  int64_t stride;  // bytes per row: width rounded up to a multiple of 4

  // A bitmap with no pixels; nothing is ever read from or painted into it.
  bool empty() const { return width <= 0 || height <= 0; }

  bool contains(int64_t x, int64_t y) const { return x >= 0 && y >= 0 && x < width && y < height; }

  // Byte offset of pixel (x, y), y counted from the top; only meaningful for
  // a pixel the bitmap contains.
  std::ptrdiff_t offsetOf(int64_t x, int64_t y) const {
    return static_cast<std::ptrdiff_t>((height - 1 - y) * stride + x);
  }
};

inline int32_t readHeaderField(const void* header, std::size_t offset) {
  int32_t value;
  std::memcpy(&value, static_cast<const unsigned char*>(header) + offset, sizeof value);
  return value;
}

inline BitmapGeometry bitmapGeometry(const void* header) {
  BitmapGeometry g;
  g.width = readHeaderField(header, 4);
  g.height = readHeaderField(header, 8);
  g.stride = (g.width + 3) & ~int64_t{3};
  return g;
}
