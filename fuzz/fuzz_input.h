// fuzz_input.h - a fuzzer input read front to back as a stream of small
// decisions. Every byte string is a valid input: reading past the end yields
// zeros, and every value is mapped onto a legal range by modulo or table, so
// a mutation changes what is chosen, never whether the input can be read.
//
// An input is a scenario (geometry, contents, colours, tone, box items),
// then messages until the bytes run out; see LLVMFuzzerTestOneInput,
// Session::setUp and Session::playOne in pen_fuzzer.cpp. fuzz/make_seeds.py writes the seed
// corpus in the same layout, so a change here needs the same change there.
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
// included), rarely a long strip of up to 9000 (the caller caps the area), 0
// or negative. The strips let a segment or a brush outgrow the engine's
// scratch areas, so that its fallbacks run too.
//   byte < 0xC0       1 + byte % 48
//   byte < 0xF4       49 + u16 % 252
//   byte < 0xF8       301 + u16 % 8700
//   0xF8..0xFB        0
//   0xFC..0xFF        a negative value from a table, chosen by the next byte
inline int32_t bitmapSize(FuzzInput& in) {
  const uint8_t b = in.byte();
  if (b < 0xC0) return 1 + b % 48;
  if (b < 0xF4) return 49 + in.u16() % 252;
  if (b < 0xF8) return 301 + in.u16() % 8700;
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
std::string itemText(FuzzInput& in);

}  // namespace fuzz
