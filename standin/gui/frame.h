// frame.h - the interactive stand-in's main window: the editor's frame. It
// holds the editor's session (the document, the history, the recording) and
// the windows around it: the tool bar and dialog bar, the canvas view, the
// palette grid and the status bar; it carries out the menu's commands and
// asks before unsaved work would be lost.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "canvas_view.h"
#include "dialog_bar.h"
#include "editor_session.h"
#include "gui_options.h"
#include "palette_grid.h"
#include "pen_library.h"
#include "recorder.h"
#include "window_block_box.h"
#include "zorvel_windows.h"

// Exit statuses of the program.
constexpr int kExitDone = 0;
constexpr int kExitRecordingLost = 1;
constexpr int kExitBadUsage = 2;

class Frame {
 public:
  // `recordPath` is absolute, or empty for no recording until one is saved.
  Frame(const GuiOptions& options, const PenLibrary& pen, const PenInfo& info,
        std::string recordPath);
  Frame(const Frame&) = delete;
  Frame& operator=(const Frame&) = delete;

  // Makes and shows the windows; false with `error` when they cannot be made.
  bool create(std::string& error);
  // Keyboard routing for the message loop: shortcuts (the editing ones only
  // outside text fields), Enter in the bar's fields and Tab between its
  // controls. True when the message was used up.
  bool translate(MSG& message);
  int exitStatus() const { return exitStatus_; }

  // For the windows the frame holds.
  HWND window() const { return windows_.frame; }
  EditorSession& session() { return *session_; }
  DialogBar& bar() { return bar_; }
  CanvasView& view() { return view_; }
  PaletteGrid& palette() { return palette_; }
  // One message from the view to the pen, the cursor in canvas pixels.
  void penMessage(UINT message, WPARAM keyFlags, int32_t x, int32_t y);
  // The controls changed what the pen meets or what the view shows.
  void inputsChanged();
  void coloursChanged();
  void zoomChosen(int zoom);
  void showPosition(bool onCanvas, int32_t x, int32_t y);
  void showStatus();
  void about();

  LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  void command(int id);
  void layout();
  void showTitle();
  void repaintAll();
  // Before `what` would replace unsaved work: false when the user cancels.
  bool keepWork(const std::string& what);
  bool save(bool askForName);
  void newCanvas();
  void open();
  void loadPalette();
  void saveRecordingAs();
  bool writeRecording(const std::string& path, std::string& error);
  void history(bool undo);
  void close();
  std::string documentName() const;

  GuiOptions options_;
  const PenLibrary& pen_;
  PenInfo info_;
  std::string recordPath_;
  zorvel_windows::Windows windows_;
  DialogBar bar_;
  CanvasView view_;
  PaletteGrid palette_;
  HWND status_ = nullptr;
  HACCEL keys_ = nullptr, textKeys_ = nullptr;
  std::unique_ptr<WindowBlockBox> box_;
  std::unique_ptr<EditorSession> session_;
  Recorder recorder_;
  std::string forgotten_;  // said in the status bar once the history forgot steps
  int exitStatus_ = kExitDone;
};
