// process_state.h - what a call of the pen shares with its host beyond the
// record: the x87 and SSE control state, the current directory, the error
// mode, the unhandled-exception filter, the environment and the locale of
// the C runtime both use (msvcrt). A host's own arithmetic, file dialogs and
// crash handling rely on each of them; a pen must leave them as it found
// them. Captured before a call, compared after it and put back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The floating-point part, which must be put back the moment the pen
// returns: the caller's next arithmetic (its own timing of the call, say)
// would otherwise compute with it.
struct FloatState {
  uint16_t x87Control = 0;
  uint16_t x87Top = 0;        // the register stack's top, from the status word
  uint8_t x87InUse = 0;       // a bit for each register holding a value
  uint32_t mxcsrControl = 0;  // MXCSR without its sticky exception flags
};
FloatState captureFloatState();
void restoreFloatState(const FloatState& wanted, const FloatState& now);

struct ProcessState : FloatState {
  std::wstring directory;
  unsigned errorMode = 0;
  void* exceptionFilter = nullptr;
  std::wstring environment;  // NAME=value lines, the drive entries ("=C:=...") left out
  std::string locale;
};

ProcessState captureProcessState();

// One change between two states: which part ("the x87 control word") and
// what happened to it, in words for a pen author.
struct StateChange {
  std::string part;
  std::string what;
};
std::vector<StateChange> stateChanges(const ProcessState& before, const ProcessState& after);

// Puts back what differs from `wanted` in the process as it is now.
void restoreProcessState(const ProcessState& wanted, const ProcessState& now);
