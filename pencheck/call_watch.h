// call_watch.h - what the door (pen_call's beginCall and endCall) does
// around every call of the pen besides naming and timing it: the process
// state is captured before and compared after, each change kept for
// host.state and put back at once (so that neither the checks after it nor
// the validator's own figures are poisoned); the threads the call started
// are waited for at a fixed point after it, so that what they do happens at
// the same place on every run; and a check may add an observer of its own.
#pragma once

#include <string>
#include <vector>

struct CallObserver {
  void (*before)(void* self);
  void (*after)(void* self);
  void* self;
};
// Null removes it.
void setCallObserver(const CallObserver* observer);

void watchBeforeCall();
// Right after the pen returns, before any arithmetic of the validator's.
void watchCallReturned();
void watchAfterCall();

// A part of the process state some calls changed: the first change in
// words, the call that made it, and how many calls did.
struct StateFinding {
  std::string part, what, call;
  int calls = 0;
};
std::vector<StateFinding> stateFindings();
// Calls watched so far in this process.
int watchedCalls();
