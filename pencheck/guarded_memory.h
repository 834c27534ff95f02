// guarded_memory.h - buffers placed where a stray access shows: between
// no-access pages, on read-only pages, in address space that is only
// reserved, or committed page by page as the pen touches it. Each such place
// is registered, so that the fault handler can say what an access violation
// hit ("1 byte past the end of the canvas", "the mask, pixel (3, 4)").
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum class RegionRole {
  GuardBefore,  // the no-access page before a buffer
  GuardAfter,   // the no-access page after it
  ReadOnly,     // a buffer the pen may read but not write
  Stand_in,     // where a pointer the message does not need aims
  Null,         // the first 64 KiB: a null pointer's target
  Lazy,         // committed on first touch
  Stale,        // a buffer of an earlier call, no longer the host's to lend
};

struct Region {
  uintptr_t begin = 0, end = 0;          // the watched addresses
  uintptr_t dataBegin = 0, dataEnd = 0;  // the buffer it belongs to
  RegionRole role = RegionRole::GuardAfter;
  char name[64] = {};  // "the canvas", "canvasHeader"
  // For a bitmap's pixels: the geometry that turns an offset into (x, y).
  int64_t width = 0, height = 0, stride = 0;
  uint8_t fill = 0;           // Lazy: the byte a fresh page holds
  std::size_t committed = 0;  // Lazy: bytes committed so far
  char call[200] = {};        // Stale: the call it was handed over with
};

// The registry the fault handler reads; fixed size, no allocation.
void watchRegion(const Region& region);
void forgetRegions(uintptr_t begin, uintptr_t end);
void forgetAllRegions();
const Region* regionAt(uintptr_t address);

// Called from the vectored exception handler for an access violation at
// `address`: commits the page when it lies in a lazy region within budget
// (the bytes committed in all lazy regions alive at once).
bool commitLazyPage(uintptr_t address);
std::size_t lazyCommittedBytes();
constexpr std::size_t kLazyBudget = 512u << 20;

// What an access to `address` hit, in words for a pen author.
std::string describeAccess(uintptr_t address, bool write);

std::size_t pageSize();

// One allocation of its own, released on destruction.
class Block {
 public:
  enum class Kind {
    Slack,      // read-write, with a page of read-write slack on both sides
    Guarded,    // between no-access pages, flush against the one after
    GuardedRO,  // the same, read-only once filled (seal())
    StandIn,    // reserved, no access at all: the target of an unneeded pointer
    Lazy,       // reserved; pages are committed as they are touched
  };
  Block() = default;
  // `bytes` may be 0. False from ok() when the address space will not hold it.
  // Guarded kinds sit flush against the page after them, or with `atStart`
  // against the page before.
  Block(Kind kind, std::size_t bytes, const std::string& name, uint8_t fill = 0,
        bool atStart = false);
  ~Block();
  Block(Block&& other) noexcept;
  Block& operator=(Block&& other) noexcept;
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;

  bool ok() const { return base_ != nullptr; }
  uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }
  // Guarded kinds: the bytes of the data pages around data(), filled with
  // kGapByte, which nothing may change.
  const uint8_t* gap() const { return gapBegin_; }
  std::size_t gapSize() const { return gapSize_; }
  void setGeometry(int64_t width, int64_t height, int64_t stride);
  void seal();  // GuardedRO: from now on read-only
  // From now on no access at all, watched as a buffer of `call`, which has
  // returned: an access through a pointer the pen kept from it faults.
  void retire(const std::string& call);

  static constexpr uint8_t kGapByte = 0xA5;
  static constexpr uint8_t kSlackByte = 0x5A;

 private:
  void release();
  Kind kind_ = Kind::Slack;
  void* base_ = nullptr;
  std::size_t reserved_ = 0;
  uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  uint8_t* gapBegin_ = nullptr;
  std::size_t gapSize_ = 0;
  std::string name_;
  int64_t width_ = 0, height_ = 0, stride_ = 0;
};
