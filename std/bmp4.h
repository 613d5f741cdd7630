// Windows device-independent bitmap files: 12- and 40-byte headers and the
// larger ones of current tools (52 to 124 bytes, with their colour masks);
// 1, 2, 4 and 8-bit indexed (uncompressed and run-length encoded) and 16, 24
// and 32-bit direct colour in, rows bottom-up or (uncompressed) top-down;
// 40-byte header, indexed or 24-bit out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "std/imgf.h"

// Header fields as bmpHdGet reads them.
struct BMPHD {
  uint32_t offbits;  // start of the pixel data
  uint32_t hdsize;   // 12, 40, 52, 56, 108 or 124
  int32_t w;
  int32_t h;  // positive: rows bottom-up; negative: top-down
  int32_t planes;
  int32_t bitcount;
  uint32_t compression;
  uint32_t imagesize;
  uint32_t clrused;
  uint32_t rmask, gmask, bmask;  // bit fields (compression 3)
  uint32_t amask;                // alpha bit field of headers of 56 bytes and more
  int32_t palentry;              // bytes per palette entry: 3 or 4
};

// Reads the headers of a file image of len bytes; answers the palette
// address, or null (with a message for a header size it does not know).
const uint8_t* bmpHdGet(BMPHD* hd, const uint8_t* img, size_t len);
IMGF* bmpOpen(const char* fname);
// Decodes a file image of len bytes; never reads outside it.
IMGF* bmpDecode(const uint8_t* img, size_t len);
// pixels: indices when depth is 1, 2, 4 or 8 (with cmapn palette entries),
// RGBA when depth is 0 (written as 24-bit). 1 when the whole file was written.
int bmpSave(const char* fname, const void* pixels, int w, int h, int depth, const void* cmap,
            int cmapn);
// The file bytes bmpSave writes; empty when the arguments are refused.
std::vector<uint8_t> bmpEncode(const void* pixels, int w, int h, int depth, const void* cmap,
                               int cmapn);

enum : int {
  BMP_PACK = 0,    // one byte per pixel, top-down -> packed, padded, bottom-up rows
  BMP_UNPACK = 1,  // the other way
};
// Bytes of one stored row of w pixels of `bits` bits, padded to 4.
inline int64_t bmpRowSize(int64_t w, int bits) { return (w * bits + 31) / 32 * 4; }
// Converts rows between the two layouts (bits 1, 2, 4 or 8); allocates the
// destination with malloc when buf is null. The source must hold the whole image.
uint8_t* bmpRows(int h, uint8_t* buf, const uint8_t* src, int bits, int w, int dir);
