#include "block_size_text.h"

namespace {

// Reads a number that starts with a digit 1-9 and fits a signed 32-bit value;
// advances `text` past its digits.
bool readSize(const char*& text, int32_t& size) {
  if (*text < '1' || *text > '9') return false;
  int64_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = value * 10 + (*text - '0');
    if (value > INT32_MAX) return false;
  }
  size = static_cast<int32_t>(value);
  return true;
}

}  // namespace

bool parseBlockSizeText(const char* text, int32_t& width, int32_t& height) {
  int32_t w = 0, h = 0;
  bool ok = text != nullptr && readSize(text, w) && (*text == 'x' || *text == 'X');
  if (ok) {
    ++text;
    ok = readSize(text, h) && *text == ' ';
  }
  width = ok ? w : 1;
  height = ok ? h : 1;
  return ok;
}
