// Tool cursors: eight 32 x 32 monochrome cursors cut from one stored picture
// in the native format (32 x 256, cursor k in rows 32k..32k+31, hotspot at
// the centre). Picture index 0 is transparent, 1 and 3 black, 2 white.
#pragma once

#include <cstddef>
#include <cstdint>

// The stored picture: a whole native file image (formats/tdecurpic.cpp,
// generated from scripts/pictures.txt).
extern const uint8_t tdecurpic[];
extern const size_t tdecurpicSize;

constexpr int TDECUR_COUNT = 8;
constexpr int TDECUR_SIZE = 32;

// AND and XOR planes (128 bytes each, rows of 4 bytes, most significant bit
// first) of one 32 x 32 block of picture indices whose rows are `stride`
// bytes apart. Indices above 3 count as transparent.
void tdecurPlanes(const uint8_t* idx, size_t stride, uint8_t andPlane[128], uint8_t xorPlane[128]);

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// Array of 8 cursor handles (owned; entries stay null when the picture
// cannot be read). Release with tdecurClose.
HCURSOR* tdecurOpen();
// Destroys the cursors and frees the array; null is ignored.
void tdecurClose(HCURSOR* set);
#endif
