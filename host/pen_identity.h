// pen_identity.h - the pen's name, description and copyright, written once
// for ZVGetInfo (pen_info.cpp) and for the library's version resource
// (resources/tessaly.rc), which is how Windows shows a user which Tessaly
// they have. The resource compiler reads this file too: macros only.
//
// The strings are in the Shift-JIS code page (932), as the editor reads
// them; the resource script converts them from that code page.
#pragma once

#define TESSALY_PEN_NAME "Tessaly"
// "Drawing with rectangular pixels", spelt as bytes so that the encoding of
// this source file cannot change them.
#define TESSALY_PEN_DESCRIPTION \
  "\x92\xB7\x95\xFB\x8C\x60\x82\xCC\x83\x73\x83\x4E\x83\x5A\x83\x8B\x82\xC5\x95\x60\x89\xE6"
#define TESSALY_PEN_COPYRIGHT "Copyright (C) 2026 the Tessaly authors"
