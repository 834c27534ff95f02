// message_names.h - window messages and key flags under the names a pen
// author knows them by, for the log.
#pragma once

#include <cstdint>
#include <string>

std::string messageName(uint32_t message);
std::string keyFlagsText(uint32_t keyFlags);
