#include "check_helpers.h"

#include <cstdio>
#include <cstring>

#include "guarded_memory.h"
#include "wide_text.h"
#include "zorvel_windows.h"

std::string hex32(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
  return text;
}

bool loadOrSkip(CheckContext& c, Pen& pen) {
  std::string error;
  bool loaded = false;
  if (loadPen(c.options.penPath, pen, error, loaded)) return true;
  if (!loaded) appendReport(c.report.block(), "UNLOADABLE");
  c.report.skip(error + (loaded ? " (see library.exports)" : " (see library.load)"));
  return false;
}

bool PenSession::open(CheckContext& c) {
  if (!loadOrSkip(c, pen)) return false;
  tree = std::make_unique<zorvel_windows::Tree>();
  if (!tree->complete()) {
    c.report.skip(
        "the editor's windows could not be created (under Wine: the null graphics "
        "driver, or a display, is needed)");
    return false;
  }
  return true;
}

PenString readPenString(const char* pointer) {
  PenString s;
  s.pointer = pointer;
  if (!pointer) return s;
  MEMORY_BASIC_INFORMATION info;
  const char* at = pointer;
  while (s.bytes.size() < 4096) {
    if (!VirtualQuery(at, &info, sizeof info) || info.State != MEM_COMMIT ||
        (info.Protect & (PAGE_NOACCESS | PAGE_GUARD)) || info.Protect == 0)
      return s;
    const char* end = static_cast<const char*>(info.BaseAddress) + info.RegionSize;
    for (; at < end && s.bytes.size() < 4096; ++at) {
      if (*at == 0) {
        s.terminated = true;
        return s;
      }
      s.bytes += *at;
    }
  }
  return s;
}

std::string cp932Text(const std::string& bytes, bool* valid) {
  if (valid) *valid = true;
  if (bytes.empty()) return "";
  const int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(),
                                    static_cast<int>(bytes.size()), nullptr, 0);
  if (n > 0) {
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                        &wide[0], n);
    bool printable = true;
    for (wchar_t ch : wide) printable = printable && ch >= 0x20 && ch != 0x7F;
    if (printable) return narrowed(wide.c_str(), n);
  } else if (valid) {
    *valid = false;
  }
  std::string out;
  char hex[8];
  for (char raw : bytes) {
    const auto ch = static_cast<unsigned char>(raw);
    if (ch >= 0x20 && ch < 0x7F) {
      out += raw;
    } else {
      std::snprintf(hex, sizeof hex, "\\x%02X", ch);
      out += hex;
    }
  }
  return out;
}

Identity readIdentity(const Pen& pen, bool ordinary) {
  Identity id;
  Block block(Block::Kind::Slack, 3 * sizeof(PenInfo), "the PenInfo record", 0);
  auto* info = reinterpret_cast<PenInfo*>(block.data() + sizeof(PenInfo));
  std::memset(info, 0, sizeof *info);
  beginCall("getinfo", ordinary, "_ZVGetInfo");
  id.result = callGetInfo(pen, info).result;
  endCall();
  id.infoWord = info->infoWord;
  id.name = readPenString(info->name);
  id.description = readPenString(info->description);
  id.copyright = readPenString(info->copyright);
  id.version = readPenString(info->version);
  id.altName = readPenString(info->altName);
  return id;
}

bool Identity::sameAs(const Identity& o, bool comparePointers, std::string& difference) const {
  if (result != o.result) {
    difference = "the result was " + std::to_string(result) + ", then " + std::to_string(o.result);
    return false;
  }
  if (infoWord != o.infoWord) {
    difference = "infoWord was " + hex32(infoWord) + ", then " + hex32(o.infoWord);
    return false;
  }
  const struct {
    const char* field;
    const PenString *a, *b;
  } strings[] = {{"name", &name, &o.name},
                 {"description", &description, &o.description},
                 {"copyright", &copyright, &o.copyright},
                 {"version", &version, &o.version},
                 {"altName", &altName, &o.altName}};
  for (const auto& s : strings) {
    if (s.a->bytes != s.b->bytes) {
      difference = std::string(s.field) + " was \"" + cp932Text(s.a->bytes) + "\", then \"" +
                   cp932Text(s.b->bytes) + "\"";
      return false;
    }
    if (comparePointers && s.a->pointer != s.b->pointer) {
      difference = std::string(s.field) + " moved from " +
                   hex32(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(s.a->pointer))) +
                   " to another address";
      return false;
    }
  }
  return true;
}

void selectBoxItem(HWND box, const std::string& item) {
  if (item.empty())
    SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  else
    zorvel_windows::selectItem(box, item);
}

CallEffects sendStep(CheckContext& c, const Pen& pen, HWND window, const Stage& stage,
                     const Step& step, bool ordinary) {
  (void)c;
  beginCall(step.kind, ordinary, describeStep(step, stage.setup()));
  const CallEffects e = callPen(pen, window, step.message, step.keyFlags, 0x12345678, stage.ctx());
  endCall();
  return e;
}
