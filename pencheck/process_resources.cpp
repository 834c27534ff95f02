#include "process_resources.h"

#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "wide_text.h"

namespace {

using QuerySystem = LONG(NTAPI*)(ULONG, void*, ULONG, ULONG*);

QuerySystem querySystem() {
  static const auto query = reinterpret_cast<QuerySystem>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  return query;
}

// SystemInformation as a growing buffer; empty when refused.
std::vector<uint8_t> systemInformation(ULONG what) {
  std::vector<uint8_t> buffer(1u << 16);
  for (int i = 0; i < 8 && querySystem(); ++i) {
    ULONG needed = 0;
    const LONG status =
        querySystem()(what, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == 0) return buffer;
    if (status != static_cast<LONG>(0xC0000004)) break;  // anything but "too small"
    buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed + 4096));
  }
  return {};
}

// Handles of this process in the system's table (class 16: entries of a
// process id, type, flags, a 16-bit handle, the object and its access).
long kernelHandleCount() {
  const std::vector<uint8_t> info = systemInformation(16);
  if (info.size() >= sizeof(ULONG)) {
    struct Entry {
      ULONG process;
      UCHAR type, flags;
      USHORT handle;
      void* object;
      ACCESS_MASK access;
    };
    const ULONG n = *reinterpret_cast<const ULONG*>(info.data());
    const std::size_t fits = (info.size() - sizeof(void*)) / sizeof(Entry);
    const auto* e = reinterpret_cast<const Entry*>(info.data() + sizeof(void*));
    long mine = 0;
    for (ULONG i = 0; i < n && i < fits; ++i) mine += e[i].process == GetCurrentProcessId();
    if (mine > 0) return mine;
  }
  DWORD count = 0;
  return GetProcessHandleCount(GetCurrentProcess(), &count) && count ? static_cast<long>(count)
                                                                     : -1;
}

// The ids of this process's threads (class 5: a record per process, its
// threads after it).
std::vector<DWORD> threadIds() {
  std::vector<DWORD> ids;
  const std::vector<uint8_t> info = systemInformation(5);
  std::size_t at = 0;
  while (!info.empty() && at + sizeof(SYSTEM_PROCESS_INFORMATION) <= info.size()) {
    const auto* p = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(info.data() + at);
    if (static_cast<DWORD>(reinterpret_cast<uintptr_t>(p->UniqueProcessId)) ==
        GetCurrentProcessId()) {
      const auto* t = reinterpret_cast<const SYSTEM_THREAD_INFORMATION*>(p + 1);
      for (ULONG i = 0; i < p->NumberOfThreads; ++i)
        if (reinterpret_cast<const uint8_t*>(t + i + 1) <= info.data() + info.size())
          ids.push_back(
              static_cast<DWORD>(reinterpret_cast<uintptr_t>(t[i].ClientId.UniqueThread)));
      break;
    }
    if (!p->NextEntryOffset) break;
    at += p->NextEntryOffset;
  }
  return ids;
}

long gdiObjectsByTable() {
  // Wine's GDI handles are table indices; a handle with no generation in its
  // upper half still names the entry, so every used entry answers.
  long n = 0;
  for (uintptr_t i = 0x10; i < 0x10000; ++i)
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(i))) ++n;
  return n;
}

BOOL CALLBACK countWindow(HWND window, LPARAM counter) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId()) return TRUE;
  ++*reinterpret_cast<long*>(counter);
  EnumChildWindows(window, countWindow, counter);
  return TRUE;
}

long windowCount() {
  long n = 0;
  EnumWindows(countWindow, reinterpret_cast<LPARAM>(&n));
  for (HWND w = nullptr; (w = FindWindowExW(HWND_MESSAGE, w, nullptr, nullptr)) != nullptr;)
    countWindow(w, reinterpret_cast<LPARAM>(&n));
  return n;
}

std::vector<std::string> moduleNames() {
  std::vector<std::string> names;
  HMODULE modules[1024];
  DWORD bytes = 0;
  if (!K32EnumProcessModules(GetCurrentProcess(), modules, sizeof modules, &bytes)) return names;
  for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < 1024; ++i) {
    wchar_t name[MAX_PATH] = {};
    GetModuleFileNameW(modules[i], name, MAX_PATH);
    std::string text = narrowed(name);
    const std::size_t slash = text.find_last_of("\\/");
    if (slash != std::string::npos) text.erase(0, slash + 1);
    char at[32];
    std::snprintf(at, sizeof at, " at 0x%p", static_cast<void*>(modules[i]));
    names.push_back(text + at);
  }
  std::sort(names.begin(), names.end());
  return names;
}

uint64_t privateCommitted() {
  uint64_t total = 0;
  MEMORY_BASIC_INFORMATION m;
  const char* at = nullptr;
  while (VirtualQuery(at, &m, sizeof m)) {
    if (m.State == MEM_COMMIT && m.Type == MEM_PRIVATE) total += m.RegionSize;
    const char* next = static_cast<const char*>(m.BaseAddress) + m.RegionSize;
    if (next <= at) break;
    at = next;
  }
  return total;
}

}  // namespace

bool systemCountsGuiObjects() {
  static const bool counts = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS) > 0;
  return counts;
}

ProcessResources countResources() {
  ProcessResources r;
  if (systemCountsGuiObjects()) {
    r.gdiObjects = static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
    r.userObjects = static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
  } else {
    r.gdiObjects = gdiObjectsByTable();
  }
  r.kernelHandles = kernelHandleCount();
  r.windows = windowCount();
  r.threads = threadIds();
  r.modules = moduleNames();
  r.privateBytes = privateCommitted();
  return r;
}
