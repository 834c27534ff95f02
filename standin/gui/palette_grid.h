// palette_grid.h - the 256 colours of the palette as a grid beside the view:
// a left click makes a colour the first (primary) one, a right click the
// second. The first is framed, the second marked in the middle, each in
// black and white so that the marks show on any colour.
#pragma once

#include <windows.h>

class Frame;

constexpr int kPaletteCell = 10;
constexpr int kPaletteMargin = 6;
constexpr int kPaletteWidth = 16 * kPaletteCell + 2 * kPaletteMargin;

class PaletteGrid {
 public:
  explicit PaletteGrid(Frame& frame) : frame_(frame) {}
  void attach(HWND window) { window_ = window; }
  HWND window() const { return window_; }
  void repaint() { InvalidateRect(window_, nullptr, FALSE); }

  LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  void paint(HDC dc);

  Frame& frame_;
  HWND window_ = nullptr;
};
