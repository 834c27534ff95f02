// fuzz_input.h - a fuzzer input read front to back as a stream of small
// decisions. Every byte string is a valid input: reading past the end yields
// zeros, and every value is mapped onto a legal range by modulo or table, so
// a mutation changes what is chosen, never whether the input can be read.
//
// An input is a scenario (geometry as readGeometry reads it, then flags,
// colours, tone and box items), then messages until the bytes run out; see
// LLVMFuzzerTestOneInput, Session::setUp and Session::playOne in
// pen_fuzzer.cpp. fuzz/make_seeds.py writes the seed corpus in the same
// layout, so a change here needs the same change there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool exhausted() const { return pos_ >= size_; }

  uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  uint16_t u16() {
    const uint16_t low = byte();
    return static_cast<uint16_t>(low | (byte() << 8));
  }
  uint32_t u32() {
    const uint32_t low = u16();
    return low | (static_cast<uint32_t>(u16()) << 16);
  }
  int32_t i32() { return static_cast<int32_t>(u32()); }

 private:
  const uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// A bitmap width or height: mostly 1..48, sometimes up to 300 (odd sizes
// included), rarely a wide 301..2048 or a long strip of up to 34816 (the
// caller caps the area), 0 or negative. Wide bitmaps carry long runs of wide
// blocks. Strips let a segment or a brush outgrow the engine's scratch areas
// (4096 brush rows, 8192 block rows, 16384 points a sweep), so that its
// fallbacks run too.
//   byte < 0xC0       1 + byte % 48
//   byte < 0xE8       49 + u16 % 252
//   byte < 0xF0       301 + u16 % 1748
//   byte < 0xF8       2049 + u16 % 32768
//   0xF8..0xFB        0
//   0xFC..0xFF        a negative value from a table, chosen by the next byte
inline int32_t bitmapSize(FuzzInput& in) {
  const uint8_t b = in.byte();
  if (b < 0xC0) return 1 + b % 48;
  if (b < 0xE8) return 49 + in.u16() % 252;
  if (b < 0xF0) return 301 + in.u16() % 1748;
  if (b < 0xF8) return 2049 + in.u16() % 32768;
  if (b < 0xFC) return 0;
  constexpr int32_t negatives[] = {-1, -2, -3, -4, -7, -300, -65536, INT32_MIN};
  return negatives[in.byte() % 8];
}

// Shrinks the longer side of a bitmap larger than 2^17 pixels (a strip
// across a wide bitmap) to keep it to about that.
inline void capArea(int32_t& width, int32_t& height) {
  constexpr int64_t kMaxPixels = int64_t{1} << 17;
  if (width <= 0 || height <= 0 || int64_t{width} * height <= kMaxPixels) return;
  if (width > height)
    width = static_cast<int32_t>(kMaxPixels / height);
  else
    height = static_cast<int32_t>(kMaxPixels / width);
}

// What the brush holds; ink is byte 0.
enum class BrushFill {
  kAllInk,
  kNoInk,
  kHalfInk,
  kMostlyInk,    // 7 pixels in 8
  kSparseInk,    // 1 pixel in 16
  kDisc,         // a disc filling the brush, one run a row
  kEvenColumns,  // a run for every two columns: the most runs a row can hold
  kCheckerboard,
  kOneInk,  // exactly one ink pixel, the rest not ink
};

// Where the one ink pixel of a kOneInk brush lies.
enum class InkPlace { kSeeded, kFirst, kLast, kMiddle };

struct BrushKind {
  BrushFill fill;
  InkPlace place;  // kOneInk only
  bool onePixel;   // the brush is 1 x 1, whatever size was read
};

// The brush byte. About a tenth of brushes have one ink pixel, half of them
// the 1 x 1 pen that users draw with most.
//   byte < 0xD8       byte % 6: all ink, none, half, 7 in 8, 1 in 16, a disc
//   byte < 0xE6       (byte - 0xD8) % 2: even columns, a checkerboard
//   else, even        one ink pixel, the brush made 1 x 1
//   else, odd         one ink pixel, placed by ((byte - 0xE7) / 2) % 4:
//                     seeded, the first pixel, the last, the middle
BrushKind brushKind(uint8_t b);

// An input's first bytes: canvas width and height, brush width and height
// (bitmapSize each, then capArea for each bitmap), canvas, mask and brush
// byte, and the seed of the bitmaps' contents (u32).
struct Geometry {
  int32_t canvasWidth;
  int32_t canvasHeight;
  int32_t brushWidth;
  int32_t brushHeight;
  uint8_t canvasMode;
  uint8_t maskMode;
  BrushKind brush;
  uint32_t seed;
};

Geometry readGeometry(FuzzInput& in);

// A tone level: mostly 0..16, otherwise values just outside and the ends of
// the 32-bit range, or any 32-bit value.
inline int32_t toneLevel(FuzzInput& in) {
  const uint8_t b = in.byte();
  if (b < 0xC0) return b % 17;
  constexpr int32_t edges[] = {-1, 17, -16, 32, 33, INT32_MIN, INT32_MAX, INT32_MIN + 16};
  if (b < 0xF0) return edges[b % 8];
  return in.i32();
}

// A window-message number: mostly the three the pen acts on, then the rest of
// the editor's messages, sometimes any 32-bit number.
//   byte < 0x60  WM_MOUSEMOVE       byte < 0x90  WM_LBUTTONDOWN
//   byte < 0xA8  WM_RBUTTONDOWN     byte < 0xF0  table entry (byte - 0xA8) % 15
//   else         u32
uint32_t messageNumber(FuzzInput& in);

// Key flags: bit 0 of the byte gives MK_LBUTTON, bit 1 MK_SHIFT; with bit 7
// a u32 adds any of the other 30 bits.
uint32_t keyFlags(FuzzInput& in);

// The text of a block-size item; never contains a NUL (combo items are C
// strings). The first byte picks the class (byte % 6):
//   0 valid "<w><x|X><h> <suffix>"   1 one of a table of invalid texts
//   2 up to 255 random bytes         3 a valid start padded to 254, 255, 256,
//   4 valid numbers at the edges       257 or 1000 characters
//     of the 32-bit range            5 a valid text cut or changed in one place
// A valid text reads a byte (bit 0 the separator's case, (byte >> 1) % 6 the
// suffix), then each number: mostly the small blocks of everyday use, then
// blocks up to the widest that has a prepared tone line (64) and just past
// it, and larger ones:
//   byte < 0x90       1 + byte % 16
//   byte < 0xB8       17 + next byte % 48
//   byte < 0xD8       65 + u16 % 236
//   byte < 0xF0       1 + u16
//   else              u32, 1 for 0
std::string itemText(FuzzInput& in);

}  // namespace fuzz
