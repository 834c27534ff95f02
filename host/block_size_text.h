// block_size_text.h - the text of a block-size item read as a block size:
// a pure function, text in and width and height out, with no state and no
// platform calls, so that the pen and any tool that must read the box as the
// pen reads it share one reader (target tessaly_block_size_text).
#pragma once

#include <cstddef>
#include <cstdint>

// Bytes of the pen's copy of the selected item, NUL included: an item of
// kSizeTextBytes characters or more does not fit and is not read.
constexpr std::size_t kSizeTextBytes = 256;

// Reads "<width>x<height> " at the very start of `text` (a NUL-terminated
// string), with no blanks skipped: each number a digit 1-9 followed by any
// digits and at most 2147483647, the separator x or X, then one space; the
// rest of the text is ignored. True with the size; false with 1 x 1 for any
// other text (null included).
bool parseBlockSizeText(const char* text, int32_t& width, int32_t& height);
