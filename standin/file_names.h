// file_names.h - which names Windows can create, so that a script is refused
// while it is checked rather than failing halfway through its replay.
#pragma once

#include <string>

// Empty when Windows can create a file of this UTF-8 name (relative, or with
// a drive letter or a leading separator); otherwise what is wrong with it,
// as words that follow the quoted name ("holds '*', which ...").
//
// Refused: an empty name or one ending in a separator; bytes that are not
// UTF-8; control characters; any of < > : " | ? * (but the colon of a
// drive letter); a part that ends in a dot or a space (other than . and ..);
// a part named after a device (CON, PRN, AUX, NUL, COM0-9, LPT0-9, with or
// without an extension, in any case); a part longer than 255 characters.
std::string fileNameProblem(const std::string& name);

// Whether `name` ends in `extension` (lower case, ".png"), in any case, after
// at least one other character.
bool hasExtension(const std::string& name, const char* extension);
