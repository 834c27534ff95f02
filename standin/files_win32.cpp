#include <windows.h>

#include <algorithm>

#include "files.h"
#include "text.h"
#include "wide_text.h"
#include "windows_error.h"

namespace {

struct Handle {
  HANDLE h;
  explicit Handle(HANDLE handle) : h(handle) {}
  ~Handle() {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool close() {
    const BOOL ok = CloseHandle(h);
    h = INVALID_HANDLE_VALUE;
    return ok != 0;
  }
};

std::string sizeText(std::size_t bytes) {
  return bytes % (1024 * 1024) == 0 ? std::to_string(bytes / (1024 * 1024)) + " MiB"
                                    : std::to_string(bytes) + " bytes";
}

}  // namespace

bool readFile(const std::string& path, std::size_t limit, std::vector<uint8_t>& bytes,
              std::string& error) {
  Handle file(CreateFileW(widened(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.h == INVALID_HANDLE_VALUE) {
    error = windowsError(GetLastError());
    return false;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.h, &size)) {
    error = windowsError(GetLastError());
    return false;
  }
  if (size.QuadPart > static_cast<LONGLONG>(limit)) {
    error = "larger than " + sizeText(limit);
    return false;
  }
  bytes.assign(static_cast<std::size_t>(size.QuadPart), 0);
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD got = 0;
    const auto want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 24));
    if (!ReadFile(file.h, bytes.data() + done, want, &got, nullptr)) {
      error = windowsError(GetLastError());
      return false;
    }
    if (got == 0) break;  // shorter than it said: take what is there
    done += got;
  }
  bytes.resize(done);
  return true;
}

bool isFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(widened(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool fileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(widened(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool removeFile(const std::string& path, std::string& error) {
  if (DeleteFileW(widened(path).c_str())) return true;
  error = "cannot remove '" + escapedPath(path) + "': " + windowsError(GetLastError());
  return false;
}

bool canWrite(const std::string& path, std::string& error) {
  const DWORD attributes = GetFileAttributesW(widened(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    error = "it is a folder";
    return false;
  }
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    error = "the file is read-only";
    return false;
  }
  const std::wstring probe = widened(path) + L".probe";
  HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_EXISTS) return true;  // a stale probe: the folder is writable
    error = windowsError(code);
    return false;
  }
  CloseHandle(file);
  return true;
}

std::string absolutePath(const std::string& path) {
  const std::wstring wide = widened(path);
  const DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring full(n, L'\0');
  const DWORD got = GetFullPathNameW(wide.c_str(), n, &full[0], nullptr);
  if (got == 0 || got >= n) return path;
  full.resize(got);
  return narrowed(full.c_str());
}

bool writeWhole(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
  const std::wstring target = widened(path);
  const std::wstring temporary = target + L".partial";
  auto fail = [&](DWORD code) {
    error = "cannot write '" + escapedPath(path) + "': " + windowsError(code);
    DeleteFileW(temporary.c_str());
    return false;
  };
  Handle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.h == INVALID_HANDLE_VALUE) {
    error = "cannot write '" + escapedPath(path) + "': " + windowsError(GetLastError());
    return false;
  }
  for (std::size_t done = 0; done < bytes.size();) {
    DWORD put = 0;
    const auto want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 24));
    if (!WriteFile(file.h, bytes.data() + done, want, &put, nullptr) || put == 0) {
      const DWORD code = GetLastError();
      file.close();
      return fail(code == ERROR_SUCCESS ? ERROR_DISK_FULL : code);
    }
    done += put;
  }
  if (!file.close()) return fail(GetLastError());
  // One step from the old file (or none) to the whole new one.
  if (!MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
    return fail(GetLastError());
  return true;
}
