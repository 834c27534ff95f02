#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "block_engine.h"
#include "block_size.h"
#include "block_size_text.h"
#include "support/fake_window_tree.h"
#include "support/test_bitmap.h"

namespace {

using testing_support::FakeEditor;
using testing_support::FakeWindow;
using testing_support::ScopedBlockParams;

struct ParseCase {
  const char* text;
  int32_t result, width, height;
};

TEST(ParseBlockSize, AcceptsOnlyWidthXHeightSpace) {
  ScopedBlockParams restore(7, 7, 0);
  const ParseCase cases[] = {
      {"3x2 pixels", 1, 3, 2},
      {"16x16 ", 1, 16, 16},
      {"12x34 ", 1, 12, 34},
      {"3X2 ", 1, 3, 2},
      {"10x1 ", 1, 10, 1},
      {"1x1 ", 1, 1, 1},
      {"3x2  two spaces", 1, 3, 2},
      {"2147483647x2147483647 ", 1, INT32_MAX, INT32_MAX},
      {"2000000000x3 ", 1, 2000000000, 3},
      {"3x2", 0, 1, 1},
      {"03x2 ", 0, 1, 1},
      {"3x02 ", 0, 1, 1},
      {"3x2(", 0, 1, 1},
      {"x2 ", 0, 1, 1},
      {" 3x2 ", 0, 1, 1},
      {"", 0, 1, 1},
      {"0x2 ", 0, 1, 1},
      {"3*2 ", 0, 1, 1},
      {"3x ", 0, 1, 1},
      {"3x2\t", 0, 1, 1},
      {"-3x2 ", 0, 1, 1},
      // Too large for 32 bits, including values that wrap to small ones.
      {"2147483648x2 ", 0, 1, 1},
      {"3x2147483648 ", 0, 1, 1},
      {"4294967299x2 ", 0, 1, 1},
      {"99999999999999999999999x2 ", 0, 1, 1},
  };
  for (const ParseCase& c : cases) {
    blockWidth = 7;
    blockHeight = 7;
    EXPECT_EQ(parseBlockSize(c.text), c.result) << "'" << c.text << "'";
    EXPECT_EQ(blockWidth, c.width) << "'" << c.text << "'";
    EXPECT_EQ(blockHeight, c.height) << "'" << c.text << "'";
    // The pure reader the tools share gives the same, touching no globals.
    int32_t width = 7, height = 7;
    EXPECT_EQ(parseBlockSizeText(c.text, width, height), c.result == 1) << "'" << c.text << "'";
    EXPECT_EQ(width, c.width) << "'" << c.text << "'";
    EXPECT_EQ(height, c.height) << "'" << c.text << "'";
    EXPECT_EQ(blockWidth, c.width);
  }
  int32_t width = 7, height = 7;
  EXPECT_FALSE(parseBlockSizeText(nullptr, width, height));
  EXPECT_EQ(width * height, 1);
}

// A buffer as the pen keeps it, with bytes after it that must stay as they are.
struct TextBuffer {
  char bytes[kSizeTextBytes + 16];
  TextBuffer() {
    std::memset(bytes, 0, kSizeTextBytes);
    std::memset(bytes + kSizeTextBytes, 0x5A, 16);
  }
  char* text() { return bytes; }
  bool tailIntact() const {
    for (std::size_t i = kSizeTextBytes; i < sizeof bytes; ++i)
      if (bytes[i] != 0x5A) return false;
    return true;
  }
};

TEST(FetchBlockSizeText, ReadsTheSelectedItemThroughTheEditorsWindows) {
  FakeEditor editor;
  editor.select("16x16 pixels");
  TextBuffer buffer;
  EXPECT_EQ(fetchBlockSizeText(editor.view.handle(), buffer.text()), 1);
  EXPECT_STREQ(buffer.text(), "16x16 pixels");
}

TEST(FetchBlockSizeText, WithoutASelectionKeepsThePreviousText) {
  FakeEditor editor;
  TextBuffer buffer;
  std::strcpy(buffer.text(), "4x2 earlier");
  EXPECT_EQ(fetchBlockSizeText(editor.view.handle(), buffer.text()), 1);
  EXPECT_STREQ(buffer.text(), "4x2 earlier");
}

// Items of 0 to 255 characters are read, empty ones too; longer ones would
// not fit the pen's 256 bytes and leave the buffer as it was.
TEST(FetchBlockSizeText, ReadsItemsOfUpTo255CharactersAndNoLonger) {
  FakeEditor editor;
  TextBuffer buffer;
  for (std::size_t length : {std::size_t{0}, std::size_t{4}, std::size_t{255}}) {
    std::strcpy(buffer.text(), "earlier");
    const std::string item =
        std::string("3x2 ").substr(0, length) + std::string(length > 4 ? length - 4 : 0, 'p');
    editor.select(item);
    EXPECT_EQ(fetchBlockSizeText(editor.view.handle(), buffer.text()), 1) << length;
    EXPECT_EQ(std::string(buffer.text()), item) << length;
  }
  std::strcpy(buffer.text(), "earlier");
  for (std::size_t length : {std::size_t{256}, std::size_t{257}, std::size_t{5000}}) {
    editor.select("3x2 " + std::string(length - 4, 'p'));
    EXPECT_EQ(fetchBlockSizeText(editor.view.handle(), buffer.text()), 0) << length;
    EXPECT_STREQ(buffer.text(), "earlier");
  }
  EXPECT_TRUE(buffer.tailIntact());
}

TEST(FetchBlockSizeText, FailsWhenAWindowOnTheWayIsMissing) {
  struct Case {
    const char* what;
    FakeWindow FakeEditor::*start;  // null: no window at all
    void (*breakTree)(FakeEditor&);
  };
  const Case cases[] = {
      {"no window", nullptr, nullptr},
      {"two ancestors only", &FakeEditor::document, nullptr},
      {"no dialog bar", &FakeEditor::view, [](FakeEditor& e) { e.bar.className = "Toolbar"; }},
      {"bar elsewhere", &FakeEditor::view, [](FakeEditor& e) { e.frame.children = {&e.client}; }},
      {"bar without children", &FakeEditor::view, [](FakeEditor& e) { e.bar.children.clear(); }},
      {"box not on the first child", &FakeEditor::view,
       [](FakeEditor& e) { e.bar.children.insert(e.bar.children.begin(), &e.toolbar); }},
      {"box with another ID", &FakeEditor::view, [](FakeEditor& e) { e.box.id = 111; }},
  };
  for (const Case& c : cases) {
    FakeEditor editor;
    editor.select("3x2 pixels");
    if (c.breakTree) c.breakTree(editor);
    TextBuffer buffer;
    std::strcpy(buffer.text(), "earlier");
    const WindowHandle start = c.start ? (editor.*c.start).handle() : nullptr;
    EXPECT_EQ(fetchBlockSizeText(start, buffer.text()), 0) << c.what;
    EXPECT_STREQ(buffer.text(), "earlier") << c.what;
  }
}

}  // namespace
