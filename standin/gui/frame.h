// frame.h - the interactive stand-in's main window: the editor's frame. It
// holds the editor's session (the document, the history, the recording) and
// the windows around it: the tool bar and dialog bar, the canvas view, the
// palette grid and the status bar; it carries out the menu's commands, asks
// before unsaved work would be lost, and keeps the keyboard with the view
// unless the person chose a control of the bar with Tab. The child windows
// reach it only through FrameEvents.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "canvas_view.h"
#include "dialog_bar.h"
#include "editor_session.h"
#include "frame_events.h"
#include "gui_options.h"
#include "latency_log.h"
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
  // `recordPath` and `timingPath` are absolute, or empty for no recording
  // (until one is saved) and no latency log.
  Frame(const GuiOptions& options, const PenLibrary& pen, const PenInfo& info,
        std::string recordPath, std::string timingPath);
  Frame(const Frame&) = delete;
  Frame& operator=(const Frame&) = delete;

  // Makes and shows the windows; false with `error` when they cannot be made.
  bool create(std::string& error);
  // Keyboard routing for the message loop: shortcuts (the editing ones only
  // outside text fields), Enter in the bar's fields, Tab round the view and
  // the bar's controls. True when the message was used up.
  bool translate(MSG& message);
  // The message queue is empty: every answer painted (for the latency log).
  void idle() { latency_.idle(); }
  int exitStatus() const { return exitStatus_; }

  LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  // What the child windows tell the frame (FrameEvents).
  void penMessage(UINT message, WPARAM keyFlags, int32_t x, int32_t y);
  void pointerAt(bool over, int32_t x, int32_t y);
  void inputsChanged();
  void coloursChanged();
  void zoomChosen(int zoom);
  void zoomShown(int zoom);
  void aboutThePen();
  void keysToView();
  ViewOverlay overlay() const;

  void command(int id);
  void layout();
  void showStatus();
  void setStatusText(int part, const std::string& text);
  void fitStatusParts(const std::string* texts, int count);
  void showTitle();
  void repaintAll();
  // Before `what` would replace unsaved work: false when the user cancels.
  bool keepWork(const std::string& what);
  // Saves the document as a BMP, or exports it as a PNG (which leaves it
  // unsaved); true when the document is saved.
  bool save(bool askForName);
  void newCanvas();
  void open();
  void loadPalette();
  void saveRecordingAs();
  bool writeRecording(const std::string& path, std::string& error);
  void history(bool undo);
  bool applyInputs();
  void documentReplaced();
  void tab(bool backwards);
  void close();
  std::string documentName() const;

  GuiOptions options_;
  const PenLibrary& pen_;
  PenInfo info_;
  std::string recordPath_;
  zorvel_windows::Windows windows_;
  FrameEvents events_;  // before the windows that hold it
  DialogBar bar_;
  CanvasView view_;
  PaletteGrid palette_;
  HWND status_ = nullptr;
  HACCEL keys_ = nullptr, textKeys_ = nullptr;
  std::unique_ptr<WindowBlockBox> box_;
  std::unique_ptr<EditorSession> session_;
  Recorder recorder_;
  std::string notice_;  // the status bar's last part: an export, forgotten steps
  std::vector<int> statusEdges_;
  std::string statusTexts_[6];  // as the status bar shows them
  std::string title_;
  bool exported_ = false;  // the last save was a PNG export
  bool footprint_ = true;  // View > Footprint
  LatencyLog latency_;
  int exitStatus_ = kExitDone;
};
