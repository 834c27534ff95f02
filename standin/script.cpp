#include "script.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::vector<std::string> splitWords(const std::string& text) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && isBlank(text[i])) ++i;
    const std::size_t start = i;
    while (i < text.size() && !isBlank(text[i])) ++i;
    if (i > start) words.push_back(text.substr(start, i - start));
  }
  return words;
}

// "-12" -> -12; false for anything but an optional sign and up to 18 digits.
bool parseWhole(const std::string& word, int64_t& value) {
  std::size_t i = word[0] == '-' || word[0] == '+' ? 1 : 0;
  if (i == word.size() || word.size() - i > 18) return false;
  int64_t v = 0;
  for (; i < word.size(); ++i) {
    if (word[i] < '0' || word[i] > '9') return false;
    v = v * 10 + (word[i] - '0');
  }
  value = word[0] == '-' ? -v : v;
  return true;
}

std::string lowerCase(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() > tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// The usage of each command, for messages about its arguments.
const char* usageOf(const std::string& command) {
  static const std::pair<const char*, const char*> usages[] = {
      {"canvas", "canvas W H [FILL]"},
      {"palette", "palette FILE | palette default"},
      {"brush", "brush square N | brush round N | brush rows R1 R2 ..."},
      {"blocks", "blocks TEXT | blocks none"},
      {"tone", "tone N"},
      {"colours", "colours P S"},
      {"mask", "mask on | mask off | mask rect X Y W H"},
      {"press", "press X Y [shift]"},
      {"drag", "drag X Y [shift]"},
      {"move", "move X Y"},
      {"release", "release X Y"},
      {"pick", "pick X Y [shift]"},
      {"expect",
       "expect pixel X Y V | expect colours P S | expect rect L T R B | "
       "expect flags 0xHHHHHHHH"},
      {"save", "save FILE.bmp | save FILE.png [scale K]"},
  };
  for (const auto& [name, usage] : usages)
    if (command == name) return usage;
  return nullptr;
}

class Checker {
 public:
  Checker(Script& script, std::vector<std::string>& errors) : script_(script), errors_(errors) {}

  void check(int lineNumber, const std::string& text);

 private:
  // Adds "PATH:LINE: what" and returns false, so that a check can end with it.
  bool fail(const std::string& what) {
    errors_.push_back(script_.path + ":" + std::to_string(line_) + ": " + what);
    return false;
  }
  bool wrongArguments() { return fail(std::string("wrong arguments; use: ") + usageOf(words_[0])); }

  // words_[index] as a whole number from `least` to `most`.
  bool number(std::size_t index, int64_t least, int64_t most, const char* what, int32_t& out) {
    int64_t v = 0;
    if (!parseWhole(words_[index], v)) return fail("'" + words_[index] + "' is not a whole number");
    if (v < least || v > most)
      return fail(std::string(what) + " must be " + std::to_string(least) + " to " +
                  std::to_string(most) + ", not " + words_[index]);
    out = static_cast<int32_t>(v);
    return true;
  }
  bool coordinates(std::size_t index, Command& c) {
    return number(index, -kReach, kReach, "a coordinate", c.a) &&
           number(index + 1, -kReach, kReach, "a coordinate", c.b);
  }
  bool colourIndex(std::size_t index, int32_t& out) {
    return number(index, 0, 255, "a palette index", out);
  }
  // Commands that work on the canvas need one above them; said once.
  bool needCanvas() {
    if (haveCanvas_) return true;
    haveCanvas_ = true;  // one message is enough; later lines are checked as if there were one
    return fail("'" + words_[0] + "' before any canvas: start the script with 'canvas W H'");
  }

  bool canvas(Command& c);
  bool palette(Command& c);
  bool brush(Command& c);
  bool mask(Command& c);
  bool mouse(Command& c);
  bool expect(Command& c);
  bool save(Command& c);

  Script& script_;
  std::vector<std::string>& errors_;
  int line_ = 0;
  std::vector<std::string> words_;
  std::string rest_;  // the text after the command word and one blank
  bool haveCanvas_ = false;
  int32_t canvasWidth_ = 0, canvasHeight_ = 0;  // 0: not known
};

void Checker::check(int lineNumber, const std::string& text) {
  line_ = lineNumber;
  words_ = splitWords(text);
  if (words_.empty() || words_[0][0] == '#') return;
  const std::size_t start = text.find(words_[0]);
  const std::size_t after = start + words_[0].size();
  rest_ = after < text.size() ? text.substr(after + 1) : std::string();

  Command c;
  c.line = lineNumber;
  const std::string& name = words_[0];
  const std::size_t n = words_.size() - 1;  // arguments
  bool ok = false;
  if (!usageOf(name)) {
    ok = fail("unknown command '" + name + "'");
  } else if (name == "canvas") {
    ok = canvas(c);
  } else if (name == "palette") {
    ok = palette(c);
  } else if (name == "brush") {
    ok = brush(c);
  } else if (name == "blocks") {
    if (n == 0) {
      ok = wrongArguments();
    } else {
      c.op = rest_ == "none" ? Op::BlocksNone : Op::Blocks;
      c.text = rest_;  // exactly, trailing blanks included: "3x2 " needs its space
      ok = true;
    }
  } else if (name == "tone") {
    c.op = Op::Tone;
    ok = n == 1 ? number(1, 0, 16, "the tone level", c.a) : wrongArguments();
  } else if (name == "colours") {
    c.op = Op::Colours;
    ok = n == 2 ? colourIndex(1, c.a) && colourIndex(2, c.b) : wrongArguments();
  } else if (name == "mask") {
    ok = mask(c);
  } else if (name == "expect") {
    ok = expect(c);
  } else if (name == "save") {
    ok = save(c);
  } else {
    ok = mouse(c);
  }
  if (ok) script_.commands.push_back(std::move(c));
}

bool Checker::canvas(Command& c) {
  c.op = Op::Canvas;
  const std::size_t n = words_.size() - 1;
  haveCanvas_ = true;  // even a faulty one: the lines below are not faulted for its absence
  canvasWidth_ = canvasHeight_ = 0;  // unknown until both sides are good
  if (n != 2 && n != 3) return wrongArguments();
  if (!number(1, 1, kMaxCanvasSide, "the canvas width", c.a) ||
      !number(2, 1, kMaxCanvasSide, "the canvas height", c.b) || (n == 3 && !colourIndex(3, c.c)))
    return false;
  canvasWidth_ = c.a;
  canvasHeight_ = c.b;
  return true;
}

bool Checker::palette(Command& c) {
  c.op = Op::UsePalette;
  if (words_.size() != 2) return wrongArguments();
  if (words_[1] == "default") {
    c.palette = std::make_shared<Palette>(defaultPalette());
    return true;
  }
  auto read = std::make_shared<Palette>();
  std::string error;
  if (!readJascPalette(words_[1], *read, error)) return fail("palette: " + error);
  c.palette = read;
  return true;
}

bool Checker::brush(Command& c) {
  c.op = Op::UseBrush;
  const std::size_t n = words_.size() - 1;
  const std::string kind = n >= 1 ? words_[1] : "";
  if ((kind == "square" || kind == "round") && n == 2) {
    int32_t side = 0;
    if (!number(2, 1, kMaxBrushSide, "the brush size", side)) return false;
    c.brush = kind == "square" ? squareBrush(side) : roundBrush(side);
    return true;
  }
  if (kind != "rows" || n < 2) return wrongArguments();
  const std::vector<std::string> rows(words_.begin() + 2, words_.end());
  if (rows.size() > static_cast<std::size_t>(kMaxBrushSide) ||
      rows[0].size() > static_cast<std::size_t>(kMaxBrushSide))
    return fail("a brush is at most " + std::to_string(kMaxBrushSide) + " x " +
                std::to_string(kMaxBrushSide));
  BrushShape shape;
  shape.width = static_cast<int32_t>(rows[0].size());
  shape.height = static_cast<int32_t>(rows.size());
  shape.ink.clear();
  for (std::size_t r = 0; r < rows.size(); ++r) {
    if (rows[r].size() != rows[0].size())
      return fail("brush row " + std::to_string(r + 1) + " '" + rows[r] + "' has " +
                  std::to_string(rows[r].size()) + " columns, row 1 has " +
                  std::to_string(rows[0].size()) + ": all rows must be the same length");
    for (char cell : rows[r]) {
      if (cell != '#' && cell != '.')
        return fail("brush row " + std::to_string(r + 1) + " '" + rows[r] + "': '" +
                    std::string(1, cell) + "' is neither # (ink) nor . (no ink)");
      shape.ink.push_back(cell == '#');
    }
  }
  c.brush = shape;
  return true;
}

bool Checker::mask(Command& c) {
  const std::size_t n = words_.size() - 1;
  if (n == 1 && (words_[1] == "on" || words_[1] == "off")) {
    c.op = words_[1] == "on" ? Op::MaskOn : Op::MaskOff;
    return needCanvas();
  }
  if (n != 5 || words_[1] != "rect") return wrongArguments();
  c.op = Op::MaskRect;
  return needCanvas() && number(2, -kReach, kReach, "a coordinate", c.a) &&
         number(3, -kReach, kReach, "a coordinate", c.b) &&
         number(4, 0, kReach, "the width", c.c) && number(5, 0, kReach, "the height", c.d);
}

bool Checker::mouse(Command& c) {
  const std::string& name = words_[0];
  const bool shiftAllowed = name == "press" || name == "drag" || name == "pick";
  c.op = name == "press"  ? Op::Press
         : name == "drag" ? Op::Drag
         : name == "move" ? Op::Move
         : name == "pick" ? Op::Pick
                          : Op::Release;
  const std::size_t n = words_.size() - 1;
  if (n != 2 && !(shiftAllowed && n == 3)) return wrongArguments();
  if (n == 3 && words_[3] != "shift")
    return fail("expected 'shift' after the coordinates, not '" + words_[3] + "'");
  c.shift = n == 3;
  return needCanvas() && coordinates(1, c);
}

bool Checker::expect(Command& c) {
  const std::size_t n = words_.size() - 1;
  const std::string what = n >= 1 ? words_[1] : "";
  if (what == "pixel" && n == 4) {
    c.op = Op::ExpectPixel;
    if (!needCanvas() || !number(2, -kReach, kReach, "a coordinate", c.a) ||
        !number(3, -kReach, kReach, "a coordinate", c.b) || !colourIndex(4, c.c))
      return false;
    if (canvasWidth_ > 0 && (c.a < 0 || c.b < 0 || c.a >= canvasWidth_ || c.b >= canvasHeight_))
      return fail("pixel (" + words_[2] + ", " + words_[3] + ") lies outside the " +
                  std::to_string(canvasWidth_) + " x " + std::to_string(canvasHeight_) + " canvas");
    return true;
  }
  if (what == "colours" && n == 3) {
    c.op = Op::ExpectColours;
    return colourIndex(2, c.a) && colourIndex(3, c.b);
  }
  if (what == "rect" && n == 5) {
    c.op = Op::ExpectRect;
    const int64_t most = INT32_MAX;
    return number(2, -most - 1, most, "a rectangle edge", c.a) &&
           number(3, -most - 1, most, "a rectangle edge", c.b) &&
           number(4, -most - 1, most, "a rectangle edge", c.c) &&
           number(5, -most - 1, most, "a rectangle edge", c.d);
  }
  if (what == "flags" && n == 2) {
    c.op = Op::ExpectFlags;
    const std::string& word = words_[2];
    bool hex = word.size() > 2 && word.size() <= 10 && word[0] == '0' &&
               (word[1] == 'x' || word[1] == 'X');
    for (std::size_t i = 2; hex && i < word.size(); ++i)
      hex = std::isxdigit(static_cast<unsigned char>(word[i])) != 0;
    if (!hex) return fail("'" + word + "' is not a flag word in hexadecimal, like 0x03000010");
    c.flags = static_cast<uint32_t>(std::stoul(word.substr(2), nullptr, 16));
    return true;
  }
  return wrongArguments();
}

bool Checker::save(Command& c) {
  const std::size_t n = words_.size() - 1;
  if (n != 1 && n != 3) return wrongArguments();
  c.text = words_[1];
  const std::string lower = lowerCase(c.text);
  if (endsWith(lower, ".bmp")) {
    c.op = Op::SaveBmp;
    if (n != 1) return fail("a BMP is saved as it is: 'scale' applies to PNG files only");
  } else if (endsWith(lower, ".png")) {
    c.op = Op::SavePng;
    c.a = kDefaultScale;
    if (n == 3 && words_[2] != "scale") return wrongArguments();
    if (n == 3 && !number(3, 1, kMaxScale, "the scale", c.a)) return false;
  } else {
    return fail("cannot tell the format of '" + c.text + "': the name must end in .bmp or .png");
  }
  if (!needCanvas()) return false;
  if (canvasWidth_ > 0 && (int64_t{canvasWidth_} * c.a > kMaxPictureSide ||
                           int64_t{canvasHeight_} * c.a > kMaxPictureSide))
    return fail("the picture would be " + std::to_string(int64_t{canvasWidth_} * c.a) + " x " +
                std::to_string(int64_t{canvasHeight_} * c.a) + " pixels; at most " +
                std::to_string(kMaxPictureSide) + " a side");
  const std::filesystem::path folder = std::filesystem::path(c.text).parent_path();
  std::error_code ignored;
  if (!folder.empty() && !std::filesystem::is_directory(folder, ignored))
    return fail("cannot save '" + c.text + "': there is no folder '" + folder.string() + "'");
  return true;
}

}  // namespace

BrushShape squareBrush(int32_t side) {
  BrushShape b;
  b.width = b.height = side;
  b.ink.assign(static_cast<std::size_t>(side) * static_cast<std::size_t>(side), true);
  return b;
}

// Pixel centres, in half-pixel units from the brush centre, within a circle
// a little inside the square's inscribed one, so that 3 is a plus sign and 5
// has its corners cut, as pixel artists draw small discs.
BrushShape roundBrush(int32_t side) {
  BrushShape b;
  b.width = b.height = side;
  b.ink.clear();
  const int64_t limit = int64_t{side} * side - side + 1;
  for (int32_t y = 0; y < side; ++y)
    for (int32_t x = 0; x < side; ++x) {
      const int64_t dx = 2 * x + 1 - side, dy = 2 * y + 1 - side;
      b.ink.push_back(dx * dx + dy * dy <= limit);
    }
  return b;
}

Script readScript(const std::string& path, std::vector<std::string>& errors) {
  Script script;
  script.path = path;
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    errors.push_back(path + ": cannot read the script: " + std::strerror(errno));
    return script;
  }
  Checker checker(script, errors);
  int number = 0;
  for (std::string text; std::getline(file, text);) {
    ++number;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    if (number == 1 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    checker.check(number, text);
  }
  if (file.bad()) errors.push_back(path + ": cannot read the script: " + std::strerror(errno));
  return script;
}
