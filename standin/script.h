// script.h - stroke scripts: one command per line, read and checked as a
// whole before the pen receives any message, then replayed by editor.h.
//
// The language (the README has the full table): blank lines and lines whose
// first non-blank character is # are comments; words are separated by blanks;
// numbers are decimal; coordinates are canvas pixels, y from the top; file
// names are single words, relative to the current directory.
//
// Checking covers everything that can be known without the pen: the command
// and its arguments, number ranges, brush rows, palette files (read here, so
// that the replay uses exactly what was checked), coordinates of pixel
// expectations against the canvas of the lines above, and that the folder of
// each saved file exists.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "palette.h"

enum class Op {
  Canvas,         // a = width, b = height, c = fill
  UsePalette,     // palette
  UseBrush,       // brush
  Blocks,         // text = the item to select
  BlocksNone,     //
  Tone,           // a = level
  Colours,        // a = primary, b = secondary
  MaskOn,         //
  MaskOff,        //
  MaskRect,       // a, b, c, d = x, y, width, height
  Press,          // a, b = x, y; shift
  Drag,           // a, b = x, y; shift
  Move,           // a, b = x, y
  Release,        // a, b = x, y
  Pick,           // a, b = x, y; shift
  ExpectPixel,    // a, b = x, y; c = index
  ExpectColours,  // a = primary, b = secondary
  ExpectRect,     // a, b, c, d = left, top, right, bottom
  ExpectFlags,    // flags
  SaveBmp,        // text = file
  SavePng,        // text = file; a = scale
};

// A brush as the script draws it: top row first, true for ink.
struct BrushShape {
  int32_t width = 1;
  int32_t height = 1;
  std::vector<bool> ink{true};
};

struct Command {
  Op op = Op::Move;
  int line = 0;
  int32_t a = 0, b = 0, c = 0, d = 0;
  bool shift = false;
  uint32_t flags = 0;
  std::string text;
  std::shared_ptr<const Palette> palette;
  BrushShape brush;
};

struct Script {
  std::string path;
  std::vector<Command> commands;
};

// Limits that keep a script's pictures and strokes of a sensible size.
constexpr int32_t kMaxCanvasSide = 4096;
constexpr int32_t kMaxBrushSide = 256;
constexpr int32_t kReach = 100000;  // |coordinate| at most this
constexpr int32_t kMaxScale = 64;
constexpr int32_t kMaxPictureSide = 16384;
constexpr int32_t kDefaultScale = 4;

// Reads and checks the script at `path`. Each fault adds one message
// "PATH:LINE: what is wrong" to `errors` ("PATH: ..." when the file cannot be
// read); the script may be replayed only when none was added.
Script readScript(const std::string& path, std::vector<std::string>& errors);

// The brush shapes of `brush square N` and `brush round N`.
BrushShape squareBrush(int32_t side);
BrushShape roundBrush(int32_t side);
