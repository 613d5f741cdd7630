// PNG files through libspng. Every colour type and depth in: palette files
// and grey files of up to 8 bits become indexed pictures (the palette's order
// and tRNS alpha kept; grey as a grey map), the others direct colour, 16-bit
// channels rounded to 8. Out: indexed pictures as palette PNG, direct colour
// as 8-bit RGB, or RGBA when some pixel is not opaque.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "std/imgf.h"

// True when the 8 bytes of the PNG signature start the data.
bool pngSignature(const uint8_t* data, size_t len);
// Decodes a file image of len bytes; never reads outside it. Null after a
// message when the data are no PNG, damaged or too large.
IMGF* pngDecode(const uint8_t* data, size_t len);
IMGF* pngOpen(const char* fname);
// pixels: indices when depth is non-zero (cmap holds 256 entries, cmapn of
// them in use), RGBA when depth is 0. The palette has cmapn entries (more
// when a pixel uses a higher index); the bit depth follows from its length.
// Empty when the arguments are refused.
std::vector<uint8_t> pngEncode(const void* pixels, int w, int h, int depth, const void* cmap,
                               int cmapn);
// 1 when the whole file was written, else 0.
int pngSave(const char* fname, const void* pixels, int w, int h, int depth, const void* cmap,
            int cmapn);
