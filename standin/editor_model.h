// editor_model.h - the editor's document as a pen meets it, shared by the
// stand-in's two programs: the PenContext and every buffer it points to
// (canvas, mask, pick source, brush), the palette, the colours and tone, and
// the history of earlier canvases for undo and redo.
//
// Each message goes to the pen as an editor sends it: the host clears
// PCF_DRAWN and PCF_COLOUR and fills the cursor, colours, tone and buffers
// before the call, and after it takes back the colours when PCF_COLOUR is
// set and the changed rectangle when PCF_DRAWN is set. The canvas is shared
// with the pen, so its bytes need no copying.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "pen_library.h"
#include "picture_files.h"
#include "script.h"

// A bitmap as the editor hands it to the pen: BITMAPINFOHEADER, and rows
// bottom-up, each padded to a multiple of 4 bytes with zeros.
struct Bitmap {
  BITMAPINFOHEADER header{};
  std::vector<uint8_t> bits;

  int32_t width() const { return header.biWidth; }
  int32_t height() const { return header.biHeight; }
  std::size_t stride() const { return (static_cast<std::size_t>(width()) + 3) & ~std::size_t{3}; }
  std::size_t offset(int32_t x, int32_t y) const {
    return static_cast<std::size_t>(height() - 1 - y) * stride() + static_cast<std::size_t>(x);
  }
  uint8_t& at(int32_t x, int32_t y) { return bits[offset(x, y)]; }
  uint8_t at(int32_t x, int32_t y) const { return bits[offset(x, y)]; }
  void reset(int32_t w, int32_t h, uint8_t fill);
  // The picture's indices, its size and padding as this bitmap's.
  void load(const IndexedImage& image);
  IndexedCanvas indexed() const { return {width(), height(), bits.data()}; }
};

// The state every document starts from, besides the pen's own.
constexpr uint32_t kDefaultPrimary = 15;   // white in the default palette
constexpr uint32_t kDefaultSecondary = 0;  // black

class EditorModel {
 public:
  // `view` is the window the pen is told about: its third ancestor holds the
  // dialog bar with the block-size box.
  EditorModel(const PenLibrary& pen, HWND view);

  // A new canvas starts with the mask all 1 and off, the canvas as its own
  // pick source, the flags and changed rectangle cleared and no history.
  void newCanvas(int32_t width, int32_t height, uint8_t fill);
  void loadCanvas(const IndexedImage& image);  // and its palette
  void setPalette(const Palette& palette) { palette_ = palette; }
  void setBrush(const BrushShape& brush);
  void setTone(int32_t tone) { tone_ = tone; }
  void setColours(uint32_t primary, uint32_t secondary) {
    primary_ = primary, secondary_ = secondary;
  }

  void setMaskOn(bool on);
  void maskRect(int32_t x, int32_t y, int32_t width, int32_t height);  // zeroed, clipped
  void maskColour(uint8_t index);  // zeroed wherever the canvas holds index, now
  void maskClear();                // all 1
  void loadMask(const IndexedImage& image);
  void setPickSource(const IndexedImage* image);  // nullptr: the canvas itself

  // One message to the pen, the cursor at (x, y) in canvas pixels.
  void send(UINT message, WPARAM keyFlags, int32_t x, int32_t y);

  // Before a press: keeps the canvas for an undo (or a placeholder, when no
  // undo will return to it) and forgets what could be redone.
  void beginStroke(bool keep);
  // Back to the canvas before the last stroke, keeping the present one for a
  // redo (or a placeholder); false when there is nothing to undo.
  bool undo(bool keep);
  bool redo(bool keep);
  bool canUndo() const { return !undo_.empty(); }
  bool canRedo() const { return !redo_.empty(); }
  // Forgets the oldest strokes until the history holds at most `bytes`.
  void limitHistory(std::size_t bytes);

  const Bitmap& canvas() const { return canvas_; }
  const Bitmap& mask() const { return mask_; }
  const Palette& palette() const { return palette_; }
  uint32_t primary() const { return primary_; }
  uint32_t secondary() const { return secondary_; }
  int32_t tone() const { return tone_; }
  uint32_t flags() const { return ctx_.stateFlags; }
  bool maskOn() const { return (ctx_.stateFlags & PCF_MASK) != 0; }
  // Left, top, right, bottom, as the pen last reported them with PCF_DRAWN.
  const int32_t* changed() const { return changed_; }
  // Whether the last message came back with PCF_DRAWN or PCF_COLOUR.
  bool drew() const { return (ctx_.stateFlags & PCF_DRAWN) != 0; }
  bool picked() const { return (ctx_.stateFlags & PCF_COLOUR) != 0; }

 private:
  bool travel(std::vector<std::vector<uint8_t>>& from, std::vector<std::vector<uint8_t>>& to,
              bool keep);

  const PenLibrary& pen_;
  HWND view_;
  PenContext ctx_{};
  Bitmap canvas_, mask_, brush_, pickSource_;
  bool pickFromCanvas_ = true;
  Palette palette_ = defaultPalette();
  uint32_t primary_ = kDefaultPrimary, secondary_ = kDefaultSecondary;
  int32_t tone_ = 0;
  int32_t changed_[4] = {0, 0, 0, 0};
  // Earlier canvases, oldest first; an empty one is a placeholder.
  std::vector<std::vector<uint8_t>> undo_, redo_;
};
