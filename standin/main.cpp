// standin.exe - a stand-in for the editor that hosts a pen plug-in: loads the
// pen, shows its identity, and replays stroke scripts through it, saving the
// canvas as pictures.
//
//   standin PEN.dll SCRIPT [SCRIPT...]   check every script, then replay each
//   standin --info PEN.dll [BUTTON.png]  identity and tool-button picture
//
// Exit status: 0 done; 1 an expectation of a script did not hold; 2 bad
// usage, a faulty script (nothing is then written at all), a library that
// does not load, or a file that cannot be written.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "editor.h"
#include "pen_library.h"
#include "picture_files.h"
#include "script.h"
#include "zorvel_windows.h"

namespace {

const char kUsage[] =
    "usage: standin PEN.dll SCRIPT [SCRIPT...]\n"
    "       standin --info PEN.dll [BUTTON.png]\n";

int usage() {
  std::fputs(kUsage, stderr);
  return kExitBadInput;
}

// A plug-in's strings are in code page 932; the console gets UTF-8.
std::string utf8FromCodePage932(const char* text) {
  if (!text) return "(none)";
  const int wide = MultiByteToWideChar(932, 0, text, -1, nullptr, 0);
  if (wide <= 0) return text;
  std::wstring w(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(932, 0, text, -1, &w[0], wide);
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, &out[0], bytes, nullptr, nullptr);
  out.resize(static_cast<std::size_t>(bytes > 0 ? bytes - 1 : 0));
  return out;
}

bool loadPen(PenLibrary& pen, const std::string& path) {
  std::string error;
  if (pen.load(path, error)) return true;
  std::fprintf(stderr, "%s\n", error.c_str());
  return false;
}

int showInfo(const std::string& dllPath, std::string pngPath) {
  PenLibrary pen;
  if (!loadPen(pen, dllPath)) return kExitBadInput;
  if (pngPath.empty()) pngPath = std::filesystem::path(dllPath).stem().string() + "-button.png";

  PenInfo info{};
  const int32_t result = pen.getInfo(&info);
  std::printf("library:     %s\n", dllPath.c_str());
  std::printf("name:        %s\n", utf8FromCodePage932(info.name).c_str());
  std::printf("alt name:    %s\n", utf8FromCodePage932(info.altName).c_str());
  std::printf("version:     %s\n", utf8FromCodePage932(info.version).c_str());
  std::printf("copyright:   %s\n", utf8FromCodePage932(info.copyright).c_str());
  std::printf("description: %s\n", utf8FromCodePage932(info.description).c_str());
  std::printf("infoWord:    0x%08lX\n", static_cast<unsigned long>(info.infoWord));
  std::fflush(stdout);
  if (result != 1) {
    std::fprintf(stderr, "%s: _ZVGetInfo returned %ld, not 1\n", dllPath.c_str(),
                 static_cast<long>(result));
    return kExitBadInput;
  }

  RgbPicture button;
  int bits = 0;
  std::string error;
  if (!pen.toolButton(button, bits, error)) {
    std::fprintf(stderr, "%s: %s\n", dllPath.c_str(), error.c_str());
    return kExitBadInput;
  }
  if (!writeWhole(pngPath, pngBytes(enlarged(button, kDefaultScale)), error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return kExitBadInput;
  }
  std::printf("tool button: %s (%d x %d, %d bits per pixel, shown %d times enlarged)\n",
              pngPath.c_str(), button.width, button.height, bits, kDefaultScale);
  return kExitOk;
}

int replayScripts(const std::string& dllPath, const std::vector<std::string>& paths) {
  // Every script is checked before the pen hears of any of them.
  std::vector<std::string> errors;
  std::vector<Script> scripts;
  for (const std::string& path : paths) scripts.push_back(readScript(path, errors));
  if (!errors.empty()) {
    for (const std::string& e : errors) std::fprintf(stderr, "%s\n", e.c_str());
    return kExitBadInput;
  }
  for (const Script& script : scripts) {
    // Each script meets a freshly loaded pen, so that its pictures do not
    // depend on the scripts replayed before it.
    PenLibrary pen;
    if (!loadPen(pen, dllPath)) return kExitBadInput;
    PenInfo info{};
    if (pen.getInfo(&info) != 1) {
      std::fprintf(stderr, "%s: _ZVGetInfo did not return 1\n", dllPath.c_str());
      return kExitBadInput;
    }
    zorvel_windows::Tree tree;
    if (!tree.complete()) {
      std::fprintf(stderr,
                   "cannot create the editor's windows (under Wine without a display, set the "
                   "graphics driver to null)\n");
      return kExitBadInput;
    }
    const int status = replay(script, pen, tree);
    if (status != kExitOk) return status;
  }
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  // Bytes out as they are: UTF-8 text with LF line ends.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  const std::vector<std::string> args(argv + 1, argv + argc);
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
