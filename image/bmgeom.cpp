#include "image/bmgeom.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "image/bmlog.h"

namespace {

bool usable(const BM* bm) { return bm && bm->buf && bmSizeOk(bm->w, bm->h, bm->bpp); }

void swapBytes(uint8_t* a, uint8_t* b, size_t n) { std::swap_ranges(a, a + n, b); }

}  // namespace

void bmFlipV(BM* bm) {
  if (!usable(bm)) return;
  size_t row = static_cast<size_t>(bm->w) * bm->bpp;
  for (int i = 0; i < bm->h / 2; i++)
    swapBytes(bm->buf + i * row, bm->buf + (bm->h - 1 - i) * row, row);
}

void bmFlipH(BM* bm) {
  if (!usable(bm)) return;
  size_t bpp = bm->bpp, row = bm->w * bpp;
  for (int y = 0; y < bm->h; y++) {
    uint8_t* line = bm->buf + y * row;
    for (int i = 0; i < bm->w / 2; i++)
      swapBytes(line + i * bpp, line + (bm->w - 1 - i) * bpp, bpp);
  }
}

int bmTrans(BM* bm) {
  if (!bm) return 1;
  if (!bm->buf) {  // no pixels: only the shape turns
    std::swap(bm->w, bm->h);
    return 1;
  }
  if (!usable(bm)) return 1;
  size_t bpp = bm->bpp, w = bm->w, h = bm->h;
  auto* moved = static_cast<uint8_t*>(std::malloc(w * h * bpp));
  if (!moved) return 0;
  for (size_t y = 0; y < h; y++)
    for (size_t x = 0; x < w; x++)
      std::memcpy(moved + (y + x * h) * bpp, bm->buf + (x + y * w) * bpp, bpp);
  std::free(bm->buf);
  bm->buf = moved;
  std::swap(bm->w, bm->h);
  return 1;
}

int bmResize(BM* bm, int w, int h) {
  if (!bm || !bmSizeOk(w, h, bm->bpp)) return 0;
  size_t bytes = static_cast<size_t>(w) * h * bm->bpp;
  uint8_t* canvas = nullptr;
  if (bytes) {
    canvas = static_cast<uint8_t*>(std::calloc(bytes, 1));
    if (!canvas) return 0;
  }
  bmLogImage(bm);
  if (canvas) rectPut(bm->buf, canvas, w, h, 0, 0, bm->w, bm->h, bm->bpp);
  std::free(bm->buf);
  bm->buf = canvas;
  bm->w = w;
  bm->h = h;
  return 1;
}
