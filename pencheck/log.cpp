#include "log.h"

#include <windows.h>

#include "wide_text.h"
#include "windows_error.h"

const char* verdictWord(Verdict verdict) {
  switch (verdict) {
    case Verdict::Pass:
      return "PASS";
    case Verdict::Warn:
      return "WARN";
    case Verdict::Fail:
      return "FAIL";
    case Verdict::Skip:
      return "SKIP";
  }
  return "?";
}

std::string logText(const std::vector<std::string>& header, const std::vector<Outcome>& outcomes,
                    bool verbose) {
  std::string text;
  for (const std::string& line : header) text += line + "\n";
  int passed = 0, failed = 0, warned = 0;
  for (const Outcome& o : outcomes) {
    text += std::string(verdictWord(o.verdict)) + " " + o.name + ": " + o.reason;
    if (!o.rerun.empty()) text += "; rerun: " + o.rerun;
    text += "\n";
    if (verbose)
      for (const std::string& d : o.details) text += "    " + d + "\n";
    passed += o.verdict == Verdict::Pass;
    failed += o.verdict == Verdict::Fail;
    warned += o.verdict == Verdict::Warn;
  }
  text += std::to_string(passed) + " passed, " + std::to_string(failed) + " failed, " +
          std::to_string(warned) + " warnings\n";
  return text;
}

bool writeTextFile(const std::string& path, const std::string& text, std::string& error) {
  HANDLE file = CreateFileW(widened(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = path + ": " + windowsError(GetLastError(), path);
    return false;
  }
  DWORD written = 0;
  const BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  const DWORD code = GetLastError();
  CloseHandle(file);
  if (!ok || written != text.size()) {
    error = path + ": " + windowsError(code, path);
    return false;
  }
  return true;
}
