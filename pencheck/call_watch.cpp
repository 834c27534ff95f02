#include "call_watch.h"

#include "pen_call.h"
#include "pen_threads.h"
#include "process_state.h"

namespace {

ProcessState before;
FloatState returned;
bool returnedSeen = false;
std::vector<StateFinding> findings;
int calls = 0;
const CallObserver* observer = nullptr;

// How long a call's new threads are waited for, and after how many threads
// that outlast it the pen is taken to keep threads (and no longer waited
// for: its finding is made by then).
constexpr DWORD kThreadWaitMs = 250;
constexpr int kWaitsThatTimeOut = 4;
int timeouts = 0;

}  // namespace

void setCallObserver(const CallObserver* o) { observer = o; }

void watchBeforeCall() {
  advanceCallSerial();
  before = captureProcessState();
  returnedSeen = false;
  if (observer) observer->before(observer->self);
}

void watchCallReturned() {
  returned = captureFloatState();
  returnedSeen = true;
  restoreFloatState(before, returned);
}

void watchAfterCall() {
  ++calls;
  ProcessState after = captureProcessState();
  if (returnedSeen) static_cast<FloatState&>(after) = returned;
  const std::vector<StateChange> changes = stateChanges(before, after);
  if (!changes.empty()) {
    const std::string call = currentCall();
    for (const StateChange& change : changes) {
      bool known = false;
      for (StateFinding& f : findings)
        if (f.part == change.part) {
          ++f.calls;
          known = true;
        }
      if (!known) findings.push_back({change.part, change.what, call, 1});
    }
    restoreProcessState(before, after);
  }
  if (observer) observer->after(observer->self);
  const std::vector<PenThread> started = threadsOfCall(currentCallSerial());
  if (!started.empty() && timeouts < kWaitsThatTimeOut && !waitForThreads(started, kThreadWaitMs))
    ++timeouts;
}

std::vector<StateFinding> stateFindings() { return findings; }
int watchedCalls() { return calls; }
