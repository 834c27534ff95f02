// pe_file.h - what the validator reads from a library's file before any
// loader sees it: the PE headers, the export names, the imported libraries.
// The file is untrusted: every offset is checked against its size, and a
// file that is not a PE image says why in `problem`.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PeFile {
  std::string problem;  // empty when the headers could be read
  uint16_t machine = 0;
  uint16_t characteristics = 0;
  uint16_t optionalMagic = 0;  // 0x10B PE32, 0x20B PE32+
  uint32_t entryRva = 0;
  std::string exportDllName;             // the export directory's name
  std::vector<std::string> exportNames;  // exports by name
  uint32_t functionCount = 0;            // exports, by name or by ordinal
  std::vector<std::string> imports;      // libraries the loader maps first
  std::vector<std::string> delayImports;

  bool isDll() const { return (characteristics & 0x2000) != 0; }
};

constexpr uint16_t kMachineI386 = 0x014C;
constexpr uint16_t kMachineAmd64 = 0x8664;

PeFile readPeFile(const std::vector<uint8_t>& bytes);

// "i386", "x86-64", "ARM64", ... or the number in hexadecimal.
std::string machineName(uint16_t machine);
