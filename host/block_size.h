// block_size.h - the block size of a stroke, read at each left-button press
// from the editor's block-size box.
//
// The box (a combo box with control ID 110) sits on the first child of the
// editor's dialog bar, a window of class "Zorvel DialogBar" that is a child
// of the third ancestor of the window the pen is called with. Its items begin
// with a width, the letter x, a height and a space: "3x2 pixels".
#pragma once

#include <cstddef>
#include <cstdint>

#include "block_size_text.h"
#include "window_tree.h"

constexpr int32_t kBlockSizeBoxId = 110;
constexpr char kDialogBarClass[] = "Zorvel DialogBar";

// Walks from `window` to the block-size box and copies the text of its
// selected item into `buffer` (kSizeTextBytes bytes). Returns 1 when it
// reached the box and 0 when a window on the way is missing or the item would
// not fit the buffer (256 characters or more); the buffer is then unchanged.
// A box with no selection is reached but copies nothing, so the buffer keeps
// the text of the previous read.
int32_t fetchBlockSizeText(WindowHandle window, char* buffer);

// Parses `text` as parseBlockSizeText does (block_size_text.h) into
// blockWidth and blockHeight: 1 on success, 0 with both set to 1 on failure.
int32_t parseBlockSize(const char* text);
