// runner.h - the parent's side: each check in a child process (the same
// program, started again with a hidden argument), watched call by call, so
// that a crash or a hang in the pen is a finding and the run goes on.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "checks.h"
#include "options.h"

// What one run of one check came to.
struct Attempt {
  std::vector<std::string> fails;  // reasons, "[kind] " tags removed
  std::set<std::string> failedKinds;
  std::vector<std::string> warns, notes;
  std::string summary, skip;
  // A crash or hang on an ordinary call whose kind another check owns.
  std::string foreignKind, foreignText;
  // An own crash or hang, whose kind the next attempt leaves out.
  std::string crashedKind;
  bool finished = false;
  // What the child left in the empty folder it ran in, by relative name.
  std::vector<std::string> leftFiles;
  double seconds = 0;
};

// Runs `check` once with `options` (seed, strictness, exclusions set), in a
// child process whose current folder is a new empty one, removed afterwards.
Attempt runAttempt(const CheckInfo& check, const Options& options);
