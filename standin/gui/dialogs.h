// dialogs.h - the interactive stand-in's dialogs: messages, questions, the
// new canvas, the unsaved-work question, the pen's identity and the file
// dialogs. The templates are in standin_gui.rc. No dialog changes the
// program's working folder.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "pen_info.h"

void showMessage(HWND owner, const std::string& text, UINT icon = MB_ICONERROR);
// A warning with Yes and No; true for Yes.
bool askYesNo(HWND owner, const std::string& text);

// The size and fill of a new canvas; false when cancelled. A number out of
// range is refused with its range, and the dialog stays open.
bool askNewCanvas(HWND owner, int32_t& width, int32_t& height, uint8_t& fill);

enum class UnsavedChoice { save, discard, cancel };
// Before `what` ("closing", "a new canvas", ...) would lose the unsaved
// changes to `document`.
UnsavedChoice askUnsaved(HWND owner, const std::string& document, const std::string& what);

// The pen's name, version, copyright and description (code page 932, shown
// in a font that has its characters, with its meaning in English when known).
void showAbout(HWND owner, const PenInfo& info);

// A file to open, with the dialog's "Open as read-only" box where `readOnly`
// asks for it; "" when cancelled.
std::string askOpenFile(HWND owner, const wchar_t* filter, bool* readOnly = nullptr);
// A file to save, starting from `suggested` (a name, or a path: its folder
// and name) and the filter `*filterIndex` (1 for the first), which comes
// back as chosen; "" when cancelled.
std::string askSaveFile(HWND owner, const wchar_t* filter, const wchar_t* extension,
                        const std::string& suggested, int* filterIndex = nullptr);
