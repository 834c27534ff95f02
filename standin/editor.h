// editor.h - the editor's part in a stroke script: it owns the PenContext and
// every buffer it points to (canvas, mask, brush; the pick source is the
// canvas itself), the palette and the window tree, and replays a checked
// script through a loaded pen, one message at a time.
//
// Before each message it clears PCF_DRAWN and PCF_COLOUR and fills the
// cursor, colours, tone and buffers, as an editor does; after it, it takes
// back the colours when PCF_COLOUR is set and the changed rectangle when
// PCF_DRAWN is set. The canvas is shared, so its bytes need no copying.
#pragma once

#include "pen_library.h"
#include "script.h"
#include "zorvel_windows.h"

// Exit statuses of the program.
constexpr int kExitOk = 0;
constexpr int kExitExpectFailed = 1;
constexpr int kExitBadInput = 2;

// The state every script starts from, besides the pen's own.
constexpr char kDefaultBlockItem[] = "3x2 pixels";
constexpr uint32_t kDefaultPrimary = 15;   // white in the default palette
constexpr uint32_t kDefaultSecondary = 0;  // black

// Replays `script`. Prints the path of each file saved to stdout and any
// failure to stderr as "PATH:LINE: what". Returns kExitOk,
// kExitExpectFailed at the first expectation that does not hold, or
// kExitBadInput when a file cannot be written. Files saved above the line
// that stops it stay.
int replay(const Script& script, const PenLibrary& pen, zorvel_windows::Tree& tree);
