#include "replay.h"

#include <cinttypes>
#include <cstdio>

#include "editor_model.h"
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
  Replay(const Script& script, const PenLibrary& pen, zorvel_windows::Tree& tree)
      : script_(script), tree_(tree), model_(pen, tree.view) {
    tree_.select(kDefaultBlockItem);
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
  zorvel_windows::Tree& tree_;
  EditorModel model_;
};

int Replay::step(const Command& c) {
  const WPARAM shift = c.shift ? MK_SHIFT : 0;
  switch (c.op) {
    case Op::Canvas:
      model_.newCanvas(c.a, c.b, static_cast<uint8_t>(c.c));
      break;
    case Op::CanvasLoad:
      model_.loadCanvas(c.payload->image);
      break;
    case Op::UsePalette:
      model_.setPalette(c.payload->palette);
      break;
    case Op::UseBrush:
      model_.setBrush(c.payload->brush);
      break;
    case Op::Blocks:
      tree_.select(c.text());
      break;
    case Op::BlocksNone:
      tree_.clearSelection();
      break;
    case Op::Tone:
      model_.setTone(c.a);
      break;
    case Op::Colours:
      model_.setColours(static_cast<uint32_t>(c.a), static_cast<uint32_t>(c.b));
      break;
    case Op::MaskOn:
    case Op::MaskOff:
      model_.setMaskOn(c.op == Op::MaskOn);
      break;
    case Op::MaskRect:
      model_.maskRect(c.a, c.b, c.c, c.d);
      break;
    case Op::MaskColour:
      model_.maskColour(static_cast<uint8_t>(c.a));
      break;
    case Op::MaskClear:
      model_.maskClear();
      break;
    case Op::MaskLoad:
      model_.loadMask(c.payload->image);
      break;
    case Op::PickSource:
      model_.setPickSource(&c.payload->image);
      break;
    case Op::PickCanvas:
      model_.setPickSource(nullptr);
      break;
    case Op::Press:
      model_.beginStroke(c.keep);
      model_.send(WM_LBUTTONDOWN, MK_LBUTTON | shift, c.a, c.b);
      break;
    case Op::Drag:
      model_.send(WM_MOUSEMOVE, MK_LBUTTON | shift, c.a, c.b);
      break;
    case Op::Move:
      model_.send(WM_MOUSEMOVE, 0, c.a, c.b);
      break;
    case Op::Release:
      model_.send(WM_LBUTTONUP, 0, c.a, c.b);
      break;
    case Op::Pick:
      model_.send(WM_RBUTTONDOWN, MK_RBUTTON | shift, c.a, c.b);
      break;
    case Op::Undo:
      model_.undo(c.keep);
      break;
    case Op::Redo:
      model_.redo(c.keep);
      break;
    case Op::ExpectPixel:
      return expectation(c, "pixel (" + std::to_string(c.a) + ", " + std::to_string(c.b) + ")",
                         std::to_string(c.c), std::to_string(model_.canvas().at(c.a, c.b)));
    case Op::ExpectColours:
      return expectation(c, "colours", pair(c.a, c.b), pair(model_.primary(), model_.secondary()));
    case Op::ExpectRect: {
      const int32_t* r = model_.changed();
      return expectation(c, "rect", pair(c.a, c.b) + " " + pair(c.c, c.d),
                         pair(r[0], r[1]) + " " + pair(r[2], r[3]));
    }
    case Op::ExpectFlags:
      return expectation(c, "flags", hex(c.flags), hex(model_.flags()));
    case Op::SaveBmp:
    case Op::SavePng:
      return save(c);
  }
  return kExitOk;
}

int Replay::save(const Command& c) {
  const IndexedCanvas canvas = model_.canvas().indexed();
  const std::vector<uint8_t> bytes = c.op == Op::SaveBmp
                                         ? indexedBmp(canvas, model_.palette())
                                         : pngBytes(colourPicture(canvas, model_.palette(), c.a));
  std::string error;
  if (bytes.empty()) return failed(c, kExitBadInput, "cannot encode " + quoted(c.text()));
  if (!writeWhole(c.text(), bytes, error)) return failed(c, kExitBadInput, error);
  std::printf("%s\n", c.text().c_str());
  return kExitOk;
}

}  // namespace

int replay(const Script& script, const PenLibrary& pen, zorvel_windows::Tree& tree) {
  return Replay(script, pen, tree).run();
}
