// zorvel_windows.h - the editor's window tree built from real windows, for
// the stand-in host and the test programs that run under Wine: a top-level
// frame; among its children, after another one, a window of the registered
// class "Zorvel DialogBar", whose first child holds a real COMBOBOX with
// control ID 110; and the chain frame > client > document > view, so that
// the view's third ancestor is the frame. Knows nothing of the pen's own
// headers.
#pragma once

#include <windows.h>

#include <string>

namespace zorvel_windows {

// What the pen looks for: the dialog bar's class among the frame's children
// and the block-size box's control ID in the bar's first child.
constexpr char kDialogBarClass[] = "Zorvel DialogBar";
constexpr int kBlockSizeBoxId = 110;

inline void registerClass(const char* name) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = name;
  RegisterClassA(&wc);  // a second registration fails harmlessly
}

inline HWND child(HWND parent, const char* windowClass, int id = 0, DWORD style = 0) {
  return CreateWindowExA(0, windowClass, "", WS_CHILD | style, 0, 0, 200, 100, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleA(nullptr), nullptr);
}

// The index of the block-size box's item that is `item` byte for byte, or
// CB_ERR. CB_FINDSTRINGEXACT ignores case and would find "3X2 a" for "3x2 A".
inline LRESULT findItem(HWND box, const std::string& item) {
  const LRESULT count = SendMessageA(box, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = SendMessageA(box, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length != static_cast<LRESULT>(item.size())) continue;
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    SendMessageA(box, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&text[0]));
    if (text.compare(0, item.size(), item) == 0) return i;
  }
  return CB_ERR;
}

// Selects `item`, adding it first if the box lacks it.
inline void selectItem(HWND box, const std::string& item) {
  LRESULT index = findItem(box, item);
  if (index == CB_ERR)
    index = SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

struct Tree {
  HWND frame = nullptr, toolbar = nullptr, bar = nullptr, page = nullptr, box = nullptr;
  HWND client = nullptr, document = nullptr, view = nullptr;

  // `barClass` other than "Zorvel DialogBar" builds a tree without the bar.
  explicit Tree(const char* barClass = kDialogBarClass) {
    registerClass("Zorvel Frame");
    registerClass("Zorvel Pane");
    registerClass(kDialogBarClass);
    frame = CreateWindowExA(0, "Zorvel Frame", "Zorvel", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480,
                            nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    toolbar = child(frame, "Zorvel Pane");
    bar = child(frame, barClass);
    page = child(bar, "Zorvel Pane");
    child(page, "STATIC", 109);
    box = child(page, "COMBOBOX", kBlockSizeBoxId, CBS_DROPDOWNLIST | WS_VSCROLL);
    client = child(frame, "Zorvel Pane");
    document = child(client, "Zorvel Pane");
    view = child(document, "Zorvel Pane");
    for (const char* item : {"1x1 pixel", "3x2 pixels", "4x2 pixels", "16x16 pixels"})
      SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  }
  ~Tree() { DestroyWindow(frame); }
  Tree(const Tree&) = delete;
  Tree& operator=(const Tree&) = delete;

  bool complete() const { return frame && toolbar && bar && page && box && view; }

  void select(const std::string& item) { selectItem(box, item); }
  LRESULT find(const std::string& item) const { return findItem(box, item); }
  void clearSelection() { SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(-1), 0); }
};

}  // namespace zorvel_windows
