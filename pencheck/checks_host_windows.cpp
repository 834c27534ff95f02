// host.windows: the pen reads the block-size box and touches no other part
// of the host's windows. Every message its calls send or post to a window
// of the editor's tree is seen, and every window is compared after each
// call (host_window_watch).
#include <windows.h>

#include "checks.h"
#include "host_window_watch.h"
#include "identity.h"
#include "pen_session.h"

void checkHostWindows(CheckContext& c) {
  PenSession s;
  if (!s.open(c)) return;
  HostWindowWatch watch(*s.tree);
  readIdentity(s.pen, true);
  // The box with a selection and without one, as a host's box may be.
  std::vector<SceneSetup> scenes = scenesFor(c);
  SceneSetup none = scenes.front();
  none.boxItem.clear();
  scenes.insert(scenes.begin() + 1, none);
  const int calls = runScripts(c, s, scenes) + 1;
  std::size_t shown = 0;
  for (const auto& f : watch.findings()) {
    if (++shown > 8) {
      c.report.fail("and " + std::to_string(watch.findings().size() - 8) +
                    " more findings like these");
      break;
    }
    c.report.fail(f.second.text +
                  (f.second.calls > 1
                       ? " (and on " + std::to_string(f.second.calls - 1) + " more call(s))"
                       : ""));
  }
  if (!c.report.failures())
    c.report.summary(std::to_string(calls) + " calls sent the host's " +
                     std::to_string(watch.windowCount()) + " windows " + watch.allowedSeen() +
                     " (to the block-size box) and changed none of them (text, styles, window "
                     "procedure, place, the box's items and selection)");
}
