// The library file and the loader: what the editor meets before it calls
// anything of the pen's.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "checks.h"
#include "identity.h"
#include "message_names.h"
#include "pe_file.h"
#include "pen_session.h"
#include "wide_text.h"
#include "windows_error.h"

namespace {

constexpr bool kIs32Bit = sizeof(void*) == 4;

std::string lowered(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool readFileOrFail(CheckContext& c, PeFile& pe) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (!readWholeFile(c.options.penPath, bytes, error)) {
    c.report.fail(error);
    return false;
  }
  pe = readPeFile(bytes);
  return true;
}

// Libraries that every Windows since XP has in its system folder.
const char* const kSystemLibraries[] = {
    "kernel32.dll", "user32.dll",   "gdi32.dll",    "advapi32.dll", "shell32.dll", "ole32.dll",
    "oleaut32.dll", "comctl32.dll", "comdlg32.dll", "msvcrt.dll",   "ntdll.dll",   "winmm.dll",
    "version.dll",  "shlwapi.dll",  "imm32.dll",    "ws2_32.dll",   "wsock32.dll", "rpcrt4.dll",
    "winspool.drv", "msimg32.dll",  "mpr.dll",      "setupapi.dll", "crypt32.dll", "secur32.dll",
    "psapi.dll",    "opengl32.dll", "glu32.dll",    "usp10.dll",    "uxtheme.dll", "winhttp.dll",
    "wininet.dll",  "userenv.dll",  "netapi32.dll", "iphlpapi.dll", "dbghelp.dll"};

bool isSystemLibrary(const std::string& name) {
  const std::string n = lowered(name);
  for (const char* s : kSystemLibraries)
    if (n == s) return true;
  return false;
}

// Why a library that is not the system's is there, as far as its name says.
std::string importAdvice(const std::string& name) {
  const std::string n = lowered(name);
  auto starts = [&](const char* prefix) { return n.rfind(prefix, 0) == 0; };
  if (starts("libgcc") || starts("libstdc++") || starts("libwinpthread"))
    return "MinGW's runtime: link with -static-libgcc -static-libstdc++ (and -static for "
           "winpthread)";
  if (starts("msvcp") || starts("vcruntime") || starts("msvcr") || starts("concrt") ||
      starts("ucrtbase") || starts("api-ms-win-crt"))
    return "the Visual C++ runtime, which not every Windows has: link it statically (/MT)";
  if (starts("api-ms-win-")) return "an API set that older Windows lacks";
  return "a library the user would have to install beside the editor";
}

DWORD WINAPI doNothing(void*) { return 0; }

}  // namespace

bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
  HANDLE file = CreateFileW(widened(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = "cannot read the file: " + windowsError(GetLastError(), path);
    return false;
  }
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file, &size) || size.QuadPart > (256ll << 20)) {
    CloseHandle(file);
    error = "the file is larger than 256 MiB, or its size cannot be read";
    return false;
  }
  bytes.resize(static_cast<std::size_t>(size.QuadPart));
  DWORD got = 0;
  const BOOL ok = bytes.empty() ||
                  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  const DWORD code = GetLastError();
  CloseHandle(file);
  if (!ok || (!bytes.empty() && got != bytes.size())) {
    error = "cannot read the file: " + windowsError(code, path);
    return false;
  }
  return true;
}

std::string libraryFileProblem(const PeFile& pe) {
  if (!pe.problem.empty()) return "not a library: " + pe.problem;
  const bool plus = pe.optionalMagic == 0x20B;
  const std::string kind = std::string(plus ? "PE32+ " : "PE32 ") + machineName(pe.machine);
  if (!pe.isDll()) return "a " + kind + " program, not a dynamic library (IMAGE_FILE_DLL is clear)";
  const uint16_t wanted = kIs32Bit ? kMachineI386 : kMachineAmd64;
  if (pe.machine != wanted || plus == kIs32Bit) {
    if (kIs32Bit)
      return "a " + kind +
             " library: the editor is a 32-bit program and loads only PE32 i386 "
             "libraries";
    return "a " + kind +
           " library: this 64-bit build of pencheck loads only PE32+ x86-64 "
           "libraries (use the 32-bit pencheck.exe for the editor's 32-bit pens)";
  }
  return "";
}

std::string libraryFileDescription(const PeFile& pe) {
  char entry[64];
  std::snprintf(entry, sizeof entry, "entry at RVA 0x%X", static_cast<unsigned>(pe.entryRva));
  return std::string(pe.optionalMagic == 0x20B ? "PE32+ " : "PE32 ") + machineName(pe.machine) +
         " DLL, " + (pe.entryRva ? entry : "no entry point") + ", export directory named '" +
         pe.exportDllName + "'";
}

void checkLibraryFile(CheckContext& c) {
  PeFile pe;
  if (!readFileOrFail(c, pe)) return;
  const std::string problem = libraryFileProblem(pe);
  if (!problem.empty()) {
    c.report.fail(problem);
    return;
  }
  c.report.summary(
      libraryFileDescription(pe) +
      (kIs32Bit ? "" : " (the shipped pen is PE32 i386, checked by the 32-bit build)"));
}

void checkLibraryExports(CheckContext& c) {
  PeFile pe;
  if (!readFileOrFail(c, pe)) return;
  auto has = [&](const std::string& n) {
    return std::find(pe.exportNames.begin(), pe.exportNames.end(), n) != pe.exportNames.end();
  };
  for (const char* wanted : {"_ZVGetInfo", "_ZVPen"}) {
    const std::string miss = nearMiss(pe.exportNames, wanted);
    if (has(wanted)) {
      if (!miss.empty())
        c.report.warn(std::string("exports ") + miss + " beside " + wanted +
                      " (__declspec(dllexport) on top of a .def gives such a second name)");
      continue;
    }
    std::string advice;
    if (miss.empty())
      advice = "and nothing like it: the editor cannot use this library";
    else if (miss.find('@') != std::string::npos)
      advice = "only " + miss + ", a stdcall-decorated name: declare it __cdecl and name it " +
               wanted + " in a .def file";
    else if (miss.find_first_not_of('_') == 0)
      advice = "only " + miss +
               ", without the leading underscore the editor looks for (on i686 a "
               ".def line `" +
               std::string(wanted) + " = " + miss + "` exports the right name)";
    else
      advice = "only " + miss + ", which is not spelt exactly so";
    c.report.fail(std::string("no export named ") + wanted + "; it has " + advice);
  }
  // Names beyond the two (and their near misses, named above): a host calls
  // none of them, and each is a way into the pen's state outside the contract.
  std::string others;
  std::size_t extra = 0;
  for (const std::string& name : pe.exportNames) {
    if (name == "_ZVGetInfo" || name == "_ZVPen" || !nearMiss({"_ZVGetInfo"}, name).empty() ||
        !nearMiss({"_ZVPen"}, name).empty())
      continue;
    if (++extra <= 8) others += (others.empty() ? "" : ", ") + name;
  }
  if (extra > 8) others += " and " + std::to_string(extra - 8) + " more";
  if (extra)
    c.report.warn("exports " + std::to_string(extra) +
                  " name(s) besides _ZVGetInfo and _ZVPen: " + others +
                  " (the editor calls only those two; a .def file that lists only them keeps the "
                  "rest private)");
  if (c.report.failures() || c.report.warnings()) return;
  c.report.summary("exports _ZVGetInfo and _ZVPen by name, and nothing else");
}

void checkLibraryImports(CheckContext& c) {
  PeFile pe;
  if (!readFileOrFail(c, pe)) return;
  std::string all;
  for (const auto* list : {&pe.imports, &pe.delayImports})
    for (const std::string& name : *list) {
      all += (all.empty() ? "" : ", ") + name;
      if (!isSystemLibrary(name))
        c.report.fail("imports " + name + (list == &pe.delayImports ? " (delay-loaded)" : "") +
                      ", which is not a library every Windows has: " + importAdvice(name));
    }
  if (!c.report.failures()) c.report.summary("imports only " + (all.empty() ? "nothing" : all));
}

void checkLibraryLoad(CheckContext& c) {
  Pen pen;
  std::string error;
  bool loaded = false;
  if (!loadPen(c.options.penPath, pen, error, loaded) && !loaded) {
    c.report.fail(error, "load");
    return;
  }
  std::string what = "loaded at " +
                     hex32(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pen.module))) +
                     " (DLL_PROCESS_ATTACH answered TRUE)";
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(pen.module);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
      reinterpret_cast<const uint8_t*>(pen.module) + dos->e_lfanew);
  const DWORD entryRva = nt->OptionalHeader.AddressOfEntryPoint;
  if (entryRva) {
    using Entry = BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID);
    const auto entry = reinterpret_cast<Entry>(reinterpret_cast<uintptr_t>(pen.module) + entryRva);
    const struct {
      DWORD reason;
      const char* name;
    } reasons[] = {{DLL_THREAD_ATTACH, "DLL_THREAD_ATTACH"},
                   {DLL_THREAD_DETACH, "DLL_THREAD_DETACH"}};
    for (const auto& r : reasons) {
      beginCall("entry", true, std::string("the library entry with ") + r.name);
      const BOOL answer = entry(pen.module, r.reason, nullptr);
      endCall();
      if (answer != TRUE)
        c.report.fail(std::string("the library entry returned ") + std::to_string(answer) +
                          " for " + r.name + ", not TRUE",
                      "entry");
    }
    // A thread coming and going, as the editor's own threads do.
    beginCall("entry", true, "a thread starting and ending (the loader calls the library entry)");
    HANDLE thread = CreateThread(nullptr, 0, doNothing, nullptr, 0, nullptr);
    if (thread) {
      WaitForSingleObject(thread, INFINITE);
      CloseHandle(thread);
    }
    endCall();
    what += ", its entry TRUE for thread attach and detach";
  } else {
    what += ", no library entry";
  }
  if (!unloadPen(pen))
    c.report.warn(
        "the library stayed loaded after FreeLibrary: it keeps itself loaded, so its "
        "state outlives the editor's unloading it");
  else
    what += ", unloaded";
  if (!c.report.failures()) c.report.summary(what);
}

void checkLibraryReload(CheckContext& c) {
  Pen pen;
  if (!loadOrSkip(c, pen)) return;
  const Identity first = readIdentity(pen, true);
  if (!unloadPen(pen)) {
    c.report.warn("the library stayed loaded after FreeLibrary, so it could not be loaded afresh");
    return;
  }
  if (!loadOrSkip(c, pen)) {
    c.report.fail("it does not load a second time");
    return;
  }
  const Identity second = readIdentity(pen, true);
  std::string difference;
  if (!first.sameAs(second, false, difference))
    c.report.fail("loaded again, _ZVGetInfo gives other values: " + difference);
  unloadPen(pen);
  if (!c.report.failures())
    c.report.summary("unloaded and loaded again: exports found, the same identity");
}
