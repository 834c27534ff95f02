// check_helpers.h - what several checks do alike: load the pen or say why
// the check cannot run, read the pen's identity without trusting its
// pointers, and send the messages of a scene's script.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "check_context.h"
#include "pen_call.h"
#include "scene.h"
#include "zorvel_windows.h"

// Loads the pen; when it cannot, reports SKIP (the loader's refusal also as
// UNLOADABLE, which makes the exit status 2) and returns false.
bool loadOrSkip(CheckContext& c, Pen& pen);

// A string the pen handed over, read only as far as readable memory goes.
struct PenString {
  const char* pointer = nullptr;
  std::string bytes;
  bool terminated = false;  // a NUL within readable memory (and 4096 bytes)
};
PenString readPenString(const char* pointer);

// The identity as one call of _ZVGetInfo gives it, the record placed with
// slack around it so that a write past it harms nothing here.
struct Identity {
  int32_t result = 0;
  uint32_t infoWord = 0;
  PenString name, description, copyright, version, altName;
  bool sameAs(const Identity& other, bool comparePointers, std::string& difference) const;
};
Identity readIdentity(const Pen& pen, bool ordinary);

// The pen loaded and the editor's windows built on this thread, or the
// check skipped with the reason.
struct PenSession {
  Pen pen;
  std::unique_ptr<zorvel_windows::Tree> tree;
  bool open(CheckContext& c);
};

// Bytes as printable text: the UTF-8 of code page 932 when valid, else \xHH.
std::string cp932Text(const std::string& bytes, bool* valid = nullptr);

// Sends `step` to the pen with the record prepared as a host prepares it.
CallEffects sendStep(CheckContext& c, const Pen& pen, HWND window, const Stage& stage,
                     const Step& step, bool ordinary);

// The box's selection as the scene wants it.
void selectBoxItem(HWND box, const std::string& item);

std::string hex32(uint32_t value);
