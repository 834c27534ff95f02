// host.state: the process state every call of the pen must leave as it
// found it. The comparing is the door's (call_watch), around every call of
// every check; this check makes one of each kind of call and reports what
// the door kept.
#include <windows.h>

#include "call_watch.h"
#include "checks.h"
#include "identity.h"
#include "pen_session.h"

void checkHostState(CheckContext& c) {
  PenSession s;
  if (!s.open(c)) return;  // the library entry with DLL_PROCESS_ATTACH
  readIdentity(s.pen, true);
  std::vector<SceneSetup> scenes = scenesFor(c);
  for (const SceneSetup& u : unusualScenes()) scenes.push_back(u);
  const int messages = runScripts(c, s, scenes);
  readIdentity(s.pen, true);
  unloadPen(s.pen);  // and with DLL_PROCESS_DETACH
  for (const StateFinding& f : stateFindings())
    c.report.fail(
        "changed " + f.what + ", first during " + f.call +
        (f.calls > 1 ? " (and on " + std::to_string(f.calls - 1) + " more call(s))" : "") +
        "; put back after each call, so that the other checks meet the host's state");
  if (!c.report.failures())
    c.report.summary(std::to_string(watchedCalls()) + " calls (loading and unloading, " +
                     "_ZVGetInfo twice and " + std::to_string(messages) +
                     " messages) left the x87 control and tag words, MXCSR, the current "
                     "directory, the error mode, the unhandled-exception filter, the "
                     "environment and the C runtime's locale as they found them");
}
