// replay.h - a checked stroke script played through a loaded pen, one
// command at a time, on the editor's document (editor_model.h) and window
// tree (zorvel_windows.h).
#pragma once

#include "pen_library.h"
#include "script.h"
#include "zorvel_windows.h"

// Exit statuses of the program.
constexpr int kExitOk = 0;
constexpr int kExitExpectFailed = 1;
constexpr int kExitBadInput = 2;

// What the block-size box has selected when a script starts.
constexpr char kDefaultBlockItem[] = "3x2 pixels";

// Replays `script`. Prints the path of each file saved to stdout and any
// failure to stderr as "PATH:LINE: what". Returns kExitOk,
// kExitExpectFailed at the first expectation that does not hold, or
// kExitBadInput when a file cannot be written. Files saved above the line
// that stops it stay.
int replay(const Script& script, const PenLibrary& pen, zorvel_windows::Tree& tree);
