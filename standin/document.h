// document.h - the pictures an editor hands a pen, as bitmaps laid out the
// way the pen reads them, and the document they make up: the canvas, its
// mask, the pick source and the palette. No platform calls: the header is
// BITMAPINFOHEADER's layout, declared here so that the editor's session
// builds and is tested natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "brush_shapes.h"
#include "palette.h"
#include "picture_files.h"

// BITMAPINFOHEADER, field for field; the pen reads the width at byte 4 and
// the height at byte 8.
struct BitmapHeader {
  uint32_t size;
  int32_t width;
  int32_t height;
  uint16_t planes;
  uint16_t bitCount;
  uint32_t compression;
  uint32_t sizeImage;
  int32_t xPelsPerMeter;
  int32_t yPelsPerMeter;
  uint32_t clrUsed;
  uint32_t clrImportant;
};
static_assert(sizeof(BitmapHeader) == 40, "BITMAPINFOHEADER layout");

// An 8-bit bitmap as the editor hands it to the pen: rows bottom-up, each
// padded to a multiple of 4 bytes with zeros.
struct Bitmap {
  BitmapHeader header{};
  std::vector<uint8_t> bits;

  int32_t width() const { return header.width; }
  int32_t height() const { return header.height; }
  std::size_t stride() const { return (static_cast<std::size_t>(width()) + 3) & ~std::size_t{3}; }
  std::size_t offset(int32_t x, int32_t y) const {
    return static_cast<std::size_t>(height() - 1 - y) * stride() + static_cast<std::size_t>(x);
  }
  uint8_t& at(int32_t x, int32_t y) { return bits[offset(x, y)]; }
  uint8_t at(int32_t x, int32_t y) const { return bits[offset(x, y)]; }
  bool empty() const { return bits.empty(); }
  void reset(int32_t w, int32_t h, uint8_t fill);
  // The picture's indices, its size and padding as this bitmap's.
  void load(const IndexedImage& image);
  IndexedCanvas indexed() const { return {width(), height(), bits.data()}; }
};

// What New and Open replace, and an undo of them brings back.
struct Document {
  Bitmap canvas;
  Bitmap mask;        // 0 forbids painting; all 1 for a new canvas
  Bitmap pickSource;  // empty: picks read the canvas itself
  Palette palette = defaultPalette();
  // The BMP it was last opened from or saved to ("" for none), and whether
  // it was opened as read-only: then Save must not write over that file.
  std::string file;
  bool readOnly = false;

  std::size_t bytes() const {
    return canvas.bits.size() + mask.bits.size() + pickSource.bits.size();
  }
};

// A brush as the pen reads it: 0 is ink, 0xFF is not.
Bitmap brushBitmap(const BrushShape& brush);
