// The window functions of window_tree.h over FakeWindow records.
#include "support/fake_window_tree.h"

#include <cstring>

using testing_support::FakeWindow;

namespace {

FakeWindow* fake(WindowHandle window) { return static_cast<FakeWindow*>(window); }

bool hasItem(const FakeWindow* box, int32_t index) {
  return index >= 0 && static_cast<std::size_t>(index) < box->items.size();
}

}  // namespace

WindowHandle windowParent(WindowHandle window) { return window ? fake(window)->parent : nullptr; }

WindowHandle childWindow(WindowHandle parent, const char* className) {
  if (!parent) return nullptr;
  for (FakeWindow* child : fake(parent)->children)
    if (!className || child->className == className) return child;
  return nullptr;
}

WindowHandle dialogItem(WindowHandle page, int32_t id) {
  if (!page) return nullptr;
  for (FakeWindow* child : fake(page)->children)
    if (child->id == id) return child;
  return nullptr;
}

int32_t comboSelection(WindowHandle box) { return box ? fake(box)->selection : -1; }

int32_t comboItemLength(WindowHandle box, int32_t index) {
  if (!box || !hasItem(fake(box), index)) return -1;
  return static_cast<int32_t>(fake(box)->items[static_cast<std::size_t>(index)].size());
}

void comboItemText(WindowHandle box, int32_t index, char* buffer) {
  if (!box || !hasItem(fake(box), index)) return;
  const std::string& item = fake(box)->items[static_cast<std::size_t>(index)];
  std::memcpy(buffer, item.c_str(), item.size() + 1);
}
