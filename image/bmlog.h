// Change log of an image: what an edit is about to overwrite, so that the last
// step can be taken back. Each record is a 24-byte header (data part) and the
// saved bytes (key part, DBT_BIN).
#pragma once

#include <cstdint>

struct BM;

enum : int32_t {
  UNDO_LINE = 0,   // old values of a walked line, in walk order
  UNDO_RECT = 1,   // old pixels of a rectangle, row order, zero outside the image
  UNDO_CMAP = 2,   // the start of the colour map
  UNDO_IMAGE = 3,  // the whole pixel buffer with its size and bytes per pixel
};

struct UNDOHDR {
  int32_t kind;
  int32_t x0;     // line: first x as passed; rect: left
  int32_t y0;     // line: first y; rect: top
  int32_t x1;     // line: second x; rect: left + width; image: width
  int32_t y1;     // line: second y; rect: top + height; image: height
  int32_t extra;  // line: include-end flag; image: bytes per pixel
};
static_assert(sizeof(UNDOHDR) == 24, "log header layout");

constexpr uint32_t BM_LOGCHUNK = 4096;

// Appends a record with a zeroed payload of len bytes for the caller to fill.
// Null when the image has no change log.
uint8_t* bmLogAdd(BM* bm, const UNDOHDR& hdr, uint32_t len);
// Kind 1 for the rectangle at (x, y) of size w x h. Refuses (0) rectangles
// whose far corner does not fit in 32 bits.
int bmLogRect(BM* bm, int x, int y, int w, int h);
// Kind 2 holding all 256 entries, so entries past cmapn come back as well.
int bmLogCmap(BM* bm);
// Kind 3 holding the present buffer, width, height and bytes per pixel.
int bmLogImage(BM* bm);
