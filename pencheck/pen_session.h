// pen_session.h - what most checks start with: the pen loaded (or the check
// skipped with the reason), the editor's windows built on the calling
// thread, and a scene's messages sent as a host sends them.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "check_context.h"
#include "pen_call.h"
#include "scene.h"
#include "zorvel_windows.h"

// Loads the pen; when it cannot, reports SKIP (library.load or
// library.exports has the finding) and returns false.
bool loadOrSkip(CheckContext& c, Pen& pen);

// The pen loaded and the editor's windows built on this thread, or the
// check skipped with the reason.
struct PenSession {
  Pen pen;
  std::unique_ptr<zorvel_windows::Tree> tree;
  bool open(CheckContext& c);
};

// Sends `step` to the pen with the record prepared as a host prepares it.
CallEffects sendStep(CheckContext& c, const Pen& pen, HWND window, const Stage& stage,
                     const Step& step, bool ordinary);

// The box's selection as the scene wants it.
void selectBoxItem(HWND box, const std::string& item);

// Every scene's script (scriptFor) with `layout`, scene by scene: before(stage, step)
// prepares the record, after(stage, step, effects) judges the call. Returns
// the calls made.
template <typename Before, typename After>
int runScripts(CheckContext& c, PenSession& s, const std::vector<SceneSetup>& scenes,
               const Layout& layout, Before before, After after) {
  int calls = 0;
  for (const SceneSetup& setup : scenes) {
    Stage stage(setup, layout);
    if (!stage.ok()) {
      c.report.note("could not place the buffers of " + setup.describe());
      continue;
    }
    selectBoxItem(s.tree->box, setup.boxItem);
    for (const Step& step : scriptFor(setup, c.rng, c.strictness())) {
      if (c.excludes(step.kind)) continue;
      prepareRecord(stage, step);
      before(stage, step);
      // A crash on unusual input is the running check's finding, not the
      // owner's of ordinary calls of its kind.
      const CallEffects e = sendStep(c, s.pen, s.tree->view, stage, step, !setup.unusual);
      after(stage, step, e);
      ++calls;
    }
  }
  return calls;
}

// Every message with nothing prepared or judged beyond what the door does.
inline int runScripts(CheckContext& c, PenSession& s, const std::vector<SceneSetup>& scenes) {
  return runScripts(
      c, s, scenes, Layout(), [](const Stage&, const Step&) {},
      [](const Stage&, const Step&, const CallEffects&) {});
}
