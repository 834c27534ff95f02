// The pen's identity: _ZVGetInfo's record and strings, and the tool-button
// bitmap.
#include <windows.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <vector>

#include "checks.h"
#include "guarded_memory.h"
#include "identity.h"
#include "message_names.h"
#include "pen_session.h"
#include "pen_strings.h"
#include "wide_text.h"
#include "zorvel_windows.h"

namespace {

struct Field {
  const char* name;
  std::size_t offset, size;
};

const Field kWritten[] = {{"infoWord", offsetof(PenInfo, infoWord), sizeof(uint32_t)},
                          {"name", offsetof(PenInfo, name), sizeof(char*)},
                          {"description", offsetof(PenInfo, description), sizeof(char*)},
                          {"copyright", offsetof(PenInfo, copyright), sizeof(char*)},
                          {"version", offsetof(PenInfo, version), sizeof(char*)},
                          {"altName", offsetof(PenInfo, altName), sizeof(char*)}};
const Field kHosts[] = {{"the host's field at offset 0", offsetof(PenInfo, hostField0), 4},
                        {"the host's field at offset 16", offsetof(PenInfo, hostField16), 4}};

bool unchanged(const uint8_t* p, std::size_t n, uint8_t marker) {
  for (std::size_t i = 0; i < n; ++i)
    if (p[i] != marker) return false;
  return true;
}

// One call with the record inside marker bytes; reports what was touched.
void recordWithMarkers(CheckContext& c, const Pen& pen, uint8_t marker) {
  constexpr std::size_t kAround = 64;
  Block block(Block::Kind::Slack, 2 * kAround + sizeof(PenInfo), "the PenInfo record", marker);
  uint8_t* record = block.data() + kAround;
  beginCall("getinfo", false,
            "_ZVGetInfo with a record pre-filled with 0x" + hex32(marker).substr(8) + " bytes");
  const int32_t result = callGetInfo(pen, reinterpret_cast<PenInfo*>(record)).result;
  endCall();
  if (result != 1) c.report.fail("_ZVGetInfo returned " + std::to_string(result) + ", not 1");
  for (const Field& f : kHosts)
    if (!unchanged(record + f.offset, f.size, marker))
      c.report.fail(std::string("_ZVGetInfo wrote ") + f.name + ", which is the host's");
  for (const Field& f : kWritten)
    if (unchanged(record + f.offset, f.size, marker))
      c.report.fail(std::string("_ZVGetInfo left ") + f.name + " (offset " +
                    std::to_string(f.offset) + ") unwritten");
  for (std::size_t i = 0; i < kAround; ++i)
    if (block.data()[i] != marker) {
      c.report.fail("_ZVGetInfo wrote " + std::to_string(kAround - i) +
                    " byte(s) before the record's start");
      break;
    }
  for (std::size_t i = kAround; i-- > 0;)
    if (record[sizeof(PenInfo) + i] != marker) {
      c.report.fail("_ZVGetInfo wrote past the " + std::to_string(sizeof(PenInfo)) +
                    "-byte record, up to byte " + std::to_string(sizeof(PenInfo) + i) +
                    " (the record ends at " + std::to_string(sizeof(PenInfo) - 1) + ")");
      break;
    }
}

std::string languageName(WORD language) {
  char code[64];
  std::snprintf(code, sizeof code, "0x%04X", language);
  wchar_t name[128] = {};
  std::string out = code;
  if (GetLocaleInfoW(MAKELCID(language, SORT_DEFAULT), LOCALE_SENGLANGUAGE, name, 128) > 0)
    out += " (" + narrowed(name) + ")";
  return out;
}

BOOL CALLBACK collectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR out) {
  reinterpret_cast<std::vector<WORD>*>(out)->push_back(language);
  return TRUE;
}

struct TypeSearch {
  std::vector<std::string> found;
};
BOOL CALLBACK findNameInType(HMODULE module, LPSTR type, LONG_PTR out) {
  if (FindResourceA(module, "PEN_BUTTON", type)) {
    char text[48];
    if (IS_INTRESOURCE(type))
      std::snprintf(text, sizeof text, "type %u",
                    static_cast<unsigned>(reinterpret_cast<uintptr_t>(type)));
    else
      std::snprintf(text, sizeof text, "type \"%s\"", type);
    reinterpret_cast<TypeSearch*>(out)->found.push_back(text);
  }
  return TRUE;
}

}  // namespace

void checkIdentityRecord(CheckContext& c) {
  Pen pen;
  if (!loadOrSkip(c, pen)) return;
  recordWithMarkers(c, pen, 0xCC);
  if (!c.report.failures()) recordWithMarkers(c, pen, 0x33);
  if (c.strictness() >= 6 && !c.report.failures()) {
    // Flush against a no-access page: a write past the record faults at once.
    Block block(Block::Kind::Guarded, sizeof(PenInfo), "the PenInfo record", 0xCC);
    beginCall("getinfo", false, "_ZVGetInfo with the record flush against a no-access page");
    callGetInfo(pen, reinterpret_cast<PenInfo*>(block.data()));
    endCall();
  }
  if (!c.report.failures())
    c.report.summary("returns 1 and writes only infoWord and the five string fields");
}

void checkIdentityStrings(CheckContext& c) {
  Pen pen;
  if (!loadOrSkip(c, pen)) return;
  const Identity id = readIdentity(pen, true);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(pen.module);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
      reinterpret_cast<const uint8_t*>(pen.module) + dos->e_lfanew);
  const auto base = reinterpret_cast<uintptr_t>(pen.module);
  const uintptr_t end = base + nt->OptionalHeader.SizeOfImage;
  std::string shown = "infoWord " + hex32(id.infoWord);
  const struct {
    const char* field;
    const PenString* s;
  } strings[] = {{"name", &id.name},
                 {"description", &id.description},
                 {"copyright", &id.copyright},
                 {"version", &id.version},
                 {"altName", &id.altName}};
  for (const auto& f : strings) {
    const auto at = reinterpret_cast<uintptr_t>(f.s->pointer);
    if (!f.s->pointer) {
      c.report.fail(std::string(f.field) + " is a null pointer");
      continue;
    }
    if (at < base || at >= end) {
      c.report.fail(std::string(f.field) + " points outside the loaded module (at " +
                    hex32(static_cast<uint32_t>(at)) +
                    "): the editor keeps the pointer, so the text must be the library's own");
      continue;
    }
    if (!f.s->terminated || at + f.s->bytes.size() >= end) {
      c.report.fail(std::string(f.field) + " has no terminating NUL within the module");
      continue;
    }
    bool valid = true;
    const std::string text = cp932Text(f.s->bytes, &valid);
    if (!valid)
      c.report.fail(std::string(f.field) + " is not valid code page 932 text: \"" + text + "\"");
    shown += std::string(", ") + f.field + " \"" + text + "\"";
  }
  if (id.name.pointer && id.altName.pointer) {
    if (id.name.bytes != id.altName.bytes)
      c.report.fail("name \"" + cp932Text(id.name.bytes) + "\" and altName \"" +
                    cp932Text(id.altName.bytes) + "\" differ; they must be the same text");
    if (id.name.pointer == id.altName.pointer)
      c.report.fail("name and altName are the same address; they must be separate strings");
  }
  if (id.name.terminated && id.name.bytes.empty()) c.report.warn("name is empty");
  if (!c.report.failures()) c.report.summary(shown);
}

void checkIdentityRepeat(CheckContext& c) {
  Pen pen;
  if (!loadOrSkip(c, pen)) return;
  const Identity first = readIdentity(pen, true);
  const Identity second = readIdentity(pen, true);
  std::string difference;
  if (!first.sameAs(second, true, difference))
    c.report.fail("a second call of _ZVGetInfo gave other values: " + difference);
  // A stroke in between changes the pen's drawing state, not its identity.
  zorvel_windows::Tree tree;
  SceneSetup setup;
  Stage stage(setup, Layout());
  const Step stroke[] = {{"lpress", WM_LBUTTONDOWN, MK_LBUTTON, 3, 3},
                         {"drag", WM_MOUSEMOVE, MK_LBUTTON, 20, 9},
                         {"lrelease", WM_LBUTTONUP, 0, 20, 9},
                         {"rpress-in", WM_RBUTTONDOWN, MK_RBUTTON, 4, 4}};
  if (tree.complete() && stage.ok()) {
    tree.select(setup.boxItem);
    for (const Step& s : stroke) {
      prepareRecord(stage, s);
      if (!c.excludes(s.kind)) sendStep(c, pen, tree.view, stage, s, true);
    }
    const Identity third = readIdentity(pen, true);
    if (!first.sameAs(third, true, difference))
      c.report.fail("after a stroke _ZVGetInfo gave other values: " + difference);
  }
  if (!c.report.failures()) c.report.summary("the same values on a second call and after a stroke");
}

void checkIdentityButton(CheckContext& c) {
  Pen pen;
  if (!loadOrSkip(c, pen)) return;
  std::vector<WORD> languages;
  EnumResourceLanguagesA(pen.module, MAKEINTRESOURCEA(2), "PEN_BUTTON", collectLanguage,
                         reinterpret_cast<LONG_PTR>(&languages));
  if (languages.empty()) {
    TypeSearch search;
    EnumResourceTypesA(pen.module, findNameInType, reinterpret_cast<LONG_PTR>(&search));
    std::string where;
    for (const std::string& t : search.found) where += (where.empty() ? "" : ", ") + t;
    c.report.fail("no bitmap resource (RT_BITMAP, type 2) named PEN_BUTTON" +
                  (where.empty() ? std::string(": the editor's tool button stays blank")
                                 : "; there is a PEN_BUTTON of " + where + " instead"));
    return;
  }
  const WORD language = languages.front();
  HRSRC found = FindResourceExA(pen.module, MAKEINTRESOURCEA(2), "PEN_BUTTON", language);
  HGLOBAL loaded = found ? LoadResource(pen.module, found) : nullptr;
  const auto* dib = static_cast<const uint8_t*>(loaded ? LockResource(loaded) : nullptr);
  const DWORD size = found ? SizeofResource(pen.module, found) : 0;
  if (!dib || size < sizeof(BITMAPINFOHEADER)) {
    c.report.fail("PEN_BUTTON does not load, or is shorter than a bitmap header");
    return;
  }
  BITMAPINFOHEADER h;
  std::memcpy(&h, dib, sizeof h);
  std::string shape = std::to_string(h.biWidth) + " x " + std::to_string(h.biHeight) + ", " +
                      std::to_string(h.biBitCount) + " bits per pixel";
  if (h.biSize < 40)
    c.report.fail("PEN_BUTTON's header is " + std::to_string(h.biSize) +
                  " bytes, not a BITMAPINFOHEADER (40)");
  if (h.biWidth != 20 || h.biHeight != 20)
    c.report.fail("PEN_BUTTON is " + std::to_string(h.biWidth) + " x " +
                  std::to_string(h.biHeight) + ", not 20 x 20 (rows bottom-up)");
  if (h.biBitCount != 4 || h.biPlanes != 1)
    c.report.fail("PEN_BUTTON has " + std::to_string(h.biBitCount) + " bits per pixel in " +
                  std::to_string(h.biPlanes) + " plane(s), not 4 in 1");
  if (h.biCompression != BI_RGB) c.report.fail("PEN_BUTTON is compressed; it must be BI_RGB");
  const DWORD colours = h.biClrUsed ? h.biClrUsed : (h.biBitCount == 4 ? 16 : 0);
  if (colours != 16)
    c.report.fail("PEN_BUTTON has " + std::to_string(colours) + " palette colours, not 16");
  const DWORD needed = h.biSize + 16 * 4 + 12 * 20;
  if (size < needed)
    c.report.fail("PEN_BUTTON holds " + std::to_string(size) + " bytes, fewer than the " +
                  std::to_string(needed) + " its header promises");
  HANDLE image = LoadImageA(pen.module, "PEN_BUTTON", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
  if (!image) {
    c.report.fail("LoadImage cannot make a bitmap of PEN_BUTTON");
  } else {
    DeleteObject(image);
  }
  if (c.report.failures()) return;
  // The picture, for a pen author to recognise.
  const uint8_t* pixels = dib + h.biSize + 64;
  for (int y = 0; y < 20; ++y) {
    std::string row;
    for (int x = 0; x < 20; ++x) {
      const uint8_t b = pixels[(19 - y) * 12 + x / 2];
      row += "0123456789abcdef"[x % 2 ? b & 15 : b >> 4];
    }
    c.report.note("PEN_BUTTON row " + std::to_string(y) + ": " + row);
  }
  std::string tags;
  for (WORD l : languages) tags += (tags.empty() ? "" : ", ") + languageName(l);
  if (language != 0x0411)
    c.report.warn("PEN_BUTTON is a 20 x 20 16-colour bitmap tagged " + tags +
                  ", not Japanese (0x0411): an editor that asks for the Japanese bitmap finds "
                  "none");
  else
    c.report.summary("PEN_BUTTON: a 20 x 20, 4-bit, 16-colour bitmap, language " + tags);
}
