// scene.h - the editor's side of a message: a canvas, mask, pick source and
// brush laid out as the editor lays them out (40-byte headers, bottom-up
// rows padded to 4 bytes), the PenContext that points at them, the box item
// selected, and the scripts of messages the checks send.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "check_context.h"
#include "guarded_memory.h"
#include "pen_context.h"
#include "rng.h"

// What a scene holds, before any memory is placed.
struct SceneSetup {
  int32_t canvasWidth = 37, canvasHeight = 23;
  int32_t brushWidth = 3, brushHeight = 3;
  std::vector<uint8_t> brush;  // top row first, 0 is ink
  bool maskOn = false;
  std::string boxItem = "3x2 pixels";  // empty: no item selected
  int32_t tone = 6;
  uint32_t primary = 10, secondary = 11;
  // Input no host should send but a pen must take without writing where it
  // may not: tone levels outside 0..16, colours above 255, far cursors.
  bool unusual = false;

  std::string describe() const;
};

// The first scene is always the same; the rest are random, more of them at
// higher strictness.
std::vector<SceneSetup> scenesFor(CheckContext& c);
// Scenes of unusual input (see SceneSetup::unusual).
std::vector<SceneSetup> unusualScenes();
SceneSetup randomScene(Rng& rng);

// Where each part goes.
struct Layout {
  Block::Kind canvas = Block::Kind::Slack;
  Block::Kind readOnly = Block::Kind::Slack;  // headers, mask, pick source, brush
  Block::Kind record = Block::Kind::Slack;
  bool atStart = false;  // guarded buffers flush against the page before them
};

// Markers in the host's fields, which the pen must leave alone.
constexpr uint32_t kHostField0 = 0x4F574E30, kHostField40 = 0x4F574E40, kHostField44 = 0x4F574E44;

class Stage {
 public:
  Stage(const SceneSetup& setup, const Layout& layout);
  bool ok() const { return ok_; }

  const SceneSetup& setup() const { return setup_; }
  PenContext* ctx() const { return reinterpret_cast<PenContext*>(record_.data()); }
  int64_t stride() const { return stride_; }
  int64_t brushStride() const { return brushStride_; }
  uint8_t* canvas() const { return canvasBits_.data(); }
  std::size_t canvasBytes() const { return canvasBits_.size(); }
  uint8_t& pixel(int32_t x, int32_t y) const {
    return canvas()[(setup_.canvasHeight - 1 - y) * stride_ + x];
  }
  const Block& canvasBlock() const { return canvasBits_; }
  const Block& recordBlock() const { return record_; }
  std::vector<const Block*> readOnlyBlocks() const {
    return {&canvasHeader_, &maskBits_, &pickBits_, &brushHeader_, &brushBits_};
  }
  // The record's pointers at this stage's buffers again.
  void pointAtBuffers() const;
  // Takes over another stage's canvas and record (its pointers aside), as a
  // host that moved its buffers between two calls.
  void takeOver(const Stage& other);
  // Every buffer and the record no-access from now on, watched as those of
  // `call` (see Block::retire).
  void retire(const std::string& call);

 private:
  SceneSetup setup_;
  bool ok_ = false;
  int64_t stride_ = 0, brushStride_ = 0;
  Block canvasHeader_, canvasBits_, maskBits_, pickBits_, brushHeader_, brushBits_, record_;
};

// One message of a script.
struct Step {
  const char* kind;  // a kMessageKinds entry
  uint32_t message;
  uint32_t keyFlags;
  int32_t x, y;
};

// The messages a host sends, every kind, over and around the canvas; more
// of them, at random, at higher strictness.
std::vector<Step> standardScript(const SceneSetup& setup, Rng& rng, int strictness);
// The standard script, and for an unusual scene cursors far off the canvas.
std::vector<Step> scriptFor(const SceneSetup& setup, Rng& rng, int strictness);
std::vector<Step> randomSteps(const SceneSetup& setup, Rng& rng, int count);
Step randomStep(const SceneSetup& setup, Rng& rng);

// "WM_LBUTTONDOWN (MK_LBUTTON) at (1, 1) on a 37 x 23 canvas, ..."
std::string describeStep(const Step& step, const SceneSetup& setup);
std::string describeStepShort(const Step& step);

// What a host does before each message: the cursor, colours and tone in the
// record, PCF_DRAWN and PCF_COLOUR cleared, PCF_MASK as the scene has it.
void prepareRecord(const Stage& stage, const Step& step);
