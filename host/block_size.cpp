#include "block_size.h"

#include "block_engine.h"
#include "block_size_text.h"

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

int32_t parseBlockSize(const char* text) {
  // Any text that is not a block size gives 1 x 1 blocks.
  return parseBlockSizeText(text, blockWidth, blockHeight) ? 1 : 0;
}
