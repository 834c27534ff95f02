// pen_threads.h - the threads a pen starts. The validator hears of every
// new thread in its process (a TLS callback, which the loader calls on each
// thread before its start routine) and keeps those that begin in the pen's
// code or during a call of the pen, with the call they came from: so that a
// thread can be waited for at a fixed point after that call (its outcome is
// then the same on every run), a crash on it can be told apart from one on
// the validator's own thread, and what is left running can be named.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct PenThread {
  DWORD id = 0;
  uintptr_t start = 0;      // its start routine
  long callSerial = 0;      // the call in progress when it began (or the last one)
  bool duringCall = false;  // begun while the pen was running
  char kind[32] = {};       // that call's kind and description
  char call[240] = {};
  bool ordinary = false;
  DWORD begunTick = 0;
};

// The code address range of the pen now loaded (or last loaded), so that a
// thread begun in it counts even when it starts after the call that made it.
void setPenRange(uintptr_t begin, uintptr_t end);
bool inPenRange(uintptr_t address);

// A thread the pen started through its imports, told the moment it exists
// (pen_imports); the call in progress is the one that started it.
void notePenThread(DWORD id, uintptr_t start);

// Threads begun by the pen, in order (the table keeps no other).
std::vector<PenThread> penThreads();
// The entry for the calling thread, when it is one of the pen's.
bool findPenThread(DWORD id, PenThread& out);
// Those begun during call `serial`.
std::vector<PenThread> threadsOfCall(long serial);
// Waits up to `ms` for the given threads to end; false when one still runs.
bool waitForThreads(const std::vector<PenThread>& threads, DWORD ms);
// Which of them still run.
std::vector<PenThread> stillRunning(const std::vector<PenThread>& threads);

// "Tessaly.dll+0x1a2b" for a start routine (its old offset once unloaded).
std::string threadStartText(const PenThread& thread);

// The current call's serial number, advanced by the door at each call.
long currentCallSerial();
void advanceCallSerial();
