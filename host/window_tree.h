// window_tree.h - the few window functions the pen needs from the platform to
// reach the editor's block-size box.
//
// window_tree_win32.cpp implements them with user32 and is the only file of
// the pen that calls the platform; native tests link a test double instead
// (tests/support/fake_window_tree.cpp), so everything above this seam runs
// without Windows. A handle the functions cannot use yields a null handle or
// a failure result, never a crash: that is what user32 does.
#pragma once

#include <cstdint>

// A window handle of the editor's (HWND in the Windows build).
using WindowHandle = void*;

// GetParent: the parent of `window`, or null.
WindowHandle windowParent(WindowHandle window);

// FindWindowExA(parent, NULL, className, NULL): the first child of `parent`
// whose window class is `className`, or of any class when `className` is
// null; null when there is none.
WindowHandle childWindow(WindowHandle parent, const char* className);

// GetDlgItem: the child of `page` with control ID `id`, or null.
WindowHandle dialogItem(WindowHandle page, int32_t id);

// CB_GETCURSEL: the index of the selected item of combo box `box`, or a
// negative value when nothing is selected.
int32_t comboSelection(WindowHandle box);

// CB_GETLBTEXTLEN: the length of item `index` without its terminating NUL,
// or a negative value when there is no such item.
int32_t comboItemLength(WindowHandle box, int32_t index);

// CB_GETLBTEXT: copies item `index` and its terminating NUL to `buffer`,
// which must hold comboItemLength + 1 bytes; copies nothing when there is no
// such item.
void comboItemText(WindowHandle box, int32_t index, char* buffer);
