// The block-size box read through user32 from real windows: the window tree
// the editor builds, walked by the pen's platform file.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "block_engine.h"
#include "block_size.h"
#include "pen_entry.h"
#include "support/test_bitmap.h"
#include "zorvel_windows.h"

namespace {

using testing_support::TestPen;
using zorvel_windows::Tree;

struct Buffer {
  char text[kSizeTextBytes + 8];
  explicit Buffer(const char* initial) {
    std::memset(text, 0x5A, sizeof text);
    std::strcpy(text, initial);
  }
  bool tailIntact() const {
    for (std::size_t i = kSizeTextBytes; i < sizeof text; ++i)
      if (text[i] != 0x5A) return false;
    return true;
  }
};

// The block size a left-button press at the view selects.
std::pair<int32_t, int32_t> sizeAtPress(HWND window) {
  TestPen pen(8, 8);
  blockWidth = blockHeight = 99;
  EXPECT_EQ(ZVPen(window, WM_LBUTTONDOWN, MK_LBUTTON, 0, &pen.ctx), 0);
  return {blockWidth, blockHeight};
}

TEST(RealWindowTree, TheSelectedItemGivesTheBlockSize) {
  Tree tree;
  ASSERT_TRUE(tree.complete());
  tree.select("16x16 pixels");
  Buffer buffer("");
  EXPECT_EQ(fetchBlockSizeText(tree.view, buffer.text), 1);
  EXPECT_STREQ(buffer.text, "16x16 pixels");
  tree.select("3x2 pixels");
  EXPECT_EQ(sizeAtPress(tree.view), std::make_pair(3, 2));
  tree.select("4X12 wide");
  EXPECT_EQ(sizeAtPress(tree.view), std::make_pair(4, 12));
}

TEST(RealWindowTree, WithoutASelectionThePreviousTextIsParsedAgain) {
  Tree tree;
  tree.select("4x2 pixels");
  EXPECT_EQ(sizeAtPress(tree.view), std::make_pair(4, 2));
  tree.clearSelection();
  Buffer buffer("earlier");
  EXPECT_EQ(fetchBlockSizeText(tree.view, buffer.text), 1);
  EXPECT_STREQ(buffer.text, "earlier");
  EXPECT_EQ(sizeAtPress(tree.view), std::make_pair(4, 2));
}

TEST(RealWindowTree, AnItemTooLongForTheBufferIsNotRead) {
  Tree tree;
  const std::string fits = "5x3 " + std::string(kSizeTextBytes - 5, 'p');
  tree.select(fits);
  Buffer buffer("earlier");
  EXPECT_EQ(fetchBlockSizeText(tree.view, buffer.text), 1);
  EXPECT_EQ(std::string(buffer.text), fits);
  EXPECT_TRUE(buffer.tailIntact());

  tree.select("5x3 " + std::string(kSizeTextBytes - 4, 'p'));
  std::strcpy(buffer.text, "earlier");
  EXPECT_EQ(fetchBlockSizeText(tree.view, buffer.text), 0);
  EXPECT_STREQ(buffer.text, "earlier");
  EXPECT_TRUE(buffer.tailIntact());
  EXPECT_EQ(sizeAtPress(tree.view), std::make_pair(1, 1));
}

TEST(RealWindowTree, WithoutTheDialogBarOrThreeAncestorsBlocksAreOneByOne) {
  Tree noBar("Zorvel Pane");
  noBar.select("3x2 pixels");
  Buffer buffer("earlier");
  EXPECT_EQ(fetchBlockSizeText(noBar.view, buffer.text), 0);
  EXPECT_EQ(sizeAtPress(noBar.view), std::make_pair(1, 1));

  Tree tree;
  tree.select("3x2 pixels");
  for (HWND shortChain : {tree.document, tree.client, tree.frame, HWND{}}) {
    EXPECT_EQ(fetchBlockSizeText(shortChain, buffer.text), 0);
    EXPECT_EQ(sizeAtPress(shortChain), std::make_pair(1, 1));
  }
  EXPECT_STREQ(buffer.text, "earlier");
  EXPECT_EQ(sizeAtPress(tree.view), std::make_pair(3, 2));
}

}  // namespace
