// save_choice.h - what Save As writes for the name a person gave and the
// type chosen in its dialog. No platform calls: tested natively.
//
// The document is an 8-bit BMP; a PNG is an export of its colours, which
// leaves the document unsaved. A name's own extension (.bmp or .png, in any
// case) says the type; a name without one takes the chosen type's.
#pragma once

#include <cstdint>
#include <string>

// The Save As dialog's types, by their 1-based filter index.
constexpr int kSaveAsBmp = 1;
constexpr int kSaveAsPng = 2;  // 2 to 5: enlarged 1, 2, 4 and 8 times
constexpr int kSaveAsTypes = 5;

struct SaveChoice {
  std::string path;     // with the type's extension added where it had none
  bool png = false;     // an export of the colours, not the document
  int scale = 1;        // the PNG's enlargement
  std::string problem;  // why it cannot be written, or ""
};

// The choice for `path` and `filterIndex` on a `width` x `height` canvas.
SaveChoice chooseSave(const std::string& path, int filterIndex, int32_t width, int32_t height);
