// guarded_bitmap.h - a bitmap laid out as the editor lays it out (a 40-byte
// header, rows bottom-up padded to 4 bytes), its pixels in an allocation of
// their own between two guard areas that AddressSanitizer treats as
// unaddressable: any access to a guard stops the run at once. The guards also
// hold a known value, checked after every message, and the row padding can be
// given a value of its own.
//
// The header sits in a separate allocation of exactly 40 bytes, so reading
// past it is caught too.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/asan_interface.h>
#define FUZZ_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define FUZZ_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#endif
#endif
#ifndef FUZZ_POISON
#define FUZZ_POISON(p, n) ((void)(p), (void)(n))
#define FUZZ_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace fuzz {

class GuardedBitmap {
 public:
  static constexpr std::size_t kGuardBytes = 64;  // keeps the pixels 16-byte aligned
  static constexpr uint8_t kGuard = 0xA5;

  // A bitmap whose header says width x height. The pixels take stride x height
  // bytes when both are positive, none otherwise (then any pixel access is a
  // guard access).
  GuardedBitmap(int32_t width, int32_t height) : width_(width), height_(height) {
    if (width > 0 && height > 0) {
      stride_ = (static_cast<std::size_t>(width) + 3) & ~std::size_t{3};
      bytes_ = stride_ * static_cast<std::size_t>(height);
    }
    storage_.reset(new uint8_t[bytes_ + 2 * kGuardBytes]);
    std::memset(storage_.get(), kGuard, bytes_ + 2 * kGuardBytes);
    header_.reset(new uint8_t[40]());
    header_[0] = 40;
    std::memcpy(&header_[4], &width, 4);
    std::memcpy(&header_[8], &height, 4);
    std::memcpy(headerCopy_, header_.get(), 40);
    poison();
  }
  ~GuardedBitmap() { unpoison(); }
  GuardedBitmap(const GuardedBitmap&) = delete;
  GuardedBitmap& operator=(const GuardedBitmap&) = delete;

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  std::size_t stride() const { return stride_; }
  std::size_t byteCount() const { return bytes_; }
  const void* header() const { return header_.get(); }
  uint8_t* bits() { return storage_.get() + kGuardBytes; }
  const uint8_t* bits() const { return storage_.get() + kGuardBytes; }

  // Row padding: the bytes between the width and the stride of every row.
  void setPadding(uint8_t value) {
    for (std::size_t row = 0; row < bytes_; row += stride_)
      for (std::size_t i = row + static_cast<std::size_t>(width_); i < row + stride_; ++i)
        bits()[i] = value;
  }
  bool paddingIs(uint8_t value) const {
    for (std::size_t row = 0; row < bytes_; row += stride_)
      for (std::size_t i = row + static_cast<std::size_t>(width_); i < row + stride_; ++i)
        if (bits()[i] != value) return false;
    return true;
  }

  // The guards still hold kGuard and the header is as made.
  bool guardsIntact() {
    unpoison();
    bool intact = std::memcmp(header_.get(), headerCopy_, 40) == 0;
    const uint8_t* end = bits() + bytes_;
    for (std::size_t i = 0; i < kGuardBytes; ++i)
      if (storage_[i] != kGuard || end[i] != kGuard) intact = false;
    poison();
    return intact;
  }

  // Pixel bytes, padding included.
  std::vector<uint8_t> pixels() const { return std::vector<uint8_t>(bits(), bits() + bytes_); }
  bool pixelsEqual(const std::vector<uint8_t>& other) const {
    return other.size() == bytes_ &&
           (bytes_ == 0 || std::memcmp(bits(), other.data(), bytes_) == 0);
  }
  void copyPixelsFrom(const GuardedBitmap& other) {
    if (other.bytes_ == bytes_ && bytes_ > 0) std::memcpy(bits(), other.bits(), bytes_);
  }

 private:
  void poison() {
    FUZZ_POISON(storage_.get(), kGuardBytes);
    FUZZ_POISON(bits() + bytes_, kGuardBytes);
  }
  void unpoison() { FUZZ_UNPOISON(storage_.get(), bytes_ + 2 * kGuardBytes); }

  int32_t width_;
  int32_t height_;
  std::size_t stride_ = 0;
  std::size_t bytes_ = 0;
  std::unique_ptr<uint8_t[]> storage_;
  std::unique_ptr<uint8_t[]> header_;
  uint8_t headerCopy_[40];
};

}  // namespace fuzz
