#include "document.h"

#include <cstring>

void Bitmap::reset(int32_t w, int32_t h, uint8_t fill) {
  header = BitmapHeader{};
  header.size = sizeof header;
  header.width = w;
  header.height = h;
  header.planes = 1;
  header.bitCount = 8;
  header.compression = 0;  // BI_RGB
  header.sizeImage = static_cast<uint32_t>(stride() * static_cast<std::size_t>(h));
  header.clrUsed = 256;
  // One pass over the bytes, then the padding: on the largest canvas each
  // pass over fresh memory is felt.
  bits.assign(header.sizeImage, fill);
  if (stride() != static_cast<std::size_t>(w))
    for (int32_t y = 0; y < h; ++y)
      std::memset(&at(w, y), 0, stride() - static_cast<std::size_t>(w));
}

void Bitmap::load(const IndexedImage& image) {
  reset(image.width, image.height, 0);
  for (int32_t y = 0; y < image.height; ++y)
    std::memcpy(&at(0, y),
                &image.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width)],
                static_cast<std::size_t>(image.width));
}

Bitmap brushBitmap(const BrushShape& brush) {
  Bitmap b;
  b.reset(brush.width, brush.height, 0xFF);
  for (int32_t y = 0; y < brush.height; ++y)
    for (int32_t x = 0; x < brush.width; ++x)
      if (brush.ink[static_cast<std::size_t>(y) * static_cast<std::size_t>(brush.width) +
                    static_cast<std::size_t>(x)])
        b.at(x, y) = 0;
  return b;
}
