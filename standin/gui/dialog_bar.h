// dialog_bar.h - the frame's tool bar (the pen's button) and the editor's
// dialog bar, whose page holds the block-size box the pen reads, beside the
// controls of the pen's other inputs: the tone, the colours, the brush, the
// mask and the protected colour, the zoom and the grid. Values out of range
// are refused with their range, never clamped.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "editor_session.h"
#include "frame_events.h"
#include "gui_options.h"
#include "pen_info.h"
#include "recorder.h"
#include "zorvel_windows.h"

// Where the frame's client area puts things (the GUI test aims by them): the
// tool bar, then the dialog bar; in the page, the block-size box.
constexpr int kToolbarHeight = 30;
constexpr int kBarHeight = 64;
constexpr int kRowY = 6, kRow2Y = 36;
constexpr int kBoxX = 50;

// Posted to the frame when a number field lost the focus: checked then.
constexpr UINT kCheckFields = WM_APP + 1;

class DialogBar {
 public:
  explicit DialogBar(const FrameEvents& events) : events_(events) {}

  // The controls, on the tree's tool bar and page, showing `options`; the
  // swatches show the session's colours.
  void create(const zorvel_windows::Windows& tree, HMODULE pen, const PenInfo& info,
              const GuiOptions& options, const EditorSession& session);
  void layout(int width);

  // A notification from one of the bar's controls; false when it is none.
  bool command(int id, int code);
  void scrolled(HWND control);  // the tone slider or the brush size's arrows
  bool drawItem(const DRAWITEMSTRUCT& item);
  // A tooltip asks for a swatch's text; false when it is none of the bar's.
  bool notify(const NMHDR& header, LRESULT& result);
  // Says why a number field's text was refused (it shows the value in
  // force again already).
  void checkFields();

  // The inputs as the controls show them (colours are the session's).
  PenInputs inputs() const;
  // The colour index to protect at a press, or -1.
  int protectIndex() const;
  bool grid() const { return Button_GetCheckState(grid_); }
  // A new document starts unprotected, with the mask off.
  void documentReplaced();
  void showColours();
  void showZoom(int zoom);

  HWND page() const { return page_; }
  HWND box() const { return box_; }
  // A field where typing goes, which keeps its editing keys.
  bool isTextField(HWND window) const;
  // Enter in a field: adds the size, or checks the number.
  bool enter(HWND window);
  // A control that a mouse click leaves with a choice made: the keyboard
  // then goes back to the view.
  bool choiceByClick(HWND control) const;
  // The controls Tab visits, in order.
  std::vector<HWND> tabStops() const;

 private:
  static bool Button_GetCheckState(HWND button) {
    return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  void addSize();
  void addTip(HWND control, const wchar_t* text);  // LPSTR_TEXTCALLBACKW: asked each time
  HWND owner() const { return GetAncestor(page_, GA_ROOT); }
  // The number fields' values when they are in range; a field out of range
  // shows the value in force again at once, and why is said after.
  void takeFields();
  void takeNumber(HWND field, const char* what, int32_t low, int32_t high, int32_t& value);

  const FrameEvents& events_;
  const EditorSession* session_ = nullptr;
  HWND tip_ = nullptr;
  HWND toolbar_ = nullptr, bar_ = nullptr, page_ = nullptr, box_ = nullptr;
  HWND sizeField_ = nullptr, tone_ = nullptr, toneNumber_ = nullptr, swatch_[2] = {};
  HWND shape_ = nullptr, brushSize_ = nullptr, spin_ = nullptr, mask_ = nullptr, protect_ = nullptr;
  HWND protectIndex_ = nullptr, zoomBox_ = nullptr, grid_ = nullptr;
  HBITMAP buttonBitmap_ = nullptr;
  std::wstring tipText_;
  std::wstring swatchTip_;                 // the text a swatch's tooltip asked for last
  std::string refused_;                    // why a field's text was refused, said once
  int32_t brushSide_ = kDefaultBrushSide;  // the last size the field held in range
  int32_t protected_ = 0;
  bool checking_ = false;  // a message about a field is up
};
