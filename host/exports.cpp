// The library's boundary with the system loader and the editor: the library
// entry and the two exported functions, which forward to the real code.
// resources/Tessaly.def gives the exports their names, _ZVGetInfo and _ZVPen;
// nothing else is exported. Both are cdecl: the editor removes the arguments.
// noexcept: nothing may unwind into the editor's frames.
#include <windows.h>

#include <cstdint>

#include "pen_context.h"
#include "pen_entry.h"
#include "pen_info.h"

extern "C" {

// All module state is static data, ready before the loader calls this; there
// is nothing to set up per thread and nothing to free.
BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

int32_t __cdecl exportedGetInfo(PenInfo* info) noexcept { return ZVGetInfo(info); }

int32_t __cdecl exportedPen(HWND window, UINT message, WPARAM keyFlags, LPARAM param,
                            PenContext* ctx) noexcept {
  // 32-bit values; the casts only matter to the 64-bit test build.
  return ZVPen(window, message, static_cast<uint32_t>(keyFlags), static_cast<int32_t>(param), ctx);
}

}  // extern "C"
