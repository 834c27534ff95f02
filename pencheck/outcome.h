// outcome.h - what a check came to over all its attempts and repeats: the
// one line the log gives it.
#pragma once

#include <string>
#include <vector>

enum class Verdict { Pass, Warn, Fail, Skip };

struct Outcome {
  std::string name;
  Verdict verdict = Verdict::Pass;
  std::string reason;                // the line's text after the name
  std::string rerun;                 // for a FAIL: the command that reruns only this check
  std::vector<std::string> details;  // --verbose: the check's notes
  double seconds = 0;
};

const char* verdictWord(Verdict verdict);
