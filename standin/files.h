// files.h - the files a script names, by UTF-8 names.
//
// On Windows every file is opened through the wide-character API from the
// UTF-8 name (files_win32.cpp), so that a script saying "save ü.png" writes
// ü.png whatever the system's code page. The script fuzzer links a double
// that keeps files in memory.
//
// Errors are the reason alone ("The system cannot find the file specified.
// (error 2)", "no space left on the disk"); callers say which file and what
// they were doing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Reads the whole file at `path` into `bytes`. A file of more than `limit`
// bytes is refused before it is read.
bool readFile(const std::string& path, std::size_t limit, std::vector<uint8_t>& bytes,
              std::string& error);

// True when `path` names an existing folder, or an existing file.
bool isFolder(const std::string& path);
bool fileExists(const std::string& path);

// Removes the file at `path`; false with `error` ("cannot remove 'PATH':
// reason") when it cannot.
bool removeFile(const std::string& path, std::string& error);

// Whether writeWhole(path) can be expected to work, found before there is
// anything to write: the folder exists and takes a new file (one is created
// and removed beside the target), and the target is no folder and not
// read-only. False with the reason otherwise.
bool canWrite(const std::string& path, std::string& error);

// `path` made absolute against the current folder (as it is now).
std::string absolutePath(const std::string& path);

// Writes `bytes` to `path` whole or not at all: to a temporary file beside
// it, then renamed over it. On failure neither the temporary file nor a
// changed target is left, and `error` says "cannot write 'PATH': reason".
bool writeWhole(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);
