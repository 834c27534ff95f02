#include "file_names.h"

#include <cstdint>

#include "text.h"

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Windows opens these as devices whatever the folder or extension: "aux.bmp"
// is the serial port, not a file. The digits include the superscripts 1 to 3.
std::string deviceOf(const std::string& part);

bool isDeviceName(const std::string& part) {
  const std::string base = deviceOf(part);
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
  if (base.size() < 4 || (base.compare(0, 3, "COM") != 0 && base.compare(0, 3, "LPT") != 0))
    return false;
  const std::string digit = base.substr(3);
  return (digit.size() == 1 && digit[0] >= '0' && digit[0] <= '9') || digit == "\xC2\xB9" ||
         digit == "\xC2\xB2" || digit == "\xC2\xB3";
}

// "aux.bmp" -> "AUX"
std::string deviceOf(const std::string& part) {
  std::string base = part.substr(0, part.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base) c = upper(c);
  return base;
}

// UTF-16 units of a UTF-8 text: what Windows counts.
std::size_t utf16Length(const std::string& text) {
  std::size_t n = 0;
  for (char c : text) {
    const auto b = static_cast<uint8_t>(c);
    if ((b & 0xC0) != 0x80) n += b >= 0xF0 ? 2 : 1;
  }
  return n;
}

std::string partProblem(const std::string& part) {
  if (part == "." || part == "..") return "";
  if (part.back() == '.' || part.back() == ' ')
    return "ends in a " + std::string(part.back() == '.' ? "dot" : "space") +
           ", which Windows drops from file names";
  if (isDeviceName(part)) return "is reserved for the Windows device " + deviceOf(part);
  if (utf16Length(part) > 255) return "has a part longer than 255 characters";
  return "";
}

}  // namespace

std::string fileNameProblem(const std::string& name) {
  if (name.empty()) return "is empty";
  if (!isUtf8(name)) return "is not UTF-8 text";
  std::size_t start = 0;
  if (name.size() >= 2 && name[1] == ':' && upper(name[0]) >= 'A' && upper(name[0]) <= 'Z')
    start = 2;  // a drive letter
  for (std::size_t i = start; i < name.size(); ++i) {
    const auto b = static_cast<uint8_t>(name[i]);
    if (b < 0x20 || b == 0x7F) return "holds a control character";
    for (char bad : {'<', '>', ':', '"', '|', '?', '*'})
      if (name[i] == bad)
        return "holds '" + std::string(1, bad) + "', which Windows does not allow in file names";
  }
  if (isSeparator(name.back())) return "names a folder, not a file";
  std::size_t partStart = start;
  for (std::size_t i = start; i <= name.size(); ++i) {
    if (i < name.size() && !isSeparator(name[i])) continue;
    if (i > partStart) {
      const std::string problem = partProblem(name.substr(partStart, i - partStart));
      if (!problem.empty()) return problem;
    }
    partStart = i + 1;
  }
  return "";
}

bool hasExtension(const std::string& name, const char* extension) {
  const std::size_t n = std::char_traits<char>::length(extension);
  if (name.size() <= n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    char c = name[name.size() - n + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != extension[i]) return false;
  }
  return true;
}
