// standin-gui.exe - the editor's part, played interactively: a window with
// the editor's window tree, where a person draws with any pen plug-in using
// the mouse, and a recording of what they did as a stroke script that
// standin.exe replays to the same canvas.
//
// Exit status: 0 (also after --help, which prints the usage); 1 when the
// recording could not be written and the user closed without it; 2 bad
// usage, a recording or timing log that cannot be written where it was asked
// for, or a pen that does not load or lacks an export (a message box says
// which, before the window opens).
#include <windows.h>

#include <new>
#include <string>
#include <vector>

#include "dialogs.h"
#include "file_names.h"
#include "files.h"
#include "frame.h"
#include "gui_options.h"
#include "pen_library.h"
#include "text.h"
#include "wide_text.h"

namespace {

// The folder of this program, with its separator.
std::string programFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::string p = narrowed(path);
  const std::size_t slash = p.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : p.substr(0, slash + 1);
}

// The usage on the standard output where there is one (a terminal, a pipe),
// else in a message box.
void showUsage() {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out && out != INVALID_HANDLE_VALUE && GetFileType(out) != FILE_TYPE_UNKNOWN) {
    const std::string text = std::string(kGuiUsage) + "\n";
    DWORD written = 0;
    WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  showMessage(nullptr, kGuiUsage, MB_ICONINFORMATION);
}

// A file's place (the recording's, the timing log's), made absolute against
// the folder the program started in, once: whatever a dialog does later, it
// goes where it was asked to. Empty with `error` when it could not be
// written there.
std::string writablePlace(const std::string& asked, std::string& error) {
  const std::string problem = fileNameProblem(asked);
  if (!problem.empty()) {
    error = "the name " + problem;
    return "";
  }
  const std::string path = absolutePath(asked);
  if (!canWrite(path, error)) return "";
  return path;
}

int run() {
  GuiOptions options;
  std::string error;
  if (!parseGuiOptions(commandLineArguments(), options, error)) {
    showMessage(nullptr, error + ".\n\n" + kGuiUsage);
    return kExitBadUsage;
  }
  if (options.help) {
    showUsage();
    return kExitDone;
  }
  // Where --record and --timing write, checked before the window opens.
  auto place = [&](const std::string& asked, const char* cannot, std::string& path) {
    if (asked.empty()) return true;
    path = writablePlace(asked, error);
    if (!path.empty()) return true;
    showMessage(nullptr, cannot + escapedPath(asked) + "': " + error + ".");
    return false;
  };
  std::string record, timing;
  if (!place(options.record, "Cannot record the session into '", record) ||
      !place(options.timing, "Cannot write the timings into '", timing))
    return kExitBadUsage;
  if (options.pen.empty()) options.pen = programFolder() + "Tessaly.dll";
  PenLibrary pen;
  if (!pen.load(options.pen, error)) {
    showMessage(nullptr, error);
    return kExitBadUsage;
  }
  PenInfo info{};
  if (pen.getInfo(&info) != 1) {
    showMessage(nullptr, escapedPath(options.pen) + ": _ZVGetInfo did not return 1");
    return kExitBadUsage;
  }
  Frame frame(options, pen, info, record, timing);
  if (!frame.create(error)) {
    showMessage(nullptr, error);
    return kExitBadUsage;
  }
  MSG msg;
  for (;;) {
    // Nothing waiting, not even a paint: every message so far is answered.
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) frame.idle();
    if (GetMessageW(&msg, nullptr, 0, 0) <= 0) break;
    if (frame.translate(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return frame.exitStatus();
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  try {
    return run();
  } catch (const std::bad_alloc&) {
    showMessage(nullptr, "Out of memory.");
  }
  return kExitBadUsage;
}
