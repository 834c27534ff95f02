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
//     pictures of the sizes checked, pixel expectations on the canvas,
//     undos and redos that return to kept canvases.
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
  int32_t width = 0, height = 0;
  std::vector<bool> undo, redo;  // kept or not, as the replay will stack them
  for (const Command& c : script.commands) {
    switch (c.op) {
      case Op::Canvas:
        width = c.a, height = c.b;
        undo.clear(), redo.clear();
        break;
      case Op::CanvasLoad:
        width = c.payload->image.width, height = c.payload->image.height;
        if (c.payload->image.pixels.size() !=
            static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
          failed("a loaded canvas of the wrong size", std::to_string(c.line));
        undo.clear(), redo.clear();
        break;
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
      case Op::Press:
        redo.clear();
        undo.push_back(c.keep);
        break;
      case Op::Undo:
      case Op::Redo: {
        auto& from = c.op == Op::Undo ? undo : redo;
        auto& to = c.op == Op::Undo ? redo : undo;
        if (from.empty() || !from.back())
          failed("an undo or redo to nothing", std::to_string(c.line));
        from.pop_back();
        to.push_back(c.keep);
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
