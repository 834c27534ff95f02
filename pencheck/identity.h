// identity.h - the pen's identity as one call of _ZVGetInfo gives it.
#pragma once

#include <cstdint>
#include <string>

#include "pen_call.h"
#include "pen_strings.h"

// The record is placed with slack around it, so that a write past it harms
// nothing here.
struct Identity {
  int32_t result = 0;
  uint32_t infoWord = 0;
  PenString name, description, copyright, version, altName;
  bool sameAs(const Identity& other, bool comparePointers, std::string& difference) const;
};
Identity readIdentity(const Pen& pen, bool ordinary);
