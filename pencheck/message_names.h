// message_names.h - window messages, key flags and 32-bit values as a pen
// author knows them, for the log.
#pragma once

#include <cstdint>
#include <string>

std::string messageName(uint32_t message);
std::string keyFlagsText(uint32_t keyFlags);
// Any window message, combo-box ones included: "CB_SETCURSEL (0x014E)".
std::string windowMessageName(uint32_t message);
// "0x0000ABCD".
std::string hex32(uint32_t value);
