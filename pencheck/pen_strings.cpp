#include "pen_strings.h"

#include <windows.h>

#include <cstdio>

#include "wide_text.h"

PenString readPenString(const char* pointer) {
  PenString s;
  s.pointer = pointer;
  if (!pointer) return s;
  MEMORY_BASIC_INFORMATION info;
  const char* at = pointer;
  while (s.bytes.size() < 4096) {
    if (!VirtualQuery(at, &info, sizeof info) || info.State != MEM_COMMIT ||
        (info.Protect & (PAGE_NOACCESS | PAGE_GUARD)) || info.Protect == 0)
      return s;
    const char* end = static_cast<const char*>(info.BaseAddress) + info.RegionSize;
    for (; at < end && s.bytes.size() < 4096; ++at) {
      if (*at == 0) {
        s.terminated = true;
        return s;
      }
      s.bytes += *at;
    }
  }
  return s;
}

std::string cp932Text(const std::string& bytes, bool* valid) {
  if (valid) *valid = true;
  if (bytes.empty()) return "";
  const int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(),
                                    static_cast<int>(bytes.size()), nullptr, 0);
  if (n > 0) {
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                        &wide[0], n);
    bool printable = true;
    for (wchar_t ch : wide) printable = printable && ch >= 0x20 && ch != 0x7F;
    if (printable) return narrowed(wide.c_str(), n);
  } else if (valid) {
    *valid = false;
  }
  std::string out;
  char hex[8];
  for (char raw : bytes) {
    const auto ch = static_cast<unsigned char>(raw);
    if (ch >= 0x20 && ch < 0x7F) {
      out += raw;
    } else {
      std::snprintf(hex, sizeof hex, "\\x%02X", ch);
      out += hex;
    }
  }
  return out;
}
