// host_window_watch.h - the host's windows as the pen's calls leave them.
// Every window of the editor's tree is subclassed, so that each message a
// call sends (or posts) straight to one of them is seen; what a window sends
// its own parts while answering is not the pen's and is left out. Before
// each call every window is described (text, styles, procedure, id,
// parent, place, and the box's items and selection) and after it compared
// and put back, so that one change is reported once and poisons nothing.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "call_watch.h"
#include "zorvel_windows.h"

class HostWindowWatch {
 public:
  explicit HostWindowWatch(const zorvel_windows::Windows& tree);
  ~HostWindowWatch();
  HostWindowWatch(const HostWindowWatch&) = delete;
  HostWindowWatch& operator=(const HostWindowWatch&) = delete;

  // A message the box may be sent: the selection, the item's text and the
  // length and count a bounded copy needs.
  static bool allowed(UINT message, bool toBox);

  // Findings by kind, each once: the first text and how many calls.
  struct Finding {
    std::string text;
    int calls = 0;
  };
  const std::map<std::string, Finding>& findings() const { return findings_; }
  // The allowed messages the pen sent, "CB_GETCURSEL x 12", for the summary.
  std::string allowedSeen() const;
  int windowCount() const { return static_cast<int>(windows_.size()); }

 private:
  struct State;
  struct Watched {
    HWND window;
    std::string name;
    WNDPROC original;
  };
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static void before(void* self);
  static void after(void* self);
  State describe(const Watched& w) const;
  void note(const std::string& key, const std::string& text);
  void compare(const Watched& w, const State& was, const State& is);

  std::vector<Watched> windows_;
  std::vector<State> was_;
  HWND box_ = nullptr;
  std::map<std::string, Finding> findings_;
  std::map<UINT, int> allowedCounts_;
  CallObserver observer_;
};
