// The drawing colour of an image: the index at `pen` on an indexed image, the
// colour-map entry at `pen` on a direct-colour one.
#pragma once

#include <cstdint>

#include "image/bm.h"

inline uint32_t drawValue(const BM* bm) {
  const int pen = bm->pen & 0xff;
  return bm->bpp == 1 ? static_cast<uint32_t>(pen) : bm->cmap[pen];
}

// The raw flag that goes with drawValue: indexed images take the index as is.
inline int drawRaw(const BM* bm) { return bm->bpp == 1 ? 1 : 0; }

// RGBA of the drawing colour, for both pixel depths.
inline uint32_t drawRgba(const BM* bm) { return bm->cmap[bm->pen & 0xff]; }
