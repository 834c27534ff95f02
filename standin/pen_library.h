// pen_library.h - a pen plug-in as the editor meets it: a library loaded from
// its UTF-8 path, its two exports found by name, its identity and its
// tool-button bitmap.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "pen_context.h"
#include "pen_info.h"
#include "picture_files.h"

class PenLibrary {
 public:
  PenLibrary() = default;
  ~PenLibrary();
  PenLibrary(const PenLibrary&) = delete;
  PenLibrary& operator=(const PenLibrary&) = delete;

  // Loads the library at `path` and finds _ZVGetInfo and _ZVPen. On failure
  // returns false and sets `error` to the path and the Windows error.
  bool load(const std::string& path, std::string& error);

  int32_t getInfo(PenInfo* info) const { return getInfo_(info); }
  int32_t pen(HWND window, UINT message, WPARAM keyFlags, LPARAM param, PenContext* ctx) const {
    return pen_(window, message, keyFlags, param, ctx);
  }

  // The bitmap resource "PEN_BUTTON", decoded; false with a reason when the
  // library has none or it is not a bitmap this program can read.
  bool toolButton(RgbPicture& picture, int& bitsPerPixel, std::string& error) const;

  HMODULE module() const { return module_; }

 private:
  using GetInfoFn = int32_t(__cdecl*)(PenInfo* info);
  using PenFn = int32_t(__cdecl*)(HWND window, UINT message, WPARAM keyFlags, LPARAM param,
                                  PenContext* ctx);
  HMODULE module_ = nullptr;
  GetInfoFn getInfo_ = nullptr;
  PenFn pen_ = nullptr;
};
