// The recording of an interactive session: what it says, what it leaves out,
// and that the stand-in's own checker accepts it with the files beside it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files.h"
#include "memory_files.h"
#include "picture_files.h"
#include "recorder.h"
#include "script.h"

namespace {

using testing_support::memoryFiles;

// The commands of a script, comments left out.
std::vector<std::string> commands(const std::string& script) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start < script.size()) {
    const std::size_t end = script.find('\n', start);
    const std::string line = script.substr(start, end - start);
    if (!line.empty() && line[0] != '#') out.push_back(line);
    start = end == std::string::npos ? script.size() : end + 1;
  }
  return out;
}

TEST(Recorder, SaysOnlyWhatChangedSinceTheScriptLastSaidIt) {
  Recorder r;
  r.canvas(16, 8, 3);
  PenInputs in;  // as every script starts
  r.inputs(in);
  r.press(1, 1, false);
  in.tone = 6;
  in.blocks = "4x2 pixels  ";  // trailing blanks are part of the item
  in.maskOn = true;
  r.inputs(in);
  r.drag(9, 4, true);
  r.inputs(in);
  r.release(9, 4);
  in.blocksSelected = false;
  in.roundBrush = true;
  in.brushSide = 5;
  r.inputs(in);
  r.pick(2, 2, true);
  // A pick's colours come back from the pen in the replay too.
  r.pickedColours(7, 0);
  in.primary = 7;
  r.inputs(in);
  // A new canvas turns the mask off: on again must be said again.
  r.canvas(4, 4, 0);
  r.inputs(in);
  r.press(0, 0, false);
  EXPECT_EQ(commands(r.script("s.strokes")),
            (std::vector<std::string>{"canvas 16 8 3", "press 1 1", "blocks 4x2 pixels  ", "tone 6",
                                      "mask on", "drag 9 4 shift", "release 9 4", "blocks none",
                                      "brush round 5", "pick 2 2 shift", "canvas 4 4 0", "mask on",
                                      "press 0 0", "save s.bmp"}));
}

TEST(Recorder, KeepsOnlyTheLastOfARunOfMoves) {
  Recorder r;
  r.canvas(8, 8, 0);
  r.move(1, 1);
  r.move(2, 2);
  r.move(3, 3);
  r.drag(4, 4, false);
  r.move(5, 5);
  r.undo();
  r.move(6, 6);
  EXPECT_EQ(commands(r.script("m.strokes")),
            (std::vector<std::string>{"canvas 8 8 0", "move 3 3", "drag 4 4", "move 5 5", "undo",
                                      "move 6 6", "save m.bmp"}));
}

TEST(Recorder, NamesFilesAfterTheRecordingAsTheScriptLanguageAllows) {
  EXPECT_EQ(Recorder::baseName("session.strokes"), "session");
  EXPECT_EQ(Recorder::baseName("C:\\bugs\\my session.strokes"), "my_session");
  EXPECT_EQ(Recorder::folderOf("C:\\bugs\\my session.strokes"), "C:\\bugs\\");
  EXPECT_EQ(Recorder::folderOf("bugs/a.strokes"), "bugs/");
  EXPECT_EQ(Recorder::baseName("con.strokes"), "recording");  // a device name
  EXPECT_EQ(Recorder::baseName("a*b.strokes"), "recording");
}

TEST(Recorder, WritesAScriptTheCheckerAcceptsWithItsFilesBesideIt) {
  memoryFiles().clear();
  // A canvas and a palette the user opened, kept as they were.
  const uint8_t pixels[8] = {1, 2, 3, 0, 4, 5, 6, 0};  // rows padded to 4
  const std::vector<uint8_t> bmp = indexedBmp({3, 2, pixels}, defaultPalette());
  const std::string pal = "JASC-PAL\r\n0100\r\n2\r\n0 0 0\r\n255 255 255\r\n";
  Recorder r;
  r.canvas(64, 48, 0);
  r.canvasLoad(bmp);
  r.palette(std::vector<uint8_t>(pal.begin(), pal.end()));
  PenInputs in;
  in.blocks = "16x16 pixels";
  r.inputs(in);
  r.press(1, 1, false);
  r.drag(2, 1, false);
  r.undo();
  r.redo();
  std::string error;
  ASSERT_TRUE(r.write("take 1.strokes", bmp, error)) << error;
  const std::vector<uint8_t>& text = memoryFiles()["take 1.strokes"];
  // The replay hint is one a shell takes as it stands.
  EXPECT_NE(std::string(text.begin(), text.end()).find("standin.exe PEN.dll \"take 1.strokes\"\n"),
            std::string::npos);

  Findings findings;
  const Script script = readScript("take 1.strokes", findings);
  std::string all;
  for (const Finding& f : findings.shown) all += f.text + "\n";
  EXPECT_EQ(findings.errors + findings.warnings, 0) << all;
  ASSERT_EQ(script.commands.size(), 9u);
  EXPECT_EQ(script.commands[1].op, Op::CanvasLoad);
  EXPECT_EQ(script.commands[1].payload->image.width, 3);
  EXPECT_EQ(script.commands[2].op, Op::UsePalette);
  EXPECT_EQ(script.commands[2].payload->palette.listed, 2);
  EXPECT_EQ(script.commands.back().op, Op::SaveBmp);
  EXPECT_EQ(script.commands.back().text(), "take_1.bmp");
  EXPECT_EQ(memoryFiles()["take_1.bmp"], bmp);
}

// A recording replaces an earlier one of its name whole: none of the earlier
// attachments stays beside it, and a file that was no attachment of it is
// not overwritten.
TEST(Recorder, ReplacesAnEarlierRecordingWholeAndLeavesOtherFilesAlone) {
  memoryFiles().clear();
  const uint8_t pixels[4] = {1};  // a row padded to 4
  const std::vector<uint8_t> bmp = indexedBmp({1, 1, pixels}, defaultPalette());
  const std::vector<uint8_t> pal{'J'};
  std::string error;
  Recorder earlier;
  earlier.canvas(4, 4, 0);
  earlier.canvasLoad(bmp);
  earlier.palette(pal);
  earlier.canvasLoad(bmp);
  ASSERT_TRUE(earlier.write("out/s.strokes", bmp, error)) << error;
  EXPECT_EQ(memoryFiles().count("out/s-3.bmp"), 1u);
  memoryFiles()["out/t-1.bmp"] = {'m', 'i', 'n', 'e'};  // someone's own picture

  Recorder now;
  now.canvas(4, 4, 0);
  now.canvasLoad(bmp);
  ASSERT_TRUE(now.write("out/s.strokes", bmp, error)) << error;
  EXPECT_EQ(memoryFiles().count("out/s-1.bmp"), 1u);
  EXPECT_EQ(memoryFiles().count("out/s-2.pal"), 0u);
  EXPECT_EQ(memoryFiles().count("out/s-3.bmp"), 0u);

  Recorder other;
  other.canvas(4, 4, 0);
  other.canvasLoad(bmp);
  ASSERT_TRUE(other.write("out/t.strokes", bmp, error)) << error;
  EXPECT_EQ(memoryFiles()["out/t-1.bmp"], (std::vector<uint8_t>{'m', 'i', 'n', 'e'}));
  const std::vector<uint8_t>& script = memoryFiles()["out/t.strokes"];
  EXPECT_NE(std::string(script.begin(), script.end()).find("canvas load t-2.bmp\n"),
            std::string::npos);
}

}  // namespace
