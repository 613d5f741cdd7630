#include "tools/filter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "image/bmconv.h"
#include "tools/drawcolor.h"
#include "tools/linewalk.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

uint32_t getPx(const BM* bm, size_t i) {
  if (bm->bpp == 1) return bm->buf[i];
  uint32_t v;
  std::memcpy(&v, bm->buf + i * 4, 4);
  return v;
}

void setPx(BM* bm, size_t i, uint32_t v) {
  if (bm->bpp == 1)
    bm->buf[i] = static_cast<uint8_t>(v);
  else
    std::memcpy(bm->buf + i * 4, &v, 4);
}

// Index on an indexed image, alpha on a direct one.
uint32_t testValue(const BM* bm, size_t i) {
  return bm->bpp == 1 ? bm->buf[i] : bm->buf[i * 4 + 3];
}

bool hasNeighbour(const BM* bm, int x, int y, bool nonzero) {
  for (int dy = -1; dy <= 1; dy++)
    for (int dx = -1; dx <= 1; dx++) {
      if (!dx && !dy) continue;
      const size_t i = static_cast<size_t>(y + dy) * bm->w + (x + dx);
      if ((testValue(bm, i) != 0) == nonzero) return true;
    }
  return false;
}

// Marks are decided on the unchanged crop, then painted. The outer ring of the
// crop is never changed.
void edgeRule(BM* crop, bool markZero) {
  if (!crop || !crop->buf || (crop->bpp != 1 && crop->bpp != 4)) return;
  const int w = crop->w, h = crop->h;
  std::vector<uint8_t> mark(static_cast<size_t>(w) * h);
  for (int y = 1; y < h - 1; y++)
    for (int x = 1; x < w - 1; x++) {
      const size_t i = static_cast<size_t>(y) * w + x;
      if ((testValue(crop, i) == 0) == markZero && hasNeighbour(crop, x, y, markZero)) mark[i] = 1;
    }
  const uint32_t pen = drawValue(crop);
  for (size_t i = 0; i < mark.size(); i++)
    if (mark[i]) setPx(crop, i, pen);
}

// Rounded, not truncated: 255 x c of an unchanged channel lands a hair below
// the old value about as often as above it.
uint8_t toByte(double c) {
  return static_cast<uint8_t>(std::clamp(static_cast<int>(std::lround(255 * c)), 0, 255));
}

}  // namespace

void boxBlur(BM* crop) {
  if (!crop) return;
  bmDirect(crop);
  if (!crop->buf || crop->bpp != 4) return;
  const int w = crop->w, h = crop->h;
  std::vector<uint8_t> out(static_cast<size_t>(w) * h * 4);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      int sum[4] = {}, count = 0;
      for (int yy = std::max(0, y - 1); yy <= std::min(h - 1, y + 1); yy++)
        for (int xx = std::max(0, x - 1); xx <= std::min(w - 1, x + 1); xx++) {
          const uint8_t* s = crop->buf + (static_cast<size_t>(yy) * w + xx) * 4;
          for (int c = 0; c < 4; c++) sum[c] += s[c];
          count++;
        }
      uint8_t* d = &out[(static_cast<size_t>(y) * w + x) * 4];
      for (int c = 0; c < 4; c++) d[c] = static_cast<uint8_t>(sum[c] / count);
    }
  std::memcpy(crop->buf, out.data(), out.size());
}

void scaleBright(BM* crop, double factor) {
  if (!crop) return;
  bmDirect(crop);
  if (!crop->buf || crop->bpp != 4) return;
  const int k = static_cast<int>(factor * 256);
  const size_t n = static_cast<size_t>(crop->w) * crop->h;
  for (size_t i = 0; i < n; i++)
    for (int c = 0; c < 3; c++) {
      uint8_t& v = crop->buf[i * 4 + c];
      v = static_cast<uint8_t>(std::min(255, (k * v) >> 8));
    }
}

void edgeMark(BM* crop) { edgeRule(crop, true); }

void edgeErode(BM* crop) { edgeRule(crop, false); }

void bevelDraw(BM* bm, int x0, int y0, int x1, int y1, int pull) {
  const uint32_t white = rgbaMake(255, 255, 255, 255), face = rgbaMake(212, 208, 200, 255);
  const uint32_t grey = rgbaMake(128, 128, 128, 255), dark = rgbaMake(64, 64, 64, 255);
  struct Edge {
    int ax, ay, bx, by;
    uint32_t pullColor, pushColor;
  };
  const Edge edges[8] = {
      {x0, y0, x1 - 2, y0, white, grey},
      {x0 + 1, y0 + 1, x1 - 3, y0 + 1, face, dark},
      {x0, y0 + 1, x0, y1 - 2, white, grey},
      {x0 + 1, y0 + 1, x0 + 1, y1 - 2, face, dark},
      {x0 + 1, y1 - 2, x1 - 2, y1 - 2, grey, face},
      {x0, y1 - 1, x1 - 1, y1 - 1, dark, white},
      {x1 - 2, y0 + 1, x1 - 2, y1 - 3, grey, face},
      {x1 - 1, y0, x1 - 1, y1 - 2, dark, white},
  };
  // The colours are RGBA values on both depths: an indexed image stores the
  // nearest colour-map entry.
  for (const Edge& e : edges)
    lineDraw(bm, e.ax, e.ay, e.bx, e.by, 1, pull ? e.pullColor : e.pushColor, 0);
}

uint32_t hsvAdjustColor(uint32_t rgba, unsigned hue, unsigned sat, unsigned val, unsigned alpha) {
  double h, s, v;
  rgb2hsv(rgbaR(rgba) / 255.0, rgbaG(rgba) / 255.0, rgbaB(rgba) / 255.0, &h, &s, &v);
  h += (static_cast<double>(hue) - 100) * kPi / 100;
  if (h < 0) h += 2 * kPi;
  if (h >= 2 * kPi) h -= 2 * kPi;
  s = std::clamp(s * sat / 100, 0.0, 1.0);
  v = std::clamp(v * val / 100, 0.0, 1.0);
  double r, g, b;
  hsv2rgb(h, s, v, &r, &g, &b);
  const uint32_t a = rgbaA(rgba) == 0 ? 0 : std::min(255u, alpha * 255u / 100u);
  return rgbaMake(toByte(r), toByte(g), toByte(b), a);
}

BM* hsvAdjust(const BM* crop, unsigned hue, unsigned sat, unsigned val, unsigned alpha) {
  BM* copy = bmDup(crop);
  if (!copy) return nullptr;
  copy->pen = crop->pen;
  if (copy->bpp == 1) {
    // bmDup keeps only the first cmapn entries; convert the source's whole map.
    for (int i = 0; i < 256; i++)
      copy->cmap[i] = hsvAdjustColor(crop->cmap[i], hue, sat, val, alpha);
    copy->cmapn = 256;
  } else if (copy->bpp == 4 && copy->buf) {
    const size_t n = static_cast<size_t>(copy->w) * copy->h;
    for (size_t i = 0; i < n; i++)
      setPx(copy, i, hsvAdjustColor(getPx(copy, i), hue, sat, val, alpha));
  }
  return copy;
}

void filterRegion(BM* bm, int x0, int y0, int x1, int y1, const std::function<void(BM*)>& fn) {
  if (x0 > x1) std::swap(x0, x1);
  if (y0 > y1) std::swap(y0, y1);
  BM* crop = bmCrop(bm, x0, y0, x1 - x0, y1 - y0);
  if (!crop) return;
  fn(crop);
  bmPaste(bm, crop, x0, y0, 0);
  bmFre(crop);
}
