// The pen's only platform calls: user32's window functions behind the seam
// of window_tree.h.
#include <windows.h>

#include "window_tree.h"

namespace {

HWND hwnd(WindowHandle window) { return static_cast<HWND>(window); }

}  // namespace

WindowHandle windowParent(WindowHandle window) { return GetParent(hwnd(window)); }

WindowHandle childWindow(WindowHandle parent, const char* className) {
  return FindWindowExA(hwnd(parent), nullptr, className, nullptr);
}

WindowHandle dialogItem(WindowHandle page, int32_t id) { return GetDlgItem(hwnd(page), id); }

int32_t comboSelection(WindowHandle box) {
  return static_cast<int32_t>(SendMessageA(hwnd(box), CB_GETCURSEL, 0, 0));
}

// The index goes back to the box as a WPARAM bit for bit, CB_ERR included.
int32_t comboItemLength(WindowHandle box, int32_t index) {
  return static_cast<int32_t>(
      SendMessageA(hwnd(box), CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0));
}

void comboItemText(WindowHandle box, int32_t index, char* buffer) {
  SendMessageA(hwnd(box), CB_GETLBTEXT, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(buffer));
}
