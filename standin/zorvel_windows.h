// zorvel_windows.h - the editor's window tree built from real windows, for
// both stand-ins and the test programs that run under Wine: a top-level
// frame; among its children, after another one, a window of the registered
// class "Zorvel DialogBar", whose first child (the page) holds a label and a
// real COMBOBOX with control ID 110; and the chain frame > client > document
// > view, so that the view's third ancestor is the frame. buildTree() is the
// one place that makes it; Tree is a headless one with default windows.
// Knows nothing of the pen's own headers.
#pragma once

#include <windows.h>

#include <string>

#include "editor_defaults.h"

namespace zorvel_windows {

// What the pen looks for: the dialog bar's class among the frame's children
// and the block-size box's control ID in the bar's first child.
constexpr char kDialogBarClass[] = "Zorvel DialogBar";
constexpr int kBlockSizeBoxId = 110;
constexpr int kBlockSizeLabelId = 109;

// Registers `name` with DefWindowProc, for windows that need nothing more.
inline void registerClass(const char* name) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = name;
  RegisterClassA(&wc);  // a second registration fails harmlessly
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

// The selected item's text; false when nothing is selected.
inline bool selectedItem(HWND box, std::string& item) {
  const LRESULT i = SendMessageA(box, CB_GETCURSEL, 0, 0);
  if (i == CB_ERR) return false;
  const LRESULT n = SendMessageA(box, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
  if (n < 0) return false;
  std::string text(static_cast<std::size_t>(n) + 1, '\0');
  SendMessageA(box, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(static_cast<std::size_t>(n));
  item = text;
  return true;
}

// How the tree's windows are made: their classes (registered beforehand,
// with the procedures their program gives them), styles beyond WS_CHILD,
// and the creation parameter each receives (the object behind it).
struct TreeRecipe {
  const char* frameClass = "Zorvel Frame";
  const char* paneClass = "Zorvel Pane";  // the tool bar, the page, the client
  const char* barClass = kDialogBarClass;
  const char* documentClass = "Zorvel Pane";
  const char* viewClass = "Zorvel Pane";
  DWORD frameStyle = WS_OVERLAPPEDWINDOW;
  DWORD paneStyle = 0;
  DWORD documentStyle = 0;
  DWORD viewStyle = 0;
  void* frameParam = nullptr;
  void* documentParam = nullptr;
  void* viewParam = nullptr;
  const char* const* items = kBatchBlockItems;
  std::size_t itemCount = sizeof kBatchBlockItems / sizeof kBatchBlockItems[0];
};

struct Windows {
  HWND frame = nullptr, toolbar = nullptr, bar = nullptr, page = nullptr, box = nullptr;
  HWND client = nullptr, document = nullptr, view = nullptr;

  bool complete() const { return frame && toolbar && bar && page && box && view; }
};

inline HWND child(HWND parent, const char* windowClass, int id = 0, DWORD style = 0,
                  void* param = nullptr) {
  return CreateWindowExA(0, windowClass, "", WS_CHILD | style, 0, 0, 200, 100, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleA(nullptr), param);
}

// The editor's window tree, as `recipe` says; a window that cannot be made is
// null (and so are those below it).
inline Windows buildTree(const TreeRecipe& recipe) {
  Windows w;
  w.frame = CreateWindowExA(0, recipe.frameClass, "Zorvel", recipe.frameStyle, CW_USEDEFAULT,
                            CW_USEDEFAULT, 800, 600, nullptr, nullptr, GetModuleHandleA(nullptr),
                            recipe.frameParam);
  if (!w.frame) return w;
  w.toolbar = child(w.frame, recipe.paneClass, 0, recipe.paneStyle);
  w.bar = child(w.frame, recipe.barClass, 0, recipe.paneStyle);
  if (w.bar) w.page = child(w.bar, recipe.paneClass, 0, recipe.paneStyle);
  if (w.page) {
    HWND label = child(w.page, "STATIC", kBlockSizeLabelId, recipe.paneStyle);
    SetWindowTextA(label, "Blocks");
    w.box = child(w.page, "COMBOBOX", kBlockSizeBoxId,
                  recipe.paneStyle | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP);
  }
  for (std::size_t i = 0; w.box && i < recipe.itemCount; ++i)
    SendMessageA(w.box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(recipe.items[i]));
  w.client = child(w.frame, recipe.paneClass, 0, recipe.paneStyle);
  if (w.client)
    w.document =
        child(w.client, recipe.documentClass, 0, recipe.documentStyle, recipe.documentParam);
  if (w.document)
    w.view = child(w.document, recipe.viewClass, 0, recipe.viewStyle, recipe.viewParam);
  return w;
}

// A headless tree of default windows, as standin.exe and the tests use it.
struct Tree : Windows {
  // `barClass` other than "Zorvel DialogBar" builds a tree without the bar.
  explicit Tree(const char* barClass = kDialogBarClass) {
    registerClass("Zorvel Frame");
    registerClass("Zorvel Pane");
    registerClass(barClass);
    TreeRecipe recipe;
    recipe.barClass = barClass;
    static_cast<Windows&>(*this) = buildTree(recipe);
  }
  ~Tree() {
    if (frame) DestroyWindow(frame);
  }
  Tree(const Tree&) = delete;
  Tree& operator=(const Tree&) = delete;

  void select(const std::string& item) { selectItem(box, item); }
  LRESULT find(const std::string& item) const { return findItem(box, item); }
  void clearSelection() { SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(-1), 0); }
};

}  // namespace zorvel_windows
