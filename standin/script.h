// script.h - stroke scripts: one command per line, read and checked as a
// whole before the pen receives any message, then replayed by replay.h.
//
// The language (the README has the full table): blank lines and lines whose
// first non-blank character is # are comments; words are separated by blanks;
// numbers are decimal; coordinates are canvas pixels, y from the top; file
// names are single words of UTF-8, relative to the current folder.
//
// Checking covers everything that can be known without the pen: the command
// and its arguments, number ranges, brush rows, the files a script reads
// (read here, so that the replay uses exactly what was checked), coordinates
// of pixel expectations against the canvas of the lines above, the size of
// every picture saved, that each saved file's name is one Windows can create
// in a folder that exists, and that every undo and redo has a step to go to
// (which steps the replay must keep follows from that). How much the history
// holds depends on what the pen paints: the replay says so if an undo finds
// its step forgotten to stay within the history's limit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "brush_shapes.h"
#include "editor_defaults.h"
#include "palette.h"
#include "picture_files.h"

enum class Op : uint8_t {
  Canvas,         // a = width, b = height, c = fill; keep: for an undo later
  CanvasLoad,     // image: the canvas and its palette; keep: for an undo later
  UsePalette,     // palette
  UseBrush,       // brush
  Blocks,         // text = the item to select
  BlocksNone,     //
  Tone,           // a = level
  Colours,        // a = primary, b = secondary
  MaskOn,         //
  MaskOff,        //
  MaskRect,       // a, b, c, d = x, y, width, height
  MaskColour,     // a = the palette index to protect
  MaskClear,      //
  MaskLoad,       // image: the mask bytes
  PickSource,     // image: the pick source
  PickCanvas,     //
  Press,          // a, b = x, y; shift; keep: what it changes, for an undo later
  Drag,           // a, b = x, y; shift
  Move,           // a, b = x, y
  Release,        // a, b = x, y
  Pick,           // a, b = x, y; shift
  Undo,           //
  Redo,           //
  ExpectPixel,    // a, b = x, y; c = index
  ExpectColours,  // a = primary, b = secondary
  ExpectRect,     // a, b, c, d = left, top, right, bottom
  ExpectFlags,    // flags
  SaveBmp,        // text = file
  SavePng,        // text = file; a = scale
};

// What a few commands carry besides numbers; shared, so that a long
// recording of mouse moves stays small.
struct Payload {
  std::string text;
  Palette palette;
  BrushShape brush;
  IndexedImage image;
};

struct Command {
  Op op = Op::Move;
  bool shift = false;
  bool keep = false;
  int line = 0;
  int32_t a = 0, b = 0, c = 0, d = 0;
  uint32_t flags = 0;
  std::shared_ptr<const Payload> payload;

  const std::string& text() const { return payload->text; }
};

struct Script {
  std::string path;
  std::vector<Command> commands;
};

// What checking found, in order: "PATH:LINE: what" for faults and
// "PATH:LINE: warning: what" for warnings. Only the first kMaxShown of each
// kind are kept; the rest are counted.
struct Finding {
  bool warning;
  std::string text;
};

struct Findings {
  static constexpr int kMaxShown = 20;
  std::vector<Finding> shown;
  long errors = 0, warnings = 0;

  void error(const std::string& line) {
    if (++errors <= kMaxShown) shown.push_back({false, line});
  }
  void warning(const std::string& line) {
    if (++warnings <= kMaxShown) shown.push_back({true, line});
  }
  long hiddenErrors() const { return errors > kMaxShown ? errors - kMaxShown : 0; }
  long hiddenWarnings() const { return warnings > kMaxShown ? warnings - kMaxShown : 0; }
};

// Limits that keep a script's pictures and strokes of a sensible size (the
// canvas's and the brush's are the editor's, editor_defaults.h).
constexpr int32_t kMaxScale = 64;
constexpr int32_t kDefaultScale = 4;
constexpr std::size_t kMaxScriptBytes = std::size_t{64} << 20;
constexpr std::size_t kMaxLineBytes = std::size_t{1} << 20;
// A BMP of the largest canvas with its header and palette, and then some.
constexpr std::size_t kMaxPictureFileBytes = std::size_t{32} << 20;

// Reads and checks the script at `path`: adds what it finds to `findings`
// ("PATH: ..." when the file cannot be read). The script may be replayed
// only when no error was added.
Script readScript(const std::string& path, Findings& findings);

// The same for a script's bytes, read from `path`.
Script checkScript(const std::string& path, const std::vector<uint8_t>& bytes, Findings& findings);

// What the pen does with a block-size item it cannot use, as words that
// follow "the pen" ("reads '7x5' as 1 x 1 blocks: ..."), or "" when it
// reads a size from it.
std::string blockItemWarning(const std::string& item);

// True when the pen reads this block-size item as 1 x 1 blocks because it
// cannot use it: longer than its 255-byte buffer, or not a width, the letter
// x, a height and a space ("3x2 pixels"), or a size beyond 32 bits.
bool penReadsAsOneByOne(const std::string& item);

// The block size the pen reads from this item: true with the width and
// height, or false with 1 x 1 when it reads the item as 1 x 1 blocks.
bool penBlockSize(const std::string& item, int64_t& width, int64_t& height);
