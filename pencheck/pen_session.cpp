#include "pen_session.h"

bool loadOrSkip(CheckContext& c, Pen& pen) {
  std::string error;
  bool loaded = false;
  if (loadPen(c.options.penPath, pen, error, loaded)) return true;
  c.report.skip(error + (loaded ? " (see library.exports)" : " (see library.load)"));
  return false;
}

bool PenSession::open(CheckContext& c) {
  if (!loadOrSkip(c, pen)) return false;
  tree = std::make_unique<zorvel_windows::Tree>();
  if (!tree->complete()) {
    c.report.skip(
        "the editor's windows could not be created (under Wine: the null graphics "
        "driver, or a display, is needed)");
    return false;
  }
  return true;
}

void selectBoxItem(HWND box, const std::string& item) {
  if (item.empty())
    SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  else
    zorvel_windows::selectItem(box, item);
}

CallEffects sendStep(CheckContext& c, const Pen& pen, HWND window, const Stage& stage,
                     const Step& step, bool ordinary) {
  (void)c;
  beginCall(step.kind, ordinary, describeStep(step, stage.setup()));
  const CallEffects e = callPen(pen, window, step.message, step.keyFlags, 0x12345678, stage.ctx());
  endCall();
  return e;
}
