#include "process_state.h"

#include <windows.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <map>

#include "child.h"
#include "message_names.h"
#include "wide_text.h"

namespace {

// The x87 and SSE state in one instruction that changes nothing (FNSTENV
// would mask the x87 exceptions as it stores). FXSAVE wants 16-byte
// alignment, which a 32-bit thread's stack does not promise.
struct FxArea {
  uint8_t raw[512 + 16];
  uint8_t* bytes() { return raw + ((16 - reinterpret_cast<uintptr_t>(raw) % 16) % 16); }
};

constexpr uint32_t kMxcsrFlags =
    0x3F;  // sticky exception flags: the host's own arithmetic sets them

std::string hex16(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", value & 0xFFFFu);
  return text;
}

std::string x87ControlMeaning(uint16_t from, uint16_t to) {
  static const char* const precision[] = {"24-bit", "(reserved)", "53-bit", "64-bit"};
  static const char* const rounding[] = {"to nearest", "down", "up", "toward zero"};
  static const char* const exceptions[] = {"invalid operation", "denormal",  "division by zero",
                                           "overflow",          "underflow", "precision"};
  std::string out;
  auto add = [&](const std::string& s) { out += (out.empty() ? "" : ", ") + s; };
  if (((from >> 8) & 3) != ((to >> 8) & 3))
    add(std::string("precision ") + precision[(from >> 8) & 3] + " to " + precision[(to >> 8) & 3]);
  if (((from >> 10) & 3) != ((to >> 10) & 3))
    add(std::string("rounding ") + rounding[(from >> 10) & 3] + " to " + rounding[(to >> 10) & 3]);
  for (int bit = 0; bit < 6; ++bit)
    if (((from ^ to) >> bit) & 1)
      add(std::string(exceptions[bit]) +
          ((to >> bit) & 1 ? " masked" : " unmasked (it now traps)"));
  return out;
}

std::string mxcsrMeaning(uint32_t from, uint32_t to) {
  static const char* const rounding[] = {"to nearest", "down", "up", "toward zero"};
  static const char* const exceptions[] = {"invalid operation", "denormal",  "division by zero",
                                           "overflow",          "underflow", "precision"};
  std::string out;
  auto add = [&](const std::string& s) { out += (out.empty() ? "" : ", ") + s; };
  if (((from ^ to) >> 15) & 1) add(std::string("flush-to-zero ") + ((to >> 15) & 1 ? "on" : "off"));
  if (((from ^ to) >> 6) & 1)
    add(std::string("denormals-are-zero ") + ((to >> 6) & 1 ? "on" : "off"));
  if (((from >> 13) & 3) != ((to >> 13) & 3))
    add(std::string("rounding ") + rounding[(from >> 13) & 3] + " to " + rounding[(to >> 13) & 3]);
  for (int bit = 0; bit < 6; ++bit)
    if (((from ^ to) >> (7 + bit)) & 1)
      add(std::string(exceptions[bit]) +
          ((to >> (7 + bit)) & 1 ? " masked" : " unmasked (it now traps)"));
  return out;
}

// The full tag word as FSTENV shows it, from the in-use bits: a register in
// use reads as valid (00), an empty one as 11.
uint16_t tagWord(uint8_t inUse) {
  uint16_t tags = 0;
  for (int i = 0; i < 8; ++i)
    if (!((inUse >> i) & 1)) tags = static_cast<uint16_t>(tags | (3u << (2 * i)));
  return tags;
}

int bitsSet(uint8_t v) {
  int n = 0;
  for (; v; v = static_cast<uint8_t>(v & (v - 1))) ++n;
  return n;
}

std::map<std::wstring, std::wstring> environmentEntries(const std::wstring& block) {
  std::map<std::wstring, std::wstring> entries;
  std::size_t at = 0;
  while (at < block.size()) {
    std::size_t end = block.find(L'\n', at);
    if (end == std::wstring::npos) end = block.size();
    const std::wstring line = block.substr(at, end - at);
    const std::size_t equals = line.find(L'=', 1);
    entries[line.substr(0, equals)] = equals == std::wstring::npos ? L"" : line.substr(equals + 1);
    at = end + 1;
  }
  return entries;
}

std::string shortened(const std::string& text) {
  return text.size() <= 60 ? text : text.substr(0, 57) + "...";
}

}  // namespace

FloatState captureFloatState() {
  FloatState s;
  FxArea area;
  uint8_t* fx = area.bytes();
  asm volatile("fxsave (%0)" : : "r"(fx) : "memory");
  std::memcpy(&s.x87Control, fx, 2);
  uint16_t status;
  std::memcpy(&status, fx + 2, 2);
  s.x87Top = static_cast<uint16_t>((status >> 11) & 7);
  s.x87InUse = fx[4];
  uint32_t mxcsr;
  std::memcpy(&mxcsr, fx + 24, 4);
  s.mxcsrControl = mxcsr & ~kMxcsrFlags;
  return s;
}

void restoreFloatState(const FloatState& w, const FloatState& now) {
  if (now.x87InUse != w.x87InUse || now.x87Top != w.x87Top) {
    // Empties the register stack; the control word is set again below.
    asm volatile("fninit");
  }
  if (now.x87InUse != w.x87InUse || now.x87Top != w.x87Top || now.x87Control != w.x87Control) {
    const uint16_t control = w.x87Control;
    asm volatile("fldcw %0" : : "m"(control));
  }
  if (now.mxcsrControl != w.mxcsrControl) {
    uint32_t mxcsr;
    asm volatile("stmxcsr %0" : "=m"(mxcsr));
    mxcsr = (mxcsr & kMxcsrFlags) | w.mxcsrControl;
    asm volatile("ldmxcsr %0" : : "m"(mxcsr));
  }
}

ProcessState captureProcessState() {
  ProcessState s;
  static_cast<FloatState&>(s) = captureFloatState();
  wchar_t directory[MAX_PATH + 1] = {};
  const DWORD n = GetCurrentDirectoryW(MAX_PATH + 1, directory);
  s.directory.assign(directory, n <= MAX_PATH ? n : 0);
  s.errorMode = SetErrorMode(0);
  SetErrorMode(s.errorMode);
  s.exceptionFilter = reinterpret_cast<void*>(SetUnhandledExceptionFilter(nullptr));
  SetUnhandledExceptionFilter(reinterpret_cast<LPTOP_LEVEL_EXCEPTION_FILTER>(s.exceptionFilter));

  if (wchar_t* block = GetEnvironmentStringsW()) {
    for (const wchar_t* line = block; *line; line += wcslen(line) + 1) {
      if (line[0] == L'=') continue;  // the drive folders, which follow the directory
      s.environment += line;
      s.environment += L'\n';
    }
    FreeEnvironmentStringsW(block);
  }
  const char* locale = std::setlocale(LC_ALL, nullptr);
  s.locale = locale ? locale : "";
  return s;
}

std::vector<StateChange> stateChanges(const ProcessState& a, const ProcessState& b) {
  std::vector<StateChange> out;
  if (a.x87Control != b.x87Control)
    out.push_back({"the x87 control word", "the x87 control word from " + hex16(a.x87Control) +
                                               " to " + hex16(b.x87Control) + " (" +
                                               x87ControlMeaning(a.x87Control, b.x87Control) +
                                               "): the host's floating point now computes "
                                               "otherwise"});
  if (a.x87InUse != b.x87InUse || a.x87Top != b.x87Top)
    out.push_back(
        {"the x87 tag word",
         "the x87 tag word from " + hex16(tagWord(a.x87InUse)) + " to " +
             hex16(tagWord(b.x87InUse)) + " (" + std::to_string(bitsSet(b.x87InUse)) +
             " of 8 registers left in use: an MMX instruction without EMMS, or a value never "
             "popped, leaves them so), so that the host's next floating-point results are NaN"});
  if (a.mxcsrControl != b.mxcsrControl)
    out.push_back({"MXCSR", "MXCSR from " + hex16(a.mxcsrControl) + " to " + hex16(b.mxcsrControl) +
                                " (" + mxcsrMeaning(a.mxcsrControl, b.mxcsrControl) + ")"});
  if (a.directory != b.directory)
    out.push_back({"the current directory", "the current directory from " +
                                                narrowed(a.directory.c_str()) + " to " +
                                                narrowed(b.directory.c_str()) +
                                                " (the host's relative paths now lead elsewhere)"});
  if (a.errorMode != b.errorMode)
    out.push_back({"the error mode", "the error mode from " + hex16(a.errorMode) + " to " +
                                         hex16(b.errorMode) +
                                         " (which failures Windows shows the user a box for)"});
  if (a.exceptionFilter != b.exceptionFilter)
    out.push_back({"the unhandled-exception filter",
                   "the unhandled-exception filter from " +
                       (a.exceptionFilter ? moduleAndOffset(a.exceptionFilter) : "none") + " to " +
                       (b.exceptionFilter ? moduleAndOffset(b.exceptionFilter) : "none") +
                       " (the host's crash handling now goes through the pen, and through freed "
                       "memory once it is unloaded)"});
  if (a.environment != b.environment) {
    const auto before = environmentEntries(a.environment),
               after = environmentEntries(b.environment);
    std::string what;
    auto add = [&](const std::string& s) { what += (what.empty() ? "" : ", ") + s; };
    for (const auto& e : after) {
      const auto it = before.find(e.first);
      if (it == before.end())
        add("set " + shortened(narrowed(e.first.c_str())) + "=" +
            shortened(narrowed(e.second.c_str())));
      else if (it->second != e.second)
        add("changed " + shortened(narrowed(e.first.c_str())) + " to " +
            shortened(narrowed(e.second.c_str())));
    }
    for (const auto& e : before)
      if (!after.count(e.first)) add("removed " + shortened(narrowed(e.first.c_str())));
    out.push_back({"the environment", "the environment (" + what + ")"});
  }
  if (a.locale != b.locale)
    out.push_back({"the C runtime's locale",
                   "the C runtime's locale from \"" + shortened(a.locale) + "\" to \"" +
                       shortened(b.locale) +
                       "\" (msvcrt's, which the host shares: its number formatting and "
                       "character tests change)"});
  return out;
}

void restoreProcessState(const ProcessState& w, const ProcessState& now) {
  restoreFloatState(w, now);
  if (now.directory != w.directory) SetCurrentDirectoryW(w.directory.c_str());
  if (now.errorMode != w.errorMode) SetErrorMode(w.errorMode);
  if (now.exceptionFilter != w.exceptionFilter)
    SetUnhandledExceptionFilter(reinterpret_cast<LPTOP_LEVEL_EXCEPTION_FILTER>(w.exceptionFilter));
  if (now.environment != w.environment) {
    const auto wanted = environmentEntries(w.environment), is = environmentEntries(now.environment);
    for (const auto& e : is)
      if (!wanted.count(e.first)) SetEnvironmentVariableW(e.first.c_str(), nullptr);
    for (const auto& e : wanted) {
      const auto it = is.find(e.first);
      if (it == is.end() || it->second != e.second)
        SetEnvironmentVariableW(e.first.c_str(), e.second.c_str());
    }
  }
  if (now.locale != w.locale) std::setlocale(LC_ALL, w.locale.c_str());
}
