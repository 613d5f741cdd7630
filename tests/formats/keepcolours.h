// Pictures that lose colours when a writer takes indices for colours or
// keeps only the first cmapn colour-map entries: a map that is not the
// identity, pixels above cmapn, black-and-white maps in both orders and a
// grey map that is no ramp, at odd widths.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "image/bm.h"

namespace keep {

struct BmFree {
  void operator()(BM* bm) const { bmFre(bm); }
};
using Picture = std::unique_ptr<BM, BmFree>;

struct Kind {
  const char* name;
  int w, h, cmapn;
  int ppmVersion;  // what a portable map of it must be
};

inline const std::vector<Kind>& kinds() {
  static const std::vector<Kind> all = {
      {"colour map", 13, 4, 40, 3},           {"pixels above cmapn", 7, 4, 16, 3},
      {"black, white", 5, 4, 2, 1},           {"white, black", 3, 4, 2, 1},
      {"greys that are no ramp", 1, 6, 4, 2},
  };
  return all;
}

inline Picture make(size_t k) {
  const Kind& kd = kinds()[k];
  Picture bm(bmNew(nullptr, 1, kd.w, kd.h, nullptr, kd.cmapn));
  for (int i = 0; i < 256; i++) bm->cmap[i] = rgbaMake(i, 255 - i, i * 7 & 255, 255);
  static const uint8_t high[] = {1, 7, 15, 16, 40, 200, 255};
  static const uint8_t greys[] = {10, 200, 0, 255};
  for (int y = 0; y < kd.h; y++)
    for (int x = 0; x < kd.w; x++) {
      int v = x * 7 + y * 3 + x * y;
      uint8_t& px = bm->buf[size_t(y) * kd.w + x];
      px = uint8_t(k == 1 ? high[v % 7] : v % kd.cmapn);
    }
  if (k == 2 || k == 3) {
    bm->cmap[0] = k == 2 ? rgbaMake(0, 0, 0, 255) : rgbaMake(255, 255, 255, 255);
    bm->cmap[1] = k == 2 ? rgbaMake(255, 255, 255, 255) : rgbaMake(0, 0, 0, 255);
  }
  if (k == 4)
    for (int i = 0; i < 4; i++) bm->cmap[i] = rgbaMake(greys[i], greys[i], greys[i], 255);
  return bm;
}

// Formats that must keep every colour of picture k: the lossless ones, and
// cursors for the two-colour pictures.
inline std::vector<int> formatsFor(size_t k) {
  std::vector<int> f = {BMF_NATIVE, BMF_BMP, BMF_TIFF, BMF_PPM, BMF_ICO, BMF_SBF};
  if (k == 2 || k == 3) f.push_back(BMF_CUR);
  return f;
}

// R, G, B of every pixel, top row first.
inline std::vector<uint8_t> rgbOf(const BM* bm) {
  std::vector<uint8_t> out;
  for (int y = 0; y < bm->h; y++)
    for (int x = 0; x < bm->w; x++) {
      uint32_t v = bmPget(bm, x, y);
      uint32_t c = bm->bpp == 1 ? bm->cmap[v] : v;
      out.insert(out.end(), {uint8_t(rgbaR(c)), uint8_t(rgbaG(c)), uint8_t(rgbaB(c))});
    }
  return out;
}

}  // namespace keep
