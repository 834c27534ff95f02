// junit.h - the results as JUnit XML, the format CI systems read: one test
// case per check, a FAIL as a failure, a SKIP as skipped, warnings in the
// case's output.
#pragma once

#include <string>
#include <vector>

#include "outcome.h"

std::string junitXml(const std::string& penPath, const std::vector<Outcome>& outcomes);
