#include "palette.h"

#include <sstream>
#include <vector>

#include "files.h"
#include "text.h"

namespace {

const Rgb kSixteen[16] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                          {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                          {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                          {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};

// Splits on blanks; a line of "12 34 56" gives three words.
std::vector<std::string> words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> out;
  for (std::string word; in >> word;) out.push_back(word);
  return out;
}

// A whole decimal number from 0 to `most`, or -1.
int smallNumber(const std::string& word, int most) {
  if (word.empty() || word.size() > 3) return -1;
  int value = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value <= most ? value : -1;
}

}  // namespace

Palette defaultPalette() {
  Palette p;
  for (int i = 0; i < 16; ++i) p.colours[static_cast<std::size_t>(i)] = kSixteen[i];
  const uint8_t level[6] = {0, 51, 102, 153, 204, 255};
  for (int i = 0; i < 216; ++i)
    p.colours[static_cast<std::size_t>(16 + i)] = {level[i / 36], level[i / 6 % 6], level[i % 6]};
  for (int i = 0; i < 24; ++i) {
    const auto grey = static_cast<uint8_t>(8 + 10 * i);
    p.colours[static_cast<std::size_t>(232 + i)] = {grey, grey, grey};
  }
  p.listed = 256;
  return p;
}

bool readJascPalette(const std::string& path, Palette& palette, std::string& error) {
  std::vector<uint8_t> bytes;
  if (!readFile(path, kMaxPaletteFileBytes, bytes, error)) {
    error = "cannot open " + quoted(path) + ": " + error;
    return false;
  }
  return parseJascPalette(path, bytes, palette, error);
}

bool parseJascPalette(const std::string& path, const std::vector<uint8_t>& bytes, Palette& palette,
                      std::string& error) {
  std::string text(bytes.begin(), bytes.end());
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);  // a byte-order mark
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  auto fail = [&](std::size_t lineIndex, const std::string& what) {
    error = quoted(path) + " line " + std::to_string(lineIndex + 1) + ": " + what;
    return false;
  };
  if (lines.empty() || words(lines[0]) != std::vector<std::string>{"JASC-PAL"})
    return fail(0, "not a JASC-PAL file (the first line must be JASC-PAL)");
  if (lines.size() < 2 || words(lines[1]) != std::vector<std::string>{"0100"})
    return fail(1, "unknown JASC-PAL version (expected 0100)");
  const std::vector<std::string> countWords = lines.size() > 2 ? words(lines[2]) : words("");
  const int count = countWords.size() == 1 ? smallNumber(countWords[0], 256) : -1;
  if (count < 1) return fail(2, "expected the number of colours, 1 to 256");

  Palette read;
  std::size_t at = 3;
  for (int i = 0; i < count; ++i, ++at) {
    while (at < lines.size() && words(lines[at]).empty()) ++at;  // blank lines
    if (at >= lines.size())
      return fail(lines.size() - 1, "the file ends after " + std::to_string(i) + " of " +
                                        std::to_string(count) + " colours");
    const std::vector<std::string> rgb = words(lines[at]);
    const int r = rgb.size() == 3 ? smallNumber(rgb[0], 255) : -1;
    const int g = rgb.size() == 3 ? smallNumber(rgb[1], 255) : -1;
    const int b = rgb.size() == 3 ? smallNumber(rgb[2], 255) : -1;
    if (r < 0 || g < 0 || b < 0)
      return fail(at, "expected red, green and blue, each 0 to 255, not " + quoted(lines[at]));
    read.colours[static_cast<std::size_t>(i)] = {static_cast<uint8_t>(r), static_cast<uint8_t>(g),
                                                 static_cast<uint8_t>(b)};
  }
  for (; at < lines.size(); ++at)
    if (!words(lines[at]).empty())
      return fail(at, "more colours than the " + std::to_string(count) + " announced");
  read.listed = count;
  palette = read;
  return true;
}
