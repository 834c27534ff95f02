// window_messages.h - the window-message numbers and key-state bits the pen
// dispatches on, under their Windows names, for code that does not include
// <windows.h> (which defines the same names as macros: include one or the
// other).
#pragma once

#include <cstdint>

constexpr uint32_t WM_SETFOCUS = 0x0007;
constexpr uint32_t WM_KILLFOCUS = 0x0008;
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_KEYUP = 0x0101;
constexpr uint32_t WM_CHAR = 0x0102;
constexpr uint32_t WM_MOUSEMOVE = 0x0200;
constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr uint32_t WM_LBUTTONUP = 0x0202;
constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
constexpr uint32_t WM_RBUTTONUP = 0x0205;
constexpr uint32_t WM_USER = 0x0400;

// Bits of a mouse message's wParam.
constexpr uint32_t MK_LBUTTON = 0x0001;
constexpr uint32_t MK_SHIFT = 0x0004;
