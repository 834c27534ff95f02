// window_object.h - a window's C++ object found from its handle: the object
// is the window's creation parameter, kept in its user data from
// WM_NCCREATE on, and the class's procedure hands every message to one of
// the object's member functions. No global objects, no trampolines per
// class.
#pragma once

#include <windows.h>

#include <string>

#include "wide_text.h"

template <class T, LRESULT (T::*handle)(HWND, UINT, WPARAM, LPARAM)>
LRESULT CALLBACK objectProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* object = reinterpret_cast<T*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    // CREATESTRUCTA and CREATESTRUCTW keep lpCreateParams in the same place.
    object = static_cast<T*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
  }
  return object ? (object->*handle)(window, message, wParam, lParam)
                : DefWindowProcW(window, message, wParam, lParam);
}

// Unicode windows, so that titles and texts reach them as wide characters.
inline void registerWindowClass(const char* name, WNDPROC procedure, HBRUSH background,
                                LPCWSTR cursor = MAKEINTRESOURCEW(32512)) {  // IDC_ARROW
  const std::wstring wideName = widened(name);
  WNDCLASSW wc{};
  wc.lpfnWndProc = procedure;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = wideName.c_str();
  wc.hbrBackground = background;
  wc.hCursor = LoadCursorW(nullptr, cursor);
  RegisterClassW(&wc);
}

// A control as a child of `parent`, in the dialog bar's font.
inline HWND makeControl(HWND parent, const char* windowClass, const char* text, DWORD style, int x,
                        int y, int w, int h, int id) {
  HWND control = CreateWindowExA(0, windowClass, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h,
                                 parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleA(nullptr), nullptr);
  SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
  return control;
}

inline std::string windowText(HWND window) {
  const int n = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(n > 0 ? n : 0) + 1, L'\0');
  GetWindowTextW(window, &text[0], n + 1);
  return narrowed(text.c_str());
}
