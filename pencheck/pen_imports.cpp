#include "pen_imports.h"

#include <process.h>

#include <cctype>
#include <cstring>

#include "pen_threads.h"

namespace {

// The pen's live blocks: open addressing, no allocation of its own (the
// wrappers run inside the pen's calls, on any of its threads).
constexpr std::size_t kSlots = 1u << 16;
struct Slot {
  uintptr_t address;  // 0 free, 1 a removed entry
  std::size_t size;
};
Slot slots[kSlots];
std::size_t used = 0;
AllocationCounts counts;
volatile LONG lock = 0;

struct Guard {
  Guard() {
    while (InterlockedExchange(&lock, 1)) SwitchToThread();
  }
  ~Guard() { InterlockedExchange(&lock, 0); }
};

std::size_t slotOf(uintptr_t a) { return ((a >> 3) * 2654435761u) & (kSlots - 1); }

void track(const void* p, std::size_t size) {
  if (!p) return;
  Guard g;
  ++counts.allocations;
  if (used >= kSlots / 4 * 3) {
    ++counts.untracked;
    return;
  }
  const auto a = reinterpret_cast<uintptr_t>(p);
  for (std::size_t i = slotOf(a);; i = (i + 1) & (kSlots - 1))
    if (slots[i].address <= 1) {
      slots[i] = {a, size};
      ++used;
      counts.liveBytes += static_cast<int64_t>(size);
      ++counts.liveBlocks;
      return;
    }
}

void untrack(const void* p) {
  if (!p) return;
  Guard g;
  const auto a = reinterpret_cast<uintptr_t>(p);
  for (std::size_t i = slotOf(a), n = 0; n < kSlots; i = (i + 1) & (kSlots - 1), ++n) {
    if (slots[i].address == 0) return;  // not one of the pen's blocks
    if (slots[i].address == a) {
      counts.liveBytes -= static_cast<int64_t>(slots[i].size);
      --counts.liveBlocks;
      ++counts.releases;
      slots[i].address = 1;
      return;
    }
  }
}

// The real functions, found when the imports are rewritten.
struct Real {
  void* (*malloc)(std::size_t);
  void* (*calloc)(std::size_t, std::size_t);
  void* (*realloc)(void*, std::size_t);
  void (*free)(void*);
  char* (*strdup)(const char*);
  wchar_t* (*wcsdup)(const wchar_t*);
  LPVOID(WINAPI* heapAlloc)(HANDLE, DWORD, SIZE_T);
  LPVOID(WINAPI* heapReAlloc)(HANDLE, DWORD, LPVOID, SIZE_T);
  BOOL(WINAPI* heapFree)(HANDLE, DWORD, LPVOID);
  HLOCAL(WINAPI* localAlloc)(UINT, SIZE_T);
  HLOCAL(WINAPI* localFree)(HLOCAL);
  HGLOBAL(WINAPI* globalAlloc)(UINT, SIZE_T);
  HGLOBAL(WINAPI* globalFree)(HGLOBAL);
  LPVOID(WINAPI* virtualAlloc)(LPVOID, SIZE_T, DWORD, DWORD);
  BOOL(WINAPI* virtualFree)(LPVOID, SIZE_T, DWORD);
  HANDLE(WINAPI* createThread)
  (LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID, DWORD, LPDWORD);
  uintptr_t (*beginThread)(void(__cdecl*)(void*), unsigned, void*);
  uintptr_t (*beginThreadEx)(void*, unsigned, unsigned(__stdcall*)(void*), void*, unsigned,
                             unsigned*);
} real;

void* hookMalloc(std::size_t n) {
  void* p = real.malloc(n);
  track(p, n);
  return p;
}
void* hookCalloc(std::size_t n, std::size_t size) {
  void* p = real.calloc(n, size);
  track(p, n * size);
  return p;
}
void* hookRealloc(void* old, std::size_t n) {
  void* p = real.realloc(old, n);
  if (p || n == 0) untrack(old);
  track(p, n);
  return p;
}
void hookFree(void* p) {
  untrack(p);
  real.free(p);
}
char* hookStrdup(const char* s) {
  char* p = real.strdup(s);
  track(p, p ? std::strlen(p) + 1 : 0);
  return p;
}
wchar_t* hookWcsdup(const wchar_t* s) {
  wchar_t* p = real.wcsdup(s);
  track(p, p ? (wcslen(p) + 1) * sizeof(wchar_t) : 0);
  return p;
}
LPVOID WINAPI hookHeapAlloc(HANDLE heap, DWORD flags, SIZE_T n) {
  LPVOID p = real.heapAlloc(heap, flags, n);
  track(p, n);
  return p;
}
LPVOID WINAPI hookHeapReAlloc(HANDLE heap, DWORD flags, LPVOID old, SIZE_T n) {
  LPVOID p = real.heapReAlloc(heap, flags, old, n);
  if (p) {
    untrack(old);
    track(p, n);
  }
  return p;
}
BOOL WINAPI hookHeapFree(HANDLE heap, DWORD flags, LPVOID p) {
  untrack(p);
  return real.heapFree(heap, flags, p);
}
HLOCAL WINAPI hookLocalAlloc(UINT flags, SIZE_T n) {
  HLOCAL p = real.localAlloc(flags, n);
  track(p, n);
  return p;
}
HLOCAL WINAPI hookLocalFree(HLOCAL p) {
  untrack(p);
  return real.localFree(p);
}
HGLOBAL WINAPI hookGlobalAlloc(UINT flags, SIZE_T n) {
  HGLOBAL p = real.globalAlloc(flags, n);
  track(p, n);
  return p;
}
HGLOBAL WINAPI hookGlobalFree(HGLOBAL p) {
  untrack(p);
  return real.globalFree(p);
}
LPVOID WINAPI hookVirtualAlloc(LPVOID at, SIZE_T n, DWORD type, DWORD protect) {
  LPVOID p = real.virtualAlloc(at, n, type, protect);
  if (p && !at && (type & MEM_COMMIT)) track(p, n);
  return p;
}
BOOL WINAPI hookVirtualFree(LPVOID p, SIZE_T n, DWORD type) {
  if (type & MEM_RELEASE) untrack(p);
  return real.virtualFree(p, n, type);
}
HANDLE WINAPI hookCreateThread(LPSECURITY_ATTRIBUTES sa, SIZE_T stack, LPTHREAD_START_ROUTINE fn,
                               LPVOID arg, DWORD flags, LPDWORD id) {
  DWORD own = 0;
  HANDLE h = real.createThread(sa, stack, fn, arg, flags, id ? id : &own);
  if (h) notePenThread(id ? *id : own, reinterpret_cast<uintptr_t>(fn));
  return h;
}
uintptr_t hookBeginThread(void(__cdecl* fn)(void*), unsigned stack, void* arg) {
  const uintptr_t h = real.beginThread(fn, stack, arg);
  if (h && h != static_cast<uintptr_t>(-1))
    notePenThread(GetThreadId(reinterpret_cast<HANDLE>(h)), reinterpret_cast<uintptr_t>(fn));
  return h;
}
uintptr_t hookBeginThreadEx(void* sa, unsigned stack, unsigned(__stdcall* fn)(void*), void* arg,
                            unsigned flags, unsigned* id) {
  unsigned own = 0;
  const uintptr_t h = real.beginThreadEx(sa, stack, fn, arg, flags, id ? id : &own);
  if (h) notePenThread(id ? *id : own, reinterpret_cast<uintptr_t>(fn));
  return h;
}

struct Hook {
  const char* library;  // a prefix of the library's name, lower case
  const char* function;
  void* replacement;
  void** original;
};

#define HOOK(lib, name, fn, field) \
  { lib, name, reinterpret_cast<void*>(fn), reinterpret_cast<void**>(&real.field) }
const Hook kHooks[] = {
    HOOK("msvcr", "malloc", hookMalloc, malloc),
    HOOK("msvcr", "calloc", hookCalloc, calloc),
    HOOK("msvcr", "realloc", hookRealloc, realloc),
    HOOK("msvcr", "free", hookFree, free),
    HOOK("msvcr", "_strdup", hookStrdup, strdup),
    HOOK("msvcr", "strdup", hookStrdup, strdup),
    HOOK("msvcr", "_wcsdup", hookWcsdup, wcsdup),
    HOOK("msvcr", "_beginthread", hookBeginThread, beginThread),
    HOOK("msvcr", "_beginthreadex", hookBeginThreadEx, beginThreadEx),
    HOOK("kernel32", "HeapAlloc", hookHeapAlloc, heapAlloc),
    HOOK("kernel32", "HeapReAlloc", hookHeapReAlloc, heapReAlloc),
    HOOK("kernel32", "HeapFree", hookHeapFree, heapFree),
    HOOK("kernel32", "LocalAlloc", hookLocalAlloc, localAlloc),
    HOOK("kernel32", "LocalFree", hookLocalFree, localFree),
    HOOK("kernel32", "GlobalAlloc", hookGlobalAlloc, globalAlloc),
    HOOK("kernel32", "GlobalFree", hookGlobalFree, globalFree),
    HOOK("kernel32", "VirtualAlloc", hookVirtualAlloc, virtualAlloc),
    HOOK("kernel32", "VirtualFree", hookVirtualFree, virtualFree),
    HOOK("kernel32", "CreateThread", hookCreateThread, createThread),
};
#undef HOOK

std::string lowered(const char* s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

std::vector<std::string> hookPenImports(HMODULE module) {
  std::vector<std::string> seen;
  const auto* base = reinterpret_cast<uint8_t*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& d = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (!d.VirtualAddress) return seen;
  for (auto* desc = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + d.VirtualAddress);
       desc->Name; ++desc) {
    const std::string library = lowered(reinterpret_cast<const char*>(base + desc->Name));
    const DWORD namesRva = desc->OriginalFirstThunk ? desc->OriginalFirstThunk : desc->FirstThunk;
    const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + namesRva);
    auto* slots =
        reinterpret_cast<IMAGE_THUNK_DATA*>(const_cast<uint8_t*>(base) + desc->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName =
          reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      const char* function = reinterpret_cast<const char*>(byName->Name);
      for (const Hook& h : kHooks) {
        if (library.rfind(h.library, 0) != 0 || std::strcmp(function, h.function) != 0) continue;
        void* current = reinterpret_cast<void*>(slots->u1.Function);
        if (current == h.replacement) break;  // rewritten already
        *h.original = current;
        DWORD old;
        if (VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old)) {
          slots->u1.Function = reinterpret_cast<uintptr_t>(h.replacement);
          VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
          seen.push_back(library + "!" + function);
        }
        break;
      }
    }
  }
  return seen;
}

AllocationCounts penAllocations() {
  Guard g;
  return counts;
}
