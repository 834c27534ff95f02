// child.h - running one check where a fault of the pen cannot take the
// validator down: on a thread of its own with a large stack, an exception
// handler that catches access violations (committing lazily reserved pages
// on the way), stack overflows and the rest, and reports what was being sent.
#pragma once

#include "checks.h"
#include "options.h"
#include "status_block.h"

enum class Ending { Finished, Crashed, Hung };

// Runs `check` and leaves its report in `block`. With timeoutMs > 0 it also
// watches each call of the pen itself (the in-process mode); a child leaves
// that to its parent.
Ending runCheckHere(const CheckInfo& check, const Options& options, StatusBlock* block,
                    int timeoutMs);

// The hidden child mode: runs options.childCheck and ends the process.
int childMain(const Options& options);

// "access violation", "stack overflow", ... for an exception code.
std::string exceptionName(unsigned long code);
// "Tessaly.dll+0x1a2b" for a code address; in the old range of the pen
// unloaded last, its offset there.
std::string moduleAndOffset(const void* address);
// " (Tessaly.dll+0x1a2b, in the pen's old range: ...)" when `address` lies in
// the module unloaded last and nothing is loaded there now, else "".
std::string unloadedOffset(uintptr_t address);
// Puts the validator's exception handler in front of any a pen added, so
// that a handler the pen left behind cannot keep it from seeing a fault.
void handlersFirst();
