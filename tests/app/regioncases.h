// The region tools with the core functions that define their result, and a
// test picture: shared by the gesture tests of the scripted host and of the
// Wine tier.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "image/bm.h"
#include "image/bmgeom.h"
#include "tools/fill.h"
#include "tools/filter.h"
#include "tools/gesture/toolframe.h"

using Bytes = std::vector<uint8_t>;

inline Bytes bytesOf(const BM* bm) {
  return Bytes(bm->buf, bm->buf + size_t(bm->w) * bm->h * bm->bpp);
}

// A picture with transparent holes and many colours; pen 77.
inline void fillPicture(BM* bm) {
  for (int i = 1; i < 256; i++)
    bm->cmap[i] = rgbaMake(i * 37 & 255, i * 91 & 255, i * 53 & 255, 255);
  for (int y = 0; y < bm->h; y++)
    for (int x = 0; x < bm->w; x++) {
      const int i = (x * 5 + y * 3) % 7 == 0 ? 0 : (x * 29 + y * 47) % 255 + 1;
      bmpset(bm, x, y, bm->bpp == 1 ? uint32_t(i) : bm->cmap[i], 1);
    }
  bm->pen = 77;
}

// Whole-image helper: a copy carrying the colour map and pen.
inline BM* twin(const BM* bm) {
  BM* c = bmDup(bm);
  std::memcpy(c->cmap, bm->cmap, sizeof c->cmap);
  c->pen = bm->pen;
  return c;
}

struct RegionCase {
  const char* name;
  int cmd;
  int step;
  int fx, fy, tx, ty;                      // pressed and released cells
  std::function<void(BM*, TRECT)> expect;  // the core on the selection
};

inline std::function<void(BM*, TRECT)> cropFilter(void (*fn)(BM*)) {
  return [fn](BM* bm, TRECT r) { filterRegion(bm, r.x0, r.y0, r.x1, r.y1, fn); };
}
inline std::function<void(BM*, TRECT)> bevelOn(int pull) {
  return [pull](BM* bm, TRECT r) { bevelDraw(bm, r.x0, r.y0, r.x1, r.y1, pull); };
}
inline void brighten(BM* c) { scaleBright(c, BRIGHT_UP); }
inline void darken(BM* c) { scaleBright(c, BRIGHT_DOWN); }

inline const RegionCase kRegionCases[] = {
    {"Edging", 33005, 1, 9, 7, 2, 3, cropFilter(edgeMark)},
    {"Erosion", 33006, 1, 2, 3, 9, 7, cropFilter(edgeErode)},
    {"FlipTopBottom", 33036, 1, 2, 7, 9, 3, cropFilter(bmFlipV)},
    {"FlipLeftRight", 33035, 2, 9, 3, 2, 7, cropFilter(bmFlipH)},
    {"Blur", 33037, 1, 1, 1, 10, 8, cropFilter(boxBlur)},
    {"BlurOnStepGrid", 33037, 4, 5, 1, 6, 6, cropFilter(boxBlur)},
    {"Brighten", 33038, 1, 0, 0, 11, 9, cropFilter(brighten)},
    {"Darken", 33039, 1, 3, 2, 3, 2, cropFilter(darken)},
    {"Gradient", 33048, 1, 8, 8, 1, 2, cropFilter(rampFill)},
    {"ShadedOutline", 33056, 1, 0, 0, 11, 9, cropFilter(shadeOutline)},
    {"Push", 33026, 1, 8, 8, 1, 2, bevelOn(BEVEL_PUSH)},
    {"Pull", 33027, 2, 1, 1, 9, 8, bevelOn(BEVEL_PULL)},
    // Reaching past the picture: the outside reads as 0 and is not pasted.
    {"BlurPastTheEdge", 33037, 1, 9, 7, 14, 12, cropFilter(boxBlur)},
};
