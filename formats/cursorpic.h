// The tool cursor picture: one native image file held in the program's own
// data, 32 x 256 indices (0 transparent, 1 black, 2 white), cursor k being the
// 32 x 32 block of rows 32k to 32k + 31 with its hotspot at (16, 16).
#pragma once

#include <cstddef>
#include <cstdint>

#include "std/imgf.h"

extern const unsigned char tdecurPic[1116];

constexpr int TDECUR_COUNT = 8;
constexpr int TDECUR_SIZE = 32;
constexpr int TDECUR_HOTSPOT = 16;

// Decodes the stored picture (pxaOpenMem); null when it cannot be read.
IMGF* tdecurPicture();
// AND and XOR planes of cursor k (128 bytes each, most significant bit first,
// 4 bytes per row) by the index meaning: 0 -> AND 1, XOR 0 (transparent);
// 1 and 3 -> black; 2 -> white. 0 when the picture is not 32 x 256 indices.
int tdecurPlanes(const IMGF* pic, int k, uint8_t* andplane, uint8_t* xorplane);
