// The recording of an interactive session: what it says, what it leaves out,
// and that the stand-in's own checker accepts it with the files beside it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "files.h"
#include "picture_files.h"
#include "recorder.h"
#include "script.h"

namespace {

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
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  std::string dir = std::string(folder) + "recorder-test-" + std::to_string(GetCurrentProcessId());
  ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
  char previous[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryA(dir.c_str()));

  // A canvas and a palette the user opened, kept as they were.
  const uint8_t pixels[6] = {1, 2, 3, 4, 5, 6};
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
  std::vector<uint8_t> written;
  ASSERT_TRUE(readFile("take_1.bmp", 1 << 20, written, error)) << error;
  EXPECT_EQ(written, bmp);

  for (const char* name : {"take 1.strokes", "take_1.bmp", "take_1-1.bmp", "take_1-2.pal"})
    DeleteFileA(name);
  SetCurrentDirectoryA(previous);
  RemoveDirectoryA(dir.c_str());
}

}  // namespace
