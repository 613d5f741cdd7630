// Portable bitmap, greymap and pixmap: all six variants in (P1-P3 plain text,
// P4-P6 raw), the plain-text variants out. P4 rows start on byte boundaries;
// plain bitmap samples are single digits and may run together, the other
// plain samples are separated by white space.
#pragma once

#include <cstddef>
#include <cstdint>

#include "std/imgf.h"

struct FOUT;

// Header and sample scanner over NUL-terminated text. Pattern: ' ' skips
// tab/CR/LF/space runs, '%' reads a decimal integer (sign and leading white
// space allowed) into the next int* (a null one is skipped), anything else
// must match. '#' comment lines are skipped before every pattern character.
// Answers the position after the match, or null.
const char* hdScan(const char* s, const char* pat, ...);
// Same, never looking at `end` or beyond (a NUL also ends the text).
const char* hdScanN(const char* s, const char* end, const char* pat, ...);

// Reads the file; null (no message) when it is unreadable or not a valid map.
IMGF* ppmOpen(const char* fname);
// Same on a memory image of a file; never reads outside [data, data + len).
IMGF* ppmDecode(const uint8_t* data, size_t len);

// Writes version 1 or 2 from sample bytes (bitmap: 1 is black; grey map:
// the grey level), 3 from RGBA pixels (4 to 6: the raw forms of the same).
// 1 when the whole file was written and closed.
int ppmSave(const char* fname, const void* pixels, int w, int h, int ver);
// Same into an open stream, which stays open; 1 when every write succeeded.
int ppmWrite(FOUT* fo, const void* pixels, int w, int h, int ver);
