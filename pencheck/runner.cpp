#include "runner.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "child.h"
#include "status_block.h"
#include "wide_text.h"

namespace {

std::wstring quotedArgument(const std::string& text) {
  std::wstring w = widened(text), out = L"\"";
  // The command-line rules: backslashes double only before a quote.
  std::size_t slashes = 0;
  for (wchar_t c : w) {
    if (c == L'\\') {
      ++slashes;
      continue;
    }
    if (c == L'"')
      out.append(2 * slashes + 1, L'\\');
    else
      out.append(slashes, L'\\');
    slashes = 0;
    out += c;
  }
  out.append(2 * slashes, L'\\');
  return out + L"\"";
}

std::string joined(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) out += (out.empty() ? "" : ",") + item;
  return out;
}

void parseReport(const std::string& text, Attempt& a) {
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(at, end - at);
    at = end + 1;
    const std::size_t space = line.find(' ');
    const std::string tag = line.substr(0, space);
    std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
    if (tag == "FAIL") {
      if (rest.size() > 2 && rest[0] == '[') {
        const std::size_t close = rest.find("] ");
        if (close != std::string::npos) {
          const std::string kind = rest.substr(1, close - 1);
          a.failedKinds.insert(kind);
          rest.erase(0, close + 2);
        }
      }
      a.fails.push_back(rest);
    } else if (tag == "WARN") {
      a.warns.push_back(rest);
    } else if (tag == "NOTE") {
      a.notes.push_back(rest);
    } else if (tag == "SUMMARY") {
      a.summary = rest;
    } else if (tag == "SKIP") {
      a.skip = rest;
    } else if (tag == "FOREIGN") {
      const std::size_t tab = rest.find('\t');
      a.foreignKind = rest.substr(0, tab);
      a.foreignText = tab == std::string::npos ? "" : rest.substr(tab + 1);
    } else if (tag == "DONE") {
      a.finished = true;
    }
  }
}

// A hang: the parent saw the call outlast the timeout and ended the child.
void reportHang(const CheckInfo& check, const StatusBlock* block, int timeoutMs, Attempt& a) {
  const std::string kind = block->kind;
  const std::string text = "did not return within " + std::to_string(timeoutMs) +
                           " ms (the process was ended) during " + std::string(block->call);
  if (block->ordinary && ownerOfKind(kind) != std::string(check.name)) {
    a.foreignKind = kind;
    a.foreignText = text;
  } else {
    a.fails.push_back(text);
    a.failedKinds.insert(kind);
    a.crashedKind = kind;
  }
}

std::string reportText(const StatusBlock* block) {
  const std::size_t length = strnlen(block->report, kReportBytes);
  return std::string(block->report, length);
}

double secondsSince(const LARGE_INTEGER& start) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart - start.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

// The whole check may not outlast this, whatever its calls do.
constexpr DWORD kCheckLimitMs = 600000;
// Nor may it stand still this long between calls of the pen: a thread the
// pen started can hold a lock the validator's own code then waits for.
constexpr DWORD kIdleLimitMs = 30000;

// Ends a child, never waiting for it without end: under load Wine has been
// seen to leave a killed process behind with one thread in a wait; the
// report is in shared memory already, and the run goes on.
void endChild(HANDLE process) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    TerminateProcess(process, 0xDEAD);
    if (WaitForSingleObject(process, 2000) == WAIT_OBJECT_0) return;
  }
}

// A new empty folder for one child, under the temporary folder.
std::wstring scratchFolder() {
  static int serial = 0;
  wchar_t temp[MAX_PATH + 1] = {};
  if (!GetTempPathW(MAX_PATH + 1, temp)) return L"";
  for (int tries = 0; tries < 100; ++tries) {
    const std::wstring folder = std::wstring(temp) + L"pencheck-" +
                                std::to_wstring(GetCurrentProcessId()) + L"-" +
                                std::to_wstring(++serial);
    if (CreateDirectoryW(folder.c_str(), nullptr)) return folder;
  }
  return L"";
}

// Everything under `folder`, as relative names, folders ending in '\\'.
void listTree(const std::wstring& folder, const std::wstring& prefix,
              std::vector<std::string>& out) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out.push_back(narrowed((prefix + name + L"\\").c_str()));
      listTree(folder + L"\\" + name, prefix + name + L"\\", out);
    } else {
      out.push_back(narrowed((prefix + name).c_str()));
    }
  } while (FindNextFileW(search, &found) && out.size() < 1000);
  FindClose(search);
}

void removeTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        removeTree(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

}  // namespace

Attempt runAttempt(const CheckInfo& check, const Options& options) {
  Attempt a;
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);

  if (options.inProcess) {
    static StatusBlock block;
    std::memset(&block, 0, sizeof block);
    const Ending ending = runCheckHere(check, options, &block, options.timeoutMs);
    parseReport(reportText(&block), a);
    if (ending == Ending::Hung) reportHang(check, &block, options.timeoutMs, a);
    if (ending == Ending::Crashed && a.foreignKind.empty()) a.crashedKind = block.kind;
    a.seconds = secondsSince(start);
    return a;
  }

  static int serial = 0;
  char name[96];
  std::snprintf(name, sizeof name, "Local\\pencheck-%lu-%d",
                static_cast<unsigned long>(GetCurrentProcessId()), ++serial);
  HANDLE mapping = nullptr;
  StatusBlock* block = createStatusBlock(name, mapping);
  if (!block) {
    a.fails.push_back("the validator could not create shared memory for its child");
    return a;
  }

  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command =
      quotedArgument(narrowed(self)) + L" --child " + widened(check.name) + L" --status " +
      widened(name) + L" --strictness " + std::to_wstring(options.strictness) + L" --seed " +
      std::to_wstring(options.seed) + L" --timeout-ms " + std::to_wstring(options.timeoutMs);
  if (!options.exclude.empty()) command += L" --exclude " + widened(joined(options.exclude));
  command += L" " + quotedArgument(options.penPath);

  // The child writes nothing: its report goes through shared memory. Its
  // standard handles lead nowhere, so that a child left behind cannot keep
  // the caller's pipes open.
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE nowhere =
      CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  &inherit, OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (nowhere != INVALID_HANDLE_VALUE) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = nowhere;
  }
  PROCESS_INFORMATION process{};
  std::vector<wchar_t> line(command.begin(), command.end());
  line.push_back(0);
  // What a pen writes to "its" folder shows in an empty one.
  const std::wstring folder = scratchFolder();
  const BOOL started =
      CreateProcessW(self, line.data(), nullptr, nullptr, nowhere != INVALID_HANDLE_VALUE, 0,
                     nullptr, folder.empty() ? nullptr : folder.c_str(), &startup, &process);
  if (nowhere != INVALID_HANDLE_VALUE) CloseHandle(nowhere);
  if (!started) {
    if (!folder.empty()) removeTree(folder);
    a.fails.push_back("the validator could not start its child process (error " +
                      std::to_string(GetLastError()) + ")");
    UnmapViewOfFile(block);
    CloseHandle(mapping);
    return a;
  }
  CloseHandle(process.hThread);

  const DWORD begun = GetTickCount();
  bool hung = false, idle = false;
  LONG progress = block->progress;
  DWORD lastProgress = begun;
  for (;;) {
    if (WaitForSingleObject(process.hProcess, 5) == WAIT_OBJECT_0) break;
    const DWORD now = GetTickCount();
    if (block->progress != progress || block->inCall) {
      progress = block->progress;
      lastProgress = now;
    }
    idle = now - lastProgress > kIdleLimitMs;
    if ((block->inCall && now - block->callStart > static_cast<DWORD>(options.timeoutMs)) ||
        now - begun > kCheckLimitMs || idle) {
      endChild(process.hProcess);
      hung = true;
      break;
    }
  }
  DWORD exitCode = 0;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hProcess);

  parseReport(reportText(block), a);
  if (!folder.empty()) {
    listTree(folder, L"", a.leftFiles);
    removeTree(folder);
  }
  if (hung) {
    if (block->inCall)
      reportHang(check, block, options.timeoutMs, a);
    else if (idle)
      a.fails.push_back("the check stood still for " + std::to_string(kIdleLimitMs / 1000) +
                        " s between calls of the pen (the process was ended), after " +
                        std::string(block->call) +
                        ": a thread the pen started may hold a lock the host needs");
    else
      a.fails.push_back("the check did not finish within " + std::to_string(kCheckLimitMs / 1000) +
                        " s");
  } else if (!a.finished && a.foreignKind.empty()) {
    if (a.fails.empty()) {
      char code[16];
      std::snprintf(code, sizeof code, "%08lX", static_cast<unsigned long>(exitCode));
      const std::string text = "the process ended with status " + std::string(code) + " during " +
                               std::string(block->call);
      if (block->inCall && block->ordinary && ownerOfKind(block->kind) != std::string(check.name)) {
        a.foreignKind = block->kind;
        a.foreignText = text;
      } else {
        a.fails.push_back(text);
        a.failedKinds.insert(block->kind);
      }
    }
    if (block->inCall && a.foreignKind.empty()) a.crashedKind = block->kind;
  }
  UnmapViewOfFile(block);
  CloseHandle(mapping);
  a.seconds = secondsSince(start);
  return a;
}
