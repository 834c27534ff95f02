// picture_files.h - the canvas and the tool-button bitmap as the bytes of
// files: 8-bit indexed BMP in and out, 24-bit BMP and PNG (through
// stb_image_write) out, and the decoding of the packed bitmaps a library
// keeps in its resources. No platform calls: files.h reads and writes.
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

// An 8-bit indexed picture read from a file: indices top row first, no
// padding, and the colours its file gives them.
struct IndexedImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> pixels;
  Palette palette;
  uint8_t at(int32_t x, int32_t y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
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

// Reads an 8-bit indexed BMP file, bottom-up or top-down, uncompressed, of
// any width up to `maxSide` a side. Anything else is refused with a reason
// ("a 24-bit BMP: only 8-bit indexed BMPs can be read").
bool readIndexedBmp(const std::vector<uint8_t>& bytes, int32_t maxSide, IndexedImage& image,
                    std::string& error);

// The largest picture, in pixels, the program writes in colour: the RGB
// bytes and the PNG encoder's own copies stay well within a 32-bit process.
constexpr int64_t kMaxColourPixels = int64_t{1} << 26;

// The canvas in colour, each pixel a `scale` x `scale` square.
RgbPicture colourPicture(const IndexedCanvas& canvas, const Palette& palette, int scale);

// Each pixel of `picture` a `scale` x `scale` square.
RgbPicture enlarged(const RgbPicture& picture, int scale);

// PNG bytes, or none when the encoder fails.
std::vector<uint8_t> pngBytes(const RgbPicture& picture);

// A 24-bit BMP file of the picture.
std::vector<uint8_t> rgbBmp(const RgbPicture& picture);

// Decodes a packed device-independent bitmap (a BITMAPINFOHEADER, its colour
// table and the rows), as a bitmap resource holds it: 1, 4 or 8 bits per
// pixel with a colour table, or 24 or 32 bits, uncompressed, rows bottom-up
// or top-down. Returns false with a reason when the bytes are not such a
// bitmap or are too few.
bool decodePackedDib(const uint8_t* dib, std::size_t size, RgbPicture& picture, std::string& error);
