// Windows icon (".ico") and cursor (".cur") files: indexed pictures of 1, 4
// or 8 bits with an AND mask; transparency becomes colour-map alpha. Entries
// stored as PNG files read as PNG files do (std/png.h), often direct colour.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "std/imgf.h"

struct DB;

enum : int {
  ICO_ICON = 1,
  ICO_CURSOR = 2,
};

// List database of IMGF records, one per usable directory entry in directory
// order (see imgfListFre), or null for a missing or foreign file. A positive
// limit reads only that many entries. The pixels of all records together are
// bounded like one picture's.
DB* icoOpen(const char* fname, int limit = 0);
// Same on a file image of len bytes; never reads outside it.
DB* icoDecode(const uint8_t* file, size_t len, int limit = 0);
// One picture of at most 256 x 256 indices; cmap holds all 256 entries of the
// image (cmapn of them are meaningful). type ICO_ICON or ICO_CURSOR. 1 when
// the whole file was written, else 0.
int icoSave(const char* fname, const void* pixels, int w, int h, const void* cmap, int cmapn,
            int type);
// The bytes icoSave writes; empty when the arguments are refused.
std::vector<uint8_t> icoEncode(const void* pixels, int w, int h, const void* cmap, int cmapn,
                               int type);

// Lists of decoded pictures.
DB* imgfListNew();
// Appends a copy of *img; the list then owns its pixel buffer.
IMGF* imgfListAdd(DB* list, const IMGF* img);
// Frees every record's pixels and the list; null is ignored.
void imgfListFre(DB* list);
