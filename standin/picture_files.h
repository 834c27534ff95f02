// picture_files.h - the canvas and the tool-button bitmap as files: 8-bit
// indexed BMP, PNG (through stb_image_write) and the decoding of the packed
// bitmaps a library keeps in its resources.
//
// Files are written whole or not at all: the bytes go to a temporary file
// beside the target, which then replaces the target in one rename.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "palette.h"

// An 8-bit canvas as the editor keeps it: bottom-up rows, each padded to a
// multiple of 4 bytes.
struct IndexedCanvas {
  int32_t width;
  int32_t height;
  const uint8_t* bits;
  std::size_t stride() const { return (static_cast<std::size_t>(width) + 3) & ~std::size_t{3}; }
  uint8_t at(int32_t x, int32_t y) const {
    return bits[static_cast<std::size_t>(height - 1 - y) * stride() + static_cast<std::size_t>(x)];
  }
};

// Red, green and blue bytes, top row first, no padding.
struct RgbPicture {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> rgb;
};

// A BMP file of the canvas: file header, BITMAPINFOHEADER, all 256 palette
// entries, and the canvas bytes as they are (padding included).
std::vector<uint8_t> indexedBmp(const IndexedCanvas& canvas, const Palette& palette);

// The canvas in colour, each pixel a `scale` x `scale` square.
RgbPicture colourPicture(const IndexedCanvas& canvas, const Palette& palette, int scale);

// Each pixel of `picture` a `scale` x `scale` square.
RgbPicture enlarged(const RgbPicture& picture, int scale);

std::vector<uint8_t> pngBytes(const RgbPicture& picture);

// Decodes a packed device-independent bitmap (a BITMAPINFOHEADER, its colour
// table and the rows), as a bitmap resource holds it: 1, 4 or 8 bits per
// pixel with a colour table, or 24 or 32 bits, uncompressed, rows bottom-up
// or top-down. Returns false with a reason when the bytes are not such a
// bitmap or are too few.
bool decodePackedDib(const uint8_t* dib, std::size_t size, RgbPicture& picture, std::string& error);

// Writes `bytes` to `path` through a temporary file and a rename; on failure
// leaves neither the temporary file nor a changed target, and sets `error`.
bool writeWhole(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);
