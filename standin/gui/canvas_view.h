// canvas_view.h - the editor's document window (the grey workspace with the
// scroll bars) and the view in it, the window the pen is told about. The
// view shows the canvas through the palette at the zoom, with the protected
// pixels tinted while the mask applies and the block grid on request, and
// sends the pen its own mouse and key messages with the cursor in canvas
// pixels.
//
// Scrolling is in canvas pixels and the view is never larger than the
// workspace: it shows the part of the canvas from the scroll position on, so
// that every pixel of the largest canvas is in reach at every zoom (window
// coordinates end at 32,767). A button-held move goes to the pen only during
// a stroke that began with a press on the view; any other move reaches the
// pen as a move with no button held.
#pragma once

#include <windows.h>

#include <cstdint>

class Frame;

class CanvasView {
 public:
  explicit CanvasView(Frame& frame) : frame_(frame) {}

  void attach(HWND document, HWND view, int zoom);
  HWND window() const { return view_; }
  int zoom() const { return zoom_; }

  // The zoom, keeping the canvas pixel under the cursor where it is (or the
  // one in the middle, when the cursor is elsewhere).
  void setZoom(int zoom);
  void zoomIn() { step(+1); }
  void zoomOut() { step(-1); }
  // A new canvas: from its top-left corner.
  void canvasReplaced();
  void layout();
  // Canvas pixels to paint again, left and top inclusive.
  void repaint(int64_t left, int64_t top, int64_t right, int64_t bottom);
  void repaintAll() { InvalidateRect(view_, nullptr, FALSE); }

  LRESULT viewHandle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT documentHandle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  void paint(HDC dc, const RECT& area);
  void scrollTo(int64_t x, int64_t y);
  void scrolled(int bar, WPARAM wParam);
  bool scrollKey(WPARAM key);
  void wheel(WPARAM wParam, LPARAM lParam);
  void step(int direction);
  void zoomAbout(int zoom, int viewX, int viewY);
  int32_t canvasX(int viewX) const;
  int32_t canvasY(int viewY) const;
  int pageColumns() const;
  int pageRows() const;
  void mouse(UINT message, WPARAM wParam, LPARAM lParam);

  Frame& frame_;
  HWND document_ = nullptr, view_ = nullptr;
  int zoom_ = 8;
  int32_t scrollX_ = 0, scrollY_ = 0;  // the canvas pixel at the view's top-left corner
  bool stroking_ = false;              // a press on the view, not yet released
  bool tracking_ = false;              // the view hears when the pointer leaves it
  int wheelRest_ = 0;
};
