// text.h - text as the stand-in's messages show it.
//
// Scripts, names and item texts are UTF-8 bytes. Messages quote them so that
// a reader sees what is there and a terminal or a dialog is never fed bytes
// it would act on: printable text and well-formed UTF-8 as they are, every
// other byte as \xHH (C0 and C1 controls, bytes that are not UTF-8, and the
// bidirectional controls that reorder the text around them), and no more
// than a short excerpt of a long word.
#pragma once

#include <cstddef>
#include <string>

// The longest excerpt quoted, in bytes of the original.
constexpr std::size_t kExcerptBytes = 40;

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates).
bool isUtf8(const std::string& text);

// 'text' in single quotes, escaped; a text longer than kExcerptBytes is cut
// at a character boundary and ends "...' (N bytes)".
std::string quoted(const std::string& text);

// The text with its bytes escaped as quoted() does, without quotes or cut.
std::string escaped(const std::string& text);

// A path as escaped() shows it, but with its backslashes as they are: a
// Windows path reads as typed.
std::string escapedPath(const std::string& path);
