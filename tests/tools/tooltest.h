// Helpers shared by the tools tests: owned images, pixel access by colour
// value, and a typed-test parameter per pixel depth.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "image/bm.h"

struct BmDel {
  void operator()(BM* bm) const { bmFre(bm); }
};
using BmPtr = std::unique_ptr<BM, BmDel>;

inline BmPtr makeBm(int bpp, int w, int h) {
  return BmPtr(bmNew(nullptr, bpp, w, h, nullptr, 256));
}

// Depth parameter of typed tests. Colours are given as indices; on a direct
// image an index stands for its default colour-map entry.
struct Indexed {
  static constexpr int bpp = 1;
};
struct Direct {
  static constexpr int bpp = 4;
};
using BothDepths = ::testing::Types<Indexed, Direct>;

// The value an image stores for index i of the default colour map.
inline uint32_t valueOf(const BM* bm, int i) { return bm->bpp == 1 ? uint32_t(i) : bm->cmap[i]; }

inline void setIdx(BM* bm, int x, int y, int i) { bmpset(bm, x, y, valueOf(bm, i), 1); }

// Pixels as indices (direct images mapped back through the default map).
inline std::vector<int> pixelsOf(const BM* bm) {
  std::vector<int> out;
  for (int y = 0; y < bm->h; y++)
    for (int x = 0; x < bm->w; x++) {
      const uint32_t v = bmPget(bm, x, y);
      out.push_back(bm->bpp == 1 ? int(v) : (rgbaA(v) ? int(rgbaG(v)) : 0));
    }
  return out;
}

// Fills an image from a picture of digits and letters ('0'..'9', 'a'..'f').
inline void paint(BM* bm, const char* rows) {
  int x = 0, y = 0;
  for (const char* p = rows; *p; p++) {
    if (*p == '\n') {
      y++;
      x = 0;
      continue;
    }
    if (*p == ' ') continue;
    const int v = *p <= '9' ? *p - '0' : *p - 'a' + 10;
    setIdx(bm, x++, y, v);
  }
}

inline std::vector<uint8_t> snapshot(const BM* bm) {
  return std::vector<uint8_t>(bm->buf, bm->buf + size_t(bm->w) * bm->h * bm->bpp);
}
