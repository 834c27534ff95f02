// process_resources.h - what the whole process holds, counted the way this
// system allows: GDI and USER objects (GetGuiResources; under Wine, which
// does not count them, the GDI handle table is read and windows are
// counted), kernel handles, windows, modules and committed private memory.
// Compared before and after a session of the pen's calls. (Threads are
// pen_threads' business.)
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct ProcessResources {
  long gdiObjects = -1;   // -1: this system cannot count them
  long userObjects = -1;  // the same; windows are counted apart
  long kernelHandles = -1;
  long windows = 0;
  std::vector<DWORD> threads;        // ids
  std::vector<std::string> modules;  // "name at 0x..."
  uint64_t privateBytes = 0;
};

ProcessResources countResources();

// Whether the counts of GDI and USER objects come from the system itself.
bool systemCountsGuiObjects();
