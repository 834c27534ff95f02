// memory_files.h - the files of files.h kept in memory, for the script
// fuzzer and the stand-in's native tests: an input brings the files its
// script reads, and the folders "." and "out" exist.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace testing_support {

// The files readFile() finds; cleared and refilled for each input.
std::map<std::string, std::vector<uint8_t>>& memoryFiles();

}  // namespace testing_support
