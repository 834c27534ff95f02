// test_bitmap.h - bitmaps and pen contexts for tests, laid out exactly as the
// editor lays them out (40-byte header, bottom-up rows padded to 4 bytes),
// each surrounded by guard bytes that no pen operation may touch.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "block_engine.h"
#include "pen_context.h"

namespace testing_support {

constexpr uint8_t kGuard = 0xA5;
constexpr std::size_t kGuardBytes = 64;

class TestBitmap {
 public:
  TestBitmap() : TestBitmap(0, 0) {}
  TestBitmap(int32_t width, int32_t height, uint8_t fill = 0) { reset(width, height, fill); }

  void reset(int32_t width, int32_t height, uint8_t fill = 0) {
    width_ = width;
    height_ = height;
    stride_ = width > 0 ? ((static_cast<std::size_t>(width) + 3) & ~std::size_t{3}) : 0;
    const std::size_t bytes = height > 0 ? stride_ * static_cast<std::size_t>(height) : 0;
    storage_.assign(bytes + 2 * kGuardBytes, kGuard);
    std::memset(storage_.data() + kGuardBytes, fill, bytes);
    header_.assign(40, 0);
    std::memcpy(&header_[0], "\x28\0\0\0", 4);
    std::memcpy(&header_[4], &width, 4);
    std::memcpy(&header_[8], &height, 4);
  }

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  std::size_t stride() const { return stride_; }
  std::size_t byteCount() const { return storage_.size() - 2 * kGuardBytes; }
  const void* header() const { return header_.data(); }
  uint8_t* bits() { return storage_.data() + kGuardBytes; }
  const uint8_t* bits() const { return storage_.data() + kGuardBytes; }

  // Pixel (x, y), y from the top.
  uint8_t& at(int32_t x, int32_t y) {
    return bits()[static_cast<std::size_t>(height_ - 1 - y) * stride_ +
                  static_cast<std::size_t>(x)];
  }
  uint8_t at(int32_t x, int32_t y) const { return const_cast<TestBitmap*>(this)->at(x, y); }

  void fill(uint8_t value) { std::memset(bits(), value, byteCount()); }
  void fillRect(int32_t left, int32_t top, int32_t width, int32_t height, uint8_t value) {
    for (int32_t y = top; y < top + height; ++y)
      for (int32_t x = left; x < left + width; ++x) at(x, y) = value;
  }

  // Guards and row padding (the bytes between the width and the stride).
  void setPadding(uint8_t value) {
    for (int32_t y = 0; y < height_; ++y)
      for (std::size_t x = static_cast<std::size_t>(width_); x < stride_; ++x)
        bits()[static_cast<std::size_t>(y) * stride_ + x] = value;
  }
  bool paddingIs(uint8_t value) const {
    for (int32_t y = 0; y < height_; ++y)
      for (std::size_t x = static_cast<std::size_t>(width_); x < stride_; ++x)
        if (bits()[static_cast<std::size_t>(y) * stride_ + x] != value) return false;
    return true;
  }
  bool guardsIntact() const {
    for (std::size_t i = 0; i < kGuardBytes; ++i)
      if (storage_[i] != kGuard || storage_[storage_.size() - 1 - i] != kGuard) return false;
    return true;
  }

  // The pixels, top row first, one character a pixel: '.' for 0, then the
  // characters of `symbols` for 1, 2, ... and '?' beyond.
  std::vector<std::string> rows(const std::string& symbols = "ABCDEFGH") const {
    std::vector<std::string> out;
    for (int32_t y = 0; y < height_; ++y) {
      std::string row;
      for (int32_t x = 0; x < width_; ++x) {
        const uint8_t v = at(x, y);
        row += v == 0 ? '.' : v <= symbols.size() ? symbols[v - 1u] : '?';
      }
      out.push_back(row);
    }
    return out;
  }

  const std::vector<uint8_t>& storage() const { return storage_; }

 private:
  int32_t width_ = 0;
  int32_t height_ = 0;
  std::size_t stride_ = 0;
  std::vector<uint8_t> storage_;
  std::vector<uint8_t> header_;
};

// A brush from rows of '#' (ink, byte 0) and '.' (no ink, byte 1).
inline TestBitmap brushFromRows(std::initializer_list<const char*> rows) {
  const auto height = static_cast<int32_t>(rows.size());
  const auto width = static_cast<int32_t>(std::strlen(*rows.begin()));
  TestBitmap brush(width, height, 1);
  int32_t y = 0;
  for (const char* row : rows) {
    for (int32_t x = 0; x < width; ++x) brush.at(x, y) = row[x] == '#' ? 0 : 1;
    ++y;
  }
  return brush;
}

inline TestBitmap solidBrush(int32_t width, int32_t height) { return TestBitmap(width, height, 0); }

// A pen context wired to its own canvas, mask, pick source and brush.
struct TestPen {
  TestBitmap canvas;
  TestBitmap mask;
  TestBitmap pick;
  TestBitmap brush;
  PenContext ctx{};

  TestPen(int32_t width, int32_t height, TestBitmap brushBitmap = solidBrush(1, 1))
      : canvas(width, height),
        mask(width, height, 1),
        pick(width, height),
        brush(std::move(brushBitmap)) {
    canvas.setPadding(0xEE);
    ctx.primaryColour = 1;
    ctx.secondaryColour = 2;
    wire();
  }

  // Point the context at the buffers again (after a bitmap was replaced).
  void wire() {
    ctx.canvasHeader = canvas.header();
    ctx.canvasBits = canvas.bits();
    ctx.maskBits = mask.bits();
    ctx.pickBits = pick.bits();
    ctx.brushHeader = brush.header();
    ctx.brushBits = brush.bits();
  }

  void setCursor(int32_t x, int32_t y) {
    ctx.cursorX = x;
    ctx.cursorY = y;
  }

  struct Rect {
    int32_t left, top, right, bottom;
    bool operator==(const Rect& o) const {
      return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
  };
  Rect changed() const {
    return {ctx.changedLeft, ctx.changedTop, ctx.changedRight, ctx.changedBottom};
  }

  // Nothing outside the canvas columns was written, and nothing of the
  // buffers the pen only reads.
  bool untouchedOutsideCanvas() const {
    return canvas.guardsIntact() && canvas.paddingIs(0xEE) && mask.guardsIntact() &&
           pick.guardsIntact() && brush.guardsIntact();
  }
};

// Sets the block parameters for one test and restores them afterwards.
class ScopedBlockParams {
 public:
  ScopedBlockParams(int32_t width, int32_t height, int32_t tone)
      : width_(blockWidth), height_(blockHeight), tone_(strokeTone) {
    blockWidth = width;
    blockHeight = height;
    strokeTone = tone;
  }
  ~ScopedBlockParams() {
    blockWidth = width_;
    blockHeight = height_;
    strokeTone = tone_;
  }
  ScopedBlockParams(const ScopedBlockParams&) = delete;
  ScopedBlockParams& operator=(const ScopedBlockParams&) = delete;

 private:
  int32_t width_, height_, tone_;
};

inline std::ostream& operator<<(std::ostream& os, const TestPen::Rect& r) {
  return os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}

}  // namespace testing_support
