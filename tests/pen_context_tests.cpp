#include <gtest/gtest.h>

#include <cstring>

#include "block_engine.h"
#include "pen_context.h"
#include "support/test_bitmap.h"

namespace {

using testing_support::ScopedBlockParams;
using testing_support::TestBitmap;

TEST(BitmapGeometry, RowsArePaddedToFourBytesAndStoredBottomUp) {
  TestBitmap canvas(10, 5);
  const BitmapGeometry g = bitmapGeometry(canvas.header());
  EXPECT_EQ(g.stride, 12);
  EXPECT_EQ(g.offsetOf(0, 0), 4 * 12);
  EXPECT_EQ(g.offsetOf(9, 4), 9);
  TestBitmap brush(3, 3);
  EXPECT_EQ(bitmapGeometry(brush.header()).stride, 4);
  EXPECT_EQ(bitmapGeometry(brush.header()).offsetOf(0, 0), 8);
}

TEST(BitmapGeometry, ExtremeWidthsDoNotOverflow) {
  unsigned char header[40] = {};
  const int32_t width = INT32_MAX;
  std::memcpy(header + 4, &width, 4);
  EXPECT_EQ(bitmapGeometry(header).stride, int64_t{INT32_MAX} + 1);
}

// The editor hands the pen a record it laid out itself: fill one as raw bytes
// at the documented offsets and let the engine work from it.
TEST(PenContextLayout, RawBytesAtTheDocumentedOffsets) {
  if (sizeof(void*) != 4) GTEST_SKIP() << "the byte layout is that of the 32-bit build";
  ScopedBlockParams params(2, 1, 16);
  TestBitmap canvas(4, 2), brush(1, 1);
  unsigned char record[76];
  std::memset(record, 0xCC, sizeof record);
  auto put = [&](std::size_t offset, uint32_t value) { std::memcpy(record + offset, &value, 4); };
  auto address = [](const void* p) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
  };
  put(4, address(canvas.header()));
  put(8, address(canvas.bits()));
  put(20, address(brush.header()));
  put(24, address(brush.bits()));
  put(28, 0x80000000u);  // no PCF_MASK: offsets 12 and 16 stay garbage
  put(32, 3);
  put(36, 0x107);
  put(52, 1);  // the 1 x 1 brush lands on (2, 1)
  put(56, 0);
  stampAtCursor(reinterpret_cast<PenContext*>(record));
  EXPECT_EQ(canvas.at(2, 1), 7);
  EXPECT_EQ(canvas.at(3, 1), 7);
  uint32_t flags;
  int32_t rect[4];
  std::memcpy(&flags, record + 28, 4);
  std::memcpy(rect, record + 60, 16);
  EXPECT_EQ(flags, 0x83000000u);
  EXPECT_EQ(rect[0], 2);
  EXPECT_EQ(rect[1], 1);
  EXPECT_EQ(rect[2], 3);
  EXPECT_EQ(rect[3], 2);
  for (std::size_t offset : {0u, 40u, 44u, 48u})
    EXPECT_EQ(record[offset], 0xCC) << "offset " << offset << " is the editor's";
}

}  // namespace
