// TIFF: uncompressed strips, both byte orders, palette, RGB(A) and CMYK in;
// little-endian single-strip RGBA or palette out. Rows of narrow samples start
// on byte boundaries; the reader also takes the older files of this system,
// whose single strip runs them on as one bit stream.
#pragma once

#include <cstddef>
#include <cstdint>

#include "std/db2.h"
#include "std/imgf.h"

struct FOUT;

// TIFF field types.
enum : int {
  TIFT_BYTE = 1,
  TIFT_ASCII = 2,
  TIFT_SHORT = 3,
  TIFT_LONG = 4,
  TIFT_RATIONAL = 5,
  TIFT_SBYTE = 6,
  TIFT_UNDEFINED = 7,
  TIFT_SSHORT = 8,
  TIFT_SLONG = 9,
};

// Reads the file and decodes the last image of its directory chain; null
// (after a message for everything but a foreign file) when it cannot.
IMGF* tifOpen(const char* fname);
// Same on a memory image of a file; never reads outside [data, data + len).
IMGF* tifDecode(const uint8_t* data, size_t len);

// Directory under construction: entries plus the out-of-line values that
// follow the directory (in the order their entries were put).
struct TIFW {
  uint8_t* ifd;  // entries, 12 bytes each
  int count;     // entries put
  int cap;       // entries the ifd buffer holds
  DB* extra;     // TIFEXTRA records
};

// Appends one entry. With data, `value` is the data size in bytes and the
// value field is filled when the directory is written; without data the
// value is stored inline by type (RATIONAL and unknown types cannot be).
void ifdPut(TIFW* tw, int tag, int type, uint32_t count, const void* data, uint32_t value);

// Writes pixels (indices when depth is 1, 2, 4 or 8; RGBA when 0) with the
// colour map (R, G, B, A per entry; ncolor valid entries). 1 when the whole
// file was written and closed, else 0.
int tifdbSave(const char* fname, const void* pixels, int w, int h, const void* cmap, int ncolor,
              int depth);
// Same into an open stream, which stays open; 1 when every write succeeded.
int tifdbWrite(FOUT* fo, const void* pixels, int w, int h, const void* cmap, int ncolor, int depth);
