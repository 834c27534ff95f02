#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "block_engine.h"
#include "pen_entry.h"
#include "pen_info.h"
#include "support/fake_window_tree.h"
#include "support/test_bitmap.h"
#include "window_messages.h"

namespace {

using testing_support::FakeEditor;
using testing_support::TestPen;
using Rect = TestPen::Rect;
using Rows = std::vector<std::string>;

// The editor's windows and a 16 x 8 canvas with a 1 x 1 ink brush; primary
// colour 1 ('A' in rows()), secondary 2 ('B').
struct Editor {
  FakeEditor windows;
  TestPen pen{16, 8};

  void send(uint32_t message, uint32_t keyFlags = 0) {
    EXPECT_EQ(ZVPen(windows.view.handle(), message, keyFlags, 0x7FFF7FFF, &pen.ctx), 0);
  }
  void press(int32_t x, int32_t y, uint32_t keyFlags = MK_LBUTTON) {
    pen.setCursor(x, y);
    send(WM_LBUTTONDOWN, keyFlags);
  }
  void drag(int32_t x, int32_t y, uint32_t keyFlags = MK_LBUTTON) {
    pen.setCursor(x, y);
    send(WM_MOUSEMOVE, keyFlags);
  }
};

TEST(PenStroke, PressAndTwoDragsPaintBlocksAndReportEachChange) {
  Editor e;
  e.windows.select("4x2 pixels");
  e.pen.ctx.toneLevel = 6;
  e.press(1, 1);
  EXPECT_EQ(e.pen.changed(), (Rect{2, 2, 3, 3}));
  e.drag(9, 4);
  EXPECT_EQ(e.pen.changed(), (Rect{2, 2, 11, 5}));
  EXPECT_EQ(e.pen.canvas.rows(),
            (Rows{"................", "................", "AAAABBBB........", "AAAABBBB........",
                  "........BBBB....", "........BBBB....", "................", "................"}));
  e.drag(12, 4);
  EXPECT_EQ(e.pen.changed(), (Rect{10, 5, 14, 6}));
  EXPECT_EQ(e.pen.canvas.rows(),
            (Rows{"................", "................", "AAAABBBB........", "AAAABBBB........",
                  "........BBBBAAAA", "........BBBBAAAA", "................", "................"}));
  EXPECT_EQ(e.pen.ctx.stateFlags, PCF_DRAWN);
  EXPECT_TRUE(e.pen.untouchedOutsideCanvas());
}

TEST(PenStroke, ThePressLatchesTheToneLevelOrWithShiftItsComplement) {
  struct Case {
    int32_t level;
    uint32_t keyFlags;
    int32_t tone;
  };
  const Case cases[] = {
      {5, MK_LBUTTON, 5},
      {5, MK_LBUTTON | MK_SHIFT, 11},
      {8, MK_SHIFT, 8},
      {0, MK_SHIFT, 16},
      {16, MK_SHIFT, 0},
      {16, 0, 16},
      {20, 0, 16},
      {20, MK_SHIFT, 0},
      {-3, 0, 0},
      {-3, MK_SHIFT, 16},
      {INT32_MIN, MK_SHIFT, 16},
      {INT32_MAX, MK_SHIFT, 0},
      {5, 0xFFFFFFFF, 11},
      {5, ~MK_SHIFT, 5},
  };
  for (const Case& c : cases) {
    Editor e;
    e.pen.ctx.toneLevel = c.level;
    e.press(0, 0, c.keyFlags);
    EXPECT_EQ(strokeTone, c.tone) << c.level << " with flags " << c.keyFlags;
  }
}

TEST(PenStroke, ToneAndBlockSizeHoldUntilTheNextPressColoursChangeAtTheNextBlock) {
  Editor e;
  e.windows.select("1x1 pixel");
  e.pen.ctx.toneLevel = 0;
  e.press(0, 0, MK_LBUTTON | MK_SHIFT);  // tone 16: secondary everywhere
  e.pen.ctx.toneLevel = 0;
  e.windows.select("4x2 pixels");
  e.drag(3, 0);  // no Shift now: still tone 16 and 1 x 1 blocks
  EXPECT_EQ(e.pen.canvas.rows()[1], ".BBBB...........");
  e.pen.ctx.secondaryColour = 3;
  e.drag(6, 0);
  EXPECT_EQ(e.pen.canvas.rows()[1], ".BBBCCCC........");

  e.press(0, 4);  // now 4 x 2 blocks and tone 0: primary
  EXPECT_EQ(e.pen.canvas.rows()[4], "AAAA............");
  EXPECT_EQ(e.pen.canvas.rows()[5], "AAAA............");
}

TEST(PenStroke, AMoveWithoutTheButtonOnlyMovesThePreviousPoint) {
  Editor e;
  e.press(1, 1);
  const Rows before = e.pen.canvas.rows();
  e.pen.ctx.stateFlags = 0;
  e.pen.ctx.changedLeft = -77;
  e.drag(10, 5, MK_SHIFT);
  EXPECT_EQ(e.pen.canvas.rows(), before);
  EXPECT_EQ(e.pen.ctx.stateFlags, 0u);
  EXPECT_EQ(e.pen.ctx.changedLeft, -77);
  EXPECT_EQ(prevX, 10);
  EXPECT_EQ(prevY, 5);
  e.drag(10, 5);  // the segment starts where the cursor went, not at the press
  EXPECT_EQ(e.pen.changed(), (Rect{11, 6, 12, 7}));
}

TEST(PenPick, ARightClickPicksUnderTheCursorIntoOneColour) {
  struct Case {
    int32_t x, y;
    uint32_t keyFlags;
  };
  const Case cases[] = {
      {0, 0, 0}, {15, 0, 0}, {0, 7, MK_SHIFT}, {15, 7, MK_SHIFT | MK_LBUTTON}, {7, 3, 0}};
  for (const Case& c : cases) {
    Editor e;
    for (int32_t y = 0; y < 8; ++y)
      for (int32_t x = 0; x < 16; ++x)
        e.pen.pick.at(x, y) = static_cast<uint8_t>(0x80 + x + 16 * y);
    e.press(2, 2);
    e.pen.ctx.primaryColour = e.pen.ctx.secondaryColour = 0xABCDEF01;
    e.pen.ctx.stateFlags = 0x10000;
    e.pen.setCursor(c.x, c.y);
    e.send(WM_RBUTTONDOWN, c.keyFlags);
    const uint32_t picked = static_cast<uint32_t>(0x80 + c.x + 16 * c.y) & 0xFF;
    const bool shift = (c.keyFlags & MK_SHIFT) != 0;
    EXPECT_EQ(e.pen.ctx.primaryColour, shift ? 0xABCDEF01 : picked) << c.x << "," << c.y;
    EXPECT_EQ(e.pen.ctx.secondaryColour, shift ? picked : 0xABCDEF01) << c.x << "," << c.y;
    EXPECT_EQ(e.pen.ctx.stateFlags, 0x10000 | PCF_COLOUR);
    EXPECT_EQ(prevX, 2);
    EXPECT_EQ(prevY, 2);
  }
}

TEST(PenPick, ARightClickOffTheCanvasPicksNothing) {
  struct Case {
    int32_t width, height, x, y;
  };
  const Case cases[] = {
      {16, 8, -1, 0},        {16, 8, 0, -1},        {16, 8, 16, 0},         {16, 8, 0, 8},
      {16, 8, INT32_MIN, 3}, {16, 8, 3, INT32_MAX}, {16, 8, INT32_MAX, -1}, {0, 8, 0, 0},
      {16, 0, 0, 0},         {-4, 8, 0, 0},         {16, -8, 0, 0},
  };
  for (const Case& c : cases) {
    Editor e;
    e.pen.canvas.reset(c.width, c.height);
    e.pen.pick.reset(c.width > 0 ? c.width : 0, c.height > 0 ? c.height : 0, 9);
    e.pen.wire();
    e.pen.ctx.stateFlags = 0;
    e.pen.setCursor(c.x, c.y);
    e.send(WM_RBUTTONDOWN, MK_SHIFT);
    e.send(WM_RBUTTONDOWN);
    EXPECT_EQ(e.pen.ctx.primaryColour, 1u)
        << c.width << "x" << c.height << " " << c.x << "," << c.y;
    EXPECT_EQ(e.pen.ctx.secondaryColour, 2u);
    EXPECT_EQ(e.pen.ctx.stateFlags, 0u);
    EXPECT_TRUE(e.pen.pick.guardsIntact());
  }
}

TEST(PenBlockSize, TheBoxDecidesAtEachPressWithOneByOneAsTheFallback) {
  Editor e;
  e.windows.select("4x2 pixels");
  e.press(0, 0);
  EXPECT_EQ(std::make_pair(blockWidth, blockHeight), std::make_pair(4, 2));
  e.windows.box.selection = -1;  // no selection: the previous text again
  e.press(0, 0);
  EXPECT_EQ(std::make_pair(blockWidth, blockHeight), std::make_pair(4, 2));
  e.windows.select("3x2 " + std::string(300, 'p'));  // too long to read
  e.press(0, 0);
  EXPECT_EQ(std::make_pair(blockWidth, blockHeight), std::make_pair(1, 1));
  e.windows.select("3x2 pixels");
  e.press(0, 0);
  EXPECT_EQ(std::make_pair(blockWidth, blockHeight), std::make_pair(3, 2));
  e.windows.bar.className = "Other";  // the bar is gone
  e.press(0, 0);
  EXPECT_EQ(std::make_pair(blockWidth, blockHeight), std::make_pair(1, 1));
}

TEST(PenBlockSize, HugeBlocksPaintTheirClippedShareOfTheCanvas) {
  Editor e;
  e.windows.select("2000000000x3 pixels");
  e.pen.ctx.toneLevel = 16;
  e.press(12, 4);  // the 1 x 1 brush lands on (13, 5): block rows 3..5
  e.drag(5, 4);
  EXPECT_EQ(e.pen.canvas.rows(),
            (Rows{"................", "................", "................", "BBBBBBBBBBBBBBBB",
                  "BBBBBBBBBBBBBBBB", "BBBBBBBBBBBBBBBB", "................", "................"}));
  EXPECT_TRUE(e.pen.untouchedOutsideCanvas());
}

// A host may leave the pointers a message does not need null.
TEST(PenPointers, EachMessageDereferencesOnlyWhatItNeeds) {
  Editor e;
  e.windows.select("3x2 pixels");
  e.pen.ctx.maskBits = nullptr;
  e.pen.ctx.pickBits = nullptr;
  e.press(3, 3);
  e.drag(6, 3);
  EXPECT_EQ(e.pen.canvas.at(4, 4), 1);
  EXPECT_EQ(e.pen.canvas.at(7, 4), 1);

  PenContext pick{};
  pick.canvasHeader = e.pen.canvas.header();
  pick.pickBits = e.pen.pick.bits();
  EXPECT_EQ(ZVPen(nullptr, WM_RBUTTONDOWN, 0, 0, &pick), 0);
  EXPECT_EQ(pick.stateFlags, PCF_COLOUR);

  PenContext cursorOnly{};
  cursorOnly.cursorX = 9;
  EXPECT_EQ(ZVPen(nullptr, WM_MOUSEMOVE, MK_SHIFT, 0, &cursorOnly), 0);
  EXPECT_EQ(prevX, 9);

  const uint32_t idle[] = {WM_SETFOCUS, WM_KILLFOCUS, WM_KEYDOWN,   WM_KEYUP,
                           WM_CHAR,     WM_LBUTTONUP, WM_RBUTTONUP, WM_USER + 1,
                           WM_USER + 2, WM_USER + 4,  WM_USER + 9,  WM_USER + 10,
                           0,           0x0203,       0x0206,       0xFFFFFFFF};
  for (uint32_t message : idle) {
    EXPECT_EQ(ZVPen(nullptr, message, 0xFFFFFFFF, -1, nullptr), 0) << message;
  }
  EXPECT_EQ(prevX, 9);
  EXPECT_EQ(blockWidth, 3);
}

// The numbers an editor sends and reads back, written out as the editor has
// them rather than through the pen's own constants, so that a changed
// constant fails here.
TEST(PenContract, MessageKeyAndFlagNumbersAsTheEditorUsesThem) {
  Editor e;
  e.windows.select("1x1 pixel");
  e.pen.ctx.toneLevel = 5;
  e.pen.setCursor(0, 0);
  e.send(0x0201, 0x0001 | 0x0004);  // WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT: tone 11
  EXPECT_EQ(strokeTone, 11);
  EXPECT_EQ(e.pen.ctx.stateFlags, 0x03000000u);  // PCF_DRAWN, two bits
  e.pen.setCursor(3, 0);
  e.send(0x0200, 0x0001);  // WM_MOUSEMOVE with MK_LBUTTON: a segment
  EXPECT_EQ(e.pen.changed(), (Rect{1, 1, 5, 2}));
  e.pen.setCursor(9, 6);
  e.send(0x0200, 0x0002 | 0x0004 | 0x0008 | 0x0010);  // no MK_LBUTTON: only moves the point
  EXPECT_EQ(e.pen.changed(), (Rect{1, 1, 5, 2}));
  EXPECT_EQ(prevX, 9);

  // 0x00000010 is the mask switch; the editor's own bits stay as they were.
  e.pen.ctx.stateFlags = 0x00000010 | 0x00800000;
  e.pen.mask.fill(0);
  e.pen.setCursor(7, 3);
  const Rows unmasked = e.pen.canvas.rows();
  e.send(0x0201, 0x0001);
  EXPECT_EQ(e.pen.canvas.rows(), unmasked);
  EXPECT_EQ(e.pen.ctx.stateFlags, 0x03000000u | 0x00000010 | 0x00800000);

  // WM_RBUTTONDOWN picks; with MK_SHIFT into the second colour; 0x04000000.
  e.pen.ctx.stateFlags = 0;
  e.pen.pick.at(2, 3) = 77;
  e.pen.setCursor(2, 3);
  e.send(0x0204, 0x0004);
  EXPECT_EQ(e.pen.ctx.secondaryColour, 77u);
  EXPECT_EQ(e.pen.ctx.stateFlags, 0x04000000u);

  // The editor's other messages do nothing at all.
  const Rows canvas = e.pen.canvas.rows();
  for (uint32_t message : {0x0007u, 0x0008u, 0x0100u, 0x0101u, 0x0102u, 0x0202u, 0x0205u, 0x0401u,
                           0x0402u, 0x0404u, 0x0409u, 0x040Au}) {
    e.pen.ctx.stateFlags = 0;
    e.pen.setCursor(20, 20);
    e.send(message, 0x0001);
    EXPECT_EQ(e.pen.ctx.stateFlags, 0u) << message;
    EXPECT_EQ(prevX, 7) << message;  // the pick left it at the masked press
  }
  EXPECT_EQ(e.pen.canvas.rows(), canvas);
}

TEST(PenContract, IdentityAsTheEditorReadsIt) {
  PenInfo info{};
  ASSERT_EQ(ZVGetInfo(&info), 1);
  EXPECT_EQ(info.infoWord, 0x01002008u);
  ASSERT_NE(info.name, nullptr);
  ASSERT_NE(info.altName, nullptr);
  EXPECT_STREQ(info.name, "Tessaly");
  EXPECT_STREQ(info.altName, info.name);
  EXPECT_NE(static_cast<const void*>(info.altName), static_cast<const void*>(info.name));
}

}  // namespace
