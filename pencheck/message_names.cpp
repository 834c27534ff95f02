#include "message_names.h"

#include <windows.h>

#include <cstdio>

std::string messageName(uint32_t message) {
  switch (message) {
    case WM_SETFOCUS:
      return "WM_SETFOCUS";
    case WM_KILLFOCUS:
      return "WM_KILLFOCUS";
    case WM_KEYDOWN:
      return "WM_KEYDOWN";
    case WM_KEYUP:
      return "WM_KEYUP";
    case WM_CHAR:
      return "WM_CHAR";
    case WM_MOUSEMOVE:
      return "WM_MOUSEMOVE";
    case WM_LBUTTONDOWN:
      return "WM_LBUTTONDOWN";
    case WM_LBUTTONUP:
      return "WM_LBUTTONUP";
    case WM_RBUTTONDOWN:
      return "WM_RBUTTONDOWN";
    case WM_RBUTTONUP:
      return "WM_RBUTTONUP";
  }
  char text[32];
  if (message > WM_USER && message <= WM_USER + 0x100)
    std::snprintf(text, sizeof text, "WM_USER+%u", static_cast<unsigned>(message - WM_USER));
  else
    std::snprintf(text, sizeof text, "message 0x%04X", static_cast<unsigned>(message));
  return text;
}

std::string keyFlagsText(uint32_t keyFlags) {
  std::string s;
  const struct {
    uint32_t bit;
    const char* name;
  } names[] = {{MK_LBUTTON, "MK_LBUTTON"},
               {MK_RBUTTON, "MK_RBUTTON"},
               {MK_SHIFT, "MK_SHIFT"},
               {MK_CONTROL, "MK_CONTROL"},
               {MK_MBUTTON, "MK_MBUTTON"}};
  for (const auto& n : names)
    if (keyFlags & n.bit) s += (s.empty() ? "" : "|") + std::string(n.name);
  const uint32_t rest = keyFlags & ~static_cast<uint32_t>(MK_LBUTTON | MK_RBUTTON | MK_SHIFT |
                                                          MK_CONTROL | MK_MBUTTON);
  if (keyFlags == 0) return "0";
  if (rest) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(rest));
    s += (s.empty() ? "" : "|") + std::string(text);
  }
  return s;
}
