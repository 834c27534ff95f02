// sha256.h - SHA-256 of a file's bytes, for the log's identification of the
// pen: a user's report then names exactly the library it was made with.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The digest of `bytes` as 64 lowercase hexadecimal digits.
std::string sha256Hex(const std::vector<uint8_t>& bytes);
