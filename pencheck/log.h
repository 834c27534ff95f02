// log.h - the log a user attaches to a bug report: what was checked (the
// validator's version, the pen's path, size and SHA-256, every option and
// the seed), one line per check, and the count.
#pragma once

#include <string>
#include <vector>

#include "outcome.h"

// The log as text: the header lines, one line per outcome (with its details
// under it when `verbose`), and "N passed, M failed, K warnings" last.
std::string logText(const std::vector<std::string>& header, const std::vector<Outcome>& outcomes,
                    bool verbose);

// Writes `text` to `path` (UTF-8); false with the reason in `error`.
bool writeTextFile(const std::string& path, const std::string& text, std::string& error);
