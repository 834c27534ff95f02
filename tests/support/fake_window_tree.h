// fake_window_tree.h - a test double for window_tree.h: windows are plain
// records linked by pointers, a handle is the record's address, and a combo
// box behaves as user32's does (no selection reports CB_ERR, and an item is
// copied whole, whatever the size of the buffer it goes to).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "window_tree.h"

namespace testing_support {

struct FakeWindow {
  explicit FakeWindow(std::string windowClass, int32_t controlId = 0)
      : className(std::move(windowClass)), id(controlId) {}

  std::string className;
  int32_t id;
  FakeWindow* parent = nullptr;
  std::vector<FakeWindow*> children;  // first child first
  // Combo box contents.
  std::vector<std::string> items;
  int32_t selection = -1;

  void adopt(FakeWindow& child) {
    child.parent = this;
    children.push_back(&child);
  }
  WindowHandle handle() { return this; }
};

// The editor's windows as the pen expects them: the frame (the third
// ancestor of the view) holds, after another child, the dialog bar; the bar's
// first child is a page with the block-size box, ID 110.
struct FakeEditor {
  FakeWindow frame{"Zorvel Frame"};
  FakeWindow toolbar{"Zorvel Toolbar"};
  FakeWindow bar{"Zorvel DialogBar"};
  FakeWindow page{"Zorvel Page"};
  FakeWindow label{"Static", 109};
  FakeWindow box{"ComboBox", 110};
  FakeWindow client{"Zorvel Client"};
  FakeWindow document{"Zorvel Document"};
  FakeWindow view{"Zorvel View"};

  FakeEditor() {
    frame.adopt(toolbar);
    frame.adopt(bar);
    frame.adopt(client);
    bar.adopt(page);
    page.adopt(label);
    page.adopt(box);
    client.adopt(document);
    document.adopt(view);
    box.items = {"1x1 pixel", "3x2 pixels", "4x2 pixels", "16x16 pixels"};
  }
  FakeEditor(const FakeEditor&) = delete;
  FakeEditor& operator=(const FakeEditor&) = delete;

  void select(const std::string& item) {
    for (std::size_t i = 0; i < box.items.size(); ++i)
      if (box.items[i] == item) {
        box.selection = static_cast<int32_t>(i);
        return;
      }
    box.items.push_back(item);
    box.selection = static_cast<int32_t>(box.items.size() - 1);
  }
};

}  // namespace testing_support
