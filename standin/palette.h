// palette.h - the colours that pictures give the canvas's palette indices.
//
// Pictures only: the pen and the canvas know indices, never colours. A
// palette always has 256 entries; a file that lists fewer leaves the rest
// black.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
  uint8_t red, green, blue;
  bool operator==(const Rgb& other) const {
    return red == other.red && green == other.green && blue == other.blue;
  }
};

struct Palette {
  std::array<Rgb, 256> colours{};
  int listed = 0;  // entries the source named; the rest are black
};

// The built-in palette: the standard 16-colour palette (0 black ... 7 light
// grey, 8 dark grey ... 15 white), then a 6 x 6 x 6 colour cube (16..231) and
// a ramp of 24 greys (232..255).
Palette defaultPalette();

// Reads a JASC-PAL file: the lines "JASC-PAL", "0100", the number of colours
// (1 to 256), then that many lines of red, green and blue, 0 to 255. Line
// ends may be LF or CR LF, and a UTF-8 byte-order mark may come first. On
// failure returns false and sets `error` to a message naming the file's line
// where that helps.
bool readJascPalette(const std::string& path, Palette& palette, std::string& error);

// The same from the bytes of a file called `path`.
bool parseJascPalette(const std::string& path, const std::vector<uint8_t>& bytes, Palette& palette,
                      std::string& error);

// A palette file is a few kilobytes; this many bytes is certainly not one.
constexpr std::size_t kMaxPaletteFileBytes = 1 << 20;
