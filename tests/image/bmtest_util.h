// Small helpers shared by the image tests.
#pragma once

#include <memory>
#include <vector>

#include "image/bm.h"

struct BmDel {
  void operator()(BM* bm) const { bmFre(bm); }
};
using BmPtr = std::unique_ptr<BM, BmDel>;

inline BmPtr indexed(int w, int h, const std::vector<uint8_t>& px = {}) {
  return BmPtr(bmNew(px.empty() ? nullptr : px.data(), 1, w, h, nullptr, 256));
}
inline BmPtr direct(int w, int h, const std::vector<uint32_t>& px = {}) {
  return BmPtr(bmNew(px.empty() ? nullptr : px.data(), 4, w, h, nullptr, 256));
}
inline std::vector<uint8_t> indices(const BM* bm) {
  return std::vector<uint8_t>(bm->buf, bm->buf + size_t(bm->w) * bm->h);
}
inline std::vector<uint32_t> colours(const BM* bm) {
  std::vector<uint32_t> out;
  for (int y = 0; y < bm->h; y++)
    for (int x = 0; x < bm->w; x++) out.push_back(bmPget(bm, x, y));
  return out;
}
