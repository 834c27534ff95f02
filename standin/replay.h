// replay.h - a checked stroke script played through a pen, one command at a
// time, on the editor's session (editor_session.h) with its block-size box.
#pragma once

#include "editor_session.h"
#include "script.h"

// Exit statuses of the program.
constexpr int kExitOk = 0;
constexpr int kExitExpectFailed = 1;
constexpr int kExitBadInput = 2;

// Replays `script` on a new session of `pen`, with `box` holding the items
// every script starts with and kDefaultBlockItem selected. Prints the path
// of each file saved to stdout and any failure to stderr as "PATH:LINE:
// what". Returns kExitOk, kExitExpectFailed at the first expectation that
// does not hold, or kExitBadInput when a file cannot be written or an undo
// finds its step forgotten. Files saved above the line that stops it stay.
int replay(const Script& script, const PenCall& pen, BlockBox& box);
