// editor_session.h - the editor as a pen meets it, shared by the stand-in's
// two programs: the document and the PenContext that points into it, the
// brush, colours and tone, the undo history, and what happens at a press.
// The interactive stand-in drives it from its windows and records what it
// does; the batch stand-in drives it from a script. Both therefore paint,
// protect, undo and redo alike, and a recording replays to the same bytes.
// No platform calls: the pen and the block-size box come in as interfaces,
// so that the session builds and is tested natively.
//
// Each message goes to the pen as an editor sends it: the host clears
// PCF_DRAWN and PCF_COLOUR and fills the cursor, colours, tone and buffers
// before the call, and after it takes back the colours when PCF_COLOUR is
// set and the changed rectangle when PCF_DRAWN is set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "brush_shapes.h"
#include "document.h"
#include "editor_defaults.h"
#include "history.h"
#include "pen_context.h"
#include "recorder.h"

// The editor's block-size box, which the pen reads for itself at a press.
class BlockBox {
 public:
  virtual ~BlockBox() = default;
  // The selected item's text; false when nothing is selected.
  virtual bool selected(std::string& item) const = 0;
  // Selects the item that is `item` byte for byte, adding it if absent.
  virtual void select(const std::string& item) = 0;
  // Leaves the items as they are, with none selected.
  virtual void selectNone() = 0;
};

// One call of the pen's entry point for the editor's view window.
using PenCall =
    std::function<int32_t(uint32_t message, uint32_t keyFlags, int32_t param, PenContext* ctx)>;

class EditorSession {
 public:
  EditorSession(PenCall pen, const BlockBox& box, std::size_t historyLimit = kMaxUndoBytes);

  // Everything that reaches the pen or its inputs from here on is told to
  // `recorder` too (the interactive stand-in's; none in a replay).
  void record(Recorder* recorder) { recorder_ = recorder; }

  // A new canvas, or one and its palette from a picture (`fileBytes`, for the
  // recording). Either starts with the mask all 1 and off, the canvas its own
  // pick source and the flags and changed rectangle cleared. The first one
  // starts the history; later ones are a step that an undo takes back, kept
  // unless `keep` is false (a replay knows that no undo returns to it).
  void newCanvas(int32_t width, int32_t height, uint8_t fill, bool keep = true);
  void loadCanvas(const IndexedImage& image, const std::vector<uint8_t>& fileBytes,
                  bool keep = true);
  // For the interactive editor, whose strokes are all kept: the history's
  // copy of the canvas is readied now, as the canvas is new, not at the
  // first press.
  void readyForStrokes() { history_.prepareCopy(doc_); }
  // A palette read from a file's bytes, or (with none) the built-in one. On
  // a canvas, a step that an undo takes back, kept unless `keep` is false.
  void setPalette(const Palette& palette, const std::vector<uint8_t>* fileBytes, bool keep = true);

  // The inputs the interactive editor's controls show, applied before each
  // of its messages; the block-size item is read from the box.
  void setInputs(const PenInputs& in);
  void setBrush(const BrushShape& brush) { brush_ = brushBitmap(brush); }
  void setTone(int32_t tone) { inputs_.tone = tone; }
  void setColours(uint32_t primary, uint32_t secondary);
  void setMaskOn(bool on);
  void maskRect(int32_t x, int32_t y, int32_t width, int32_t height);  // zeroed, clipped
  void maskColour(uint8_t index);  // zeroed wherever the canvas holds index, now
  void maskClear();                // all 1
  void loadMask(const IndexedImage& image);
  void setPickSource(const IndexedImage* image);  // nullptr: the canvas itself

  // A left-button press starts a stroke: a step of the history (kept unless
  // `keep` is false), and the block size latched from the box as the pen
  // latches it. With `protectIndex` 0..255 the mask is first rebuilt to
  // protect that colour as the canvas holds it now, and switched on; a press
  // after protecting stops clears the mask again.
  void press(int32_t x, int32_t y, bool shift, bool keep = true, int protectIndex = -1);
  void drag(int32_t x, int32_t y, bool shift);  // WM_MOUSEMOVE with MK_LBUTTON
  void move(int32_t x, int32_t y);              // WM_MOUSEMOVE, no button
  void release(int32_t x, int32_t y);           // WM_LBUTTONUP
  void pick(int32_t x, int32_t y, bool shift);  // WM_RBUTTONDOWN
  // Messages the pen receives but a script has no words for (keys, focus,
  // the right button's release): sent, not recorded.
  void other(uint32_t message, uint32_t keyFlags, int32_t x, int32_t y);

  // Back before the last stroke, palette or New/Open, or forward again;
  // false when there is nothing (left) to undo or redo.
  bool undo();
  bool redo();
  bool canUndo() const { return history_.canUndo(); }
  bool canRedo() const { return history_.canRedo(); }
  // Steps forgotten to stay within the history's limit since last asked.
  int takeForgotten() { return history_.takeForgotten(); }
  std::size_t historyBytes() const { return history_.heldBytes(); }
  PixelBox lastUndoChange() const { return history_.lastChange(); }

  // Whether the document changed since it was last marked saved (a save, a
  // New, an Open): whether the history is elsewhere than it was then. A
  // stroke that changed no pixel leaves that as it was once its button is
  // up.
  bool modified() const { return history_.position() != saved_; }
  // Saved during a stroke, the stroke so far is what was saved: its step
  // closes, and what the pen paints after joins it as a change of its own.
  void markSaved() {
    history_.endStroke(doc_);
    saved_ = history_.position();
  }
  // The document was saved to, or opened from, the BMP `file` (opened as
  // read-only when `readOnly`). An export (a PNG) names nothing.
  void nameDocument(const std::string& file, bool readOnly) {
    doc_.file = file;
    doc_.readOnly = readOnly;
  }

  const Document& document() const { return doc_; }
  const Bitmap& canvas() const { return doc_.canvas; }
  const Bitmap& mask() const { return doc_.mask; }
  const Palette& palette() const { return doc_.palette; }
  // The brush as the pen reads it.
  const Bitmap& brush() const { return brush_; }
  uint32_t primary() const { return inputs_.primary; }
  uint32_t secondary() const { return inputs_.secondary; }
  int32_t tone() const { return inputs_.tone; }
  uint32_t flags() const { return ctx_.stateFlags; }
  bool maskOn() const { return (ctx_.stateFlags & PCF_MASK) != 0; }
  // The text the pen read at the last press (the previous one when nothing
  // was selected), and the block size it gives.
  const std::string& latchedItem() const { return latchedItem_; }
  void latchedBlockSize(int64_t& width, int64_t& height) const;
  // Left, top, right, bottom, as the pen last reported them with PCF_DRAWN.
  const int32_t* changed() const { return changed_; }
  // Whether the last message came back with PCF_DRAWN or PCF_COLOUR.
  bool drew() const { return (ctx_.stateFlags & PCF_DRAWN) != 0; }
  bool picked() const { return (ctx_.stateFlags & PCF_COLOUR) != 0; }

 private:
  void send(uint32_t message, uint32_t keyFlags, int32_t x, int32_t y);
  void recordInputs();
  void replaceDocument(bool keep);

  PenCall pen_;
  const BlockBox& box_;
  Recorder* recorder_ = nullptr;
  PenContext ctx_{};
  Document doc_;
  Bitmap brush_;
  History history_;
  PenInputs inputs_;         // tone, colours, the brush and mask switch as last set
  bool protecting_ = false;  // the mask was last built to protect a colour
  std::string latchedItem_;
  int32_t changed_[4] = {0, 0, 0, 0};
  uint64_t saved_ = 0;
};
