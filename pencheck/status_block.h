// status_block.h - what a child running one check shares with the validator
// that started it, in a block of named shared memory: the call of the pen in
// progress (so that the parent's watchdog can time it and name it when it
// hangs) and the check's report, which survives the child being ended.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

constexpr std::size_t kReportBytes = 60000;

struct StatusBlock {
  volatile LONG inCall;      // 1 while the pen is running
  volatile DWORD callStart;  // GetTickCount() at the call's start
  volatile LONG ordinary;    // 1: a call of ordinary input (see check_context.h)
  volatile LONG progress;    // advanced at each call's start and end
  char kind[32];             // the call's kind, e.g. "lpress" or "load"
  char call[480];            // what is being sent, for a report
  volatile LONG reportLength;
  char report[kReportBytes];  // lines "FAIL text", "WARN text", ...
};

// The block under `name`: created by the parent, opened by the child.
// Null when the system refuses.
StatusBlock* createStatusBlock(const std::string& name, HANDLE& mapping);
StatusBlock* openStatusBlock(const std::string& name, HANDLE& mapping);

// Appends one report line (cut to fit); the last lines lost to a full block
// are replaced by a note that some were.
void appendReport(StatusBlock* block, const std::string& line);
