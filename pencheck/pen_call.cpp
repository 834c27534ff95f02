#include "pen_call.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "call_watch.h"
#include "pe_file.h"
#include "pen_imports.h"
#include "pen_threads.h"
#include "wide_text.h"
#include "windows_error.h"

namespace {

StatusBlock* status = nullptr;
StatusBlock localStatus;  // when no parent watches
uint32_t poisonWord = 0xCCCCCCCCu;
bool poisoning = true;

UnloadedModule unloaded;

StatusBlock* block() { return status ? status : &localStatus; }

std::string baseName(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

uintptr_t imageEnd(HMODULE module) {
  const auto* base = reinterpret_cast<const uint8_t*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  return reinterpret_cast<uintptr_t>(base) + nt->OptionalHeader.SizeOfImage;
}

// Fills the stack where the callee's frames are about to lie, so that a
// local the pen reads before writing holds this run's garbage.
[[gnu::noinline]] void poisonStack(uint32_t word) {
  uint32_t junk[4096];
  for (uint32_t& w : junk) w = word;
  asm volatile("" : : "r"(junk) : "memory");
}

double microsecondsBetween(const LARGE_INTEGER& a, const LARGE_INTEGER& b) {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  return static_cast<double>(b.QuadPart - a.QuadPart) * 1e6 / frequency;
}

std::string lowered(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// "_ZVPen@20" -> "zvpen": what a misspelt export was meant to be.
std::string stem(const std::string& name) {
  std::string s = name;
  const std::size_t at = s.find('@');
  if (at != std::string::npos) s.erase(at);
  std::size_t first = s.find_first_not_of('_');
  return lowered(first == std::string::npos ? "" : s.substr(first));
}

}  // namespace

#if defined(__i386__)
extern "C" {
uint32_t pencheckSavedEbp, pencheckSavedEsp, pencheckResult;
// Calls fn with `count` 32-bit arguments as a cdecl caller does, with known
// values in the registers the callee must keep, and stores in effects[0]
// how many argument bytes the callee removed and in effects[1] the kLost*
// bits. Restores the stack and registers itself, whatever the callee did.
int32_t pencheckCall(void* fn, const uint32_t* args, uint32_t count, uint32_t* effects);
}
asm(".text\n"
    ".globl _pencheckCall\n"
    "_pencheckCall:\n"
    "  pushl %ebp\n"
    "  movl %esp, %ebp\n"
    "  pushl %ebx\n"
    "  pushl %esi\n"
    "  pushl %edi\n"
    "  movl 16(%ebp), %ecx\n"
    "  leal 0(,%ecx,4), %eax\n"
    "  subl %eax, %esp\n"
    "  andl $-16, %esp\n"  // aligned at the call, as compilers expect
    "  movl 12(%ebp), %edx\n"
    "  xorl %eax, %eax\n"
    "1:\n"
    "  cmpl %ecx, %eax\n"
    "  jae 2f\n"
    "  movl (%edx,%eax,4), %esi\n"
    "  movl %esi, (%esp,%eax,4)\n"
    "  incl %eax\n"
    "  jmp 1b\n"
    "2:\n"
    "  movl %ebp, _pencheckSavedEbp\n"
    "  movl %esp, _pencheckSavedEsp\n"
    "  movl 8(%ebp), %eax\n"
    "  movl $0x5EB15EB1, %ebx\n"
    "  movl $0x51515151, %esi\n"
    "  movl $0xD1D1D1D1, %edi\n"
    "  movl $0xB0B0B0B0, %ebp\n"
    "  cld\n"
    "  call *%eax\n"
    "  movl %eax, _pencheckResult\n"
    "  movl _pencheckSavedEsp, %ecx\n"
    "  subl %esp, %ecx\n"
    "  negl %ecx\n"
    "  xorl %edx, %edx\n"
    "  cmpl $0x5EB15EB1, %ebx\n"
    "  je 3f\n"
    "  orl $1, %edx\n"
    "3:\n"
    "  cmpl $0x51515151, %esi\n"
    "  je 4f\n"
    "  orl $2, %edx\n"
    "4:\n"
    "  cmpl $0xD1D1D1D1, %edi\n"
    "  je 5f\n"
    "  orl $4, %edx\n"
    "5:\n"
    "  cmpl $0xB0B0B0B0, %ebp\n"
    "  je 6f\n"
    "  orl $8, %edx\n"
    "6:\n"
    "  pushfl\n"
    "  popl %eax\n"
    "  testl $0x400, %eax\n"
    "  jz 7f\n"
    "  orl $16, %edx\n"
    "7:\n"
    "  cld\n"
    "  movl _pencheckSavedEbp, %ebp\n"
    "  movl 20(%ebp), %ebx\n"
    "  movl %ecx, (%ebx)\n"
    "  movl %edx, 4(%ebx)\n"
    "  movl _pencheckResult, %eax\n"
    "  leal -12(%ebp), %esp\n"
    "  popl %edi\n"
    "  popl %esi\n"
    "  popl %ebx\n"
    "  popl %ebp\n"
    "  ret\n");
#endif

void setStatusBlock(StatusBlock* b) { status = b; }
const StatusBlock* callStatus() { return block(); }
const UnloadedModule& lastUnloaded() { return unloaded; }

void beginCall(const char* kind, bool ordinary, const std::string& description) {
  StatusBlock* s = block();
  watchBeforeCall();
  std::snprintf(s->kind, sizeof s->kind, "%s", kind);
  std::snprintf(s->call, sizeof s->call, "%s", description.c_str());
  s->ordinary = ordinary ? 1 : 0;
  s->callStart = GetTickCount();
  InterlockedIncrement(&s->progress);
  InterlockedExchange(&s->inCall, 1);
}

void endCall() {
  InterlockedExchange(&block()->inCall, 0);
  InterlockedIncrement(&block()->progress);
  watchAfterCall();
}

std::string currentCall() { return block()->call; }
std::string currentKind() { return block()->kind; }
bool currentOrdinary() { return block()->ordinary != 0; }

std::string nearMiss(const std::vector<std::string>& names, const std::string& wanted) {
  for (const std::string& name : names)
    if (name != wanted && stem(name) == stem(wanted)) return name;
  return "";
}

Pen::~Pen() { unloadPen(*this); }

bool loadPen(const std::string& path, Pen& pen, std::string& error, bool& loaded) {
  unloadPen(pen);
  pen.getInfo = pen.pen = nullptr;
  pen.getInfoName.clear();
  pen.penName.clear();
  pen.path = path;
  loaded = false;
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  beginCall("load", true, "LoadLibrary (the library entry with DLL_PROCESS_ATTACH)");
  // The pen's own folder is searched for the libraries it imports, as an
  // editor that loads plug-ins by full path with an altered search path does.
  pen.module = LoadLibraryExW(widened(path).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  const DWORD code = GetLastError();
  endCall();
  if (!pen.module) {
    error = code == ERROR_DLL_INIT_FAILED
                ? "the library entry returned FALSE for DLL_PROCESS_ATTACH, so the loader "
                  "unloaded it again: " +
                      windowsError(code, path)
                : "the loader refused it: " + windowsError(code, path);
    return false;
  }
  loaded = true;
  setPenRange(reinterpret_cast<uintptr_t>(pen.module), imageEnd(pen.module));
  hookPenImports(pen.module);

  std::vector<std::string> names;
  {
    // The export names as the file has them, for near misses.
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(pen.module);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        reinterpret_cast<const uint8_t*>(pen.module) + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& d = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (d.VirtualAddress && d.Size) {
      const auto* base = reinterpret_cast<const uint8_t*>(pen.module);
      const auto* dir = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + d.VirtualAddress);
      const auto* nameRvas = reinterpret_cast<const DWORD*>(base + dir->AddressOfNames);
      for (DWORD i = 0; i < dir->NumberOfNames && i < 65536; ++i)
        names.push_back(reinterpret_cast<const char*>(base + nameRvas[i]));
    }
  }
  auto find = [&](const char* wanted, std::string& foundAs) -> void* {
    FARPROC p = GetProcAddress(pen.module, wanted);
    foundAs = wanted;
    if (!p) {
      foundAs = nearMiss(names, wanted);
      if (!foundAs.empty()) p = GetProcAddress(pen.module, foundAs.c_str());
    }
    return reinterpret_cast<void*>(p);
  };
  pen.getInfo = find("_ZVGetInfo", pen.getInfoName);
  pen.pen = find("_ZVPen", pen.penName);
  if (!pen.getInfo || !pen.pen) {
    error = std::string("it exports no ") + (pen.getInfo ? "_ZVPen" : "_ZVGetInfo") +
            ", not even under a near-miss name";
    return false;
  }
  return true;
}

bool unloadPen(Pen& pen) {
  if (!pen.module) return true;
  wchar_t name[MAX_PATH] = {};
  GetModuleFileNameW(pen.module, name, MAX_PATH);
  unloaded.begin = reinterpret_cast<uintptr_t>(pen.module);
  unloaded.end = imageEnd(pen.module);
  std::snprintf(unloaded.name, sizeof unloaded.name, "%s", baseName(narrowed(name)).c_str());
  beginCall("free", true, "FreeLibrary (the library entry with DLL_PROCESS_DETACH)");
  FreeLibrary(pen.module);
  endCall();
  pen.module = nullptr;
  return GetModuleHandleW(name) == nullptr;
}

bool measuresCallingConvention() {
#if defined(__i386__)
  return true;
#else
  return false;
#endif
}

void setStackPoison(uint32_t word) { poisonWord = word; }
void setStackPoisoning(bool on) { poisoning = on; }

CallEffects callGetInfo(const Pen& pen, PenInfo* info) {
  CallEffects e;
  LARGE_INTEGER a, b;
  QueryPerformanceCounter(&a);
  if (poisoning) poisonStack(poisonWord);
#if defined(__i386__)
  const uint32_t args[1] = {static_cast<uint32_t>(reinterpret_cast<uintptr_t>(info))};
  uint32_t effects[2] = {};
  e.result = pencheckCall(pen.getInfo, args, 1, effects);
  QueryPerformanceCounter(&b);
  watchCallReturned();
  e.bytesPopped = static_cast<int32_t>(effects[0]);
  e.registersLost = effects[1];
#else
  using Fn = int32_t (*)(PenInfo*);
  e.result = reinterpret_cast<Fn>(pen.getInfo)(info);
  QueryPerformanceCounter(&b);
  watchCallReturned();
#endif
  e.microseconds = microsecondsBetween(a, b);
  return e;
}

CallEffects callPen(const Pen& pen, HWND window, uint32_t message, uint32_t keyFlags,
                    intptr_t param, PenContext* ctx) {
  CallEffects e;
  LARGE_INTEGER a, b;
  QueryPerformanceCounter(&a);
  if (poisoning) poisonStack(poisonWord);
#if defined(__i386__)
  const uint32_t args[5] = {static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window)), message,
                            keyFlags, static_cast<uint32_t>(param),
                            static_cast<uint32_t>(reinterpret_cast<uintptr_t>(ctx))};
  uint32_t effects[2] = {};
  e.result = pencheckCall(pen.pen, args, 5, effects);
  QueryPerformanceCounter(&b);
  watchCallReturned();
  e.bytesPopped = static_cast<int32_t>(effects[0]);
  e.registersLost = effects[1];
#else
  using Fn = int32_t (*)(HWND, UINT, WPARAM, LPARAM, PenContext*);
  e.result = reinterpret_cast<Fn>(pen.pen)(window, message, keyFlags, param, ctx);
  QueryPerformanceCounter(&b);
  watchCallReturned();
#endif
  e.microseconds = microsecondsBetween(a, b);
  return e;
}
