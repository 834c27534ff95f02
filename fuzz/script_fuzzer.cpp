// script_fuzzer.cpp - the libFuzzer target for the stand-in's script reader:
// stroke scripts and the palettes and pictures they read, checked as
// standin.exe checks them before any replay.
//
// An input is a script, optionally followed by files: a line "@@ NAME" starts
// a file called NAME whose bytes run to the next such line (a script that
// says "palette p.pal" finds the file of "@@ p.pal"). Besides finding crashes,
// leaks and undefined behaviour, it checks what a user is shown:
//   - every message is UTF-8 without control bytes, names the script, and is
//     at most a few hundred bytes however long the input's words are;
//   - at most Findings::kMaxShown errors and as many warnings are kept;
//   - a script without errors holds only commands a replay can carry out:
//     pictures of the sizes checked, pixel expectations on the canvas (as an
//     undo of a new canvas brings the old size back), undos and redos that
//     return to kept steps.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "memory_files.h"
#include "script.h"
#include "text.h"

namespace {

constexpr char kScriptName[] = "fuzz.strokes";
constexpr std::size_t kMaxMessageBytes = 600;

[[noreturn]] void failed(const char* what, const std::string& detail) {
  std::fprintf(stderr, "script_fuzzer: %s: %s\n", what, escaped(detail).c_str());
  std::abort();
}

// Splits the input into the script and its files.
std::vector<uint8_t> split(const uint8_t* data, std::size_t size) {
  auto& files = testing_support::memoryFiles();
  files.clear();
  std::vector<uint8_t> script;
  std::vector<uint8_t>* into = &script;
  std::size_t at = 0;
  while (at < size) {
    std::size_t end = at;
    while (end < size && data[end] != '\n') ++end;
    const bool header =
        end - at > 3 && data[at] == '@' && data[at + 1] == '@' && data[at + 2] == ' ';
    if (header) {
      into = &files[std::string(data + at + 3, data + end)];
      into->clear();
    } else {
      into->insert(into->end(), data + at, data + std::min(end + 1, size));
    }
    at = end + 1;
  }
  return script;
}

void checkMessages(const Findings& findings) {
  long errors = 0, warnings = 0;
  for (const Finding& finding : findings.shown) {
    const std::string& line = finding.text;
    if (!isUtf8(line)) failed("a message is not UTF-8", line);
    for (char c : line)
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) failed("a raw control byte", line);
    // Characters a terminal or a dialog acts on: C1 controls (C2 80..9F),
    // the Arabic letter mark, the directional marks and the embeddings,
    // overrides and isolates.
    for (const char* acted : {"\xD8\x9C", "\xE2\x80\x8E", "\xE2\x80\x8F", "\xE2\x80\xAA",
                              "\xE2\x80\xAB", "\xE2\x80\xAC", "\xE2\x80\xAD", "\xE2\x80\xAE",
                              "\xE2\x81\xA6", "\xE2\x81\xA7", "\xE2\x81\xA8", "\xE2\x81\xA9"})
      if (line.find(acted) != std::string::npos) failed("a raw bidirectional control", line);
    for (std::size_t i = 0; i + 1 < line.size(); ++i)
      if (static_cast<unsigned char>(line[i]) == 0xC2 &&
          static_cast<unsigned char>(line[i + 1]) >= 0x80 &&
          static_cast<unsigned char>(line[i + 1]) <= 0x9F)
        failed("a raw C1 control", line);
    if (line.size() > kMaxMessageBytes) failed("a message too long", line);
    if (line.compare(0, sizeof kScriptName - 1, kScriptName) != 0)
      failed("a message that does not name the script", line);
    if (finding.warning && line.find(": warning: ") == std::string::npos)
      failed("a warning not marked so", line);
    (finding.warning ? warnings : errors)++;
  }
  if (errors > Findings::kMaxShown || warnings > Findings::kMaxShown ||
      errors != std::min<long>(findings.errors, Findings::kMaxShown) ||
      warnings != std::min<long>(findings.warnings, Findings::kMaxShown))
    failed("messages kept and counted differ", std::to_string(findings.shown.size()));
}

void checkCommands(const Script& script) {
  // The history's steps as the replay will stack them: a press, or a palette
  // or a canvas after the first canvas (which brings back the size of the one
  // it replaced).
  struct Step {
    bool kept;
    int32_t widthBefore, heightBefore, widthAfter, heightAfter;
  };
  int32_t width = 0, height = 0;
  bool haveCanvas = false;
  std::vector<Step> undo, redo;
  for (const Command& c : script.commands) {
    switch (c.op) {
      case Op::Canvas:
      case Op::CanvasLoad: {
        const int32_t w = c.op == Op::Canvas ? c.a : c.payload->image.width;
        const int32_t h = c.op == Op::Canvas ? c.b : c.payload->image.height;
        if (c.op == Op::CanvasLoad && c.payload->image.pixels.size() !=
                                          static_cast<std::size_t>(w) * static_cast<std::size_t>(h))
          failed("a loaded canvas of the wrong size", std::to_string(c.line));
        if (haveCanvas) {
          redo.clear();
          undo.push_back({c.keep, width, height, w, h});
        }
        haveCanvas = true;
        width = w, height = h;
        break;
      }
      case Op::MaskLoad:
      case Op::PickSource:
        if (c.payload->image.width != width || c.payload->image.height != height)
          failed("a picture unlike the canvas", std::to_string(c.line));
        break;
      case Op::UseBrush:
        if (c.payload->brush.ink.size() != static_cast<std::size_t>(c.payload->brush.width) *
                                               static_cast<std::size_t>(c.payload->brush.height))
          failed("a brush of the wrong size", std::to_string(c.line));
        break;
      case Op::ExpectPixel:
        if (c.a < 0 || c.b < 0 || c.a >= width || c.b >= height)
          failed("a pixel off the canvas", std::to_string(c.line));
        break;
      case Op::UsePalette:
        if (!haveCanvas) break;
        [[fallthrough]];
      case Op::Press:
        redo.clear();
        undo.push_back({c.keep, width, height, width, height});
        break;
      case Op::Undo:
      case Op::Redo: {
        auto& from = c.op == Op::Undo ? undo : redo;
        auto& to = c.op == Op::Undo ? redo : undo;
        if (from.empty() || !from.back().kept)
          failed("an undo or redo to nothing", std::to_string(c.line));
        const Step step = from.back();
        from.pop_back();
        width = c.op == Op::Undo ? step.widthBefore : step.widthAfter;
        height = c.op == Op::Undo ? step.heightBefore : step.heightAfter;
        to.push_back(step);
        break;
      }
      default:
        break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::vector<uint8_t> script = split(data, size);
  Findings findings;
  const Script checked = checkScript(kScriptName, script, findings);
  checkMessages(findings);
  if (findings.errors == 0) checkCommands(checked);
  return 0;
}
