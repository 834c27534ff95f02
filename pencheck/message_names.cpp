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

std::string windowMessageName(uint32_t message) {
  static const struct {
    uint32_t message;
    const char* name;
  } names[] = {{WM_DESTROY, "WM_DESTROY"},
               {WM_MOVE, "WM_MOVE"},
               {WM_SIZE, "WM_SIZE"},
               {WM_ENABLE, "WM_ENABLE"},
               {WM_SETREDRAW, "WM_SETREDRAW"},
               {WM_SETTEXT, "WM_SETTEXT"},
               {WM_GETTEXT, "WM_GETTEXT"},
               {WM_GETTEXTLENGTH, "WM_GETTEXTLENGTH"},
               {WM_PAINT, "WM_PAINT"},
               {WM_CLOSE, "WM_CLOSE"},
               {WM_SHOWWINDOW, "WM_SHOWWINDOW"},
               {WM_SETFONT, "WM_SETFONT"},
               {WM_GETFONT, "WM_GETFONT"},
               {WM_NOTIFY, "WM_NOTIFY"},
               {WM_COMMAND, "WM_COMMAND"},
               {WM_SYSCOMMAND, "WM_SYSCOMMAND"},
               {WM_TIMER, "WM_TIMER"},
               {CB_GETEDITSEL, "CB_GETEDITSEL"},
               {CB_LIMITTEXT, "CB_LIMITTEXT"},
               {CB_SETEDITSEL, "CB_SETEDITSEL"},
               {CB_ADDSTRING, "CB_ADDSTRING"},
               {CB_DELETESTRING, "CB_DELETESTRING"},
               {CB_DIR, "CB_DIR"},
               {CB_GETCOUNT, "CB_GETCOUNT"},
               {CB_GETCURSEL, "CB_GETCURSEL"},
               {CB_GETLBTEXT, "CB_GETLBTEXT"},
               {CB_GETLBTEXTLEN, "CB_GETLBTEXTLEN"},
               {CB_INSERTSTRING, "CB_INSERTSTRING"},
               {CB_RESETCONTENT, "CB_RESETCONTENT"},
               {CB_FINDSTRING, "CB_FINDSTRING"},
               {CB_SELECTSTRING, "CB_SELECTSTRING"},
               {CB_SETCURSEL, "CB_SETCURSEL"},
               {CB_SHOWDROPDOWN, "CB_SHOWDROPDOWN"},
               {CB_GETITEMDATA, "CB_GETITEMDATA"},
               {CB_SETITEMDATA, "CB_SETITEMDATA"},
               {CB_GETDROPPEDSTATE, "CB_GETDROPPEDSTATE"},
               {CB_FINDSTRINGEXACT, "CB_FINDSTRINGEXACT"},
               {CB_SETEXTENDEDUI, "CB_SETEXTENDEDUI"}};
  for (const auto& n : names)
    if (n.message == message) {
      char text[64];
      std::snprintf(text, sizeof text, "%s (0x%04X)", n.name, static_cast<unsigned>(message));
      return text;
    }
  return messageName(message);
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

std::string hex32(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
  return text;
}
