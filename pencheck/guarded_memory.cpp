#include "guarded_memory.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <utility>

namespace {

constexpr int kMaxRegions = 768;
Region regions[kMaxRegions];
volatile LONG regionCount = 0;
volatile LONG committed = 0;

std::size_t roundUp(std::size_t n, std::size_t unit) { return (n + unit - 1) / unit * unit; }

Region makeRegion(uintptr_t begin, uintptr_t end, uintptr_t dataBegin, uintptr_t dataEnd,
                  RegionRole role, const std::string& name) {
  Region r;
  r.begin = begin;
  r.end = end;
  r.dataBegin = dataBegin;
  r.dataEnd = dataEnd;
  r.role = role;
  std::snprintf(r.name, sizeof r.name, "%s", name.c_str());
  return r;
}

std::string pixelOf(const Region& r, uintptr_t address) {
  if (r.stride <= 0 || address < r.dataBegin) return "";
  const int64_t offset = static_cast<int64_t>(address - r.dataBegin);
  const int64_t row = offset / r.stride, column = offset % r.stride;
  char text[96];
  if (column >= r.width)
    std::snprintf(text, sizeof text, " (row padding of row %lld)",
                  static_cast<long long>(r.height - 1 - row));
  else
    std::snprintf(text, sizeof text, " (pixel (%lld, %lld))", static_cast<long long>(column),
                  static_cast<long long>(r.height - 1 - row));
  return text;
}

}  // namespace

std::size_t pageSize() {
  static const std::size_t size = [] {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return static_cast<std::size_t>(info.dwPageSize);
  }();
  return size;
}

void watchRegion(const Region& region) {
  const LONG n = regionCount;
  if (n >= kMaxRegions) return;
  regions[n] = region;
  InterlockedExchange(&regionCount, n + 1);
}

void forgetRegions(uintptr_t begin, uintptr_t end) {
  LONG n = regionCount;
  for (LONG i = 0; i < n;) {
    if (regions[i].begin >= begin && regions[i].end <= end) {
      InterlockedExchangeAdd(&committed, -static_cast<LONG>(regions[i].committed));
      regions[i] = regions[n - 1];
      --n;
    } else {
      ++i;
    }
  }
  InterlockedExchange(&regionCount, n);
}

void forgetAllRegions() {
  InterlockedExchange(&regionCount, 0);
  InterlockedExchange(&committed, 0);
}

static Region* findRegion(uintptr_t address) {
  for (LONG i = 0; i < regionCount; ++i)
    if (address >= regions[i].begin && address < regions[i].end) return &regions[i];
  return nullptr;
}

const Region* regionAt(uintptr_t address) { return findRegion(address); }

bool commitLazyPage(uintptr_t address) {
  Region* r = findRegion(address);
  if (!r || r->role != RegionRole::Lazy) return false;
  const std::size_t page = pageSize();
  if (static_cast<std::size_t>(committed) + page > kLazyBudget) return false;
  void* at = reinterpret_cast<void*>(address / page * page);
  if (!VirtualAlloc(at, page, MEM_COMMIT, PAGE_READWRITE)) return false;
  std::memset(at, r->fill, page);
  InterlockedExchangeAdd(&committed, static_cast<LONG>(page));
  r->committed += page;
  return true;
}

std::size_t lazyCommittedBytes() { return static_cast<std::size_t>(committed); }

std::string describeAccess(uintptr_t address, bool write) {
  const char* verb = write ? "writing" : "reading";
  char text[700];
  const Region* r = regionAt(address);
  if (!r) {
    std::snprintf(text, sizeof text, "%s address 0x%llx, outside every buffer the host handed over",
                  verb, static_cast<unsigned long long>(address));
    return text;
  }
  switch (r->role) {
    case RegionRole::GuardBefore:
      std::snprintf(text, sizeof text, "%s %llu byte(s) before the start of %s", verb,
                    static_cast<unsigned long long>(r->dataBegin - address), r->name);
      break;
    case RegionRole::GuardAfter:
      std::snprintf(text, sizeof text, "%s byte %llu past the end of %s (its last byte is %llu)",
                    verb, static_cast<unsigned long long>(address - r->dataEnd), r->name,
                    static_cast<unsigned long long>(r->dataEnd - r->dataBegin - 1));
      break;
    case RegionRole::ReadOnly:
      std::snprintf(text, sizeof text, "%s %s at byte %llu%s", verb, r->name,
                    static_cast<unsigned long long>(address - r->dataBegin),
                    pixelOf(*r, address).c_str());
      break;
    case RegionRole::Stand_in:
      std::snprintf(text, sizeof text,
                    "%s through %s, which this message does not need (it aimed at a no-access "
                    "page; byte %llu)",
                    verb, r->name, static_cast<unsigned long long>(address - r->dataBegin));
      break;
    case RegionRole::Null:
      std::snprintf(text, sizeof text,
                    "%s address 0x%llx through a null pointer (the fields this message does not "
                    "need were null: %s)",
                    verb, static_cast<unsigned long long>(address), r->name);
      break;
    case RegionRole::Stale:
      std::snprintf(
          text, sizeof text,
          "%s %s as handed over with an earlier call, %s, at byte %llu%s: a pointer "
          "kept after that call returned (the host's buffers of one call are gone, or "
          "elsewhere, by the next)",
          verb, r->name, r->call,
          static_cast<unsigned long long>(address >= r->dataBegin ? address - r->dataBegin : 0),
          pixelOf(*r, address).c_str());
      break;
    case RegionRole::Lazy:
      std::snprintf(text, sizeof text,
                    "%s %s at byte %llu after more than %u MiB of it had been touched", verb,
                    r->name, static_cast<unsigned long long>(address - r->dataBegin),
                    static_cast<unsigned>(kLazyBudget >> 20));
      break;
  }
  return text;
}

Block::Block(Kind kind, std::size_t bytes, const std::string& name, uint8_t fill, bool atStart)
    : kind_(kind), size_(bytes), name_(name) {
  const std::size_t page = pageSize();
  const std::size_t body = roundUp(bytes ? bytes : 1, page);
  if (body < bytes) return;  // wrapped
  reserved_ = body + 2 * page;
  if (reserved_ < body) return;
  const bool reserveOnly = kind == Kind::StandIn || kind == Kind::Lazy;
  base_ = VirtualAlloc(nullptr, reserved_, reserveOnly ? MEM_RESERVE : MEM_RESERVE | MEM_COMMIT,
                       reserveOnly ? PAGE_NOACCESS : PAGE_READWRITE);
  if (!base_) return;
  auto* first = static_cast<uint8_t*>(base_) + page;
  const uintptr_t lo = reinterpret_cast<uintptr_t>(base_);
  const uintptr_t hi = lo + reserved_;
  switch (kind) {
    case Kind::Slack:
      std::memset(base_, kSlackByte, reserved_);
      data_ = first;
      std::memset(data_, fill, bytes);
      gapBegin_ = data_;
      break;
    case Kind::Guarded:
    case Kind::GuardedRO: {
      data_ = atStart ? first : first + (body - bytes);
      gapBegin_ = atStart ? first + bytes : first;
      gapSize_ = body - bytes;
      std::memset(first, kGapByte, body);
      std::memset(data_, fill, bytes);
      DWORD old;
      VirtualProtect(base_, page, PAGE_NOACCESS, &old);
      VirtualProtect(first + body, page, PAGE_NOACCESS, &old);
      const uintptr_t d = reinterpret_cast<uintptr_t>(data_);
      watchRegion(makeRegion(lo, lo + page, d, d + bytes, RegionRole::GuardBefore, name));
      watchRegion(makeRegion(hi - page, hi, d, d + bytes, RegionRole::GuardAfter, name));
      break;
    }
    case Kind::StandIn: {
      data_ = first;
      const uintptr_t d = reinterpret_cast<uintptr_t>(data_);
      watchRegion(makeRegion(lo, hi, d, d + bytes, RegionRole::Stand_in, name));
      break;
    }
    case Kind::Lazy: {
      data_ = first;
      gapBegin_ = data_;
      const uintptr_t d = reinterpret_cast<uintptr_t>(data_);
      Region r = makeRegion(lo, hi, d, d + bytes, RegionRole::Lazy, name);
      r.fill = fill;
      watchRegion(r);
      break;
    }
  }
}

void Block::setGeometry(int64_t width, int64_t height, int64_t stride) {
  width_ = width;
  height_ = height;
  stride_ = stride;
  const uintptr_t lo = reinterpret_cast<uintptr_t>(base_);
  LONG n = regionCount;
  for (LONG i = 0; i < n; ++i)
    if (regions[i].begin >= lo && regions[i].end <= lo + reserved_) {
      regions[i].width = width;
      regions[i].height = height;
      regions[i].stride = stride;
    }
}

void Block::seal() {
  if (kind_ != Kind::GuardedRO || !base_) return;
  const std::size_t page = pageSize();
  DWORD old;
  VirtualProtect(static_cast<uint8_t*>(base_) + page, reserved_ - 2 * page, PAGE_READONLY, &old);
  const uintptr_t d = reinterpret_cast<uintptr_t>(data_);
  Region r = makeRegion(reinterpret_cast<uintptr_t>(base_) + page,
                        reinterpret_cast<uintptr_t>(base_) + reserved_ - page, d, d + size_,
                        RegionRole::ReadOnly, name_);
  r.width = width_;
  r.height = height_;
  r.stride = stride_;
  watchRegion(r);
}

void Block::retire(const std::string& call) {
  if (!base_) return;
  const uintptr_t lo = reinterpret_cast<uintptr_t>(base_);
  forgetRegions(lo, lo + reserved_);
  DWORD old;
  VirtualProtect(base_, reserved_, PAGE_NOACCESS, &old);
  const uintptr_t d = reinterpret_cast<uintptr_t>(data_);
  Region r = makeRegion(lo, lo + reserved_, d, d + size_, RegionRole::Stale, name_);
  r.width = width_;
  r.height = height_;
  r.stride = stride_;
  std::snprintf(r.call, sizeof r.call, "%s", call.c_str());
  watchRegion(r);
}

void Block::release() {
  if (!base_) return;
  const uintptr_t lo = reinterpret_cast<uintptr_t>(base_);
  forgetRegions(lo, lo + reserved_);
  VirtualFree(base_, 0, MEM_RELEASE);
  base_ = nullptr;
}

Block::~Block() { release(); }

Block::Block(Block&& other) noexcept { *this = std::move(other); }

Block& Block::operator=(Block&& other) noexcept {
  if (this != &other) {
    release();
    kind_ = other.kind_;
    base_ = std::exchange(other.base_, nullptr);
    reserved_ = other.reserved_;
    data_ = other.data_;
    size_ = other.size_;
    gapBegin_ = other.gapBegin_;
    gapSize_ = other.gapSize_;
    name_ = std::move(other.name_);
    width_ = other.width_;
    height_ = other.height_;
    stride_ = other.stride_;
  }
  return *this;
}
