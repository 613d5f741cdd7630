#include "std/imgf.h"

#include <cstdlib>

#include "std/bigmem.h"

size_t imgfBytes(int64_t w, int64_t h, int bpp) {
  if (w < 0 || h < 0 || bpp <= 0) return 0;
  if (w > IMGF_MAXPIXELS || h > IMGF_MAXPIXELS) return 0;
  if (w * h > IMGF_MAXPIXELS) return 0;
  return static_cast<size_t>(w * h) * static_cast<size_t>(bpp);
}

IMGF* imgfNew(int64_t w, int64_t h, int depth) {
  if (w < 0 || h < 0) return nullptr;
  size_t n = imgfBytes(w, h, depth ? 1 : 4);
  if (n == 0 && w != 0 && h != 0) return nullptr;
  IMGF* img = static_cast<IMGF*>(std::calloc(1, sizeof(IMGF)));
  if (!img) return nullptr;
  img->w = static_cast<int32_t>(w);
  img->h = static_cast<int32_t>(h);
  img->depth = depth;
  if (n) {
    img->buf = static_cast<uint8_t*>(bigCalloc(n));
    if (!img->buf) {
      std::free(img);
      return nullptr;
    }
  }
  return img;
}

void imgfFre(IMGF* img) {
  if (!img) return;
  std::free(img->buf);
  std::free(img);
}
