#include "process_resources.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "wide_text.h"

namespace {

// This process's kernel handles. Where the system does not count them
// (Wine), the handle values are asked one by one: handles are handed out
// lowest first, so the count ends after a long run of free values. (Asking
// for the whole system's handle table instead has brought Wine's server
// down while other processes came and went.)
long kernelHandleCount() {
  DWORD count = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &count) && count) return static_cast<long>(count);
  long n = 0;
  DWORD flags = 0;
  for (uintptr_t value = 4, free = 0; free < 512 && value < (1u << 24); value += 4) {
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
      ++n;
      free = 0;
    } else {
      ++free;
    }
  }
  return n;
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
  r.modules = moduleNames();
  r.privateBytes = privateCommitted();
  return r;
}
