// options.h - the validator's command line: what a user types, and the
// hidden arguments with which it starts itself again to run one check.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Options {
  int strictness = 5;  // 1..10
  uint32_t seed = 0;
  bool seedGiven = false;
  int repeat = 1;
  bool randomise = false;
  int timeoutMs = 2000;  // per call of the pen
  std::vector<std::string> only, skip;
  bool list = false;
  bool help = false;
  std::string logPath, junitPath;
  bool inProcess = false;
  bool verbose = false;
  std::string penPath;

  // A child runs one check and reports through the named status block.
  std::string childCheck, childStatus;
  std::vector<std::string> exclude;  // message kinds the child leaves out
};

// Parses the arguments (without the program's name). On a usage error
// returns false with the reason in `error`.
bool parseOptions(const std::vector<std::string>& args, Options& options, std::string& error);

std::string usageText();

// Every option with its value, defaults included, as the log shows them.
std::string describeOptions(const Options& options);

// The command that reruns only `check` with `seed` and the run's other
// settings, quoted for a Windows command prompt.
std::string rerunCommand(const Options& options, const std::string& check, uint32_t seed);

// Splits "a,b,c".
std::vector<std::string> splitList(const std::string& text);
