// The interactive stand-in's command line: what it refuses, and that each
// refusal names what the option takes; nothing out of range is clamped.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "gui_options.h"

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

}  // namespace
