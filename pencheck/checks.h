// checks.h - every check the validator runs: its name, the strictness from
// which it runs, the one sentence --list prints, and the function that runs
// it in a child process.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "check_context.h"

using CheckFunction = void (*)(CheckContext&);

struct CheckInfo {
  const char* name;
  int level;
  const char* sentence;
  CheckFunction run;
  bool needs32Bit;  // left out of the 64-bit build
};

const std::vector<CheckInfo>& allChecks();
const CheckInfo* findCheck(const std::string& name);
// Whether `pattern` names the check: its full name or its group ("messages").
bool namesCheck(const std::string& pattern, const CheckInfo& check);

// The checks, by group (checks_*.cpp).
void checkLibraryFile(CheckContext& c);
void checkLibraryExports(CheckContext& c);
void checkLibraryImports(CheckContext& c);
void checkLibraryLoad(CheckContext& c);
void checkLibraryReload(CheckContext& c);
void checkIdentityRecord(CheckContext& c);
void checkIdentityStrings(CheckContext& c);
void checkIdentityRepeat(CheckContext& c);
void checkIdentityButton(CheckContext& c);
void checkCallingConvention(CheckContext& c);
void checkMessagesReturn(CheckContext& c);
void checkMessagesPointers(CheckContext& c);
void checkMessagesWrites(CheckContext& c);
void checkMessagesFields(CheckContext& c);
void checkMessagesRectangle(CheckContext& c);
void checkMessagesTree(CheckContext& c);
void checkHostileCanvas(CheckContext& c);
void checkHostileCursor(CheckContext& c);
void checkHostileBox(CheckContext& c);
void checkHostState(CheckContext& c);
void checkHostPointers(CheckContext& c);
void checkHostWindows(CheckContext& c);
void checkHostResources(CheckContext& c);
void checkHostUnload(CheckContext& c);
void checkDeterminism(CheckContext& c);
void checkTiming(CheckContext& c);
void checkTimingBudget(CheckContext& c);

// The file-level verdict, shared by library.file and the parent's first
// look at the file: empty when it is a library of the kind this build loads,
// else what it is instead.
struct PeFile;
std::string libraryFileProblem(const PeFile& pe);
std::string libraryFileDescription(const PeFile& pe);
// Reads a whole file; false with the Windows error in `error`.
bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);
