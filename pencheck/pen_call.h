// pen_call.h - the pen as the validator holds it: loaded, its exports found
// (by their exact names, or by the near miss a pen author made), and every
// call into it made through one door that tells the watchdog what is being
// sent, puts fresh garbage on the stack first, and, in the 32-bit build,
// checks the calling convention on the way back.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "pen_context.h"
#include "pen_info.h"
#include "status_block.h"

// Unloaded when it goes (a call of kind "free").
struct Pen {
  Pen() = default;
  ~Pen();
  Pen(const Pen&) = delete;
  Pen& operator=(const Pen&) = delete;
  HMODULE module = nullptr;
  void* getInfo = nullptr;
  void* pen = nullptr;
  std::string getInfoName, penName;  // the export names they were found under
  std::string path;
};

// The kinds of call, by which a crash or hang is attributed to the check
// that owns it: "load", "entry", "free", "getinfo", "after-unload", or a
// message kind (check_context.h). Each pair of beginCall and endCall is also
// where call_watch does its work.
void setStatusBlock(StatusBlock* block);
// The block itself, for what runs on other threads (a new thread's callback).
const StatusBlock* callStatus();
void beginCall(const char* kind, bool ordinary, const std::string& description);
void endCall();
// The description of the call in progress (or the last one).
std::string currentCall();
std::string currentKind();
bool currentOrdinary();

// The near-miss spelling of `wanted` among `names` ("ZVPen", "_ZVPen@20"),
// or empty.
std::string nearMiss(const std::vector<std::string>& names, const std::string& wanted);

// Loads the library (a call of kind "load") and finds its exports. Returns
// false with the loader's error text, or with the missing export, in `error`;
// `loaded` tells the two apart.
bool loadPen(const std::string& path, Pen& pen, std::string& error, bool& loaded);
// Unloads it (kind "free"); true when the module is then gone from the process.
bool unloadPen(Pen& pen);

// The module last unloaded, so that a crash in its old address range can be
// named: "Tessaly.dll+0x1a2b, unloaded by then".
struct UnloadedModule {
  uintptr_t begin = 0, end = 0;
  char name[MAX_PATH] = {};
};
const UnloadedModule& lastUnloaded();

// What a call did besides its result.
struct CallEffects {
  int32_t result = 0;
  int32_t bytesPopped = 0;     // argument bytes the callee removed (cdecl: 0)
  uint32_t registersLost = 0;  // kLost* bits: registers the callee did not keep
  double microseconds = 0;
};
constexpr uint32_t kLostEbx = 1, kLostEsi = 2, kLostEdi = 4, kLostEbp = 8, kLeftDirection = 16;
// True where the 32-bit thunk measures the calling convention.
bool measuresCallingConvention();

// The byte pattern the stack below the caller is filled with before each
// call: a 32-bit word, repeated.
void setStackPoison(uint32_t word);
// Off for timing: the filling would be timed with the call.
void setStackPoisoning(bool on);

CallEffects callGetInfo(const Pen& pen, PenInfo* info);
CallEffects callPen(const Pen& pen, HWND window, uint32_t message, uint32_t keyFlags,
                    intptr_t param, PenContext* ctx);
