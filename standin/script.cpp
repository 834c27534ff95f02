#include "script.h"

#include <algorithm>
#include <cctype>

#include "block_size_text.h"
#include "file_names.h"
#include "files.h"
#include "text.h"

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

std::string folderOf(const std::string& path) {
  const std::size_t cut = path.find_last_of("/\\");
  if (cut == std::string::npos) return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : "";
  return cut == 0 ? path.substr(0, 1) : path.substr(0, cut);
}

std::string size(int64_t width, int64_t height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

// The usage of each command, for messages about its arguments.
const char* usageOf(const std::string& command) {
  static const std::pair<const char*, const char*> usages[] = {
      {"canvas", "canvas W H [FILL] | canvas load FILE.bmp"},
      {"palette", "palette FILE | palette default"},
      {"brush", "brush square N | brush round N | brush rows R1 R2 ... | brush load FILE.bmp"},
      {"blocks", "blocks TEXT | blocks none"},
      {"tone", "tone N"},
      {"colours", "colours P S"},
      {"mask",
       "mask on | mask off | mask rect X Y W H | mask colour V | mask clear | "
       "mask load FILE.bmp"},
      {"pick-source", "pick-source FILE.bmp | pick-source canvas"},
      {"press", "press X Y [shift]"},
      {"drag", "drag X Y [shift]"},
      {"move", "move X Y"},
      {"release", "release X Y"},
      {"pick", "pick X Y [shift]"},
      {"undo", "undo"},
      {"redo", "redo"},
      {"expect",
       "expect pixel X Y V | expect colours P S | expect rect L T R B | "
       "expect flags 0xHHHHHHHH"},
      {"save", "save FILE.bmp | save FILE.png [scale K]"},
  };
  for (const auto& [name, usage] : usages)
    if (command == name) return usage;
  return nullptr;
}

// A step of the undo history: made by a press, or by a palette or a canvas
// after the first canvas, which the replay has to keep only if an undo
// returns to it. A canvas step brings back the size of the canvas it
// replaced.
struct Step {
  std::size_t command;  // in Script::commands; SIZE_MAX for a faulty canvas or palette
  int32_t widthBefore, heightBefore, widthAfter, heightAfter;
};

class Checker {
 public:
  Checker(Script& script, Findings& findings) : script_(script), findings_(findings) {}

  void check(int lineNumber, const std::string& text);

 private:
  // Adds "PATH:LINE: what" and returns false, so that a check can end with it.
  bool fail(const std::string& what) {
    findings_.error(script_.path + ":" + std::to_string(line_) + ": " + what);
    return false;
  }
  void warn(const std::string& what) {
    findings_.warning(script_.path + ":" + std::to_string(line_) + ": warning: " + what);
  }
  bool wrongArguments() { return fail(std::string("wrong arguments; use: ") + usageOf(words_[0])); }

  // words_[index] as a whole number from `least` to `most`.
  bool number(std::size_t index, int64_t least, int64_t most, const char* what, int32_t& out) {
    int64_t v = 0;
    if (!parseWhole(words_[index], v))
      return fail(quoted(words_[index]) + " is not a whole number");
    if (v < least || v > most)
      return fail(std::string(what) + " must be " + std::to_string(least) + " to " +
                  std::to_string(most) + ", not " + words_[index]);
    out = static_cast<int32_t>(v);
    return true;
  }
  bool coordinate(std::size_t index, int32_t& out) {
    return number(index, INT32_MIN, INT32_MAX, "a coordinate", out);
  }
  bool colourIndex(std::size_t index, int32_t& out) {
    return number(index, 0, 255, "a palette index", out);
  }
  // Commands that work on the canvas need one above them; said once.
  bool needCanvas() {
    if (haveCanvas_) return true;
    haveCanvas_ = true;  // one message is enough; later lines are checked as if there were one
    return fail(quoted(words_[0]) + " before any canvas: start the script with 'canvas W H'");
  }
  Payload& payload(Command& c) {
    auto p = std::make_shared<Payload>();
    Payload& made = *p;
    c.payload = std::move(p);
    return made;
  }

  bool canvas(Command& c);
  bool canvasLoad(Command& c);
  bool canvasNew(Command& c);
  bool palette(Command& c);
  bool brush(Command& c);
  bool blocks(Command& c);
  bool mask(Command& c);
  bool pickSource(Command& c);
  bool mouse(Command& c);
  bool expect(Command& c);
  bool save(Command& c);
  bool history(Command& c);
  // Reads the BMP `name` into `image`, at most `maxSide` a side.
  bool picture(const std::string& name, int32_t maxSide, IndexedImage& image);
  // An image that must have the canvas's size.
  bool canvasSized(const std::string& what, const std::string& name, IndexedImage& image);
  // A canvas of this size (0 x 0: unknown) replaces the one above, as a step
  // of the history unless it is the first.
  void newCanvas(int32_t width, int32_t height);

  Script& script_;
  Findings& findings_;
  int line_ = 0;
  std::vector<std::string> words_;
  std::string rest_;  // the text after the command word and one blank
  bool haveCanvas_ = false;
  bool pressed_ = false;                        // a press since the canvas was made
  bool strokeOpen_ = false;                     // and no undo or redo since
  int32_t canvasWidth_ = 0, canvasHeight_ = 0;  // 0: not known
  bool haveHistory_ = false;                    // a canvas above, good or faulty
  std::vector<Step> undo_, redo_;
};

void Checker::check(int lineNumber, const std::string& text) {
  line_ = lineNumber;
  if (text.size() > kMaxLineBytes) {
    fail("the line is " + std::to_string(text.size()) + " bytes long; at most " +
         std::to_string(kMaxLineBytes));
    return;
  }
  const std::size_t nul = text.find('\0');
  if (nul != std::string::npos) {
    fail("a NUL byte in column " + std::to_string(nul + 1) + ": a script is text");
    return;
  }
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
    ok = fail("unknown command " + quoted(name));
  } else if (name == "canvas") {
    ok = canvas(c);
  } else if (name == "palette") {
    ok = palette(c);
    // A step on a canvas, even when faulty, as a canvas is.
    if (haveHistory_) {
      redo_.clear();
      undo_.push_back({ok ? script_.commands.size() : SIZE_MAX, canvasWidth_, canvasHeight_,
                       canvasWidth_, canvasHeight_});
    }
  } else if (name == "brush") {
    ok = brush(c);
  } else if (name == "blocks") {
    ok = blocks(c);
  } else if (name == "tone") {
    c.op = Op::Tone;
    ok = n == 1 ? number(1, 0, 16, "the tone level", c.a) : wrongArguments();
  } else if (name == "colours") {
    c.op = Op::Colours;
    ok = n == 2 ? colourIndex(1, c.a) && colourIndex(2, c.b) : wrongArguments();
  } else if (name == "mask") {
    ok = mask(c);
  } else if (name == "pick-source") {
    ok = pickSource(c);
  } else if (name == "expect") {
    ok = expect(c);
  } else if (name == "save") {
    ok = save(c);
  } else if (name == "undo" || name == "redo") {
    ok = history(c);
  } else {
    ok = mouse(c);
  }
  if (ok) script_.commands.push_back(std::move(c));
}

void Checker::newCanvas(int32_t width, int32_t height) {
  if (haveHistory_) {
    redo_.clear();
    undo_.push_back({SIZE_MAX, canvasWidth_, canvasHeight_, width, height});
  }
  haveHistory_ = true;
  canvasWidth_ = width;
  canvasHeight_ = height;
  pressed_ = strokeOpen_ = false;
}

bool Checker::canvas(Command& c) {
  const std::size_t n = words_.size() - 1;
  haveCanvas_ = true;  // even a faulty one: the lines below are not faulted for its absence
  // Sized once it is good; a faulty one still counts as a step, so that an
  // undo below it is not faulted as well.
  const bool load = n >= 1 && words_[1] == "load";
  c.op = load ? Op::CanvasLoad : Op::Canvas;
  const bool good = load ? canvasLoad(c) : canvasNew(c);
  if (!good) {
    newCanvas(0, 0);
    return false;
  }
  if (load)
    newCanvas(c.payload->image.width, c.payload->image.height);
  else
    newCanvas(c.a, c.b);
  if (!undo_.empty() && undo_.back().command == SIZE_MAX)
    undo_.back().command = script_.commands.size();
  return true;
}

bool Checker::canvasLoad(Command& c) {
  if (words_.size() != 3) return wrongArguments();
  return picture(words_[2], kMaxCanvasSide, payload(c).image);
}

bool Checker::canvasNew(Command& c) {
  const std::size_t n = words_.size() - 1;
  if (n != 2 && n != 3) return wrongArguments();
  return number(1, 1, kMaxCanvasSide, "the canvas width", c.a) &&
         number(2, 1, kMaxCanvasSide, "the canvas height", c.b) && (n != 3 || colourIndex(3, c.c));
}

bool Checker::picture(const std::string& name, int32_t maxSide, IndexedImage& image) {
  const std::string problem = fileNameProblem(name);
  if (!problem.empty()) return fail("cannot open " + quoted(name) + ": the name " + problem);
  std::vector<uint8_t> bytes;
  std::string error;
  if (!readFile(name, kMaxPictureFileBytes, bytes, error))
    return fail("cannot open " + quoted(name) + ": " + error);
  if (!readIndexedBmp(bytes, maxSide, image, error)) return fail(quoted(name) + " is " + error);
  return true;
}

bool Checker::canvasSized(const std::string& what, const std::string& name, IndexedImage& image) {
  if (!needCanvas() || !picture(name, kMaxCanvasSide, image)) return false;
  if (canvasWidth_ > 0 && (image.width != canvasWidth_ || image.height != canvasHeight_))
    return fail(what + " " + quoted(name) + " is " + size(image.width, image.height) +
                " pixels; the canvas is " + size(canvasWidth_, canvasHeight_));
  return true;
}

bool Checker::palette(Command& c) {
  c.op = Op::UsePalette;
  if (words_.size() != 2) return wrongArguments();
  Payload& p = payload(c);
  if (words_[1] == "default") {
    p.palette = defaultPalette();
    return true;
  }
  const std::string problem = fileNameProblem(words_[1]);
  if (!problem.empty())
    return fail("palette: cannot open " + quoted(words_[1]) + ": the name " + problem);
  std::string error;
  if (!readJascPalette(words_[1], p.palette, error)) return fail("palette: " + error);
  return true;
}

bool Checker::brush(Command& c) {
  c.op = Op::UseBrush;
  const std::size_t n = words_.size() - 1;
  const std::string kind = n >= 1 ? words_[1] : "";
  if ((kind == "square" || kind == "round") && n == 2) {
    int32_t side = 0;
    if (!number(2, 1, kMaxBrushSide, "the brush size", side)) return false;
    payload(c).brush = kind == "square" ? squareBrush(side) : roundBrush(side);
    return true;
  }
  if (kind == "load" && n == 2) {
    IndexedImage image;
    if (!picture(words_[2], kMaxBrushSide, image)) return false;
    BrushShape& shape = payload(c).brush;
    shape.width = image.width;
    shape.height = image.height;
    shape.ink.clear();
    for (uint8_t index : image.pixels) shape.ink.push_back(index == 0);  // 0 is ink
    return true;
  }
  if (kind != "rows" || n < 2) return wrongArguments();
  const std::vector<std::string> rows(words_.begin() + 2, words_.end());
  if (rows.size() > static_cast<std::size_t>(kMaxBrushSide) ||
      rows[0].size() > static_cast<std::size_t>(kMaxBrushSide))
    return fail("a brush is at most " + size(kMaxBrushSide, kMaxBrushSide));
  BrushShape shape;
  shape.width = static_cast<int32_t>(rows[0].size());
  shape.height = static_cast<int32_t>(rows.size());
  shape.ink.clear();
  for (std::size_t r = 0; r < rows.size(); ++r) {
    if (rows[r].size() != rows[0].size())
      return fail("brush row " + std::to_string(r + 1) + " " + quoted(rows[r]) + " has " +
                  std::to_string(rows[r].size()) + " columns, row 1 has " +
                  std::to_string(rows[0].size()) + ": all rows must be the same length");
    for (char cell : rows[r]) {
      if (cell != '#' && cell != '.')
        return fail("brush row " + std::to_string(r + 1) + " " + quoted(rows[r]) + ": " +
                    quoted(std::string(1, cell)) + " is neither # (ink) nor . (no ink)");
      shape.ink.push_back(cell == '#');
    }
  }
  payload(c).brush = shape;
  return true;
}

bool Checker::blocks(Command& c) {
  if (words_.size() == 1) return wrongArguments();
  c.op = rest_ == "none" ? Op::BlocksNone : Op::Blocks;
  if (c.op == Op::Blocks) {
    const std::string warning = blockItemWarning(rest_);
    if (!warning.empty()) warn("the pen " + warning);
  }
  payload(c).text = rest_;  // exactly, trailing blanks included: "3x2 " needs its space
  return true;
}

bool Checker::mask(Command& c) {
  const std::size_t n = words_.size() - 1;
  const std::string what = n >= 1 ? words_[1] : "";
  if (n == 1 && (what == "on" || what == "off" || what == "clear")) {
    c.op = what == "on" ? Op::MaskOn : what == "off" ? Op::MaskOff : Op::MaskClear;
    return needCanvas();
  }
  if (n == 2 && what == "colour") {
    c.op = Op::MaskColour;
    return needCanvas() && colourIndex(2, c.a);
  }
  if (n == 2 && what == "load") {
    c.op = Op::MaskLoad;
    return canvasSized("the mask picture", words_[2], payload(c).image);
  }
  if (n != 5 || what != "rect") return wrongArguments();
  c.op = Op::MaskRect;
  return needCanvas() && coordinate(2, c.a) && coordinate(3, c.b) &&
         number(4, 0, INT32_MAX, "the width", c.c) && number(5, 0, INT32_MAX, "the height", c.d);
}

bool Checker::pickSource(Command& c) {
  if (words_.size() != 2) return wrongArguments();
  if (words_[1] == "canvas") {
    c.op = Op::PickCanvas;
    return needCanvas();
  }
  c.op = Op::PickSource;
  return canvasSized("the pick source", words_[1], payload(c).image);
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
    return fail("expected 'shift' after the coordinates, not " + quoted(words_[3]));
  c.shift = n == 3;
  if (!needCanvas() || !coordinate(1, c.a) || !coordinate(2, c.b)) return false;
  if (c.op == Op::Drag && !pressed_)
    warn(
        "'drag' before any 'press' on this canvas: the pen draws from wherever it last saw the "
        "cursor, with the block size and tone of its last press");
  else if (c.op == Op::Drag && !strokeOpen_)
    warn(
        "'drag' after an undo or redo with no 'press' since: the pen draws on from where it "
        "last saw the cursor, and an undo takes that back with the stroke before it");
  if (c.op == Op::Press) {
    pressed_ = strokeOpen_ = true;
    redo_.clear();
    undo_.push_back(
        {script_.commands.size(), canvasWidth_, canvasHeight_, canvasWidth_, canvasHeight_});
  }
  return true;
}

// A stroke is undone back to the canvas its press found, a palette and a
// canvas back to the one they replaced; a redo goes forward again. The
// step's command must then keep what it changed.
bool Checker::history(Command& c) {
  c.op = words_[0] == "undo" ? Op::Undo : Op::Redo;
  if (words_.size() != 1) return wrongArguments();
  if (!needCanvas()) return false;
  std::vector<Step>& from = c.op == Op::Undo ? undo_ : redo_;
  std::vector<Step>& to = c.op == Op::Undo ? redo_ : undo_;
  if (from.empty())
    return fail(c.op == Op::Undo
                    ? "nothing to undo: no stroke or new canvas since the first canvas or since "
                      "the undos above"
                    : "nothing to redo: no undo since the last stroke or canvas");
  const Step step = from.back();
  from.pop_back();
  strokeOpen_ = false;
  if (step.command != SIZE_MAX) script_.commands[step.command].keep = true;
  canvasWidth_ = c.op == Op::Undo ? step.widthBefore : step.widthAfter;
  canvasHeight_ = c.op == Op::Undo ? step.heightBefore : step.heightAfter;
  to.push_back(step);
  return true;
}

bool Checker::expect(Command& c) {
  const std::size_t n = words_.size() - 1;
  const std::string what = n >= 1 ? words_[1] : "";
  if (what == "pixel" && n == 4) {
    c.op = Op::ExpectPixel;
    if (!needCanvas() || !coordinate(2, c.a) || !coordinate(3, c.b) || !colourIndex(4, c.c))
      return false;
    if (canvasWidth_ > 0 && (c.a < 0 || c.b < 0 || c.a >= canvasWidth_ || c.b >= canvasHeight_))
      return fail("pixel (" + words_[2] + ", " + words_[3] + ") lies outside the " +
                  size(canvasWidth_, canvasHeight_) + " canvas");
    return true;
  }
  if (what == "colours" && n == 3) {
    c.op = Op::ExpectColours;
    return colourIndex(2, c.a) && colourIndex(3, c.b);
  }
  if (what == "rect" && n == 5) {
    c.op = Op::ExpectRect;
    return number(2, INT32_MIN, INT32_MAX, "a rectangle edge", c.a) &&
           number(3, INT32_MIN, INT32_MAX, "a rectangle edge", c.b) &&
           number(4, INT32_MIN, INT32_MAX, "a rectangle edge", c.c) &&
           number(5, INT32_MIN, INT32_MAX, "a rectangle edge", c.d);
  }
  if (what == "flags" && n == 2) {
    c.op = Op::ExpectFlags;
    const std::string& word = words_[2];
    bool hex = word.size() > 2 && word.size() <= 10 && word[0] == '0' &&
               (word[1] == 'x' || word[1] == 'X');
    for (std::size_t i = 2; hex && i < word.size(); ++i)
      hex = std::isxdigit(static_cast<unsigned char>(word[i])) != 0;
    if (!hex) return fail(quoted(word) + " is not a flag word in hexadecimal, like 0x03000010");
    c.flags = static_cast<uint32_t>(std::stoul(word.substr(2), nullptr, 16));
    return true;
  }
  return wrongArguments();
}

bool Checker::save(Command& c) {
  const std::size_t n = words_.size() - 1;
  if (n != 1 && n != 3) return wrongArguments();
  const std::string& name = words_[1];
  payload(c).text = name;
  if (hasExtension(name, ".bmp")) {
    c.op = Op::SaveBmp;
    if (n != 1) return fail("a BMP is saved as it is: 'scale' applies to PNG files only");
  } else if (hasExtension(name, ".png")) {
    c.op = Op::SavePng;
    c.a = kDefaultScale;
    if (n == 3 && words_[2] != "scale") return wrongArguments();
    if (n == 3 && !number(3, 1, kMaxScale, "the scale", c.a)) return false;
  } else {
    return fail("cannot tell the format of " + quoted(name) +
                ": the name must end in .bmp or .png");
  }
  if (!needCanvas()) return false;
  const int64_t width = int64_t{canvasWidth_} * c.a, height = int64_t{canvasHeight_} * c.a;
  if (c.op == Op::SavePng && width * height > kMaxColourPixels)
    return fail("the picture would be " + size(width, height) + " pixels; at most " +
                std::to_string(kMaxColourPixels) + " pixels (" + size(8192, 8192) +
                ") can be written: use a smaller scale");
  const std::string problem = fileNameProblem(name);
  if (!problem.empty()) return fail("cannot save " + quoted(name) + ": the name " + problem);
  const std::string folder = folderOf(name);
  if (!folder.empty() && !isFolder(folder))
    return fail("cannot save " + quoted(name) + ": there is no folder " + quoted(folder));
  if (isFolder(name)) return fail("cannot save " + quoted(name) + ": it is a folder");
  return true;
}

}  // namespace

bool penBlockSize(const std::string& item, int64_t& width, int64_t& height) {
  // The pen copies the item into a buffer of kSizeTextBytes, NUL included, and
  // reads none that does not fit; what it copies it reads as every tool does.
  int32_t w = 1, h = 1;
  const bool read = item.size() < kSizeTextBytes && parseBlockSizeText(item.c_str(), w, h);
  width = read ? w : 1;
  height = read ? h : 1;
  return read;
}

std::string blockItemWarning(const std::string& item) {
  if (!penReadsAsOneByOne(item)) return "";
  if (item.size() >= kSizeTextBytes)
    return "reads a block-size text of " + std::to_string(item.size()) +
           " bytes as 1 x 1 blocks: at most " + std::to_string(kSizeTextBytes - 1) +
           " bytes fit its buffer";
  return "reads " + quoted(item) +
         " as 1 x 1 blocks: it takes a width, the letter x, a height and a space, as in "
         "'3x2 pixels'";
}

bool penReadsAsOneByOne(const std::string& item) {
  int64_t width = 0, height = 0;
  return !penBlockSize(item, width, height);
}

Script checkScript(const std::string& path, const std::vector<uint8_t>& bytes, Findings& findings) {
  Script script;
  script.path = path;
  script.commands.reserve(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) +
                          1);
  Checker checker(script, findings);
  std::size_t at = 0;
  if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) at = 3;
  for (int number = 1; at < bytes.size(); ++number) {
    const auto begin = bytes.begin() + static_cast<std::ptrdiff_t>(at);
    const auto end = std::find(begin, bytes.end(), '\n');
    std::string text(begin, end);
    at += text.size() + 1;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    checker.check(number, text);
  }
  return script;
}

Script readScript(const std::string& path, Findings& findings) {
  std::vector<uint8_t> bytes;
  std::string error;
  const std::string problem = fileNameProblem(path);
  if (!problem.empty()) error = "the name " + problem;
  if (!error.empty() || !readFile(path, kMaxScriptBytes, bytes, error)) {
    findings.error(escaped(path) + ": cannot read the script: " + error);
    Script none;
    none.path = path;
    return none;
  }
  return checkScript(escaped(path), bytes, findings);
}
