#include "pen_threads.h"

#include <cstdio>
#include <cstring>

#include "child.h"
#include "pen_call.h"

namespace {

constexpr int kMaxThreads = 512;
PenThread table[kMaxThreads];
volatile LONG count = 0;
volatile LONG serial = 0;
volatile uintptr_t penBegin = 0, penEnd = 0;

uintptr_t startAddressOf(HANDLE thread) {
  using Query = LONG(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);
  static const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationThread")));
  void* start = nullptr;
  constexpr int kWin32StartAddress = 9;
  if (!query || query(thread, kWin32StartAddress, &start, sizeof start, nullptr) != 0) return 0;
  return reinterpret_cast<uintptr_t>(start);
}

bool inOwnModule(uintptr_t address) {
  static const auto range = [] {
    const auto* base = reinterpret_cast<const uint8_t*>(GetModuleHandleA(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const auto begin = reinterpret_cast<uintptr_t>(base);
    return std::make_pair(begin, begin + nt->OptionalHeader.SizeOfImage);
  }();
  return address >= range.first && address < range.second;
}

volatile LONG lock = 0;

// The entry for thread `id`, added if new; the caller holds the lock.
PenThread* entryFor(DWORD id) {
  const LONG n = count < kMaxThreads ? count : kMaxThreads;
  for (LONG i = 0; i < n; ++i)
    if (table[i].id == id) return &table[i];
  if (count >= kMaxThreads) return nullptr;
  PenThread& t = table[count];
  InterlockedIncrement(&count);
  t.id = id;
  const StatusBlock* s = callStatus();
  t.callSerial = serial;
  t.duringCall = s && s->inCall;
  t.ordinary = s && s->ordinary;
  if (s) {
    std::snprintf(t.kind, sizeof t.kind, "%s", s->kind);
    std::snprintf(t.call, sizeof t.call, "%s", s->call);
  }
  t.begunTick = GetTickCount();
  return &t;
}

struct Locked {
  Locked() {
    while (InterlockedExchange(&lock, 1)) SwitchToThread();
  }
  ~Locked() { InterlockedExchange(&lock, 0); }
};

// Runs on every new thread, before its start routine.
void NTAPI onThreadAttach(void*, DWORD reason, void*) {
  if (reason != DLL_THREAD_ATTACH) return;
  const uintptr_t start = startAddressOf(GetCurrentThread());
  if (inOwnModule(start)) return;  // the validator's own
  const StatusBlock* s = callStatus();
  Locked locked;
  PenThread known;
  const bool noted = findPenThread(GetCurrentThreadId(), known);
  // A thread of the system's own, begun while the validator worked, is none
  // of the pen's business; one begun in the pen's code always is, even when
  // it starts after the call that made it (from the library entry, say).
  if (!noted && !(s && s->inCall) && !inPenRange(start)) return;
  if (PenThread* t = entryFor(GetCurrentThreadId()))
    if (!t->start) t->start = start;
}

}  // namespace

// The loader calls the callbacks listed between the C runtime's TLS markers
// for every thread of the process.
extern "C" {
__attribute__((section(".CRT$XLY"), used)) PIMAGE_TLS_CALLBACK pencheckThreadCallback =
    onThreadAttach;
}

void setPenRange(uintptr_t begin, uintptr_t end) {
  penBegin = begin;
  penEnd = end;
}

bool inPenRange(uintptr_t address) { return address >= penBegin && address < penEnd; }

void notePenThread(DWORD id, uintptr_t start) {
  if (!id) return;
  Locked locked;
  // The routine the pen named says more than a runtime's thunk.
  if (PenThread* t = entryFor(id))
    if (!t->start || !inPenRange(t->start)) t->start = start;
}

std::vector<PenThread> penThreads() {
  std::vector<PenThread> out;
  const LONG n = count < kMaxThreads ? count : kMaxThreads;
  for (LONG i = 0; i < n; ++i)
    if (table[i].id) out.push_back(table[i]);
  return out;
}

bool findPenThread(DWORD id, PenThread& out) {
  const LONG n = count < kMaxThreads ? count : kMaxThreads;
  for (LONG i = 0; i < n; ++i)
    if (table[i].id == id) {
      out = table[i];
      return true;
    }
  return false;
}

std::vector<PenThread> threadsOfCall(long s) {
  // Asked after every call: nothing to build while the pen starts no thread.
  std::vector<PenThread> out;
  const LONG n = count < kMaxThreads ? count : kMaxThreads;
  for (LONG i = 0; i < n; ++i)
    if (table[i].id && table[i].callSerial == s) out.push_back(table[i]);
  return out;
}

std::vector<PenThread> stillRunning(const std::vector<PenThread>& threads) {
  std::vector<PenThread> out;
  for (const PenThread& t : threads) {
    HANDLE h = OpenThread(SYNCHRONIZE, FALSE, t.id);
    if (!h) continue;  // gone
    if (WaitForSingleObject(h, 0) == WAIT_TIMEOUT) out.push_back(t);
    CloseHandle(h);
  }
  return out;
}

bool waitForThreads(const std::vector<PenThread>& threads, DWORD ms) {
  const DWORD begun = GetTickCount();
  for (const PenThread& t : threads) {
    HANDLE h = OpenThread(SYNCHRONIZE, FALSE, t.id);
    if (!h) continue;
    const DWORD spent = GetTickCount() - begun;
    const DWORD left = spent < ms ? ms - spent : 0;
    const DWORD w = WaitForSingleObject(h, left);
    CloseHandle(h);
    if (w == WAIT_TIMEOUT) return false;
  }
  return true;
}

std::string threadStartText(const PenThread& t) {
  return moduleAndOffset(reinterpret_cast<const void*>(t.start));
}

long currentCallSerial() { return serial; }
void advanceCallSerial() { InterlockedIncrement(&serial); }
