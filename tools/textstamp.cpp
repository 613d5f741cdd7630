#include "tools/textstamp.h"

#include <algorithm>
#include <cstring>

#include "tools/drawcolor.h"

namespace {

bool glyphInk(const BM* glyph, int x, int y) {
  const size_t i = static_cast<size_t>(y) * glyph->w + x;
  if (glyph->bpp == 1) return glyph->buf[i] != 0;
  return (glyph->buf[i * 4] | glyph->buf[i * 4 + 1] | glyph->buf[i * 4 + 2]) != 0;
}

}  // namespace

void textStamp(BM* crop, const BM* glyph) {
  if (!crop || !glyph || !crop->buf || !glyph->buf) return;
  if ((crop->bpp != 1 && crop->bpp != 4) || (glyph->bpp != 1 && glyph->bpp != 4)) return;
  const uint32_t pen = drawValue(crop);
  const size_t bpp = static_cast<size_t>(crop->bpp);
  const int w = std::min(crop->w, glyph->w), h = std::min(crop->h, glyph->h);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      if (!glyphInk(glyph, x, y)) continue;
      uint8_t* d = crop->buf + (static_cast<size_t>(y) * crop->w + x) * bpp;
      if (bpp == 1)
        *d = static_cast<uint8_t>(pen);
      else
        std::memcpy(d, &pen, 4);
    }
}

void textCommit(BM* bm, const BM* glyph, int x, int y, int opaque) {
  if (!bm || !glyph) return;
  BM* crop = bmCrop(bm, x, y, glyph->w, glyph->h);
  if (!crop) return;
  textStamp(crop, glyph);
  bmPaste(bm, crop, x, y, !opaque);
  bmFre(crop);
}
