// pen_info.h - the pen's identity, as the editor asks for it once after
// loading the library.
//
// The editor owns the PenInfo record; the strings it receives are the
// library's, constant and valid while the library is loaded. They are in the
// Shift-JIS code page (932), which is why the description is kept as bytes.
#pragma once

#include <cstddef>
#include <cstdint>

struct PenInfo {
  uint32_t hostField0;      //  0: the editor's, never touched
  uint32_t infoWord;        //  4
  const char* name;         //  8
  const char* description;  // 12
  uint32_t hostField16;     // 16: the editor's, never touched
  const char* copyright;    // 20
  const char* version;      // 24
  const char* altName;      // 28: same text as name, separate storage
};

#if defined(_WIN32) && !defined(_WIN64)
static_assert(offsetof(PenInfo, hostField0) == 0, "PenInfo layout");
static_assert(offsetof(PenInfo, infoWord) == 4, "PenInfo layout");
static_assert(offsetof(PenInfo, name) == 8, "PenInfo layout");
static_assert(offsetof(PenInfo, description) == 12, "PenInfo layout");
static_assert(offsetof(PenInfo, hostField16) == 16, "PenInfo layout");
static_assert(offsetof(PenInfo, copyright) == 20, "PenInfo layout");
static_assert(offsetof(PenInfo, version) == 24, "PenInfo layout");
static_assert(offsetof(PenInfo, altName) == 28, "PenInfo layout");
static_assert(sizeof(PenInfo) == 32, "PenInfo layout");
#endif

constexpr uint32_t kPenInfoWord = 0x01002008;

// Writes every field but the editor's two and returns 1. Does not read the
// record, and neither depends on nor changes the pen's drawing state.
int32_t ZVGetInfo(PenInfo* info);
