// poison_stack.h - garbage on the stack before a call into the pen.
#pragma once

#include <cstdint>
#include <cstring>

namespace testing_support {

// Fills the stack where the callee's frames are about to lie with bytes whose
// 64-bit sums overflow, so that a local the pen reads before writing it shows
// (as a wrong result, or under UBSan) instead of holding whatever an earlier
// call happened to leave there. With 0 or 0xFF instead, a position read before
// it is written lands beside the brush, on the canvas, where it shows too.
[[gnu::noinline]] inline void poisonStack(uint8_t byte = 0x7F) {
  uint8_t junk[16 * 1024];
  std::memset(junk, byte, sizeof junk);
  asm volatile("" : : "r"(junk) : "memory");  // keep the stores
}

}  // namespace testing_support
