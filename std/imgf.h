// Decoded-image record: what every format reader hands to the dispatcher,
// which turns it into an image record and frees it.
#pragma once

#include <cstddef>
#include <cstdint>

// Largest picture a reader will allocate (pixels); equals BM_MAXPIXELS.
constexpr int64_t IMGF_MAXPIXELS = int64_t(64) << 20;

struct IMGF {
  int32_t w;
  int32_t h;
  int32_t depth;       // 0 direct colour (R, G, B, A bytes); else bits per index 1, 2, 4, 8
  int32_t ncolor;      // valid colour-map entries; 0 means 256
  uint8_t* buf;        // w*h*(depth ? 1 : 4) bytes, rows top to bottom; owned
  uint32_t cmap[256];  // R | G<<8 | B<<16 | A<<24
};

// Bytes of a w x h picture with bpp bytes per pixel, or 0 when a size is
// negative or the picture exceeds IMGF_MAXPIXELS (so the product cannot wrap).
size_t imgfBytes(int64_t w, int64_t h, int bpp);
// New record with zeroed pixels and colour map; null when the size is refused
// or memory runs out. A 0 x 0 picture has no pixel buffer.
IMGF* imgfNew(int64_t w, int64_t h, int depth);
void imgfFre(IMGF* img);
