// windows_error.h - the system's text for a Windows error code.
#pragma once

#include <windows.h>

#include <string>

// "The specified module could not be found. (error 126)". Windows keeps a
// placeholder %1 in some texts ("Bad EXE format for %1."): `subject`, the
// file concerned, takes its place. A full disk is said plainly.
inline std::string windowsError(DWORD code, const std::string& subject = "") {
  if (code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL)
    return "no space left on the disk (error " + std::to_string(code) + ")";
  char text[512] = {};
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, text, sizeof text, nullptr);
  std::string s(text, n);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
  const std::string with = subject.empty() ? "the file" : subject;
  for (std::size_t at = s.find("%1"); at != std::string::npos; at = s.find("%1", at + with.size()))
    s.replace(at, 2, with);
  if (s.empty()) s = "Windows error";
  return s + " (error " + std::to_string(code) + ")";
}
