#include "checks.h"

#include <cstring>

#include "status_block.h"

namespace {

const std::vector<CheckInfo> kChecks = {
    {"library.file", 1,
     "The file is a PE32 i386 dynamic library (PE32+ x86-64 in the 64-bit build), the kind the "
     "editor loads.",
     checkLibraryFile, false},
    {"library.exports", 1,
     "It exports _ZVPen and _ZVGetInfo by exactly those names; near misses such as ZVPen or "
     "_ZVPen@20 are named.",
     checkLibraryExports, false},
    {"library.imports", 1,
     "It imports only from libraries every Windows has; any other (a compiler's runtime DLL, "
     "usually) is named.",
     checkLibraryImports, false},
    {"library.load", 1,
     "The loader loads it (or its error is shown), its entry returns TRUE for every reason, and "
     "it unloads.",
     checkLibraryLoad, false},
    {"library.reload", 2,
     "Unloaded and loaded again, it loads, its exports are found and it gives the same identity.",
     checkLibraryReload, false},
    {"identity.record", 1,
     "_ZVGetInfo returns 1 and writes only the fields of PenInfo it fills, leaving offsets 0 and "
     "16 and the bytes around the record alone.",
     checkIdentityRecord, false},
    {"identity.strings", 2,
     "Every string of PenInfo lies inside the loaded module, ends with a NUL and is valid code "
     "page 932; name and altName are equal texts at different addresses.",
     checkIdentityStrings, false},
    {"identity.repeat", 3,
     "A second call of _ZVGetInfo, and one after a stroke, give the same values.",
     checkIdentityRepeat, false},
    {"identity.button", 2,
     "The bitmap resource PEN_BUTTON loads and is 20 x 20, 4 bits per pixel, 16 colours; its "
     "language is reported (a warning when not Japanese).",
     checkIdentityButton, false},
    {"calling.cdecl", 3,
     "Every call of either export leaves the stack pointer and the registers a caller keeps as "
     "it found them (cdecl); a pen that pops its arguments is told how many bytes.",
     checkCallingConvention, true},
    {"messages.returns", 1,
     "Every message a host sends returns 0 within the timeout, without an exception, in the "
     "editor's window tree.",
     checkMessagesReturn, false},
    {"messages.pointers", 4,
     "Each message reads only the pointers it needs; the others aim at no-access pages (from "
     "strictness 8: are null).",
     checkMessagesPointers, false},
    {"messages.writes", 4,
     "Messages write only the canvas's W x H pixels: each buffer sits between no-access pages, "
     "headers, mask, pick source and brush are read-only, row padding stays as it was.",
     checkMessagesWrites, false},
    {"messages.fields", 4,
     "The host's fields (offsets 0, 40, 44), the pointers, cursor and tone and every stateFlags "
     "bit the pen does not own stay as they were; no bit is ever cleared; colours change only "
     "with PCF_COLOUR.",
     checkMessagesFields, false},
    {"messages.rectangle", 5,
     "Whenever the pen sets PCF_DRAWN it writes the changed rectangle; canvas bytes changed "
     "outside it, or without PCF_DRAWN, are warnings.",
     checkMessagesRectangle, false},
    {"messages.tree", 5,
     "Every message returns 0 within the timeout with pieces of the editor's window tree "
     "missing: no dialog bar, no page, no box, a box that is not a combo box, too few ancestors, "
     "a null or stale window.",
     checkMessagesTree, false},
    {"hostile.canvas", 7,
     "Canvases from 1 x 1 to 2^31-1 wide (as wide as the address space holds) and brushes from "
     "0 x 0 to huge, with buffers that match: every call returns within the timeout.",
     checkHostileCanvas, false},
    {"hostile.cursor", 6,
     "Cursors at +-2^31, drags across the whole coordinate range and tone levels outside 0..16: "
     "every call returns within the timeout.",
     checkHostileCursor, false},
    {"hostile.box", 6,
     "A block-size box with no selection, no items, items of 255, 256 and 300 characters, bytes "
     "above 0x7F and sizes beyond 32 bits: every call returns within the timeout.",
     checkHostileBox, false},
    {"determinism.replay", 5,
     "A seeded random session, replayed after the library is loaded afresh and with other "
     "garbage on the stack, paints the same bytes and sets the same fields.",
     checkDeterminism, false},
    {"timing.strokes", 3,
     "Reported, never failed: the median and slowest time of each message on a few standard "
     "strokes.",
     checkTiming, false},
};

}  // namespace

const std::vector<CheckInfo>& allChecks() { return kChecks; }

const CheckInfo* findCheck(const std::string& name) {
  for (const CheckInfo& c : kChecks)
    if (name == c.name) return &c;
  return nullptr;
}

bool namesCheck(const std::string& pattern, const CheckInfo& check) {
  const std::string name = check.name;
  return pattern == name || pattern == name.substr(0, name.find('.'));
}

bool isMessageKind(const std::string& kind) {
  for (const char* k : kMessageKinds)
    if (kind == k) return true;
  return false;
}

const char* ownerOfKind(const std::string& kind) {
  if (isMessageKind(kind)) return "messages.returns";
  if (kind == "getinfo") return "identity.record";
  return "library.load";
}

std::string kindInWords(const std::string& kind) {
  static const struct {
    const char* kind;
    const char* words;
  } names[] = {{"lpress", "left presses"},
               {"drag", "drags"},
               {"move", "moves with no button"},
               {"lrelease", "left releases"},
               {"rpress-in", "right presses inside the canvas"},
               {"rpress-out", "right presses outside the canvas"},
               {"rrelease", "right releases"},
               {"key", "key messages"},
               {"focus", "focus messages"},
               {"user", "the editor's WM_USER messages"},
               {"unknown", "unknown messages"},
               {"load", "loading the library"},
               {"free", "unloading the library"},
               {"entry", "the library entry"},
               {"getinfo", "_ZVGetInfo"}};
  for (const auto& n : names)
    if (kind == n.kind) return n.words;
  return kind;
}

void Report::line(const std::string& text) { appendReport(block_, text); }
void Report::fail(const std::string& text, const std::string& kind) {
  ++failures_;
  line("FAIL " + (kind.empty() ? "" : "[" + kind + "] ") + text);
}
void Report::warn(const std::string& text) {
  ++warnings_;
  line("WARN " + text);
}
void Report::note(const std::string& text) { line("NOTE " + text); }
void Report::skip(const std::string& text) { line("SKIP " + text); }
void Report::summary(const std::string& text) { line("SUMMARY " + text); }
void Report::done() { line("DONE"); }
