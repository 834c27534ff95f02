// gui_probe.exe - what standin-gui.exe's window holds that a screenshot does
// not tell: the keyboard focus, the view's place and size, the bar's field
// texts, the status bar's parts, the title; or the controls of another of its
// windows (a file dialog, a message). Run under the same Wine prefix and
// display as the GUI; prints one JSON object on stdout, exit 1 when there is
// no window to ask.
#include <windows.h>
// commctrl.h needs windows.h before it.
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

constexpr UINT kWait = 5000;  // ms: a GUI that does not answer in that time is hung

std::string className(HWND window) {
  char name[128] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

struct Search {
  const char* windowClass;
  HWND found;
};

BOOL CALLBACK matchClass(HWND window, LPARAM param) {
  auto& search = *reinterpret_cast<Search*>(param);
  if (className(window) != search.windowClass) return TRUE;
  search.found = window;
  return FALSE;
}

// The first window of `windowClass` anywhere under `parent`.
HWND descendant(HWND parent, const char* windowClass) {
  Search search{windowClass, nullptr};
  if (parent) EnumChildWindows(parent, matchClass, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

LRESULT send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kWait, &result);
  return static_cast<LRESULT>(result);
}

// A quoted JSON string of `text`, in UTF-8.
std::string quoted(const std::wstring& text) {
  std::string utf8(text.size() * 3 + 1, '\0');
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                    &utf8[0], static_cast<int>(utf8.size()), nullptr, nullptr);
  utf8.resize(static_cast<std::size_t>(n > 0 ? n : 0));
  std::string out = "\"";
  for (char c : utf8) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// WM_GETTEXT, which Wine and Windows copy across processes.
std::wstring text(HWND window) {
  if (!window) return L"";
  wchar_t buffer[512] = {};
  send(window, WM_GETTEXT, sizeof buffer / sizeof buffer[0], reinterpret_cast<LPARAM>(buffer));
  return buffer;
}

// A window's client area: its top-left on the screen and its size.
std::string placeOf(HWND window) {
  RECT r{0, 0, 0, 0};
  POINT origin{0, 0};
  if (window) {
    GetClientRect(window, &r);
    ClientToScreen(window, &origin);
  }
  return "{\"left\": " + std::to_string(origin.x) + ", \"top\": " + std::to_string(origin.y) +
         ", \"width\": " + std::to_string(r.right) + ", \"height\": " + std::to_string(r.bottom) +
         "}";
}

int textWidth(HDC dc, const std::wstring& s) {
  SIZE size{0, 0};
  GetTextExtentPoint32W(dc, s.c_str(), static_cast<int>(s.size()), &size);
  return static_cast<int>(size.cx);
}

// The status bar's parts. Its messages take pointers, so they point into a
// buffer in the GUI's own process.
std::string statusParts(HWND status, DWORD processId) {
  HANDLE process = status ? OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE |
                                            PROCESS_QUERY_INFORMATION,
                                        FALSE, processId)
                          : nullptr;
  constexpr SIZE_T kBytes = 4096;
  void* remote =
      process ? VirtualAllocEx(process, nullptr, kBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)
              : nullptr;
  if (!remote) {
    if (process) CloseHandle(process);
    return "[]";
  }
  std::string out = "[";
  const auto address = reinterpret_cast<LPARAM>(remote);
  HDC dc = GetDC(nullptr);
  HGDIOBJ font = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  const auto parts = static_cast<int>(send(status, SB_GETPARTS, 0, 0));
  for (int i = 0; i < parts; ++i) {
    const auto part = static_cast<WPARAM>(i);
    wchar_t buffer[kBytes / sizeof(wchar_t)] = {};
    RECT r{0, 0, 0, 0};
    // An empty part may write nothing at all: its length says.
    const auto length = LOWORD(send(status, SB_GETTEXTLENGTHW, part, 0));
    send(status, SB_GETTEXTW, part, address);
    ReadProcessMemory(process, remote, buffer, sizeof buffer - sizeof(wchar_t), nullptr);
    const std::wstring partText(buffer,
                                std::min<std::size_t>(length, kBytes / sizeof(wchar_t) - 1));
    send(status, SB_GETRECT, part, address);
    ReadProcessMemory(process, remote, &r, sizeof r, nullptr);
    out += std::string(i ? ", " : "") + "{\"text\": " + quoted(partText) +
           ", \"left\": " + std::to_string(r.left) + ", \"right\": " + std::to_string(r.right) +
           ", \"text_width\": " + std::to_string(textWidth(dc, partText)) + "}";
  }
  SelectObject(dc, font);
  ReleaseDC(nullptr, dc);
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  return out + "]";
}

std::wstring wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// The frame: the focus, the view, the bar's fields, the status bar.
std::string frameState(HWND frame) {
  DWORD processId = 0;
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(frame, &processId), &info);
  HWND focus = info.hwndFocus;
  HWND document = descendant(frame, "Zorvel Document");
  HWND view = descendant(document, "Zorvel View");
  // The bar's controls sit on a page inside the dialog bar.
  HWND page = GetWindow(descendant(frame, "Zorvel DialogBar"), GW_CHILD);
  HWND box = page ? GetDlgItem(page, 110) : nullptr;
  const LRESULT selection = box ? send(box, CB_GETCURSEL, 0, 0) : -1;
  const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);

  std::string out = "{\"title\": " + quoted(text(frame));
  out += ", \"focus\": {\"class\": " + quoted(wide(focus ? className(focus) : "")) +
         ", \"id\": " + std::to_string(focus ? GetDlgCtrlID(focus) : 0) +
         ", \"parent_id\": " + std::to_string(focus ? GetDlgCtrlID(GetParent(focus)) : 0) +
         ", \"view\": " + (focus && focus == view ? "true" : "false") + "}";
  out += ", \"view\": " + placeOf(view) + ", \"document\": " + placeOf(document) +
         ", \"palette\": " + placeOf(descendant(frame, "Zorvel Palette"));
  out += ", \"highlight\": [" + std::to_string(GetRValue(highlight)) + ", " +
         std::to_string(GetGValue(highlight)) + ", " + std::to_string(GetBValue(highlight)) + "]";
  out += ", \"fields\": {";
  for (int id : {110, 111, 141, 152})
    out += std::string(id == 110 ? "" : ", ") + "\"" + std::to_string(id) +
           "\": " + quoted(text(page ? GetDlgItem(page, id) : nullptr));
  out += "}, \"box\": {\"selection\": " + std::to_string(selection) + ", \"length\": " +
         std::to_string(
             selection >= 0 ? send(box, CB_GETLBTEXTLEN, static_cast<WPARAM>(selection), 0) : -1) +
         "}";
  return out + ", \"status\": " + statusParts(descendant(frame, STATUSCLASSNAMEA), processId) + "}";
}

// Another window of the GUI's (a file dialog): its controls, with a box's
// number of items and selection and a button's check.
BOOL CALLBACK listControl(HWND control, LPARAM param) {
  std::string& out = *reinterpret_cast<std::string*>(param);
  const std::string windowClass = className(control);
  out += std::string(out.back() == '[' ? "" : ", ") + "{\"class\": " + quoted(wide(windowClass)) +
         ", \"id\": " + std::to_string(GetDlgCtrlID(control)) +
         ", \"text\": " + quoted(text(control));
  if (windowClass == "ComboBox")
    out += ", \"items\": " + std::to_string(send(control, CB_GETCOUNT, 0, 0)) +
           ", \"selection\": " + std::to_string(send(control, CB_GETCURSEL, 0, 0));
  if (windowClass == "Button")
    out += ", \"checked\": " + std::to_string(send(control, BM_GETCHECK, 0, 0));
  out += "}";
  return TRUE;
}

}  // namespace

// gui_probe.exe: the frame. gui_probe.exe --window TITLE: that window's controls.
int main(int argc, char** argv) {
  const bool dialog = argc == 3 && std::string(argv[1]) == "--window";
  HWND window = dialog ? FindWindowA(nullptr, argv[2]) : FindWindowW(L"Zorvel Frame", nullptr);
  if (!window) {
    std::puts("{\"error\": \"no such window\"}");
    return 1;
  }
  std::string out = "{\"title\": " + quoted(text(window)) + ", \"controls\": [";
  if (dialog) EnumChildWindows(window, listControl, reinterpret_cast<LPARAM>(&out));
  std::puts((dialog ? out + "]}" : frameState(window)).c_str());
  return 0;
}
