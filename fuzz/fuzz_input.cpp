#include "fuzz_input.h"

#include "window_messages.h"

namespace fuzz {

uint32_t messageNumber(FuzzInput& in) {
  // Every message of the editor's table; the last five are its own.
  constexpr uint32_t table[] = {WM_SETFOCUS,    WM_KILLFOCUS, WM_KEYDOWN,     WM_KEYUP,
                                WM_CHAR,        WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP,
                                WM_RBUTTONDOWN, WM_RBUTTONUP, WM_USER + 1,    WM_USER + 2,
                                WM_USER + 4,    WM_USER + 9,  WM_USER + 10};
  const uint8_t b = in.byte();
  if (b < 0x60) return WM_MOUSEMOVE;
  if (b < 0x90) return WM_LBUTTONDOWN;
  if (b < 0xA8) return WM_RBUTTONDOWN;
  if (b < 0xF0) return table[(b - 0xA8) % 15];
  return in.u32();
}

uint32_t keyFlags(FuzzInput& in) {
  const uint8_t b = in.byte();
  uint32_t flags = ((b & 1) ? MK_LBUTTON : 0) | ((b & 2) ? MK_SHIFT : 0);
  if (b & 0x80) flags |= in.u32() & ~(MK_LBUTTON | MK_SHIFT);
  return flags;
}

BrushKind brushKind(uint8_t b) {
  constexpr BrushFill plain[] = {BrushFill::kAllInk,    BrushFill::kNoInk,     BrushFill::kHalfInk,
                                 BrushFill::kMostlyInk, BrushFill::kSparseInk, BrushFill::kDisc};
  if (b < 0xD8) return {plain[b % 6], InkPlace::kSeeded, false};
  if (b < 0xE6)
    return {(b - 0xD8) % 2 == 0 ? BrushFill::kEvenColumns : BrushFill::kCheckerboard,
            InkPlace::kSeeded, false};
  if (b % 2 == 0) return {BrushFill::kOneInk, InkPlace::kFirst, true};
  constexpr InkPlace places[] = {InkPlace::kSeeded, InkPlace::kFirst, InkPlace::kLast,
                                 InkPlace::kMiddle};
  return {BrushFill::kOneInk, places[((b - 0xE7) / 2) % 4], false};
}

Geometry readGeometry(FuzzInput& in) {
  Geometry g;
  g.canvasWidth = bitmapSize(in);
  g.canvasHeight = bitmapSize(in);
  g.brushWidth = bitmapSize(in);
  g.brushHeight = bitmapSize(in);
  capArea(g.canvasWidth, g.canvasHeight);
  capArea(g.brushWidth, g.brushHeight);
  g.canvasMode = in.byte();
  g.maskMode = in.byte();
  g.brush = brushKind(in.byte());
  if (g.brush.onePixel) g.brushWidth = g.brushHeight = 1;
  g.seed = in.u32();
  return g;
}

namespace {

// A block-size number that the parser accepts as written: no leading zero.
// Some exceed the 32-bit range.
std::string sizeNumber(FuzzInput& in) {
  const uint8_t b = in.byte();
  if (b < 0x90) return std::to_string(1 + b % 16);
  if (b < 0xB8) return std::to_string(17 + in.byte() % 48);
  if (b < 0xD8) return std::to_string(65 + in.u16() % 236);
  if (b < 0xF0) return std::to_string(1 + in.u16());
  const uint32_t v = in.u32();
  return std::to_string(v == 0 ? 1 : v);
}

std::string validText(FuzzInput& in) {
  constexpr const char* suffixes[] = {"pixels", "", "pixel", "px", "  two spaces", "x2 "};
  const uint8_t b = in.byte();
  std::string text = sizeNumber(in);
  text += (b & 1) ? 'X' : 'x';
  text += sizeNumber(in);
  text += ' ';
  text += suffixes[(b >> 1) % 6];
  return text;
}

char nonNul(uint8_t b) { return static_cast<char>(b == 0 ? '0' : b); }

}  // namespace

std::string itemText(FuzzInput& in) {
  const uint8_t b = in.byte();
  switch (b % 6) {
    case 0:
      return validText(in);
    case 1: {
      constexpr const char* invalid[] = {
          "3x2",   "03x2 ", "3x02 ", "3x2(",  "x2 ",   " 3x2 ", "",      "0x2 ", "3*2 ", "3x ",
          "3x2\t", "-3x2 ", "3x-2 ", "+3x2 ", "3 x2 ", "3xx2 ", "3x2\n", "x ",   "3",    "3x"};
      return invalid[(b / 6) % 20];
    }
    case 2: {
      std::string text;
      for (uint8_t n = in.byte(); n > 0; --n) text += nonNul(in.byte());
      return text;
    }
    case 3: {
      constexpr std::size_t lengths[] = {254, 255, 256, 257, 1000};
      const std::size_t length = lengths[(b / 6) % 5];
      std::string text = validText(in);
      text.resize(length, 'p');
      return text;
    }
    case 4: {
      constexpr const char* edges[] = {"2147483647x1 ",
                                       "1x2147483647 ",
                                       "2147483647x2147483647 ",
                                       "2147483648x1 ",
                                       "1x2147483648 ",
                                       "4294967296x1 ",
                                       "4294967297x3 ",
                                       "99999999999999999999x1 ",
                                       "300x300 ",
                                       "65536x65536 ",
                                       "1000000x1 ",
                                       "1x1000000 "};
      return edges[(b / 6) % 12];
    }
    default: {
      // One place of a valid text cut off or replaced.
      std::string text = validText(in);
      const std::size_t at = in.byte() % text.size();
      const uint8_t with = in.byte();
      if (with < 0x40)
        text.resize(at);
      else
        text[at] = nonNul(with);
      return text;
    }
  }
}

}  // namespace fuzz
