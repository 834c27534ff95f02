// window_block_box.h - the editor session's block-size box played by the
// real COMBOBOX of the editor's window tree, the one the pen reads.
#pragma once

#include <windows.h>

#include <string>

#include "editor_session.h"
#include "pen_library.h"
#include "zorvel_windows.h"

class WindowBlockBox : public BlockBox {
 public:
  explicit WindowBlockBox(HWND box) : box_(box) {}
  bool selected(std::string& item) const override {
    return zorvel_windows::selectedItem(box_, item);
  }
  void select(const std::string& item) override { zorvel_windows::selectItem(box_, item); }
  void selectNone() override { SendMessageA(box_, CB_SETCURSEL, static_cast<WPARAM>(-1), 0); }

 private:
  HWND box_;
};

// The pen's entry point called for the editor's view window, as the editor
// calls it.
inline PenCall penCallFor(const PenLibrary& pen, HWND view) {
  return [&pen, view](uint32_t message, uint32_t keyFlags, int32_t param, PenContext* ctx) {
    return pen.pen(view, message, keyFlags, param, ctx);
  };
}
