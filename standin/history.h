// history.h - undo and redo for the editor's document, one step a stroke,
// one for each palette loaded (or the default one taken again) and one for
// each New or Open, shared by both programs so that a replayed recording
// undoes exactly what the person undid.
//
// A stroke's step keeps only the bytes it changed: the rows and columns of
// the smallest box around them. Which bytes those are is found afterwards,
// by comparing the canvas with a copy of it as the step began, because a pen
// may paint anywhere (its changed rectangle is a hint, not a promise). The
// step is closed at the release of the button, or else at the next press,
// undo, redo or New/Open. A stroke that turns out to have changed nothing
// stays a step (an undo still goes back before its press) but keeps the
// position it began at, so that it leaves the document as saved or not as
// it was. A palette's step keeps the palette it replaced (a palette like
// the one it replaced keeps the position too). A step for New or Open keeps
// the whole document it replaced.
//
// Undo and redo swap a step's bytes with the canvas's, so that the same
// bytes serve the way back and the way forward. What a pen paints while no
// stroke is open (a script's drag after an undo, say) joins the newest step,
// so that an undo takes it back with that step; that step and the ones a
// redo would bring after it then are states of their own, for position().
// What the history holds is bounded: when a closed step would take it past
// the limit, the oldest steps are forgotten, and takeForgotten() tells how
// many.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "document.h"
#include "editor_defaults.h"

// Canvas pixels, left and top inclusive, right and bottom exclusive.
struct PixelBox {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  bool empty() const { return left >= right || top >= bottom; }
};

class History {
 public:
  explicit History(std::size_t limitBytes = kMaxUndoBytes) : limit_(limitBytes) {}

  // Forgets every step: nothing returns to what came before `doc`.
  void clear();
  // Before a press: what the stroke changes becomes a step. With `keep`
  // false (a replay knows that no undo returns to it) the step holds nothing
  // and must not be undone.
  void beginStroke(const Document& doc, bool keep);
  // The button is up: the stroke's step is closed (what the pen paints from
  // here on joins it all the same).
  void endStroke(const Document& doc) { close(doc); }
  // The pen painted while no stroke was open: that joins the newest step now,
  // so that position() tells.
  void joinNewest(const Document& doc) {
    if (undo_.empty() || !undo_.back().open) absorb(doc);
  }
  // `doc` takes `palette`, as a step of its own kept unless `keep` is false.
  void changePalette(Document& doc, const Palette& palette, bool keep);
  // New or Open: `doc` becomes `next`, and what it was is kept whole (or not
  // at all) for an undo, moved there rather than copied: on the largest
  // canvas a copy took longer than the rest of a New.
  void replace(Document& doc, Document&& next, bool keep);
  // Makes the memory of the copy that strokes are compared with ready for
  // `doc`'s canvas, so that the first press after New or Open does not pay
  // for it (a whole canvas of fresh memory); the copy itself is made at the
  // press as before.
  void prepareCopy(const Document& doc) {
    if (!shadowValid_ && shadow_.size() != doc.canvas.bits.size())
      shadow_.assign(doc.canvas.bits.size(), 0);
  }
  // A message went to the pen: it may have painted, stroke or not.
  void noteMessage() { touched_ = true; }
  // Back before the last step, or forward again; false when there is none.
  bool undo(Document& doc);
  bool redo(Document& doc);
  bool canUndo() const { return !undo_.empty(); }
  bool canRedo() const { return !redo_.empty(); }

  // Tells states apart: equal values, the same document (a save marks one).
  uint64_t position() const { return undo_.empty() ? base_ : undo_.back().serial; }
  // What the steps hold, in bytes, and how many were forgotten since last
  // asked.
  std::size_t heldBytes() const { return held_; }
  int takeForgotten();
  // What the last undo or redo changed, in canvas pixels; empty once a new
  // step begins.
  PixelBox lastChange() const { return lastChange_; }

 private:
  struct Step {
    uint64_t serial = 0;
    uint64_t before = 0;  // the position it began at
    bool kept = false;
    bool whole = false;    // a document replaced by New or Open
    bool open = false;     // a stroke still going on: its box is not known yet
    bool palette = false;  // a palette changed: `colours` holds the other one
    PixelBox rows;         // what the pen painted: the byte box, rows counted as stored
    std::vector<uint8_t> bytes;
    Palette colours;
    Document document;  // for New or Open
    std::size_t size() const {
      return bytes.size() + document.bytes() + (palette ? sizeof colours : 0);
    }
  };

  void close(const Document& doc);
  void absorb(const Document& doc);
  void renumber();
  void push(Step&& step);
  void swap(Step& step, Document& doc);
  bool travel(std::vector<Step>& from, std::vector<Step>& to, Document& doc);

  std::size_t limit_;
  std::vector<Step> undo_, redo_;  // oldest first
  std::size_t held_ = 0;
  uint64_t serial_ = 0, base_ = 0;
  int forgotten_ = 0;
  PixelBox lastChange_;
  // The canvas as the open step found it, and as the last close left it.
  std::vector<uint8_t> shadow_;
  bool shadowValid_ = false;
  bool touched_ = false;  // a message since the last comparison
};
