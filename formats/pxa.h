// Native image file (".pxa"): a NIF1 container with the picture's index
// depth, size, colour map and LZSS-compressed pixels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "formats/lzss.h"
#include "std/imgf.h"
#include "std/nif.h"

// 1 when the whole file was written, else 0 (no message).
int pxaSave(const char* fname, const void* pixels, int w, int h, const void* cmap, int cmapn,
            int ebit);
// Writes the chunks of one picture; 1 when every write succeeded.
int pxaPut(NIF* nifp, const void* pixels, int w, int h, const void* cmap, int cmapn, int ebit);
IMGF* pxaOpen(const char* fname);
// Memory image of a whole file; len bounds it (0: trust the image's own size).
IMGF* pxaOpenMem(const void* mem, size_t len = 0);
IMGF* pxaGet(NIF* nifp);
