// validator.h - a whole run: the file looked at, the checks chosen by
// strictness and --only/--skip, each run in a child (again without a kind
// that crashes the pen with ordinary input, which its owner reports), the
// results gathered over the repeats, and the log and JUnit file written.
#pragma once

#include "options.h"

// The exit status: 0 no check failed, 1 one did, 2 a usage error or a file
// that is not a loadable library.
int runValidator(Options options);

// --list: every check, its level and its sentence.
std::string checkList();
