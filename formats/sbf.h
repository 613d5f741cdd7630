// SBF: the uncompressed sibling of the native file, a "Siff" container with
// the size, index depth, colour map and raw pixels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "std/imgf.h"

// Writes chunks type "sbf", crtl = ctrl, dver 1, ebit, xw, yw, cmap (indexed
// only, ncolor entries R, G, B, A) and data. 1 when the whole file was written.
int sbfSave(const char* fname, const char* ctrl, const void* pixels, int w, int h, const void* cmap,
            int ncolor, int ebit);
// Null when the file is missing, foreign or holds no usable data chunk.
IMGF* sbfOpen(const char* fname);
// Same on a memory image of a file; never reads outside [data, data + len).
IMGF* sbfDecode(const uint8_t* data, size_t len);
