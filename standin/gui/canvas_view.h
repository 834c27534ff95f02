// canvas_view.h - the editor's document window (the grey workspace with the
// scroll bars) and the view in it, the window the pen is told about. The
// view shows the canvas through the palette at the zoom, with the protected
// pixels tinted while the mask applies, the block grid on request and the
// brush's footprint under the pointer, and sends the pen its own mouse and
// key messages with the cursor in canvas pixels.
//
// A margin of half the brush (at least a pixel) surrounds the canvas and is
// part of the view: a press there reaches the pen with coordinates off the
// canvas, as a drag does, so that a brush can reach every edge pixel with
// any part of it. Scrolling is in canvas pixels and the view is never larger
// than the workspace: it shows the canvas and margin from the scroll
// position on, so that every pixel of the largest canvas is in reach at
// every zoom (window coordinates end at 32,767). A button-held move goes to
// the pen only during a stroke that began with a press on the view; any
// other move reaches the pen as a move with no button held.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "editor_session.h"
#include "footprint.h"
#include "frame_events.h"

class CanvasView {
 public:
  explicit CanvasView(const FrameEvents& events) : events_(events) {}

  void attach(HWND document, HWND view, int zoom, const EditorSession& session);
  HWND window() const { return view_; }
  int zoom() const { return zoom_; }

  // The zoom, keeping the canvas pixel under the cursor where it is (or the
  // one in the middle, when the cursor is elsewhere).
  void setZoom(int zoom);
  void zoomIn() { step(+1); }
  void zoomOut() { step(-1); }
  // The largest zoom that shows the whole canvas and its margin.
  void fit();
  // Another canvas (New, Open, or an undo of them): from its top-left corner.
  void canvasReplaced();
  // The canvas, the brush (the margin) or the workspace changed size.
  void layout();
  // Canvas pixels to paint again, left and top inclusive.
  void repaint(int64_t left, int64_t top, int64_t right, int64_t bottom);
  void repaintAll() { InvalidateRect(view_, nullptr, FALSE); }
  // The footprint under the pointer, after the brush or the blocks changed.
  void footprintChanged();

  LRESULT viewHandle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT documentHandle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  // Canvas pixels, left and top inclusive, right and bottom exclusive.
  struct Area {
    int64_t left = 0, top = 0, right = 0, bottom = 0;
    bool empty() const { return left >= right || top >= bottom; }
  };

  void paint(HDC dc, const RECT& area);
  void paintCanvas(HDC dc, const RECT& area);
  void paintGrid(HDC dc, const std::string& blocks);
  void paintFootprint(HDC dc);
  void paintFocus(HDC dc);
  void scrollTo(int64_t x, int64_t y);
  void scrolled(int bar, WPARAM wParam);
  bool scrollKey(WPARAM key);
  void wheel(WPARAM wParam, LPARAM lParam);
  void step(int direction);
  void zoomAbout(int zoom, int viewX, int viewY);
  int32_t canvasX(int viewX) const;
  int32_t canvasY(int viewY) const;
  int viewX(int64_t canvasX) const;
  int viewY(int64_t canvasY) const;
  int pageColumns() const;
  int pageRows() const;
  void mouse(UINT message, WPARAM wParam, LPARAM lParam);
  // The pointer moved to canvas pixel (x, y), or left the view.
  void hover(bool over, int32_t x, int32_t y);
  void repaint(const Area& area) { repaint(area.left, area.top, area.right, area.bottom); }

  const FrameEvents& events_;
  const EditorSession* session_ = nullptr;
  HWND document_ = nullptr, view_ = nullptr;
  int zoom_ = 8;
  int32_t marginX_ = 1, marginY_ = 1;  // canvas pixels of margin on every side
  int32_t scrollX_ = 0, scrollY_ = 0;  // the canvas pixel at the view's top-left corner
  bool stroking_ = false;              // a press on the view, not yet released
  bool tracking_ = false;              // the view hears when the pointer leaves it
  bool focused_ = false;               // the view has the keyboard
  bool hovering_ = false;              // the pointer is over the view
  int32_t hoverX_ = 0, hoverY_ = 0;    // the canvas pixel under it
  Area footprintShown_;                // what the footprint covers, to erase it
  std::vector<EdgeSegment> inkOutline_, blockOutline_;  // the footprint as drawn
  int wheelRest_ = 0;
};
