#include "memory_files.h"

#include "files.h"

namespace fuzz {

std::map<std::string, std::vector<uint8_t>>& memoryFiles() {
  static std::map<std::string, std::vector<uint8_t>> files;
  return files;
}

}  // namespace fuzz

bool readFile(const std::string& path, std::size_t limit, std::vector<uint8_t>& bytes,
              std::string& error) {
  const auto found = fuzz::memoryFiles().find(path);
  if (found == fuzz::memoryFiles().end()) {
    error = "The system cannot find the file specified. (error 2)";
    return false;
  }
  if (found->second.size() > limit) {
    error = "larger than " + std::to_string(limit) + " bytes";
    return false;
  }
  bytes = found->second;
  return true;
}

bool isFolder(const std::string& path) { return path == "." || path == "out"; }

bool writeWhole(const std::string& path, const std::vector<uint8_t>& bytes, std::string&) {
  fuzz::memoryFiles()[path] = bytes;
  return true;
}
