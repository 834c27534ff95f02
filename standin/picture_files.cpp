#include "picture_files.h"

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "stb_image_write.h"
#include "windows_error.h"

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

RgbPicture colourPicture(const IndexedCanvas& canvas, const Palette& palette, int scale) {
  RgbPicture p;
  p.width = canvas.width;
  p.height = canvas.height;
  p.rgb.reserve(static_cast<std::size_t>(canvas.width) * static_cast<std::size_t>(canvas.height) *
                3);
  for (int32_t y = 0; y < canvas.height; ++y)
    for (int32_t x = 0; x < canvas.width; ++x) {
      const Rgb& c = palette.colours[canvas.at(x, y)];
      p.rgb.insert(p.rgb.end(), {c.red, c.green, c.blue});
    }
  return enlarged(p, scale);
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
  stbi_write_png_to_func(appendPixels, &out, picture.width, picture.height, 3, picture.rgb.data(),
                         picture.width * 3);
  return out;
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

bool writeWhole(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
  const std::string temporary = path + ".partial";
  FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) {
    error = "cannot write '" + path + "': " + std::strerror(errno);
    return false;
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    error = "cannot write '" + path + "': " + std::strerror(errno);
    std::remove(temporary.c_str());
    return false;
  }
  // One step from the old file (or none) to the whole new one.
  if (!MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    error = "cannot write '" + path + "': " + windowsError(GetLastError());
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}
