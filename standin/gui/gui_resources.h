// gui_resources.h - the identifiers the interactive stand-in's resource
// script (standin_gui.rc) and its code share: menus, accelerators, dialogs.
#pragma once

// Menus and accelerators.
#define IDR_MENU 100
#define IDR_KEYS 101       // every shortcut, while the canvas or a button has the focus
#define IDR_TEXT_KEYS 102  // only those a text field has no use for

// Menu commands.
#define IDM_NEW 1000
#define IDM_OPEN 1001
#define IDM_SAVE 1002
#define IDM_SAVE_AS 1003
#define IDM_LOAD_PALETTE 1004
#define IDM_DEFAULT_PALETTE 1005
#define IDM_SAVE_RECORDING 1006
#define IDM_EXIT 1007
#define IDM_UNDO 1008
#define IDM_REDO 1009
#define IDM_ZOOM_IN 1010
#define IDM_ZOOM_OUT 1011
#define IDM_ABOUT 1012
#define IDM_FIT 1013
#define IDM_FOOTPRINT 1014

// The new canvas's size and fill.
#define IDD_NEW_CANVAS 200
#define IDC_NEW_WIDTH 201
#define IDC_NEW_HEIGHT 202
#define IDC_NEW_FILL 203

// Save, discard or cancel before unsaved work would be lost.
#define IDD_UNSAVED 210
#define IDC_UNSAVED_TEXT 211
#define IDC_SAVE 212
#define IDC_DISCARD 213

// The pen's identity.
#define IDD_ABOUT 220
#define IDC_ABOUT_NAME 221
#define IDC_ABOUT_VERSION 222
#define IDC_ABOUT_COPYRIGHT 223
#define IDC_ABOUT_DESCRIPTION 224
#define IDC_ABOUT_MEANING 225
