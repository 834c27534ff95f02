#include "picture_files.h"

#include <cstring>

#include "stb_image_write.h"

namespace {

void put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}
uint32_t get32(const uint8_t* p) {
  return p[0] | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}
uint16_t get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

void appendPixels(void* context, void* data, int size) {
  auto* out = static_cast<std::vector<uint8_t>*>(context);
  const auto* bytes = static_cast<const uint8_t*>(data);
  out->insert(out->end(), bytes, bytes + size);
}

}  // namespace

std::vector<uint8_t> indexedBmp(const IndexedCanvas& canvas, const Palette& palette) {
  const auto pixelBytes =
      static_cast<uint32_t>(canvas.stride()) * static_cast<uint32_t>(canvas.height);
  const uint32_t offset = 14 + 40 + 256 * 4;
  std::vector<uint8_t> out;
  out.reserve(offset + pixelBytes);
  out.push_back('B');
  out.push_back('M');
  put32(out, offset + pixelBytes);
  put32(out, 0);  // reserved
  put32(out, offset);
  put32(out, 40);
  put32(out, static_cast<uint32_t>(canvas.width));
  put32(out, static_cast<uint32_t>(canvas.height));  // positive: bottom-up, as the canvas
  put16(out, 1);                                     // planes
  put16(out, 8);                                     // bits per pixel
  put32(out, 0);                                     // BI_RGB
  put32(out, pixelBytes);
  put32(out, 0);  // horizontal resolution: unknown
  put32(out, 0);  // vertical resolution
  put32(out, 256);
  put32(out, 0);  // all colours important
  for (const Rgb& c : palette.colours) {
    out.push_back(c.blue);
    out.push_back(c.green);
    out.push_back(c.red);
    out.push_back(0);
  }
  out.insert(out.end(), canvas.bits, canvas.bits + pixelBytes);
  return out;
}

// Straight to the enlarged picture: the large ones are the ones a copy hurts.
RgbPicture colourPicture(const IndexedCanvas& canvas, const Palette& palette, int scale) {
  RgbPicture p;
  p.width = canvas.width * scale;
  p.height = canvas.height * scale;
  const auto rowBytes = static_cast<std::size_t>(p.width) * 3;
  const auto k = static_cast<std::size_t>(scale);
  p.rgb.resize(rowBytes * static_cast<std::size_t>(p.height));
  for (int32_t y = 0; y < canvas.height; ++y) {
    uint8_t* first = p.rgb.data() + static_cast<std::size_t>(y) * k * rowBytes;
    uint8_t* out = first;
    for (int32_t x = 0; x < canvas.width; ++x) {
      const Rgb& c = palette.colours[canvas.at(x, y)];
      for (std::size_t i = 0; i < k; ++i, out += 3)
        out[0] = c.red, out[1] = c.green, out[2] = c.blue;
    }
    for (std::size_t i = 1; i < k; ++i) std::memcpy(first + i * rowBytes, first, rowBytes);
  }
  return p;
}

RgbPicture enlarged(const RgbPicture& picture, int scale) {
  if (scale == 1) return picture;
  RgbPicture big;
  big.width = picture.width * scale;
  big.height = picture.height * scale;
  big.rgb.reserve(static_cast<std::size_t>(big.width) * static_cast<std::size_t>(big.height) * 3);
  const auto rowBytes = static_cast<std::size_t>(picture.width) * 3;
  for (int32_t y = 0; y < picture.height; ++y) {
    const uint8_t* row = picture.rgb.data() + static_cast<std::size_t>(y) * rowBytes;
    const std::size_t start = big.rgb.size();
    for (int32_t x = 0; x < picture.width; ++x)
      for (int i = 0; i < scale; ++i) big.rgb.insert(big.rgb.end(), row + 3 * x, row + 3 * x + 3);
    const std::size_t bigRow = big.rgb.size() - start;
    for (int i = 1; i < scale; ++i)
      big.rgb.insert(big.rgb.end(), big.rgb.begin() + static_cast<std::ptrdiff_t>(start),
                     big.rgb.begin() + static_cast<std::ptrdiff_t>(start + bigRow));
  }
  return big;
}

std::vector<uint8_t> pngBytes(const RgbPicture& picture) {
  std::vector<uint8_t> out;
  if (!stbi_write_png_to_func(appendPixels, &out, picture.width, picture.height, 3,
                              picture.rgb.data(), picture.width * 3))
    out.clear();
  return out;
}

std::vector<uint8_t> rgbBmp(const RgbPicture& picture) {
  const auto stride = (static_cast<uint32_t>(picture.width) * 3 + 3) & ~3u;
  const uint32_t pixelBytes = stride * static_cast<uint32_t>(picture.height);
  std::vector<uint8_t> out;
  out.reserve(54 + pixelBytes);
  out.push_back('B');
  out.push_back('M');
  put32(out, 54 + pixelBytes);
  put32(out, 0);
  put32(out, 54);
  put32(out, 40);
  put32(out, static_cast<uint32_t>(picture.width));
  put32(out, static_cast<uint32_t>(picture.height));
  put16(out, 1);
  put16(out, 24);
  put32(out, 0);
  put32(out, pixelBytes);
  put32(out, 0);
  put32(out, 0);
  put32(out, 0);
  put32(out, 0);
  for (int32_t y = picture.height - 1; y >= 0; --y) {
    const std::size_t start = out.size();
    const uint8_t* row = picture.rgb.data() +
                         static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width) * 3;
    for (int32_t x = 0; x < picture.width; ++x, row += 3)
      out.insert(out.end(), {row[2], row[1], row[0]});
    out.resize(start + stride, 0);
  }
  return out;
}

bool readIndexedBmp(const std::vector<uint8_t>& bytes, int32_t maxSide, IndexedImage& image,
                    std::string& error) {
  const std::size_t size = bytes.size();
  const uint8_t* data = bytes.data();
  if (size < 14 + 40 || data[0] != 'B' || data[1] != 'M') {
    error = "not a BMP file";
    return false;
  }
  const uint32_t offset = get32(data + 10);
  const uint32_t headerSize = get32(data + 14);
  if (headerSize < 40 || headerSize > size - 14) {
    error = headerSize == 12 ? "an OS/2 BMP: only Windows BMPs can be read"
                             : "not a BMP file (its header is cut short)";
    return false;
  }
  const auto width = static_cast<int32_t>(get32(data + 18));
  const auto rawHeight = static_cast<int32_t>(get32(data + 22));
  const uint16_t bits = get16(data + 28);
  const uint32_t compression = get32(data + 30);
  const uint32_t used = get32(data + 46);
  if (bits != 8) {
    error = "a " + std::to_string(bits) + "-bit BMP: only 8-bit indexed BMPs can be read";
    return false;
  }
  if (compression != 0) {
    error = compression == 1 ? "a compressed (RLE8) BMP: only uncompressed BMPs can be read"
                             : "a compressed BMP: only uncompressed BMPs can be read";
    return false;
  }
  // -2^31 has no positive counterpart; it is too tall anyway.
  const int64_t height = rawHeight < 0 ? -int64_t{rawHeight} : rawHeight;
  if (width < 1 || height < 1 || width > maxSide || height > maxSide) {
    error = "a BMP of " + std::to_string(width) + " x " + std::to_string(height) +
            " pixels: at most " + std::to_string(maxSide) + " x " + std::to_string(maxSide) +
            " can be read here";
    return false;
  }
  if (used > 256) {
    error = "a BMP whose palette has " + std::to_string(used) + " colours: at most 256";
    return false;
  }
  const std::size_t colours = used != 0 ? used : 256;
  const std::size_t tableEnd = 14 + std::size_t{headerSize} + 4 * colours;
  const std::size_t stride = (static_cast<std::size_t>(width) + 3) & ~std::size_t{3};
  const std::size_t pixelBytes = stride * static_cast<std::size_t>(height);
  if (tableEnd > size || offset < tableEnd || offset > size || size - offset < pixelBytes) {
    error = "a BMP file shorter than its header says (cut short?)";
    return false;
  }
  image.width = width;
  image.height = static_cast<int32_t>(height);
  image.palette = Palette{};
  for (std::size_t i = 0; i < colours; ++i) {
    const uint8_t* quad = data + 14 + headerSize + 4 * i;
    image.palette.colours[i] = {quad[2], quad[1], quad[0]};
  }
  image.palette.listed = static_cast<int>(colours);
  image.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (int64_t y = 0; y < height; ++y) {
    const uint8_t* row =
        data + offset + stride * static_cast<std::size_t>(rawHeight < 0 ? y : height - 1 - y);
    std::memcpy(image.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width),
                row, static_cast<std::size_t>(width));
  }
  return true;
}

bool decodePackedDib(const uint8_t* dib, std::size_t size, RgbPicture& picture,
                     std::string& error) {
  if (size < 40 || get32(dib) < 40 || get32(dib) > size) {
    error = "not a device-independent bitmap (no BITMAPINFOHEADER)";
    return false;
  }
  const uint32_t headerSize = get32(dib);
  const auto width = static_cast<int32_t>(get32(dib + 4));
  const auto rawHeight = static_cast<int32_t>(get32(dib + 8));
  const uint16_t bits = get16(dib + 14);
  const uint32_t compression = get32(dib + 16);
  const uint32_t used = get32(dib + 32);
  if (width <= 0 || rawHeight == 0 || width > 4096 || rawHeight > 4096 || rawHeight < -4096) {
    error = "bitmap of " + std::to_string(width) + " x " + std::to_string(rawHeight) + " pixels";
    return false;
  }
  if (compression != 0 || (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)) {
    error = "compressed or " + std::to_string(bits) + "-bit bitmap";
    return false;
  }
  const int32_t height = rawHeight < 0 ? -rawHeight : rawHeight;
  const std::size_t colours = bits <= 8 ? (used != 0 ? used : 1u << bits) : 0;
  const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
  const std::size_t pixels = headerSize + colours * 4;
  if (colours > 256 || pixels + stride * static_cast<std::size_t>(height) > size) {
    error = "bitmap data shorter than its header says";
    return false;
  }
  picture.width = width;
  picture.height = height;
  picture.rgb.clear();
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row =
        dib + pixels + stride * static_cast<std::size_t>(rawHeight < 0 ? y : height - 1 - y);
    for (int32_t x = 0; x < width; ++x) {
      const auto ux = static_cast<std::size_t>(x);
      if (bits > 8) {
        const uint8_t* bgr = row + ux * (bits / 8);
        picture.rgb.insert(picture.rgb.end(), {bgr[2], bgr[1], bgr[0]});
        continue;
      }
      const std::size_t bit = ux * bits;
      const unsigned index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
      if (index >= colours) {
        error = "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") names colour " +
                std::to_string(index) + " of " + std::to_string(colours);
        return false;
      }
      const uint8_t* quad = dib + headerSize + 4 * index;
      picture.rgb.insert(picture.rgb.end(), {quad[2], quad[1], quad[0]});
    }
  }
  return true;
}
