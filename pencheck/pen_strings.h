// pen_strings.h - text the pen hands over, read without trusting its
// pointers, and shown in the log as a pen author wrote it.
#pragma once

#include <string>

// A string the pen handed over, read only as far as readable memory goes.
struct PenString {
  const char* pointer = nullptr;
  std::string bytes;
  bool terminated = false;  // a NUL within readable memory (and 4096 bytes)
};
PenString readPenString(const char* pointer);

// Bytes as printable text: the UTF-8 of code page 932 when valid, else \xHH.
std::string cp932Text(const std::string& bytes, bool* valid = nullptr);
