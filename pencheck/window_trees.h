// window_trees.h - the editor's window tree, whole (zorvel_windows.h) and
// with one piece missing or wrong, as a pen may meet it in another host or
// in the editor's own odd moments. Built on the calling thread, which must
// be the one that calls the pen: the pen's messages to the box are then
// handled at once.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "zorvel_windows.h"

class TreeVariant {
 public:
  // 0 is the whole tree; 1 .. count() - 1 the variants.
  explicit TreeVariant(int variant);
  ~TreeVariant();
  TreeVariant(const TreeVariant&) = delete;
  TreeVariant& operator=(const TreeVariant&) = delete;

  static int count();
  bool ok() const { return ok_; }
  // The window the host passes to the pen.
  HWND window() const { return window_; }
  const std::string& description() const { return description_; }
  zorvel_windows::Tree& tree() { return *tree_; }

 private:
  std::unique_ptr<zorvel_windows::Tree> tree_;
  HWND window_ = nullptr;
  std::string description_;
  bool ok_ = false;
};
