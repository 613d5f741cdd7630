#include "image/bmindex.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "image/bm.h"
#include "image/bmlog.h"
#include "std/rgba2cmap2.h"

void bmIndex(BM* bm, int maxcmapn, int top, int diffuse) {
  if (!bm || bm->bpp != 4 || !bmSizeOk(bm->w, bm->h, 4)) return;
  const size_t count = size_t(bm->w) * size_t(bm->h);
  uint8_t* idx = nullptr;
  if (count) {
    idx = static_cast<uint8_t*>(std::malloc(count));
    if (!idx) {
      std::printf("bmIndex:メモリが足りません:%dx%d\n", bm->w, bm->h);
      return;
    }
  }
  bmLogCmap(bm);
  bmLogImage(bm);
  const int e = rgba2cmapIdx(idx, bm->cmap, bm->buf, bm->w, bm->h, maxcmapn, top, diffuse);
  bm->cmapn = std::clamp(top, 0, 256) + e;
  std::free(bm->buf);
  bm->buf = idx;
  bm->bpp = 1;
  bm->modified = 1;
}
