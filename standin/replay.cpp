#include "replay.h"

#include <cinttypes>
#include <cstdio>

#include "files.h"
#include "text.h"

namespace {

std::string pair(int64_t a, int64_t b) { return std::to_string(a) + " " + std::to_string(b); }

std::string hex(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08" PRIX32, v);
  return text;
}

class Replay {
 public:
  Replay(const Script& script, const PenCall& pen, BlockBox& box)
      : script_(script), box_(box), session_(pen, box) {
    box_.select(kDefaultBlockItem);
  }

  int run() {
    for (const Command& c : script_.commands) {
      const int status = step(c);
      if (status != kExitOk) return status;
    }
    return kExitOk;
  }

 private:
  int step(const Command& c);
  int save(const Command& c);
  int history(const Command& c);

  int failed(const Command& c, int status, const std::string& what) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s:%d: %s\n", script_.path.c_str(), c.line, what.c_str());
    return status;
  }
  int expectation(const Command& c, const std::string& what, const std::string& expected,
                  const std::string& got) {
    if (expected == got) return kExitOk;
    return failed(c, kExitExpectFailed,
                  "expect " + what + ": expected " + expected + ", got " + got);
  }

  const Script& script_;
  BlockBox& box_;
  EditorSession session_;
};

int Replay::step(const Command& c) {
  switch (c.op) {
    case Op::Canvas:
      session_.newCanvas(c.a, c.b, static_cast<uint8_t>(c.c), c.keep);
      break;
    case Op::CanvasLoad:
      session_.loadCanvas(c.payload->image, {}, c.keep);
      break;
    case Op::UsePalette:
      session_.setPalette(c.payload->palette, nullptr, c.keep);
      break;
    case Op::UseBrush:
      session_.setBrush(c.payload->brush);
      break;
    case Op::Blocks:
      box_.select(c.text());
      break;
    case Op::BlocksNone:
      box_.selectNone();
      break;
    case Op::Tone:
      session_.setTone(c.a);
      break;
    case Op::Colours:
      session_.setColours(static_cast<uint32_t>(c.a), static_cast<uint32_t>(c.b));
      break;
    case Op::MaskOn:
    case Op::MaskOff:
      session_.setMaskOn(c.op == Op::MaskOn);
      break;
    case Op::MaskRect:
      session_.maskRect(c.a, c.b, c.c, c.d);
      break;
    case Op::MaskColour:
      session_.maskColour(static_cast<uint8_t>(c.a));
      break;
    case Op::MaskClear:
      session_.maskClear();
      break;
    case Op::MaskLoad:
      session_.loadMask(c.payload->image);
      break;
    case Op::PickSource:
      session_.setPickSource(&c.payload->image);
      break;
    case Op::PickCanvas:
      session_.setPickSource(nullptr);
      break;
    case Op::Press:
      session_.press(c.a, c.b, c.shift, c.keep);
      break;
    case Op::Drag:
      session_.drag(c.a, c.b, c.shift);
      break;
    case Op::Move:
      session_.move(c.a, c.b);
      break;
    case Op::Release:
      session_.release(c.a, c.b);
      break;
    case Op::Pick:
      session_.pick(c.a, c.b, c.shift);
      break;
    case Op::Undo:
    case Op::Redo:
      return history(c);
    case Op::ExpectPixel:
      return expectation(c, "pixel (" + std::to_string(c.a) + ", " + std::to_string(c.b) + ")",
                         std::to_string(c.c), std::to_string(session_.canvas().at(c.a, c.b)));
    case Op::ExpectColours:
      return expectation(c, "colours", pair(c.a, c.b),
                         pair(session_.primary(), session_.secondary()));
    case Op::ExpectRect: {
      const int32_t* r = session_.changed();
      return expectation(c, "rect", pair(c.a, c.b) + " " + pair(c.c, c.d),
                         pair(r[0], r[1]) + " " + pair(r[2], r[3]));
    }
    case Op::ExpectFlags:
      return expectation(c, "flags", hex(c.flags), hex(session_.flags()));
    case Op::SaveBmp:
    case Op::SavePng:
      return save(c);
  }
  return kExitOk;
}

// The checker made sure that every undo and redo has a step; only the
// history's limit can have taken it since.
int Replay::history(const Command& c) {
  const bool undo = c.op == Op::Undo;
  if (undo ? session_.undo() : session_.redo()) return kExitOk;
  return failed(c, kExitBadInput,
                std::string(undo ? "undo" : "redo") +
                    ": the history forgot this step to stay within " +
                    std::to_string(kMaxUndoBytes >> 20) +
                    " MiB; undo fewer strokes that change this much of the canvas");
}

int Replay::save(const Command& c) {
  const IndexedCanvas canvas = session_.canvas().indexed();
  const std::vector<uint8_t> bytes = c.op == Op::SaveBmp
                                         ? indexedBmp(canvas, session_.palette())
                                         : pngBytes(colourPicture(canvas, session_.palette(), c.a));
  std::string error;
  if (bytes.empty()) return failed(c, kExitBadInput, "cannot encode " + quoted(c.text()));
  if (!writeWhole(c.text(), bytes, error)) return failed(c, kExitBadInput, error);
  std::printf("%s\n", escaped(c.text()).c_str());
  return kExitOk;
}

}  // namespace

int replay(const Script& script, const PenCall& pen, BlockBox& box) {
  return Replay(script, pen, box).run();
}
