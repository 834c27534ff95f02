// pen_model.h - a model of the pen's message dispatch, written from the pen's
// documented rules rather than from its code, that stamps with the literal
// engine (reference/literal_engine.h). The fuzzer sends every message to the
// pen and to this model and compares the two: so the dispatch (block-size
// selection, tone latch, previous point, colour pick) is checked along with
// the fast engine.
//
// The model reads the editor's windows straight from the test double's
// records (tests/support/fake_window_tree.h) instead of through the window
// functions the pen calls.
//
// The literal engine paints block by block and can be slow: a whole input may
// spend only so much literal work. A stamp or segment that would exceed it is
// not painted by the model; the model still works out the changed rectangle
// and the flags, and the fuzzer then checks the pen's canvas more loosely
// (every changed byte has one of the two colours) and adopts it.
#pragma once

#include <cstdint>
#include <string>

#include "pen_context.h"
#include "window_tree.h"

namespace fuzz {

// The pen's state as the model keeps it: previous point, block parameters and
// the text in the pen's block-size buffer (as a C string).
struct ModelState {
  int32_t prevX = 0;
  int32_t prevY = 0;
  int32_t blockWidth = 3;
  int32_t blockHeight = 2;
  int32_t strokeTone = 0;
  std::string sizeText;
};

// What a message did.
struct ModelOutcome {
  bool stamped = false;        // a stamp at the cursor or a segment: PCF_DRAWN
  bool picked = false;         // a pick inside the canvas: PCF_COLOUR
  bool canvasModelled = true;  // false: over the literal budget, canvas not painted
  int64_t literalWork = 0;     // the estimate charged to the budget
};

class PenModel {
 public:
  explicit PenModel(int64_t literalBudget) : budget_(literalBudget) {}

  // Does to *ctx what the pen's entry point should do for this message.
  // Only ctx->canvasBits is painted, by the literal engine.
  ModelOutcome handle(WindowHandle window, uint32_t message, uint32_t keyFlags, PenContext* ctx);

  const ModelState& state() const { return state_; }

 private:
  void selectBlockSize(WindowHandle window);
  bool affordable(int64_t work, ModelOutcome& outcome);
  int64_t placementWork(const PenContext* ctx) const;
  void stampAtCursor(PenContext* ctx, ModelOutcome& outcome);
  void stampSegment(PenContext* ctx, ModelOutcome& outcome);
  void pick(PenContext* ctx, uint32_t keyFlags, ModelOutcome& outcome);

  ModelState state_;
  int64_t budget_;
};

}  // namespace fuzz
