#include "host_window_watch.h"

#include <cstdio>

#include "child.h"
#include "message_names.h"
#include "pen_call.h"

struct HostWindowWatch::State {
  bool exists = false;
  std::wstring text;
  LONG_PTR style = 0, exStyle = 0, procedure = 0, id = 0, userData = 0;
  HWND parent = nullptr;
  RECT place{};
  bool visible = false, enabled = false;
  // The box only.
  LRESULT selection = CB_ERR;
  std::vector<std::string> items;
};

namespace {

HostWindowWatch* active = nullptr;
int depth = 0;  // window procedures of the host's on the stack
bool recording = false;

struct Message {
  UINT message;
  HWND window;
  bool posted;
};
std::vector<Message> seen;

std::string hexPointer(LONG_PTR value) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

std::string quoted(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
  return "\"" + out + "\"";
}

std::string itemText(const std::vector<std::string>& items, LRESULT i) {
  if (i == CB_ERR) return "none";
  const std::string text = i >= 0 && static_cast<std::size_t>(i) < items.size()
                               ? items[static_cast<std::size_t>(i)]
                               : "";
  return "item " + std::to_string(i) + " '" + text + "'";
}

BOOL CALLBACK collectWindow(HWND window, LPARAM out) {
  reinterpret_cast<std::vector<HWND>*>(out)->push_back(window);
  return TRUE;
}

}  // namespace

HostWindowWatch::HostWindowWatch(const zorvel_windows::Windows& tree) : box_(tree.box) {
  const struct {
    HWND window;
    const char* name;
  } known[] = {{tree.frame, "the frame"},
               {tree.toolbar, "the tool bar"},
               {tree.bar, "the dialog bar"},
               {tree.page, "the dialog bar's page"},
               {tree.box, "the block-size box (control 110)"},
               {tree.client, "the client window"},
               {tree.document, "the document window"},
               {tree.view, "the view (the window handed to the pen)"}};
  std::vector<HWND> all = {tree.frame};
  EnumChildWindows(tree.frame, collectWindow, reinterpret_cast<LPARAM>(&all));
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (tree.box && GetComboBoxInfo(tree.box, &info) && info.hwndList) all.push_back(info.hwndList);
  for (HWND w : all) {
    std::string name;
    for (const auto& k : known)
      if (k.window == w) name = k.name;
    if (name.empty()) {
      char className[64] = {};
      GetClassNameA(w, className, sizeof className);
      name = w == info.hwndList ? "the block-size box's list"
                                : std::string("a child window of class '") + className + "'";
    }
    const auto original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&procedure)));
    windows_.push_back({w, name, original});
  }
  active = this;
  observer_ = {&HostWindowWatch::before, &HostWindowWatch::after, this};
  setCallObserver(&observer_);
}

HostWindowWatch::~HostWindowWatch() {
  setCallObserver(nullptr);
  for (const Watched& w : windows_)
    if (IsWindow(w.window) &&
        GetWindowLongPtrA(w.window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&procedure))
      SetWindowLongPtrA(w.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(w.original));
  active = nullptr;
}

bool HostWindowWatch::allowed(UINT message, bool toBox) {
  return toBox && (message == CB_GETCURSEL || message == CB_GETLBTEXT ||
                   message == CB_GETLBTEXTLEN || message == CB_GETCOUNT);
}

LRESULT CALLBACK HostWindowWatch::procedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
  WNDPROC original = nullptr;
  if (active)
    for (const Watched& w : active->windows_)
      if (w.window == window) original = w.original;
  if (!original) return DefWindowProcA(window, message, wParam, lParam);
  if (recording && depth == 0) seen.push_back({message, window, false});
  ++depth;
  const LRESULT result = CallWindowProcA(original, window, message, wParam, lParam);
  --depth;
  return result;
}

HostWindowWatch::State HostWindowWatch::describe(const Watched& w) const {
  State s;
  s.exists = IsWindow(w.window) != FALSE;
  if (!s.exists) return s;
  wchar_t text[512] = {};
  const int n = InternalGetWindowText(w.window, text, 512);
  s.text.assign(text, n > 0 ? static_cast<std::size_t>(n) : 0);
  s.style = GetWindowLongPtrA(w.window, GWL_STYLE);
  s.exStyle = GetWindowLongPtrA(w.window, GWL_EXSTYLE);
  s.procedure = GetWindowLongPtrA(w.window, GWLP_WNDPROC);
  s.id = GetWindowLongPtrA(w.window, GWLP_ID);
  s.userData = GetWindowLongPtrA(w.window, GWLP_USERDATA);
  s.parent = GetAncestor(w.window, GA_PARENT);
  GetWindowRect(w.window, &s.place);
  s.visible = IsWindowVisible(w.window) != FALSE;
  s.enabled = IsWindowEnabled(w.window) != FALSE;
  if (w.window == box_) {
    s.selection = SendMessageA(box_, CB_GETCURSEL, 0, 0);
    const LRESULT count = SendMessageA(box_, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count && i < 256; ++i) {
      const LRESULT length = SendMessageA(box_, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
      std::string item(length > 0 ? static_cast<std::size_t>(length) + 1 : 1, '\0');
      if (length > 0)
        SendMessageA(box_, CB_GETLBTEXT, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&item[0]));
      item.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
      s.items.push_back(item);
    }
  }
  return s;
}

void HostWindowWatch::note(const std::string& key, const std::string& text) {
  Finding& f = findings_[key];
  if (!f.calls++) f.text = text + " during " + currentCall();
}

void HostWindowWatch::compare(const Watched& w, const State& a, const State& b) {
  const std::string& n = w.name;
  if (a.exists && !b.exists) {
    note("destroyed " + n, "destroyed " + n);
    return;
  }
  if (!a.exists) return;
  if (a.text != b.text)
    note("text " + n,
         "changed the text of " + n + " from " + quoted(a.text) + " to " + quoted(b.text));
  if (a.style != b.style)
    note("style " + n, "changed the style of " + n + " from " + hexPointer(a.style) + " to " +
                           hexPointer(b.style));
  if (a.exStyle != b.exStyle)
    note("exstyle " + n, "changed the extended style of " + n + " from " + hexPointer(a.exStyle) +
                             " to " + hexPointer(b.exStyle));
  if (a.procedure != b.procedure)
    note("procedure " + n, "replaced the window procedure of " + n + " with " +
                               moduleAndOffset(reinterpret_cast<const void*>(b.procedure)) +
                               " (after the pen is unloaded, the next message to it runs freed "
                               "code)");
  if (a.id != b.id)
    note("id " + n, "changed the control id of " + n + " from " + std::to_string(a.id) + " to " +
                        std::to_string(b.id));
  if (a.userData != b.userData)
    note("userdata " + n, "changed the user data of " + n + " from " + hexPointer(a.userData) +
                              " to " + hexPointer(b.userData));
  if (a.parent != b.parent) note("parent " + n, "gave " + n + " another parent");
  if (!EqualRect(&a.place, &b.place)) note("place " + n, "moved or resized " + n);
  if (a.visible != b.visible) note("visible " + n, (b.visible ? "showed " : "hid ") + n);
  if (a.enabled != b.enabled) note("enabled " + n, (b.enabled ? "enabled " : "disabled ") + n);
  if (a.items != b.items)
    note("items " + n, "changed the items of " + n + " (" + std::to_string(a.items.size()) +
                           " before, " + std::to_string(b.items.size()) + " after)");
  else if (a.selection != b.selection)
    note("selection " + n, "changed the selection of " + n + " from " +
                               itemText(a.items, a.selection) + " to " +
                               itemText(b.items, b.selection));
}

void HostWindowWatch::before(void* self) {
  auto* w = static_cast<HostWindowWatch*>(self);
  w->was_.clear();
  for (const Watched& watched : w->windows_) w->was_.push_back(w->describe(watched));
  seen.clear();
  recording = true;
}

void HostWindowWatch::after(void* self) {
  auto* w = static_cast<HostWindowWatch*>(self);
  // Posted messages wait in the queue; taken out unhandled (a posted
  // WM_CLOSE would close the frame), they are the pen's as well.
  for (const Watched& watched : w->windows_) {
    MSG m;
    while (PeekMessageA(&m, watched.window, 0, 0, PM_REMOVE | PM_NOYIELD))
      if (m.message != WM_PAINT) seen.push_back({m.message, watched.window, true});
  }
  recording = false;
  for (const Message& m : seen) {
    std::string name = "a window";
    for (const Watched& watched : w->windows_)
      if (watched.window == m.window) name = watched.name;
    if (allowed(m.message, m.window == w->box_) && !m.posted) {
      ++w->allowedCounts_[m.message];
      continue;
    }
    const std::string message = windowMessageName(m.message);
    w->note("message " + message + " " + name,
            std::string(m.posted ? "posted " : "sent ") + message + " to " + name +
                (m.window == w->box_ ? " (the pen may send it only CB_GETCURSEL, CB_GETLBTEXT "
                                       "and the length and count queries)"
                                     : " (the pen may send it nothing)"));
  }
  seen.clear();
  for (std::size_t i = 0; i < w->windows_.size() && i < w->was_.size(); ++i) {
    const Watched& watched = w->windows_[i];
    const State is = w->describe(watched);
    const State& was = w->was_[i];
    w->compare(watched, was, is);
    if (!is.exists) continue;
    // Put back what changed, so that the next call meets the host's windows.
    if (was.text != is.text) SetWindowTextW(watched.window, was.text.c_str());
    if (was.style != is.style) SetWindowLongPtrA(watched.window, GWL_STYLE, was.style);
    if (was.exStyle != is.exStyle) SetWindowLongPtrA(watched.window, GWL_EXSTYLE, was.exStyle);
    if (was.procedure != is.procedure)
      SetWindowLongPtrA(watched.window, GWLP_WNDPROC, was.procedure);
    if (was.id != is.id) SetWindowLongPtrA(watched.window, GWLP_ID, was.id);
    if (was.userData != is.userData) SetWindowLongPtrA(watched.window, GWLP_USERDATA, was.userData);
    if (was.parent != is.parent) SetParent(watched.window, was.parent);
    if (!EqualRect(&was.place, &is.place)) {
      POINT corner{was.place.left, was.place.top};
      if (GetWindowLongPtrA(watched.window, GWL_STYLE) & WS_CHILD)
        ScreenToClient(was.parent, &corner);
      SetWindowPos(watched.window, nullptr, corner.x, corner.y, was.place.right - was.place.left,
                   was.place.bottom - was.place.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (was.visible != is.visible) ShowWindow(watched.window, was.visible ? SW_SHOWNA : SW_HIDE);
    if (was.enabled != is.enabled) EnableWindow(watched.window, was.enabled);
    if (watched.window == w->box_ && was.items != is.items) {
      SendMessageA(w->box_, CB_RESETCONTENT, 0, 0);
      for (const std::string& item : was.items)
        SendMessageA(w->box_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }
    if (watched.window == w->box_ && (was.items != is.items || was.selection != is.selection))
      SendMessageA(w->box_, CB_SETCURSEL, static_cast<WPARAM>(was.selection), 0);
  }
}

std::string HostWindowWatch::allowedSeen() const {
  std::string out;
  for (const auto& m : allowedCounts_)
    out +=
        (out.empty() ? "" : ", ") + windowMessageName(m.first) + " x " + std::to_string(m.second);
  return out.empty() ? "nothing" : out;
}
