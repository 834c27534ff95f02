// pen_imports.h - the pen's import address table, rewritten right after
// each load so that the calls that allocate memory or start threads reach
// the validator first. What the pen allocates through its own imports
// (malloc, HeapAlloc, VirtualAlloc, ...) is counted exactly, block by
// block, which no measure of the whole heap can do under every Windows; a
// thread the pen starts is known the moment it exists, so that the call
// that started it can wait for it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Rewrites the imports of `module`; returns the functions it now sees, as
// "msvcrt.dll!malloc".
std::vector<std::string> hookPenImports(HMODULE module);

struct AllocationCounts {
  int64_t liveBytes = 0, liveBlocks = 0;
  int64_t allocations = 0, releases = 0;
  int64_t untracked = 0;  // blocks the table had no room for
};
AllocationCounts penAllocations();
