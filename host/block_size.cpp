#include "block_size.h"

#include "block_engine.h"

int32_t fetchBlockSizeText(WindowHandle window, char* buffer) {
  WindowHandle ancestor = window;
  for (int i = 0; i < 3 && ancestor; ++i) ancestor = windowParent(ancestor);
  if (!ancestor) return 0;
  const WindowHandle bar = childWindow(ancestor, kDialogBarClass);
  if (!bar) return 0;
  const WindowHandle page = childWindow(bar, nullptr);
  if (!page) return 0;
  const WindowHandle box = dialogItem(page, kBlockSizeBoxId);
  if (!box) return 0;

  // The selection index goes to the box unchecked: with no selection the box
  // reports no length and the previous text stays. The length is asked first
  // because the box copies the whole item, whatever the buffer's size.
  const int32_t index = comboSelection(box);
  const int32_t length = comboItemLength(box, index);
  if (length >= static_cast<int32_t>(kSizeTextBytes)) return 0;
  if (length >= 0) comboItemText(box, index, buffer);
  return 1;
}

namespace {

// Reads a number that starts with a digit 1-9 and fits a signed 32-bit value;
// advances `text` past its digits.
bool readSize(const char*& text, int32_t& size) {
  if (*text < '1' || *text > '9') return false;
  int64_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = value * 10 + (*text - '0');
    if (value > INT32_MAX) return false;
  }
  size = static_cast<int32_t>(value);
  return true;
}

// Any text that is not a block size gives 1 x 1 blocks.
int32_t rejectBlockSize() {
  blockWidth = 1;
  blockHeight = 1;
  return 0;
}

}  // namespace

int32_t parseBlockSize(const char* text) {
  int32_t width = 0, height = 0;
  if (!readSize(text, width) || (*text != 'x' && *text != 'X')) return rejectBlockSize();
  ++text;
  if (!readSize(text, height) || *text != ' ') return rejectBlockSize();
  blockWidth = width;
  blockHeight = height;
  return 1;
}
