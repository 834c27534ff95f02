// wide_text.h - UTF-8 to the wide characters of Windows' own API and back.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

inline std::wstring widened(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0)
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], n);
  return wide;
}

inline std::string narrowed(const wchar_t* wide, int length = -1) {
  if (!wide) return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, length, &out[0], n, nullptr, nullptr);
  if (length < 0) out.pop_back();  // the terminating NUL
  return out;
}

// Text in a code page (932 for a pen's strings) as UTF-8.
inline std::string utf8FromCodePage(UINT codePage, const char* text) {
  if (!text) return std::string();
  const int n = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
  if (n <= 0) return text;
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, text, -1, &wide[0], n);
  return narrowed(wide.c_str());
}

// The program's arguments, without its own name, as UTF-8 whatever the
// system's code page.
inline std::vector<std::string> commandLineArguments() {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; wide && i < count; ++i) args.push_back(narrowed(wide[i]));
  if (wide) LocalFree(wide);
  return args;
}
