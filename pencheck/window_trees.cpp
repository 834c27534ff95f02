#include "window_trees.h"

namespace {

constexpr const char* kDescriptions[] = {
    "the editor's window tree",
    "a tree without the dialog bar (no child of class \"Zorvel DialogBar\")",
    "a dialog bar with no child window",
    "a dialog bar whose first child has no control 110",
    "a control 110 that is a static text, not a combo box",
    "a block-size box with no items",
    "a block-size box with no item selected",
    "a window with two ancestors, not three",
    "a top-level window",
    "a null window handle",
    "the handle of a window destroyed before the call",
};

}  // namespace

int TreeVariant::count() { return static_cast<int>(sizeof kDescriptions / sizeof *kDescriptions); }

TreeVariant::TreeVariant(int variant) : description_(kDescriptions[variant]) {
  using zorvel_windows::Tree;
  // A pane in the bar's place leaves the frame without a dialog bar.
  tree_ = std::make_unique<Tree>(variant == 1 ? "Zorvel Pane" : zorvel_windows::kDialogBarClass);
  Tree& t = *tree_;
  ok_ = t.complete();
  t.select("3x2 pixels");
  window_ = t.view;
  switch (variant) {
    case 2:
      DestroyWindow(t.page);
      break;
    case 3:
      DestroyWindow(t.box);
      break;
    case 4:
      DestroyWindow(t.box);
      ok_ = ok_ && zorvel_windows::child(t.page, "STATIC", zorvel_windows::kBlockSizeBoxId);
      break;
    case 5:
      SendMessageA(t.box, CB_RESETCONTENT, 0, 0);
      break;
    case 6:
      t.clearSelection();
      break;
    case 7:
      window_ = t.document;
      break;
    case 8:
      window_ = t.frame;
      break;
    case 9:
      window_ = nullptr;
      break;
    case 10: {
      window_ = zorvel_windows::child(t.document, "Zorvel Pane");
      DestroyWindow(window_);
      break;
    }
    default:
      break;
  }
}

TreeVariant::~TreeVariant() = default;
