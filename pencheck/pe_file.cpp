#include "pe_file.h"

#include <cstdio>
#include <cstring>

namespace {

class Reader {
 public:
  explicit Reader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}

  bool has(uint64_t offset, uint64_t size) const { return offset + size <= bytes_.size(); }
  uint8_t at(uint64_t offset) const { return bytes_[static_cast<std::size_t>(offset)]; }
  uint32_t u16(uint64_t offset) const {
    return has(offset, 2) ? static_cast<uint32_t>(at(offset) | at(offset + 1) << 8) : 0;
  }
  uint32_t u32(uint64_t offset) const {
    if (!has(offset, 4)) return 0;
    uint32_t v;
    std::memcpy(&v, &bytes_[static_cast<std::size_t>(offset)], 4);
    return v;
  }
  uint64_t u64(uint64_t offset) const { return u32(offset) | uint64_t{u32(offset + 4)} << 32; }

  struct Section {
    uint32_t address, virtualSize, rawSize, rawOffset;
  };
  std::vector<Section> sections;
  uint32_t headerSize = 0;

  // The file offset of an address relative to the image, or -1.
  int64_t offsetOf(uint32_t rva) const {
    if (rva < headerSize) return rva;
    for (const Section& s : sections) {
      const uint32_t span = s.virtualSize > s.rawSize ? s.virtualSize : s.rawSize;
      if (rva >= s.address && rva - s.address < span) {
        const uint32_t inSection = rva - s.address;
        if (inSection >= s.rawSize) return -1;  // uninitialised data: not in the file
        return int64_t{s.rawOffset} + inSection;
      }
    }
    return -1;
  }

  // A NUL-terminated name at `rva`, at most 512 bytes; empty when unreadable.
  std::string name(uint32_t rva) const {
    const int64_t at = offsetOf(rva);
    std::string out;
    if (at < 0) return out;
    for (uint64_t i = static_cast<uint64_t>(at); i < bytes_.size() && out.size() < 512; ++i) {
      if (this->at(i) == 0) return out;
      out += static_cast<char>(this->at(i));
    }
    return out;
  }

 private:
  const std::vector<uint8_t>& bytes_;
};

}  // namespace

std::string machineName(uint16_t machine) {
  switch (machine) {
    case kMachineI386:
      return "i386";
    case kMachineAmd64:
      return "x86-64";
    case 0xAA64:
      return "ARM64";
    case 0x01C4:
      return "ARM";
    case 0x0200:
      return "IA-64";
  }
  char hex[16];
  std::snprintf(hex, sizeof hex, "machine 0x%04X", machine);
  return hex;
}

PeFile readPeFile(const std::vector<uint8_t>& bytes) {
  PeFile pe;
  Reader r(bytes);
  if (bytes.size() < 64 || bytes[0] != 'M' || bytes[1] != 'Z') {
    pe.problem = "not a Windows executable file (no MZ header)";
    return pe;
  }
  const uint64_t nt = r.u32(0x3C);
  if (!r.has(nt, 24) || std::memcmp(&bytes[static_cast<std::size_t>(nt)], "PE\0\0", 4) != 0) {
    pe.problem = "an MZ file without a PE header (an old DOS program, or damaged)";
    return pe;
  }
  pe.machine = static_cast<uint16_t>(r.u16(nt + 4));
  const uint32_t sectionCount = r.u16(nt + 6);
  const uint32_t optionalSize = r.u16(nt + 20);
  pe.characteristics = static_cast<uint16_t>(r.u16(nt + 22));
  const uint64_t opt = nt + 24;
  if (!r.has(opt, optionalSize) || optionalSize < 2) {
    pe.problem = "the PE header is cut short";
    return pe;
  }
  pe.optionalMagic = static_cast<uint16_t>(r.u16(opt));
  const bool plus = pe.optionalMagic == 0x20B;
  if (pe.optionalMagic != 0x10B && !plus) {
    pe.problem = "the optional header is neither PE32 nor PE32+";
    return pe;
  }
  pe.entryRva = r.u32(opt + 16);
  const uint64_t imageBase = plus ? r.u64(opt + 24) : r.u32(opt + 28);
  r.headerSize = r.u32(opt + 60);
  const uint32_t directoryCount = r.u32(opt + (plus ? 108 : 92));
  const uint64_t directories = opt + (plus ? 112 : 96);
  auto directory = [&](uint32_t index, uint32_t& rva, uint32_t& size) {
    rva = size = 0;
    if (index >= directoryCount || directories + 8 * (index + 1) > opt + optionalSize) return;
    rva = r.u32(directories + 8 * index);
    size = r.u32(directories + 8 * index + 4);
  };
  const uint64_t sectionTable = opt + optionalSize;
  if (sectionCount > 96 || !r.has(sectionTable, 40ull * sectionCount)) {
    pe.problem = "the section table is damaged";
    return pe;
  }
  for (uint32_t i = 0; i < sectionCount; ++i) {
    const uint64_t s = sectionTable + 40ull * i;
    r.sections.push_back({r.u32(s + 12), r.u32(s + 8), r.u32(s + 16), r.u32(s + 20)});
  }

  uint32_t rva = 0, size = 0;
  directory(0, rva, size);
  if (rva != 0 && size != 0) {
    const int64_t dir = r.offsetOf(rva);
    if (dir < 0 || !r.has(static_cast<uint64_t>(dir), 40)) {
      pe.problem = "the export directory lies outside the file";
      return pe;
    }
    const uint64_t d = static_cast<uint64_t>(dir);
    pe.exportDllName = r.name(r.u32(d + 12));
    pe.functionCount = r.u32(d + 20);
    const uint32_t nameCount = r.u32(d + 24);
    const int64_t names = r.offsetOf(r.u32(d + 32));
    if (nameCount > 65536 ||
        (nameCount > 0 && (names < 0 || !r.has(static_cast<uint64_t>(names), 4ull * nameCount)))) {
      pe.problem = "the export name table is damaged";
      return pe;
    }
    for (uint32_t i = 0; i < nameCount; ++i)
      pe.exportNames.push_back(r.name(r.u32(static_cast<uint64_t>(names) + 4ull * i)));
  }

  directory(1, rva, size);
  for (int64_t at = rva ? r.offsetOf(rva) : -1; at >= 0 && r.has(static_cast<uint64_t>(at), 20);
       at += 20) {
    const uint64_t d = static_cast<uint64_t>(at);
    if (r.u32(d) == 0 && r.u32(d + 12) == 0 && r.u32(d + 16) == 0) break;
    pe.imports.push_back(r.name(r.u32(d + 12)));
    if (pe.imports.size() > 4096) break;
  }
  directory(13, rva, size);
  for (int64_t at = rva ? r.offsetOf(rva) : -1; at >= 0 && r.has(static_cast<uint64_t>(at), 32);
       at += 32) {
    const uint64_t d = static_cast<uint64_t>(at);
    uint64_t name = r.u32(d + 4);
    if (name == 0) break;
    // Old linkers wrote addresses, not offsets into the image (attribute bit 0 clear).
    if ((r.u32(d) & 1) == 0 && name >= imageBase) name -= imageBase;
    pe.delayImports.push_back(r.name(static_cast<uint32_t>(name)));
    if (pe.delayImports.size() > 4096) break;
  }
  return pe;
}
