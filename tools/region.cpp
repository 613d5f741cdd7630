#include "tools/region.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "image/bmconv.h"

namespace {

bool transparentAt(const BM* bm, size_t i) {
  if (bm->bpp == 1) return rgbaA(bm->cmap[bm->buf[i]]) == 0;
  return bm->buf[i * 4 + 3] == 0;
}

// Source span [first, first + count) of destination cell i.
struct Cover {
  int first, count;
};

std::vector<Cover> covers(int srcSize, int dstSize) {
  std::vector<Cover> out(dstSize);
  const int64_t step = static_cast<int64_t>(srcSize) * 65536 / dstSize;
  int64_t acc = 0;
  for (int i = 0; i < dstSize; i++, acc += step) {
    const int first = static_cast<int>(std::min<int64_t>(acc >> 16, srcSize - 1));
    int count = static_cast<int>(((acc + step) >> 16) - (acc >> 16));
    count = std::clamp(count, 1, srcSize - first);
    out[i] = Cover{first, count};
  }
  return out;
}

bool resampleArgsOk(const BM* dst, const BM* src, int bpp) {
  return dst && src && dst->bpp == bpp && src->bpp == bpp && dst->buf && src->buf;
}

void averageCell(const BM* src, const Cover& cx, const Cover& cy, uint8_t* out) {
  uint32_t sum[4] = {}, n = 0;
  for (int y = cy.first; y < cy.first + cy.count; y++)
    for (int x = cx.first; x < cx.first + cx.count; x++) {
      const uint8_t* p = src->buf + (static_cast<size_t>(y) * src->w + x) * 4;
      if (!p[3]) continue;
      for (int c = 0; c < 4; c++) sum[c] += p[c];
      n++;
    }
  for (int c = 0; c < 4; c++) out[c] = n ? static_cast<uint8_t>(sum[c] / n) : 0;
}

}  // namespace

int bmAllTransparent(const BM* bm) {
  const size_t n = bm->buf ? static_cast<size_t>(bm->w) * bm->h : 0;
  for (size_t i = 0; i < n; i++)
    if (!transparentAt(bm, i)) return 0;
  return 1;
}

void regionPlace(BM* target, const BM* crop, int x, int y, int opaque, int allTransparent) {
  BM* conv = bmAdapt(target, crop);
  if (!conv) return;
  bmPaste(target, conv, x, y, !opaque && !allTransparent);
  bmFre(conv);
}

void regionBackPlace(BM* target, const BM* crop, int x, int y, int opaque, int allTransparent) {
  BM* conv = bmAdapt(target, crop);
  if (!conv) return;
  BM* under = bmCrop(target, x, y, crop->w, crop->h);
  if (under && under->buf && conv->buf) {
    const size_t n = static_cast<size_t>(under->w) * under->h;
    const size_t bpp = static_cast<size_t>(under->bpp);
    for (size_t i = 0; i < n; i++)
      if (transparentAt(under, i)) std::memcpy(under->buf + i * bpp, conv->buf + i * bpp, bpp);
    bmPaste(target, under, x, y, !opaque && !allTransparent);
  }
  bmFre(under);
  bmFre(conv);
}

int resample(BM* dst, const BM* src) {
  if (dst && src && dst->bpp == 1) return resampleIdx(dst, src);
  if (!resampleArgsOk(dst, src, 4)) return 0;
  const std::vector<Cover> cx = covers(src->w, dst->w), cy = covers(src->h, dst->h);
  for (int y = 0; y < dst->h; y++)
    for (int x = 0; x < dst->w; x++)
      averageCell(src, cx[x], cy[y], dst->buf + (static_cast<size_t>(y) * dst->w + x) * 4);
  return 1;
}

int resampleIdx(BM* dst, const BM* src) {
  if (!resampleArgsOk(dst, src, 1)) return 0;
  const std::vector<Cover> cx = covers(src->w, dst->w), cy = covers(src->h, dst->h);
  for (int y = 0; y < dst->h; y++)
    for (int x = 0; x < dst->w; x++)
      dst->buf[static_cast<size_t>(y) * dst->w + x] =
          src->buf[static_cast<size_t>(cy[y].first) * src->w + cx[x].first];
  return 1;
}

namespace {

BM* resampledCopy(int w, int h, const BM* src, int (*fill)(BM*, const BM*)) {
  if (!src || w <= 0 || h <= 0) return nullptr;
  BM* out = bmNew(nullptr, src->bpp, w, h, src->cmap, src->cmapn);
  bmCmapCopy(out, src);
  if (out && !fill(out, src)) {
    bmFre(out);
    return nullptr;
  }
  return out;
}

}  // namespace

BM* resample(int w, int h, const BM* src) {
  return resampledCopy(w, h, src, static_cast<int (*)(BM*, const BM*)>(resample));
}

BM* resampleIdx(int w, int h, const BM* src) {
  return resampledCopy(w, h, src, static_cast<int (*)(BM*, const BM*)>(resampleIdx));
}

BM* scaleCopy(const BM* crop, int w, int h, const BM* dest) {
  if (!crop || !dest || w <= 0 || h <= 0) return nullptr;
  BM* src = bmDup(crop);
  bmCmapCopy(src, crop);  // pixels may use entries at and above cmapn
  BM* out = bmNew(nullptr, 4, w, h, dest->cmap, dest->cmapn);
  const bool ok = src && out && bmDirect(src) && resample(out, src);
  bmFre(src);
  if (!ok) {
    bmFre(out);
    return nullptr;
  }
  return out;
}

void rotNearest(BM* bm, double angle) {
  if (!bm || !bm->buf || (bm->bpp != 1 && bm->bpp != 4)) return;
  const int w = bm->w, h = bm->h, cx = w / 2, cy = h / 2;
  const size_t bpp = static_cast<size_t>(bm->bpp);
  const double c = std::cos(angle), s = std::sin(angle);
  std::vector<uint8_t> out(static_cast<size_t>(w) * h * bpp);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      const int dx = x - cx, dy = y - cy;
      const int sx = cx + static_cast<int>(c * dx - s * dy);
      const int sy = cy + static_cast<int>(c * dy + s * dx);
      if (sx < 0 || sy < 0 || sx >= w || sy >= h) continue;
      std::memcpy(&out[(static_cast<size_t>(y) * w + x) * bpp],
                  bm->buf + (static_cast<size_t>(sy) * w + sx) * bpp, bpp);
    }
  std::memcpy(bm->buf, out.data(), out.size());
}
