// gui_options.h - the interactive stand-in's command line. No platform
// calls: read and tested natively.
//
//   standin-gui [PEN.dll] [--canvas W H] [--zoom N] [--blocks TEXT] [--tone N]
//               [--colours P S] [--brush square|round N] [--record FILE.strokes]
//               [--timing FILE]
//   standin-gui --help | -h | /?
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "editor_defaults.h"

// The zooms the view offers, smallest first.
constexpr int kZooms[] = {1, 2, 3, 4, 6, 8, 12, 16, 24, 32};
constexpr int kDefaultZoom = 8;

struct GuiOptions {
  std::string pen;  // empty: Tessaly.dll beside the program
  int32_t width = 64, height = 48;
  int zoom = kDefaultZoom;
  std::string blocks = kDefaultBlockItem;
  int32_t tone = kDefaultTone;
  uint32_t primary = kDefaultPrimary, secondary = kDefaultSecondary;
  bool roundBrush = false;
  int32_t brushSide = kDefaultBrushSide;
  std::string record;  // empty: no recording until File > Save recording
  std::string timing;  // empty: no latency log
  bool help = false;   // show the usage and exit
};

// Reads the arguments (without the program's name). False with `error`
// naming the argument and what it takes when one is wrong; nothing out of
// range is clamped.
bool parseGuiOptions(const std::vector<std::string>& args, GuiOptions& options, std::string& error);

// The usage, one option a line with its values indented below it where they
// do not fit: no line is longer than a message box shows without wrapping
// (kUsageColumns), so that no list of values is split.
constexpr std::size_t kUsageColumns = 56;
extern const char kGuiUsage[];
