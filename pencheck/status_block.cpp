#include "status_block.h"

#include <cstring>

StatusBlock* createStatusBlock(const std::string& name, HANDLE& mapping) {
  mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                               sizeof(StatusBlock), name.c_str());
  if (!mapping) return nullptr;
  void* view = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(StatusBlock));
  if (view) std::memset(view, 0, sizeof(StatusBlock));
  return static_cast<StatusBlock*>(view);
}

StatusBlock* openStatusBlock(const std::string& name, HANDLE& mapping) {
  mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name.c_str());
  if (!mapping) return nullptr;
  return static_cast<StatusBlock*>(
      MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(StatusBlock)));
}

void appendReport(StatusBlock* block, const std::string& line) {
  static const char kFull[] = "NOTE (further lines of this check's report were cut)\n";
  const std::size_t used = static_cast<std::size_t>(block->reportLength);
  const std::size_t room = kReportBytes - sizeof kFull - used;
  if (used + sizeof kFull > kReportBytes) return;
  std::string text = line.substr(0, 4000);
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  text += '\n';
  if (text.size() > room) {
    std::memcpy(block->report + used, kFull, sizeof kFull - 1);
    block->reportLength = static_cast<LONG>(kReportBytes);  // nothing more fits
    return;
  }
  std::memcpy(block->report + used, text.data(), text.size());
  InterlockedExchange(&block->reportLength, static_cast<LONG>(used + text.size()));
}
