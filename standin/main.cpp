// standin.exe - a stand-in for the editor that hosts a pen plug-in: loads the
// pen, shows its identity, and replays stroke scripts through it, saving the
// canvas as pictures.
//
//   standin PEN.dll SCRIPT [SCRIPT...]           check every script, then replay each
//   standin --info PEN.dll [BUTTON.png|.bmp]     identity and tool-button picture
//
// Exit status: 0 done; 1 an expectation of a script did not hold; 2 bad
// usage, a faulty script (nothing is then written at all), a library that
// does not load, a file that cannot be written, or too little memory.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "file_names.h"
#include "files.h"
#include "pen_library.h"
#include "picture_files.h"
#include "replay.h"
#include "script.h"
#include "text.h"
#include "wide_text.h"
#include "window_block_box.h"
#include "zorvel_windows.h"

namespace {

const char kUsage[] =
    "usage: standin PEN.dll SCRIPT [SCRIPT...]\n"
    "       standin --info PEN.dll [BUTTON.png | BUTTON.bmp]\n";

int usage() {
  std::fputs(kUsage, stderr);
  return kExitBadInput;
}

bool loadPen(PenLibrary& pen, const std::string& path) {
  std::string error;
  if (pen.load(path, error)) return true;
  std::fprintf(stderr, "%s\n", error.c_str());
  return false;
}

std::string field(const char* text) { return text ? utf8FromCodePage(932, text) : "(none)"; }

// The library's file name without its folder and extension.
std::string stem(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\:");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

int showInfo(const std::string& dllPath, std::string picturePath) {
  if (picturePath.empty()) picturePath = stem(dllPath) + "-button.png";
  const bool bmp = hasExtension(picturePath, ".bmp");
  if (!bmp && !hasExtension(picturePath, ".png")) {
    std::fprintf(stderr, "cannot tell the format of %s: the name must end in .png or .bmp\n",
                 quoted(picturePath).c_str());
    return kExitBadInput;
  }
  const std::string problem = fileNameProblem(picturePath);
  if (!problem.empty()) {
    std::fprintf(stderr, "cannot save %s: the name %s\n", quoted(picturePath).c_str(),
                 problem.c_str());
    return kExitBadInput;
  }
  PenLibrary pen;
  if (!loadPen(pen, dllPath)) return kExitBadInput;

  PenInfo info{};
  const int32_t result = pen.getInfo(&info);
  std::printf("library:     %s\n", escapedPath(dllPath).c_str());
  std::printf("name:        %s\n", field(info.name).c_str());
  std::printf("alt name:    %s\n", field(info.altName).c_str());
  std::printf("version:     %s\n", field(info.version).c_str());
  std::printf("copyright:   %s\n", field(info.copyright).c_str());
  std::printf("description: %s\n", field(info.description).c_str());
  std::printf("infoWord:    0x%08lX\n", static_cast<unsigned long>(info.infoWord));
  std::fflush(stdout);
  if (result != 1) {
    std::fprintf(stderr, "%s: _ZVGetInfo returned %ld, not 1\n", escapedPath(dllPath).c_str(),
                 static_cast<long>(result));
    return kExitBadInput;
  }

  RgbPicture button;
  int bits = 0;
  std::string error;
  if (!pen.toolButton(button, bits, error)) {
    std::fprintf(stderr, "%s: %s\n", escapedPath(dllPath).c_str(), error.c_str());
    return kExitBadInput;
  }
  const RgbPicture shown = enlarged(button, kDefaultScale);
  if (!writeWhole(picturePath, bmp ? rgbBmp(shown) : pngBytes(shown), error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return kExitBadInput;
  }
  std::printf("tool button: %s (%d x %d, %d bits per pixel, shown %d times enlarged)\n",
              escapedPath(picturePath).c_str(), button.width, button.height, bits, kDefaultScale);
  return kExitOk;
}

// Every finding of every script, then how many were left out.
void report(const Findings& findings) {
  for (const Finding& f : findings.shown) std::fprintf(stderr, "%s\n", f.text.c_str());
  if (findings.hiddenErrors() > 0)
    std::fprintf(stderr, "... and %ld more errors not shown\n", findings.hiddenErrors());
  if (findings.hiddenWarnings() > 0)
    std::fprintf(stderr, "... and %ld more warnings not shown\n", findings.hiddenWarnings());
}

int replayScripts(const std::string& dllPath, const std::vector<std::string>& paths) {
  // Every script is checked before the pen hears of any of them.
  Findings findings;
  std::vector<Script> scripts;
  for (const std::string& path : paths) scripts.push_back(readScript(path, findings));
  report(findings);
  if (findings.errors > 0) return kExitBadInput;
  for (const Script& script : scripts) {
    // Each script meets a freshly loaded pen, so that its pictures do not
    // depend on the scripts replayed before it.
    PenLibrary pen;
    if (!loadPen(pen, dllPath)) return kExitBadInput;
    PenInfo info{};
    if (pen.getInfo(&info) != 1) {
      std::fprintf(stderr, "%s: _ZVGetInfo did not return 1\n", escapedPath(dllPath).c_str());
      return kExitBadInput;
    }
    zorvel_windows::Tree tree;
    if (!tree.complete()) {
      std::fprintf(stderr,
                   "cannot create the editor's windows (under Wine without a display, set the "
                   "graphics driver to null)\n");
      return kExitBadInput;
    }
    WindowBlockBox box(tree.box);
    const int status = replay(script, penCallFor(pen, tree.view), box);
    if (status != kExitOk) return status;
  }
  return kExitOk;
}

int run() {
  const std::vector<std::string> args = commandLineArguments();
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }
  if (!args.empty() && args[0] == "--info") {
    if (args.size() != 2 && args.size() != 3) return usage();
    return showInfo(args[1], args.size() == 3 ? args[2] : "");
  }
  if (args.size() < 2 || args[0].rfind("--", 0) == 0) return usage();
  return replayScripts(args[0], std::vector<std::string>(args.begin() + 1, args.end()));
}

}  // namespace

int main() {
  // Bytes out as they are: UTF-8 text with LF line ends.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  try {
    return run();
  } catch (const std::bad_alloc&) {
    std::fflush(stdout);
    std::fputs("standin: out of memory\n", stderr);
  } catch (const std::exception& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "standin: %s\n", e.what());
  }
  return kExitBadInput;
}
