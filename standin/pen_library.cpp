#include "pen_library.h"

#include "text.h"
#include "wide_text.h"
#include "windows_error.h"

namespace {

// The loader searches the system's folders for a bare name; a plug-in is a
// file the user names, so a bare name means the current folder.
std::string loaderPath(const std::string& path) {
  std::string p = path;
  for (char& c : p)
    if (c == '/') c = '\\';
  if (p.find_first_of("\\:") == std::string::npos) p = ".\\" + p;
  return p;
}

}  // namespace

PenLibrary::~PenLibrary() {
  if (module_) FreeLibrary(module_);
}

bool PenLibrary::load(const std::string& path, std::string& error) {
  // A missing file is an error message here, not a dialog box.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  module_ = LoadLibraryW(widened(loaderPath(path)).c_str());
  if (!module_) {
    error = escapedPath(path) +
            ": cannot load the library: " + windowsError(GetLastError(), escapedPath(path));
    return false;
  }
  auto find = [&](const char* name) -> void* {
    FARPROC found = GetProcAddress(module_, name);
    if (!found)
      error = escapedPath(path) + ": no export " + name + ": " + windowsError(GetLastError());
    return reinterpret_cast<void*>(found);
  };
  getInfo_ = reinterpret_cast<GetInfoFn>(find("_ZVGetInfo"));
  if (!getInfo_) return false;
  pen_ = reinterpret_cast<PenFn>(find("_ZVPen"));
  if (!pen_) return false;
  return true;
}

bool PenLibrary::toolButton(RgbPicture& picture, int& bitsPerPixel, std::string& error) const {
  HRSRC found = FindResourceA(module_, "PEN_BUTTON", MAKEINTRESOURCEA(2));  // RT_BITMAP
  HGLOBAL loaded = found ? LoadResource(module_, found) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) {
    error = "no bitmap resource PEN_BUTTON: " + windowsError(GetLastError());
    return false;
  }
  const auto* dib = static_cast<const uint8_t*>(bytes);
  const DWORD size = SizeofResource(module_, found);
  if (!decodePackedDib(dib, size, picture, error)) {
    error = "PEN_BUTTON: " + error;
    return false;
  }
  bitsPerPixel = dib[14] | dib[15] << 8;
  return true;
}
