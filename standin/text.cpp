#include "text.h"

#include <cstdint>
#include <cstdio>

namespace {

// Length of the well-formed UTF-8 sequence starting at text[i], or 0.
std::size_t sequenceLength(const std::string& text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<uint8_t>(text[k]); };
  const uint8_t lead = byte(i);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  uint32_t least = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, least = 0x10000;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  uint32_t code = lead & (0x7Fu >> length);
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    code = code << 6 | (byte(i + k) & 0x3Fu);
  }
  if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

uint32_t codePoint(const std::string& text, std::size_t i, std::size_t length) {
  uint32_t code = static_cast<uint8_t>(text[i]) & (0x7Fu >> length);
  for (std::size_t k = 1; k < length; ++k)
    code = code << 6 | (static_cast<uint8_t>(text[i + k]) & 0x3Fu);
  return code;
}

// Characters that a terminal or a dialog acts on rather than shows: the C1
// controls (U+009B introduces a terminal's control sequence) and the
// directional marks, embeddings, overrides and isolates that make a quoted
// name read backwards.
bool actedOn(uint32_t code) {
  return (code >= 0x80 && code <= 0x9F) || code == 0x061C || code == 0x200E || code == 0x200F ||
         (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
}

void appendEscaped(std::string& out, const std::string& text, std::size_t end,
                   bool keepBackslashes = false) {
  for (std::size_t i = 0; i < end;) {
    const auto b = static_cast<uint8_t>(text[i]);
    const std::size_t n = sequenceLength(text, i);
    if (n > 1 && i + n <= end && !actedOn(codePoint(text, i, n))) {
      out.append(text, i, n);
      i += n;
      continue;
    }
    if (b >= 0x20 && b < 0x7F && (b != '\\' || keepBackslashes)) {
      out.push_back(static_cast<char>(b));
    } else if (b == '\\') {
      out += "\\\\";
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned>(b));
      out += hex;
    }
    ++i;
  }
}

}  // namespace

bool isUtf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = sequenceLength(text, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string escaped(const std::string& text) {
  std::string out;
  appendEscaped(out, text, text.size());
  return out;
}

std::string escapedPath(const std::string& path) {
  std::string out;
  appendEscaped(out, path, path.size(), true);
  return out;
}

std::string quoted(const std::string& text) {
  std::string out = "'";
  if (text.size() <= kExcerptBytes) {
    appendEscaped(out, text, text.size());
    return out + "'";
  }
  // Cut before a continuation byte never splits a character.
  std::size_t end = kExcerptBytes;
  while (end > 0 && (static_cast<uint8_t>(text[end]) & 0xC0) == 0x80) --end;
  appendEscaped(out, text, end);
  return out + "...' (" + std::to_string(text.size()) + " bytes)";
}
