// The editor's session with the real pen (natively, the editor's windows
// played by the tests' double): seeded random sessions as the interactive
// stand-in drives them, checked step by step against a history that keeps
// whole canvases, and replayed from their recording to the same bytes; the
// history's memory on the largest canvas; the colour protection at a press.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "editor_session.h"
#include "memory_files.h"
#include "pen_entry.h"
#include "picture_files.h"
#include "replay.h"
#include "script.h"
#include "support/fake_window_tree.h"
#include "window_messages.h"

namespace {

using testing_support::FakeEditor;
using testing_support::memoryFiles;

class FakeBlockBox : public BlockBox {
 public:
  explicit FakeBlockBox(FakeEditor& editor) : editor_(editor) {}
  bool selected(std::string& item) const override {
    const auto& box = editor_.box;
    if (box.selection < 0 || static_cast<std::size_t>(box.selection) >= box.items.size())
      return false;
    item = box.items[static_cast<std::size_t>(box.selection)];
    return true;
  }
  void select(const std::string& item) override { editor_.select(item); }
  void selectNone() override { editor_.box.selection = -1; }

 private:
  FakeEditor& editor_;
};

// The editor's windows with the box as every script starts it, and the pen
// that paints through them.
struct Editor {
  FakeEditor windows;
  FakeBlockBox box{windows};
  PenCall pen = [this](uint32_t message, uint32_t keyFlags, int32_t param, PenContext* ctx) {
    return ZVPen(windows.view.handle(), message, keyFlags, param, ctx);
  };
  Editor() { box.select(kDefaultBlockItem); }
};

// Nothing resets the pen's own state; this press leaves it the same before
// the recorded session and before its replay.
void settlePen(Editor& e) {
  EditorSession settle(e.pen, e.box);
  settle.newCanvas(1, 1, 0);
  settle.press(0, 0, false);
}

struct Snapshot {
  Bitmap canvas;
  Palette palette;
};

// A history that keeps the whole canvas for every step: what undo and redo
// must give back.
struct WholeHistory {
  std::vector<Snapshot> undo, redo;
};

std::vector<uint8_t> bmpOf(const EditorSession& s) {
  return indexedBmp(s.canvas().indexed(), s.palette());
}

// One random session as a person makes it in the interactive stand-in.
struct RandomSession {
  std::mt19937 random;
  Editor& editor;
  EditorSession session;
  Recorder recorder;
  WholeHistory whole;
  Snapshot saved;  // as the last save, New or Open left it
  PenInputs inputs;
  int protectIndex = -1;
  bool stroking = false;  // as the view sends them: drags only after a press on it
  int travelled = 0;      // undos and redos that went back or forward

  RandomSession(uint32_t seed, Editor& e) : random(seed), editor(e), session(e.pen, e.box) {
    session.record(&recorder);
  }

  int32_t pick(int32_t low, int32_t high) {
    return std::uniform_int_distribution<int32_t>(low, high)(random);
  }
  Snapshot now() const { return {session.canvas(), session.palette()}; }

  IndexedImage randomPicture() {
    IndexedImage image;
    image.width = pick(1, 24);
    image.height = pick(1, 18);
    for (int32_t i = 0; i < image.width * image.height; ++i)
      image.pixels.push_back(static_cast<uint8_t>(pick(0, 3)));
    image.palette = defaultPalette();
    image.palette.colours[1] = Rgb{1, 2, static_cast<uint8_t>(pick(0, 255))};
    return image;
  }

  // A palette file's bytes as the stand-in reads them, or the built-in one.
  void loadPalette() {
    whole.undo.push_back(now());
    whole.redo.clear();
    if (pick(0, 2) == 0) {
      session.setPalette(defaultPalette(), nullptr);
      return;
    }
    const std::string text = "JASC-PAL\n0100\n1\n" + std::to_string(pick(0, 2)) + " 9 9\n";
    const std::vector<uint8_t> bytes(text.begin(), text.end());
    Palette palette;
    std::string error;
    ASSERT_TRUE(parseJascPalette("p.pal", bytes, palette, error)) << error;
    session.setPalette(palette, &bytes);
  }

  void replace(bool load) {
    whole.undo.push_back(now());
    whole.redo.clear();
    if (load) {
      // As the stand-in opens it: the file's bytes, read back.
      const IndexedImage image = randomPicture();
      Bitmap picture;
      picture.load(image);
      const std::vector<uint8_t> file = indexedBmp(picture.indexed(), image.palette);
      std::string error;
      IndexedImage read;
      ASSERT_TRUE(readIndexedBmp(file, kMaxCanvasSide, read, error)) << error;
      session.loadCanvas(read, file);
    } else {
      session.newCanvas(pick(1, 40), pick(1, 30), static_cast<uint8_t>(pick(0, 3)));
    }
    protectIndex = -1;
    inputs.maskOn = false;
    stroking = false;
  }

  void step() {
    const Bitmap& c = session.canvas();
    const int32_t x = pick(-3, c.width() + 2), y = pick(-3, c.height() + 2);
    const bool shift = pick(0, 3) == 0;
    switch (pick(0, 15)) {
      case 0:
        inputs.tone = pick(0, 16);
        break;
      case 1:
        inputs.roundBrush = pick(0, 1) == 1;
        inputs.brushSide = pick(1, 6);
        break;
      case 2:
        inputs.maskOn = pick(0, 1) == 1;
        if (!inputs.maskOn) protectIndex = -1;
        break;
      case 3:
        protectIndex = pick(0, 2) == 0 ? -1 : pick(0, 3);
        if (protectIndex >= 0) inputs.maskOn = true;
        break;
      case 4: {
        static const char* const items[] = {"1x1 pixel", "3x2 pixels", "4x2 pixels",
                                            "2x3 ",      "7x5",        "16x16 pixels"};
        if (pick(0, 5) == 0)
          editor.box.selectNone();
        else
          editor.box.select(items[pick(0, 5)]);
        break;
      }
      case 5:
        session.setColours(static_cast<uint32_t>(pick(0, 3)), static_cast<uint32_t>(pick(0, 3)));
        inputs.primary = session.primary();
        inputs.secondary = session.secondary();
        break;
      case 6:
      case 7:
      case 8:
        apply();
        whole.undo.push_back(now());
        whole.redo.clear();
        session.press(x, y, shift, true, protectIndex);
        stroking = true;
        break;
      case 9:
      case 10:
        apply();
        if (stroking)
          session.drag(x, y, shift);
        else
          session.move(x, y);
        break;
      case 11:
        apply();
        if (pick(0, 1)) {
          session.move(x, y);
        } else {
          session.release(x, y);
          stroking = false;
        }
        break;
      case 12:
        apply();
        session.pick(x, y, shift);
        inputs.primary = session.primary();
        inputs.secondary = session.secondary();
        break;
      case 13:
      case 14:
        travel(pick(0, 2) != 0);
        break;
      case 15:
        switch (pick(0, 7)) {
          case 0:
          case 1:
            replace(pick(0, 1) == 1);
            saved = now();
            break;
          case 2:
          case 3:
            session.markSaved();
            saved = now();
            break;
          case 4:
          case 5:
            loadPalette();
            break;
        }
        break;
    }
    // The unsaved mark may stay on where a step was undone by hand, never
    // off where the document differs from its save.
    if (!session.modified()) {
      ASSERT_TRUE(session.canvas().bits == saved.canvas.bits) << "unmarked, yet changed";
      ASSERT_TRUE(session.palette().colours == saved.palette.colours);
    }
  }

  void apply() {
    inputs.primary = session.primary();
    inputs.secondary = session.secondary();
    session.setInputs(inputs);
  }

  // An undo (or redo) must give back what the whole history kept.
  void travel(bool undo) {
    stroking = false;
    auto& from = undo ? whole.undo : whole.redo;
    auto& to = undo ? whole.redo : whole.undo;
    ASSERT_EQ(undo ? session.canUndo() : session.canRedo(), !from.empty());
    if (from.empty()) return;
    to.push_back(now());
    const Snapshot back = from.back();
    from.pop_back();
    ASSERT_TRUE(undo ? session.undo() : session.redo());
    ++travelled;
    ASSERT_EQ(session.canvas().width(), back.canvas.width());
    ASSERT_EQ(session.canvas().height(), back.canvas.height());
    ASSERT_TRUE(session.canvas().bits == back.canvas.bits) << (undo ? "undo" : "redo");
    ASSERT_TRUE(session.palette().colours == back.palette.colours);
  }
};

TEST(EditorSession, RandomSessionsUndoAsWholeCanvasesAndReplayFromTheirRecording) {
  Editor editor;
  int undos = 0;
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    memoryFiles().clear();
    editor.box.select(kDefaultBlockItem);
    settlePen(editor);
    std::vector<uint8_t> drawn;
    {
      RandomSession s(seed, editor);
      s.session.newCanvas(s.pick(1, 40), s.pick(1, 30), 0);
      s.saved = s.now();
      for (int i = 0; i < 80; ++i) {
        s.step();
        if (::testing::Test::HasFatalFailure()) return;
      }
      undos += s.travelled;
      drawn = bmpOf(s.session);
      std::string error;
      ASSERT_TRUE(s.recorder.write("take.strokes", drawn, error)) << error;
    }
    // The replay starts from the pen and the box as the session did.
    editor.box.select(kDefaultBlockItem);
    settlePen(editor);
    Findings findings;
    const Script script = readScript("take.strokes", findings);
    ASSERT_EQ(findings.errors, 0) << (findings.shown.empty() ? "" : findings.shown[0].text);
    memoryFiles().erase("take.bmp");
    ASSERT_EQ(replay(script, editor.pen, editor.box), kExitOk);
    ASSERT_TRUE(memoryFiles()["take.bmp"] == drawn) << "the replay painted other bytes";
  }
  EXPECT_GT(undos, 1500);  // the sessions did undo and redo
}

// 200 strokes of a 16-pixel disc on the largest canvas, all undone: the
// history keeps what each changed, not the canvas.
TEST(EditorSession, TwoHundredStrokesOnTheLargestCanvasAreAllUndone) {
  Editor editor;
  EditorSession session(editor.pen, editor.box);
  session.newCanvas(kMaxCanvasSide, kMaxCanvasSide, 7);
  const std::vector<uint8_t> blank = session.canvas().bits;
  PenInputs in;
  in.roundBrush = true;
  in.brushSide = 16;
  session.setInputs(in);
  std::mt19937 random(7);
  std::uniform_int_distribution<int32_t> at(0, kMaxCanvasSide - 1);
  for (int i = 0; i < 200; ++i) {
    const int32_t x = at(random), y = at(random);
    session.press(x, y, false);
    session.drag(x + 40, y + 25, false);
    session.release(x + 40, y + 25);
  }
  ASSERT_TRUE(session.undo());  // closes the last step
  const std::size_t held = session.historyBytes();
  std::printf("200 strokes of a 16-pixel disc on %d x %d: the history holds %zu bytes\n",
              kMaxCanvasSide, kMaxCanvasSide, held);
  EXPECT_LT(held, std::size_t{8} << 20);
  EXPECT_EQ(session.takeForgotten(), 0);
  int undone = 1;
  while (session.undo()) ++undone;
  EXPECT_EQ(undone, 200);
  EXPECT_TRUE(session.canvas().bits == blank);
  EXPECT_TRUE(session.modified() == false);
}

// Past its limit the history forgets the oldest strokes, says how many, and
// undo stops where it forgot.
TEST(EditorSession, TheOldestStepsAreForgottenPastTheLimit) {
  Editor editor;
  EditorSession session(editor.pen, editor.box, 3 * 64 * 64);
  session.newCanvas(64, 64, 0);
  editor.box.select("1x1 pixel");
  for (int i = 0; i < 5; ++i) {  // each stroke crosses the whole canvas
    session.press(-1, -1 + i, false);
    session.drag(64, 62 + i, false);
  }
  ASSERT_TRUE(session.undo());
  EXPECT_EQ(session.takeForgotten(), 2);
  EXPECT_EQ(session.takeForgotten(), 0);
  EXPECT_TRUE(session.undo());
  EXPECT_TRUE(session.undo());
  EXPECT_FALSE(session.undo());
  EXPECT_LE(session.historyBytes(), std::size_t{3 * 64 * 64});
}

// A script may drag after an undo, with no stroke open: what the pen paints
// then goes with the step before it, so that undoing that step leaves the
// canvas as it was before its press.
TEST(EditorSession, PaintOutsideAStrokeIsUndoneWithTheStepBeforeIt) {
  Editor editor;
  editor.box.select("1x1 pixel");
  EditorSession session(editor.pen, editor.box);
  session.newCanvas(32, 8, 0);
  const std::vector<uint8_t> blank = session.canvas().bits;
  session.press(1, 1, false);
  session.press(5, 5, false);
  ASSERT_TRUE(session.undo());
  session.drag(30, 1, false);  // paints from (5, 5), beyond the first stroke's box
  ASSERT_NE(session.canvas().bits, blank);
  ASSERT_TRUE(session.undo());
  EXPECT_TRUE(session.canvas().bits == blank);
}

// The unsaved mark follows what the canvas holds: a stroke that painted the
// colours already there leaves it as it was, yet stays a step for an undo;
// paint after the release joins that step and marks the document.
TEST(EditorSession, AStrokeThatChangedNothingLeavesTheUnsavedMarkAsItWas) {
  Editor editor;
  editor.box.select("1x1 pixel");
  EditorSession session(editor.pen, editor.box);
  session.newCanvas(8, 8, 0);
  session.setColours(0, 0);
  session.press(2, 2, false);
  session.release(2, 2);
  EXPECT_FALSE(session.modified()) << "painted 0 on 0";
  session.setColours(5, 5);
  session.press(2, 2, false);
  session.release(2, 2);
  EXPECT_TRUE(session.modified());
  const std::vector<uint8_t> painted = session.canvas().bits;
  session.markSaved();
  session.press(2, 2, false);  // 5 on 5
  session.release(2, 2);
  EXPECT_FALSE(session.modified());
  ASSERT_TRUE(session.undo());  // the stroke that changed nothing
  EXPECT_FALSE(session.modified());
  ASSERT_TRUE(session.undo());  // the one that painted
  EXPECT_TRUE(session.modified());
  ASSERT_TRUE(session.redo());
  EXPECT_FALSE(session.modified());
  ASSERT_TRUE(session.redo());
  EXPECT_FALSE(session.modified());
  EXPECT_TRUE(session.canvas().bits == painted);
  session.drag(6, 2, false);  // no stroke open: joins the last step
  EXPECT_TRUE(session.modified());
  ASSERT_TRUE(session.undo());
  EXPECT_TRUE(session.canvas().bits == painted);
  EXPECT_FALSE(session.modified());
  ASSERT_TRUE(session.redo());
  EXPECT_TRUE(session.modified());
}

// A palette is a step of its own: undone and redone alone, its stroke
// before it and after it undone without it, in a session and in a script.
TEST(EditorSession, APaletteIsAStepThatUndoTakesBack) {
  Editor editor;
  editor.box.select("1x1 pixel");
  EditorSession session(editor.pen, editor.box);
  session.newCanvas(8, 8, 0);
  Palette dark = defaultPalette();
  dark.colours[0] = Rgb{1, 2, 3};
  session.setColours(5, 5);
  session.press(1, 1, false);
  session.release(1, 1);
  const std::vector<uint8_t> first = session.canvas().bits;
  session.markSaved();
  session.setPalette(dark, nullptr);
  EXPECT_TRUE(session.modified());
  session.press(3, 3, false);
  session.release(3, 3);
  ASSERT_TRUE(session.undo());  // the stroke after it
  EXPECT_TRUE(session.palette().colours == dark.colours);
  EXPECT_TRUE(session.canvas().bits == first);
  ASSERT_TRUE(session.undo());  // the palette
  EXPECT_TRUE(session.palette().colours == defaultPalette().colours);
  EXPECT_TRUE(session.canvas().bits == first);
  EXPECT_FALSE(session.modified());
  ASSERT_TRUE(session.redo());
  EXPECT_TRUE(session.palette().colours == dark.colours);
  EXPECT_TRUE(session.modified());
  session.markSaved();
  session.setPalette(dark, nullptr);  // the same colours again
  EXPECT_FALSE(session.modified());

  // A script: the replay keeps what its undo returns to.
  memoryFiles().clear();
  const std::string pal = "JASC-PAL\n0100\n1\n1 2 3\n";
  memoryFiles()["p.pal"] = std::vector<uint8_t>(pal.begin(), pal.end());
  const std::string text =
      "canvas 4 4 0\npalette p.pal\npress 0 0\nundo\nsave a.bmp\nundo\nsave b.bmp\n"
      "redo\nsave c.bmp\n";
  Findings findings;
  const Script script =
      checkScript("p.strokes", std::vector<uint8_t>(text.begin(), text.end()), findings);
  ASSERT_EQ(findings.errors, 0) << findings.shown[0].text;
  ASSERT_EQ(replay(script, editor.pen, editor.box), kExitOk);
  const auto firstColour = [](const std::string& name) {
    const std::vector<uint8_t>& bmp = memoryFiles()[name];
    return std::vector<uint8_t>(bmp.begin() + 54, bmp.begin() + 57);  // blue, green, red
  };
  EXPECT_EQ(firstColour("a.bmp"), (std::vector<uint8_t>{3, 2, 1}));
  EXPECT_EQ(firstColour("b.bmp"), (std::vector<uint8_t>{0, 0, 0}));
  EXPECT_EQ(firstColour("c.bmp"), (std::vector<uint8_t>{3, 2, 1}));
}

// A document's name and read-only state go with it: New and Open start
// without them, and an undo of either brings back the document they replaced
// with its own.
TEST(EditorSession, TheNameAndReadOnlyGoWithTheDocument) {
  Editor editor;
  EditorSession session(editor.pen, editor.box);
  session.newCanvas(4, 4, 0);
  session.nameDocument("locked.bmp", true);
  IndexedImage image;
  image.width = image.height = 2;
  image.pixels.assign(4, 1);
  session.loadCanvas(image, {});
  EXPECT_EQ(session.document().file, "");
  EXPECT_FALSE(session.document().readOnly);
  session.nameDocument("open.bmp", false);
  session.newCanvas(3, 3, 0);
  EXPECT_EQ(session.document().file, "");
  ASSERT_TRUE(session.undo());
  EXPECT_EQ(session.document().file, "open.bmp");
  EXPECT_FALSE(session.document().readOnly);
  ASSERT_TRUE(session.undo());
  EXPECT_EQ(session.document().file, "locked.bmp");
  EXPECT_TRUE(session.document().readOnly);
  ASSERT_TRUE(session.redo());
  EXPECT_EQ(session.document().file, "open.bmp");
  EXPECT_FALSE(session.document().readOnly);
}

// A protected colour is the mask as the canvas held it at the press; a press
// after protecting stops clears it again.
TEST(EditorSession, ProtectionRebuildsTheMaskAtEachPress) {
  Editor editor;
  editor.box.select("1x1 pixel");
  EditorSession session(editor.pen, editor.box);
  session.newCanvas(8, 1, 3);
  PenInputs in;
  in.brushSide = 8;
  in.primary = 5;
  session.setInputs(in);
  session.press(3, 0, false, true, 3);  // every pixel holds 3: all protected
  EXPECT_TRUE(session.maskOn());
  EXPECT_EQ(session.canvas().at(0, 0), 3);
  session.press(3, 0, false, true, -1);  // no protection: paints, though the mask is on
  EXPECT_EQ(session.canvas().at(0, 0), 5);
  EXPECT_EQ(session.mask().at(0, 0), 1);
}

}  // namespace
