// The pen's state as the library is loaded: one test, in a program of its
// own, because nothing resets that state.
#include <gtest/gtest.h>

#include "block_engine.h"
#include "pen_entry.h"
#include "support/fake_window_tree.h"
#include "support/test_bitmap.h"
#include "window_messages.h"

namespace {

using testing_support::FakeEditor;
using testing_support::TestPen;

TEST(PenAtLoad, ADragBeforeAnyPressUsesThreeByTwoToneZeroFromTheOrigin) {
  FakeEditor windows;
  TestPen pen(12, 6);
  pen.ctx.toneLevel = 16;  // read only at a press
  // The pen's pixels 1 to 6 of row 1 fill blocks 0 to 2 of 3 x 2: nine
  // columns, where blocks two or four wide would fill eight.
  pen.setCursor(5, 0);
  EXPECT_EQ(ZVPen(windows.view.handle(), WM_MOUSEMOVE, MK_LBUTTON, 0, &pen.ctx), 0);
  EXPECT_EQ(pen.canvas.rows(),
            (std::vector<std::string>{"AAAAAAAAA...", "AAAAAAAAA...", "............",
                                      "............", "............", "............"}));
  EXPECT_EQ(pen.changed(), (TestPen::Rect{1, 1, 7, 2}));

  // The first press with no selection parses the all-zero text: 1 x 1.
  ZVPen(windows.view.handle(), WM_LBUTTONDOWN, MK_LBUTTON, 0, &pen.ctx);
  EXPECT_EQ(blockWidth, 1);
  EXPECT_EQ(blockHeight, 1);
  EXPECT_EQ(sizeText[0], 0);
}

}  // namespace
