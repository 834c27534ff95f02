// windows_error.h - the system's text for a Windows error code.
#pragma once

#include <windows.h>

#include <string>

// "The specified module could not be found. (error 126)"
inline std::string windowsError(DWORD code) {
  char text[512] = {};
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, text, sizeof text, nullptr);
  std::string s(text, n);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
  if (s.empty()) s = "Windows error";
  return s + " (error " + std::to_string(code) + ")";
}
