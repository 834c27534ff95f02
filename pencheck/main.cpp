// pencheck.exe: loads one Zorvel pen in child processes, holds it to the
// host contract at a chosen strictness, and writes a log for a bug report.
#include <windows.h>

#include <cstdio>

#include "child.h"
#include "options.h"
#include "validator.h"
#include "wide_text.h"

int main() {
  Options options;
  std::string error;
  if (!parseOptions(commandLineArguments(), options, error)) {
    std::fprintf(stderr, "pencheck: %s\n%s", error.c_str(), usageText().c_str());
    return 2;
  }
  if (!options.childCheck.empty()) return childMain(options);
  if (options.help) {
    std::fputs(usageText().c_str(), stdout);
    return 0;
  }
  if (options.list) {
    std::fputs(checkList().c_str(), stdout);
    return 0;
  }
  return runValidator(options);
}
