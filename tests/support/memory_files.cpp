#include "memory_files.h"

#include "files.h"

namespace testing_support {

std::map<std::string, std::vector<uint8_t>>& memoryFiles() {
  static std::map<std::string, std::vector<uint8_t>> files;
  return files;
}

}  // namespace testing_support

bool readFile(const std::string& path, std::size_t limit, std::vector<uint8_t>& bytes,
              std::string& error) {
  const auto found = testing_support::memoryFiles().find(path);
  if (found == testing_support::memoryFiles().end()) {
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
  testing_support::memoryFiles()[path] = bytes;
  return true;
}

bool fileExists(const std::string& path) { return testing_support::memoryFiles().count(path) != 0; }

bool removeFile(const std::string& path, std::string& error) {
  if (testing_support::memoryFiles().erase(path) != 0) return true;
  error = "cannot remove '" + path + "': The system cannot find the file specified. (error 2)";
  return false;
}

bool canWrite(const std::string& path, std::string& error) {
  const std::size_t slash = path.find_last_of("/\\");
  if (slash == std::string::npos || isFolder(path.substr(0, slash))) return true;
  error = "The system cannot find the path specified. (error 3)";
  return false;
}

std::string absolutePath(const std::string& path) { return path; }
