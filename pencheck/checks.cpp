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
     "headers, mask, pick source and brush are read-only, row padding stays as it was; also "
     "with tone levels outside 0..16, colours above 255 and cursors far off the canvas.",
     checkMessagesWrites, false},
    {"messages.fields", 4,
     "The host's fields (offsets 0, 40, 44), the pointers, cursor and tone and every stateFlags "
     "bit the pen does not own stay as they were; no bit is ever cleared; colours change only "
     "with a pick and PCF_COLOUR, the rectangle only with PCF_DRAWN; also with tone levels "
     "outside 0..16, colours above 255 and cursors far off the canvas.",
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
    {"host.state", 3,
     "Every call (the library entry, _ZVGetInfo, every message) leaves the x87 control and tag "
     "words, MXCSR, the current directory, the error mode, the unhandled-exception filter, the "
     "environment and the C runtime's locale as it found them.",
     checkHostState, false},
    {"host.pointers", 4,
     "The pen keeps no pointer between calls: each message comes with a record and buffers at "
     "new addresses, and those of the call before are no-access.",
     checkHostPointers, false},
    {"host.windows", 4,
     "The pen sends the host's windows only CB_GETCURSEL, CB_GETLBTEXT and the length and count "
     "queries (to the block-size box) and changes none of them: text, styles, window procedure, "
     "place, the box's items and selection.",
     checkHostWindows, false},
    {"host.resources", 5,
     "A long session leaves no growth of the pen's own allocations, GDI and USER objects, "
     "windows, kernel handles or private memory (named with its rate per message), no thread or "
     "timer, no module loaded after the unload and no file in the folder it ran in.",
     checkHostResources, false},
    {"host.unload", 5,
     "After FreeLibrary the host's windows take their messages, the box is used, an exception "
     "is raised and handled and the pen's threads are waited for, without a fault in its old "
     "code.",
     checkHostUnload, false},
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
    {"timing.budget", 5,
     "A press, drag or move takes less than a frame (16.7 ms) on a 1024 x 1024 canvas (a "
     "warning), and a drag's time grows no faster than its length across a wide canvas (a "
     "warning, a failure when the longest takes more than a frame).",
     checkTimingBudget, false},
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
