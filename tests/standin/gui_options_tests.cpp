// The interactive stand-in's decisions that need no window: its command line
// (what it refuses, each refusal naming what the option takes, nothing
// clamped), what Save As writes for a name and a type, and its menus'
// shortcuts against its accelerator tables.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "gui_options.h"
#include "save_choice.h"

namespace {

std::string refusal(const std::vector<std::string>& args) {
  GuiOptions options;
  std::string error;
  return parseGuiOptions(args, options, error) ? "" : error;
}

TEST(GuiOptions, ReadsEveryOptionAndThePen) {
  GuiOptions o;
  std::string error;
  ASSERT_TRUE(parseGuiOptions(
      {"--canvas", "4096", "1", "pen.dll", "--zoom", "32", "--blocks", "7x5 ", "--tone", "16",
       "--colours", "255", "0", "--brush", "round", "256", "--record", "a b.strokes"},
      o, error))
      << error;
  EXPECT_EQ(o.pen, "pen.dll");
  EXPECT_EQ((std::vector<int>{o.width, o.height, o.zoom, o.tone, o.brushSide}),
            (std::vector<int>{4096, 1, 32, 16, 256}));
  EXPECT_EQ(o.blocks, "7x5 ");
  EXPECT_EQ(o.primary, 255u);
  EXPECT_TRUE(o.roundBrush);
  EXPECT_EQ(o.record, "a b.strokes");
}

TEST(GuiOptions, RefusesWhatIsOutOfRangeNamingWhatItTakes) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--canvas", "100000", "4"},
       "--canvas takes a width and a height, each 1 to 4096, not '100000'"},
      {{"--canvas", "4", "0"}, "--canvas takes a width and a height, each 1 to 4096, not '0'"},
      {{"--canvas", "4"}, "--canvas takes a width and a height, each 1 to 4096"},
      {{"--tone", "17"}, "--tone takes a tone level, 0 to 16, not '17'"},
      {{"--tone", "-1"}, "--tone takes a tone level, 0 to 16, not '-1'"},
      {{"--colours", "1", "256"}, "--colours takes two palette indices, each 0 to 255, not '256'"},
      {{"--brush", "round", "99999999999"},
       "--brush takes square or round and a size, 1 to 256, not '99999999999'"},
      {{"--brush", "disc", "4"}, "--brush takes square or round and a size, 1 to 256, not 'disc'"},
      {{"--zoom", "5"}, "--zoom takes one of 1, 2, 3, 4, 6, 8, 12, 16, 24, 32, not '5'"},
      {{"--record", ""}, "--record takes the name of a file, such as session.strokes, not ''"},
      {{"--size", "4"}, "there is no option '--size'"},
      {{"a.dll", "b.dll"}, "one pen at a time: 'a.dll' and 'b.dll'"},
  };
  for (const auto& [args, message] : cases) EXPECT_EQ(refusal(args), message);
}

TEST(GuiOptions, HelpInAnyOfItsSpellingsAsksForTheUsage) {
  for (const char* spelling : {"--help", "-h", "/?"}) {
    GuiOptions o;
    std::string error;
    EXPECT_TRUE(parseGuiOptions({"--tone", "3", spelling, "--zoom", "5"}, o, error)) << spelling;
    EXPECT_TRUE(o.help) << spelling;
  }
  GuiOptions o;
  std::string error;
  ASSERT_TRUE(parseGuiOptions({"pen.dll"}, o, error));
  EXPECT_FALSE(o.help);
  // Taken as the value it follows, not as a request for help.
  ASSERT_TRUE(parseGuiOptions({"--blocks", "-h"}, o, error));
  EXPECT_FALSE(o.help);
}

// A message box wraps longer lines wherever it likes, splitting a list of
// values; each list must sit whole on a line of its own.
TEST(GuiOptions, TheUsageFitsAMessageBoxWithNoListSplit) {
  const std::string usage = kGuiUsage;
  std::vector<std::string> lines;
  for (std::size_t start = 0; start <= usage.size();) {
    const std::size_t end = std::min(usage.find('\n', start), usage.size());
    lines.push_back(usage.substr(start, end - start));
    start = end + 1;
  }
  bool zooms = false;
  for (const std::string& line : lines) {
    EXPECT_LE(line.size(), kUsageColumns) << line;
    // Cut after a comma, a bar or a range's "1 to", a list goes on below.
    const std::size_t n = line.size();
    const bool cut = n > 0 && (line.back() == ',' || line.back() == '|' ||
                               (n >= 4 && line.compare(n - 3, 3, " to") == 0 &&
                                std::isdigit(static_cast<unsigned char>(line[n - 4]))));
    EXPECT_FALSE(cut) << "a list goes on below: " << line;
    zooms = zooms || line.find("1, 2, 3, 4, 6, 8, 12, 16, 24, 32") != std::string::npos;
  }
  EXPECT_TRUE(zooms) << "the zooms are not on one line";
}

TEST(SaveChoice, TheNameOrTheTypeDecidesAndAPngIsAnExport) {
  struct Case {
    const char* path;
    int filter;
    const char* written;
    bool png;
    int scale;
  };
  const Case cases[] = {
      {"first.bmp", kSaveAsBmp, "first.bmp", false, 1},
      // The type chosen names a file without an extension.
      {"first", kSaveAsPng + 2, "first.png", true, 4},
      {"first", kSaveAsBmp, "first.bmp", false, 1},
      // The name's own extension wins over the type, in any case.
      {"first4x.PNG", kSaveAsBmp, "first4x.PNG", true, 1},
      {"first.bmp", kSaveAsPng + 3, "first.bmp", false, 1},
      {"Z:\\work\\a.png", kSaveAsPng + 1, "Z:\\work\\a.png", true, 2},
      // A name with another extension keeps it and gains the type's.
      {"take.v2", kSaveAsBmp, "take.v2.bmp", false, 1},
  };
  for (const Case& c : cases) {
    const SaveChoice s = chooseSave(c.path, c.filter, 64, 48);
    EXPECT_EQ(s.path, c.written) << c.path;
    EXPECT_EQ(s.png, c.png) << c.path;
    EXPECT_EQ(s.scale, c.scale) << c.path;
    EXPECT_EQ(s.problem, "") << c.path;
  }
}

TEST(SaveChoice, ReservedNamesAndOversizedExportsAreRefusedWithTheReason) {
  for (const char* name : {"CON.bmp", "C:\\pics\\lpt1.png", "nul", "aux.BMP"}) {
    const SaveChoice s = chooseSave(name, kSaveAsBmp, 64, 48);
    EXPECT_NE(s.problem.find("device"), std::string::npos) << name << ": " << s.problem;
  }
  EXPECT_NE(chooseSave("big.png", kSaveAsPng + 3, 4096, 4096).problem.find("too large"),
            std::string::npos);
  EXPECT_EQ(chooseSave("big.png", kSaveAsPng, 4096, 4096).problem, "");
}

// Every menu item that has a shortcut shows it after a tab, and what it shows
// is a key of the accelerator table for that command.
TEST(GuiMenus, ShortcutsAreTabAlignedAndTheKeysThatWork) {
  std::ifstream in(TESSALY_GUI_RC);
  ASSERT_TRUE(in) << TESSALY_GUI_RC;
  std::stringstream text;
  text << in.rdbuf();
  const std::string rc = text.str();
  std::map<std::string, std::vector<std::string>> keys;  // command: "Ctrl+Shift+S", ...
  const std::regex accelerator(R"re("(\w)", (IDM_\w+), VIRTKEY((?:, \w+)*))re");
  for (std::sregex_iterator i(rc.begin(), rc.end(), accelerator), end; i != end; ++i) {
    const std::string mods = (*i)[3];
    std::string key = (*i)[1];
    if (mods.find("SHIFT") != std::string::npos) key = "Shift+" + key;
    if (mods.find("CONTROL") != std::string::npos) key = "Ctrl+" + key;
    keys[(*i)[2]].push_back(key);
  }
  const std::regex item(R"re(MENUITEM "([^"]*)", (IDM_\w+))re");
  int shown = 0;
  for (std::sregex_iterator i(rc.begin(), rc.end(), item), end; i != end; ++i) {
    const std::string label = (*i)[1], command = (*i)[2];
    const std::size_t tab = label.find("\\t");
    const auto found = keys.find(command);
    if (found == keys.end()) {
      // Keys of the view itself (+ and -) are shown, but no accelerator has them.
      if (tab != std::string::npos) {
        EXPECT_EQ(label.size() - tab, 3u) << label;
      }
      continue;
    }
    ASSERT_NE(tab, std::string::npos) << label << " has a shortcut but does not show it";
    const std::string key = label.substr(tab + 2);
    EXPECT_NE(std::find(found->second.begin(), found->second.end(), key), found->second.end())
        << label << " shows " << key << ", which is not a key of " << command;
    ++shown;
  }
  EXPECT_GE(shown, 8);
}

}  // namespace
