// frame_events.h - what the frame's child windows (the dialog bar, the canvas
// view, the palette grid) tell the frame, and the little they ask of it: a
// record of callbacks the frame fills in. The children are handed the
// editor's session for what they show and this for what they change, so
// that they know neither the frame nor each other.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

// What the view draws over the canvas, as the bar's controls set it.
struct ViewOverlay {
  int protectIndex = -1;  // the colour tinted as protected, or -1
  bool grid = false;      // the block grid
  bool footprint = true;  // the brush's outline under the pointer
  std::string blocks;     // the block-size text the next press will read
};

struct FrameEvents {
  // One message from the view to the pen, the cursor in canvas pixels.
  std::function<void(UINT message, WPARAM keyFlags, int32_t x, int32_t y)> toPen;
  // The pointer is over canvas pixel (x, y), or (`over` false) left the view.
  std::function<void(bool over, int32_t x, int32_t y)> pointerMoved;
  // A control changed what the pen meets or what the view shows.
  std::function<void()> inputsEdited;
  std::function<void()> coloursEdited;
  // The bar chose a zoom; the view changed its zoom by itself.
  std::function<void(int zoom)> zoomPicked;
  std::function<void(int zoom)> zoomMoved;
  std::function<void()> aboutAsked;
  // A choice made with the mouse is done: the keyboard goes back to the view.
  std::function<void()> choiceMade;
  std::function<ViewOverlay()> overlayNow;
};
