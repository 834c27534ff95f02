#include "recorder.h"

#include <algorithm>

#include "file_names.h"
#include "files.h"

namespace {

std::string point(int32_t x, int32_t y) { return std::to_string(x) + " " + std::to_string(y); }

}  // namespace

bool PenInputs::operator==(const PenInputs& o) const {
  return blocksSelected == o.blocksSelected && blocks == o.blocks && tone == o.tone &&
         primary == o.primary && secondary == o.secondary && roundBrush == o.roundBrush &&
         brushSide == o.brushSide && maskOn == o.maskOn;
}

void Recorder::add(std::string text) {
  flushMove();
  lines_.push_back({std::move(text), -1});
}

void Recorder::flushMove() {
  if (!moveWaiting_) return;
  moveWaiting_ = false;
  lines_.push_back({"move " + point(moveX_, moveY_), -1});
}

void Recorder::canvas(int32_t width, int32_t height, uint8_t fill) {
  add("canvas " + point(width, height) + " " + std::to_string(fill));
  said_.maskOn = false;
}

void Recorder::canvasLoad(const std::vector<uint8_t>& bmpBytes) {
  flushMove();
  attachments_.push_back({".bmp", bmpBytes});
  lines_.push_back({"canvas load ", static_cast<int>(attachments_.size()) - 1});
  said_.maskOn = false;
}

void Recorder::palette(const std::vector<uint8_t>& palBytes) {
  flushMove();
  attachments_.push_back({".pal", palBytes});
  lines_.push_back({"palette ", static_cast<int>(attachments_.size()) - 1});
}

void Recorder::defaultPalette() { add("palette default"); }

void Recorder::inputs(const PenInputs& now) {
  if (now.blocksSelected != said_.blocksSelected ||
      (now.blocksSelected && now.blocks != said_.blocks))
    add(now.blocksSelected ? "blocks " + now.blocks : "blocks none");
  if (now.tone != said_.tone) add("tone " + std::to_string(now.tone));
  if (now.primary != said_.primary || now.secondary != said_.secondary)
    add("colours " + std::to_string(now.primary) + " " + std::to_string(now.secondary));
  if (now.roundBrush != said_.roundBrush || now.brushSide != said_.brushSide)
    add(std::string("brush ") + (now.roundBrush ? "round " : "square ") +
        std::to_string(now.brushSide));
  if (now.maskOn != said_.maskOn) add(now.maskOn ? "mask on" : "mask off");
  said_ = now;
}

void Recorder::maskClear() { add("mask clear"); }
void Recorder::maskColour(uint8_t index) { add("mask colour " + std::to_string(index)); }

void Recorder::press(int32_t x, int32_t y, bool shift) {
  add("press " + point(x, y) + (shift ? " shift" : ""));
}
void Recorder::drag(int32_t x, int32_t y, bool shift) {
  add("drag " + point(x, y) + (shift ? " shift" : ""));
}
void Recorder::move(int32_t x, int32_t y) {
  moveWaiting_ = true;
  moveX_ = x;
  moveY_ = y;
}
void Recorder::release(int32_t x, int32_t y) { add("release " + point(x, y)); }
void Recorder::pick(int32_t x, int32_t y, bool shift) {
  add("pick " + point(x, y) + (shift ? " shift" : ""));
}
void Recorder::pickedColours(uint32_t primary, uint32_t secondary) {
  said_.primary = primary;
  said_.secondary = secondary;
}
void Recorder::undo() { add("undo"); }
void Recorder::redo() { add("redo"); }

std::string Recorder::folderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string Recorder::baseName(const std::string& path) {
  std::string name = path.substr(folderOf(path).size());
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  // A script's file names are single words that Windows can create.
  for (char& c : name)
    if (c == ' ' || c == '\t') c = '_';
  if (name.empty() || !fileNameProblem(name + ".bmp").empty()) return "recording";
  return name;
}

namespace {

constexpr char kRecordedMark[] = "# Recorded by standin-gui.";

std::string bareName(const std::string& path) {
  return path.substr(Recorder::folderOf(path).size());
}

// A file name as a shell and the script language's reader would both take
// it: quoted when it has blanks.
std::string shellWord(const std::string& name) {
  return name.find_first_of(" \t") == std::string::npos ? name : "\"" + name + "\"";
}

}  // namespace

std::vector<std::string> Recorder::earlierAttachments(const std::string& path) {
  std::vector<uint8_t> bytes;
  std::string error;
  std::vector<std::string> names;
  if (!readFile(path, std::size_t{64} << 20, bytes, error)) return names;
  const std::string text(bytes.begin(), bytes.end());
  if (text.compare(0, sizeof kRecordedMark - 1, kRecordedMark) != 0) return names;
  const std::string base = baseName(path);
  for (const char* command : {"\ncanvas load ", "\npalette "}) {
    const std::string key = std::string(command) + base + "-";
    for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + 1)) {
      const std::size_t start = at + std::string(command).size();
      const std::size_t end = text.find_first_of("\r\n", start);
      names.push_back(text.substr(start, end - start));
    }
  }
  return names;
}

std::vector<std::string> Recorder::attachmentNames(const std::string& path,
                                                   const std::vector<std::string>& earlier) const {
  const std::string folder = folderOf(path), base = baseName(path);
  std::vector<std::string> names;
  int number = 0;
  for (const Attachment& a : attachments_) {
    std::string name;
    do {
      name = base + "-" + std::to_string(++number) + a.extension;
      // Someone else's file of that name stays: the next number is free.
    } while (fileExists(folder + name) &&
             std::find(earlier.begin(), earlier.end(), name) == earlier.end());
    names.push_back(name);
  }
  return names;
}

std::string Recorder::script(const std::string& path, const std::vector<std::string>& names) {
  flushMove();
  const std::string base = baseName(path);
  std::string text = std::string(kRecordedMark) +
                     " Replay it from this folder:\n#   standin.exe PEN.dll " +
                     shellWord(bareName(path)) + "\n# The replay saves " + base +
                     ".bmp over the picture written with it.\n";
  for (const Line& line : lines_) {
    text += line.text;
    if (line.attachment >= 0) {
      const auto i = static_cast<std::size_t>(line.attachment);
      text += i < names.size() ? names[i]
                               : base + "-" + std::to_string(i + 1) + attachments_[i].extension;
    }
    text += '\n';
  }
  return text + "save " + base + ".bmp\n";
}

bool Recorder::write(const std::string& path, const std::vector<uint8_t>& canvasBmp,
                     std::string& error) {
  const std::string folder = folderOf(path), base = baseName(path);
  const std::vector<std::string> earlier = earlierAttachments(path);
  const std::vector<std::string> names = attachmentNames(path, earlier);
  for (std::size_t i = 0; i < attachments_.size(); ++i)
    if (!writeWhole(folder + names[i], attachments_[i].bytes, error)) return false;
  if (!writeWhole(folder + base + ".bmp", canvasBmp, error)) return false;
  const std::string text = script(path, names);
  if (!writeWhole(path, std::vector<uint8_t>(text.begin(), text.end()), error)) return false;
  // The earlier recording's files that this one did not write again.
  for (const std::string& name : earlier)
    if (std::find(names.begin(), names.end(), name) == names.end() && fileExists(folder + name) &&
        !removeFile(folder + name, error))
      return false;
  return true;
}
