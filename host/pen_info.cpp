#include "pen_info.h"

namespace {

// Two arrays, so that name and altName are two addresses.
const char kName[] = "Tessaly";
const char kAltName[] = "Tessaly";
// "Drawing with rectangular pixels" in Shift-JIS, spelt as bytes so that the
// encoding of this source file cannot change them.
const char kDescription[] =
    "\x92\xB7\x95\xFB\x8C\x60\x82\xCC\x83\x73\x83\x4E\x83\x5A\x83\x8B\x82\xC5\x95\x60\x89\xE6";
const char kCopyright[] = "Copyright (C) 2026 the Tessaly authors";
const char kVersion[] = TESSALY_VERSION;  // the project's version, from CMakeLists.txt

}  // namespace

int32_t ZVGetInfo(PenInfo* info) {
  info->infoWord = kPenInfoWord;
  info->name = kName;
  info->description = kDescription;
  info->copyright = kCopyright;
  info->version = kVersion;
  info->altName = kAltName;
  return 1;
}
