// palette_grid.h - the 256 colours of the palette as a grid beside the view:
// a left click makes a colour the first (primary) one, a right click the
// second. The first is framed, the second marked in the middle, each in
// black and white so that the marks show on any colour. Each colour's
// tooltip gives its index and RGB.
#pragma once

#include <windows.h>

#include <string>

#include "editor_session.h"
#include "frame_events.h"

constexpr int kPaletteCell = 10;
constexpr int kPaletteMargin = 6;
constexpr int kPaletteWidth = 16 * kPaletteCell + 2 * kPaletteMargin;

class PaletteGrid {
 public:
  explicit PaletteGrid(const FrameEvents& events) : events_(events) {}
  void attach(HWND window, EditorSession& session);
  HWND window() const { return window_; }
  void repaint() { InvalidateRect(window_, nullptr, FALSE); }

  LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  void paint(HDC dc);

  const FrameEvents& events_;
  EditorSession* session_ = nullptr;
  HWND window_ = nullptr;
  std::wstring tipText_;  // the text the tooltip asked for last
};
