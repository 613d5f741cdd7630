#include "image/bm.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "image/bmlog.h"
#include "image/nearcache.h"
#include "std/bigmem.h"

namespace {

uint32_t load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
void store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

bool inside(const BM* bm, int x, int y) { return x >= 0 && y >= 0 && x < bm->w && y < bm->h; }
size_t pixelAt(const BM* bm, int x, int y) { return static_cast<size_t>(y) * bm->w + x; }
size_t pixelCount(const BM* bm) { return static_cast<size_t>(bm->w) * bm->h; }
bool supported(int bpp) { return bpp == 1 || bpp == 4; }

void defaultCmap(uint32_t* cmap) {
  for (uint32_t i = 0; i < 256; i++) cmap[i] = rgbaMake(i, i, i, 255);
  cmap[0] = 0;
}

// The part of the rectangle (x, y, w, h) that lies inside a sw x sh area;
// false when they do not overlap. 64-bit so far-away rectangles cannot wrap.
struct Overlap {
  int64_t x0, y0, x1, y1;
};
bool overlap(int sw, int sh, int x, int y, int w, int h, Overlap& o) {
  o.x0 = x < 0 ? 0 : x;
  o.y0 = y < 0 ? 0 : y;
  o.x1 = int64_t(x) + w < sw ? int64_t(x) + w : sw;
  o.y1 = int64_t(y) + h < sh ? int64_t(y) + h : sh;
  return o.x0 < o.x1 && o.y0 < o.y1;
}

// Indices of a direct-colour source blended over the indexed target pixels
// already in q (a crop of the target at the paste position).
void blendIntoIndices(BM* q, const BM* src, const uint32_t* cmap) {
  NearCache nearest(cmap);
  size_t n = pixelCount(q);
  for (size_t i = 0; i < n; i++) {
    uint32_t s = load32(src->buf + i * 4);
    q->buf[i] = nearest.find(rgbaBlend(cmap[q->buf[i]], s));
  }
}

void pasteIndices(BM* target, const BM* q, int x, int y, int transparent) {
  Overlap o;
  if (!overlap(target->w, target->h, x, y, q->w, q->h, o)) return;
  for (int64_t ty = o.y0; ty < o.y1; ty++) {
    const uint8_t* s = q->buf + (ty - y) * q->w + (o.x0 - x);
    uint8_t* d = target->buf + ty * target->w + o.x0;
    for (int64_t tx = o.x0; tx < o.x1; tx++, s++, d++) {
      if (transparent && rgbaA(target->cmap[*s]) == 0) continue;
      *d = *s;
    }
  }
}

void pasteColours(BM* target, const BM* q, int x, int y, int transparent) {
  if (!transparent) {
    rectPut(q->buf, target->buf, target->w, target->h, x, y, q->w, q->h, 4);
    return;
  }
  Overlap o;
  if (!overlap(target->w, target->h, x, y, q->w, q->h, o)) return;
  for (int64_t ty = o.y0; ty < o.y1; ty++) {
    const uint8_t* s = q->buf + ((ty - y) * q->w + (o.x0 - x)) * 4;
    uint8_t* d = target->buf + (ty * target->w + o.x0) * 4;
    for (int64_t tx = o.x0; tx < o.x1; tx++, s += 4, d += 4)
      store32(d, rgbaBlend(load32(d), load32(s)));
  }
}

}  // namespace

uint32_t rgbaBlend(uint32_t under, uint32_t over) {
  uint32_t a = rgbaA(over), na = 255 - a;
  return rgbaMake((rgbaR(over) * a + rgbaR(under) * na) / 255,
                  (rgbaG(over) * a + rgbaG(under) * na) / 255,
                  (rgbaB(over) * a + rgbaB(under) * na) / 255, (rgbaA(under) * na + a * a) / 255);
}

bool bmSizeOk(int64_t w, int64_t h, int64_t bpp) {
  if (w < 0 || h < 0 || !supported(static_cast<int>(bpp))) return false;
  if (w > BM_MAXPIXELS || h > BM_MAXPIXELS) return false;
  return w * h <= BM_MAXPIXELS;
}

BM* bmNew(const void* pixels, int bpp, int w, int h, const void* cmap, int cmapn) {
  if (!bmSizeOk(w, h, bpp)) {
    std::printf("bmNew:扱えない大きさです:%d x %d x %d\n", w, h, bpp);
    return nullptr;
  }
  auto* bm = static_cast<BM*>(std::calloc(1, sizeof(BM)));
  if (!bm) return nullptr;
  bm->w = w;
  bm->h = h;
  bm->bpp = bpp;
  bm->cmapn = cmapn < 0 ? 0 : cmapn > 256 ? 256 : cmapn;
  size_t bytes = pixelCount(bm) * bpp;
  if (bytes) {
    // A fresh zeroed block costs no clearing pass of its own.
    bm->buf = static_cast<uint8_t*>(pixels ? bigMalloc(bytes) : bigCalloc(bytes));
    if (!bm->buf) {
      std::printf("bmNew:メモリが足りません:%d x %d x %d\n", w, h, bpp);
      std::free(bm);
      return nullptr;
    }
    if (pixels) std::memcpy(bm->buf, pixels, bytes);
  }
  if (cmap)
    std::memcpy(bm->cmap, cmap, static_cast<size_t>(bm->cmapn) * 4);
  else
    defaultCmap(bm->cmap);
  bm->undo = dbNew(DBT_BIN, sizeof(UNDOHDR), 0, BM_LOGCHUNK);
  return bm;
}

BM* bmDup(const BM* bm) {
  if (!bm) return nullptr;
  BM* copy = bmNew(bm->buf, bm->bpp, bm->w, bm->h, bm->cmap, bm->cmapn);
  if (copy) copy->ftype = bm->ftype;
  return copy;
}

void bmFre(BM* bm) {
  if (!bm) return;
  if (bm->undo) dbFre(bm->undo);
  std::free(bm->buf);
  std::free(bm);
}

uint32_t bmPget(const BM* bm, int x, int y) {
  if (!bm || !inside(bm, x, y)) return 0;
  switch (bm->bpp) {
    case 1:
      return bm->buf[pixelAt(bm, x, y)];
    case 4:
      return load32(bm->buf + pixelAt(bm, x, y) * 4);
    default:
      std::printf("bmPget サポートしていません:%d\n", bm->bpp);
      return 0;
  }
}

uint32_t bmpset(BM* bm, int x, int y, uint32_t value, int raw) {
  // Callers clip; the check only keeps a stray call from writing outside the buffer.
  if (!bm || !inside(bm, x, y)) return 0;
  uint32_t old = 0;
  switch (bm->bpp) {
    case 4: {
      uint8_t* p = bm->buf + pixelAt(bm, x, y) * 4;
      old = load32(p);
      store32(p, value);
      break;
    }
    case 1: {
      uint8_t* p = bm->buf + pixelAt(bm, x, y);
      old = *p;
      if (raw)
        *p = static_cast<uint8_t>(value);
      else
        *p = static_cast<uint8_t>(cmapNear(bm->cmap, rgbaBlend(bm->cmap[old], value)));
      break;
    }
    default:
      std::printf("bmpset サポートしていません:%d\n", bm->bpp);
      break;
  }
  bm->modified = 1;
  return old;
}

uint32_t bmPut(BM* bm, int x, int y, uint32_t value, int raw) {
  if (!bm || !inside(bm, x, y)) return 0;
  uint32_t old = bmpset(bm, x, y, value, raw);
  if (supported(bm->bpp)) {
    UNDOHDR hdr = {UNDO_LINE, x, y, x, y, 1};
    if (uint8_t* saved = bmLogAdd(bm, hdr, static_cast<uint32_t>(bm->bpp))) {
      if (bm->bpp == 1)
        *saved = static_cast<uint8_t>(old);
      else
        store32(saved, old);
    }
  }
  return old;
}

int bmNear(const BM* bm, const void* rgba) {
  if (!bm || !rgba) return 0;
  const auto* c = static_cast<const uint8_t*>(rgba);
  return cmapNear(bm->cmap, rgbaMake(c[0], c[1], c[2], c[3]));
}

int bmNear(const BM* bm, uint32_t rgba) { return bm ? cmapNear(bm->cmap, rgba) : 0; }

uint32_t bmPenRgb(const BM* bm) { return bm ? bm->cmap[bm->pen & 255] & 0xffffff : 0; }

int rectGet(void* dst, const void* src, int sw, int sh, int x, int y, int w, int h, int bpp) {
  if (!dst || w <= 0 || h <= 0 || bpp <= 0) return 0;
  auto* d = static_cast<uint8_t*>(dst);
  auto* s = static_cast<const uint8_t*>(src);
  std::memset(d, 0, static_cast<size_t>(w) * h * bpp);
  Overlap o;
  if (!s || !overlap(sw, sh, x, y, w, h, o)) return 0;
  size_t run = static_cast<size_t>(o.x1 - o.x0) * bpp;
  for (int64_t yy = o.y0; yy < o.y1; yy++)
    std::memcpy(d + ((yy - y) * w + (o.x0 - x)) * bpp, s + (yy * sw + o.x0) * bpp, run);
  return 1;
}

int rectPut(const void* src, void* dst, int dw, int dh, int x, int y, int w, int h, int bpp) {
  if (!src || !dst || w <= 0 || h <= 0 || bpp <= 0) return 0;
  auto* d = static_cast<uint8_t*>(dst);
  auto* s = static_cast<const uint8_t*>(src);
  Overlap o;
  if (!overlap(dw, dh, x, y, w, h, o)) return 0;
  size_t run = static_cast<size_t>(o.x1 - o.x0) * bpp;
  for (int64_t yy = o.y0; yy < o.y1; yy++)
    std::memcpy(d + (yy * dw + o.x0) * bpp, s + ((yy - y) * w + (o.x0 - x)) * bpp, run);
  return 1;
}

void bmCmapCopy(BM* dst, const BM* src) {
  if (dst && src) std::memcpy(dst->cmap, src->cmap, sizeof dst->cmap);
}

BM* bmCrop(const BM* bm, int x, int y, int w, int h) {
  if (!bm) return nullptr;
  BM* q = bmNew(nullptr, bm->bpp, w, h, bm->cmap, bm->cmapn);
  if (!q) return nullptr;
  bmCmapCopy(q, bm);
  q->pen = bm->pen;
  rectGet(q->buf, bm->buf, bm->w, bm->h, x, y, w, h, bm->bpp);
  return q;
}

BM* bmAdapt(const BM* target, const BM* src) {
  if (!target || !src || !supported(src->bpp)) return nullptr;
  BM* q = bmNew(nullptr, target->bpp, src->w, src->h, target->cmap, target->cmapn);
  if (!q) return nullptr;
  bmCmapCopy(q, target);
  size_t n = pixelCount(src);
  if (target->bpp == 1 && src->bpp == 1) {
    if (std::memcmp(target->cmap, src->cmap, sizeof target->cmap) == 0) {
      if (n) std::memcpy(q->buf, src->buf, n);
    } else {
      uint8_t table[256];
      for (int i = 0; i < 256; i++)
        table[i] = static_cast<uint8_t>(cmapNear(target->cmap, src->cmap[i]));
      for (size_t i = 0; i < n; i++) q->buf[i] = table[src->buf[i]];
    }
  } else if (target->bpp == 1) {
    NearCache nearest(target->cmap);
    for (size_t i = 0; i < n; i++) q->buf[i] = nearest.find(load32(src->buf + i * 4));
  } else if (src->bpp == 4) {
    if (n) std::memcpy(q->buf, src->buf, n * 4);
  } else {
    for (size_t i = 0; i < n; i++) store32(q->buf + i * 4, src->cmap[src->buf[i]]);
  }
  return q;
}

void bmPaste(BM* target, const BM* src, int x, int y, int transparent) {
  if (!target || !src || !supported(target->bpp) || !supported(src->bpp)) return;
  // The far corner is logged as a 32-bit value; a paste that far away touches nothing.
  if (int64_t(x) + src->w > INT32_MAX || int64_t(y) + src->h > INT32_MAX) return;
  if (target->undo) bmLogRect(target, x, y, src->w, src->h);
  BM* q;
  if (target->bpp == 1 && src->bpp == 4) {
    q = bmCrop(target, x, y, src->w, src->h);
    if (q) blendIntoIndices(q, src, target->cmap);
  } else {
    q = bmAdapt(target, src);
  }
  if (!q) return;
  if (target->bpp == 1)
    pasteIndices(target, q, x, y, transparent);
  else
    pasteColours(target, q, x, y, transparent);
  bmFre(q);
  target->modified = 1;
}
