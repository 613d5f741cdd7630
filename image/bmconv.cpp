#include "image/bmconv.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "image/bmlog.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kSector = kPi / 3;

size_t pixelCount(const BM* bm) { return static_cast<size_t>(bm->w) * bm->h; }

uint8_t channelOf(uint32_t rgba, int channel) {
  return static_cast<uint8_t>(rgba >> (8 * channel));
}

}  // namespace

int bmDirect(BM* bm) {
  if (!bm || bm->bpp != 1) return 1;
  size_t n = pixelCount(bm);
  uint8_t* colours = nullptr;
  if (n) {
    colours = static_cast<uint8_t*>(std::malloc(n * 4));
    if (!colours) return 0;
    for (size_t i = 0; i < n; i++) std::memcpy(colours + i * 4, &bm->cmap[bm->buf[i]], 4);
  }
  std::free(bm->buf);
  bm->buf = colours;
  bm->bpp = 4;
  return 1;
}

int bmGray(BM* bm) {
  if (!bm || (bm->bpp != 1 && bm->bpp != 4)) return 0;
  size_t n = pixelCount(bm);
  uint8_t* grey = nullptr;
  if (bm->bpp == 4 && n) {
    grey = static_cast<uint8_t*>(std::malloc(n));
    if (!grey) return 0;
  }
  bmLogCmap(bm);
  bmLogImage(bm);
  if (bm->bpp == 1) {
    for (size_t i = 0; i < n; i++) bm->buf[i] = static_cast<uint8_t>(rgbaG(bm->cmap[bm->buf[i]]));
  } else {
    for (size_t i = 0; i < n; i++) grey[i] = bm->buf[i * 4 + 1];
    std::free(bm->buf);
    bm->buf = grey;
  }
  for (uint32_t i = 0; i < 256; i++) bm->cmap[i] = rgbaMake(i, i, i, 255);
  bm->cmap[0] = 0;
  bm->bpp = 1;
  return 1;
}

BM* bmBinar(const BM* bm, int channel, int threshold) {
  if (!bm || channel < 0 || channel > 3 || (bm->bpp != 1 && bm->bpp != 4)) return nullptr;
  const uint32_t blackWhite[2] = {rgbaMake(0, 0, 0, 255), rgbaMake(255, 255, 255, 255)};
  BM* out = bmNew(nullptr, 1, bm->w, bm->h, blackWhite, 2);
  if (!out) return nullptr;
  size_t n = pixelCount(bm);
  if (bm->bpp == 4) {
    for (size_t i = 0; i < n; i++) out->buf[i] = bm->buf[i * 4 + channel] >= threshold;
  } else {
    uint8_t table[256] = {};
    for (int i = 0; i < bm->cmapn && i < 256; i++)
      table[i] = channelOf(bm->cmap[i], channel) >= threshold;
    for (size_t i = 0; i < n; i++) out->buf[i] = table[bm->buf[i]];
  }
  return out;
}

void rgb2hsv(double r, double g, double b, double* hue, double* sat, double* val) {
  double v = std::fmax(r, std::fmax(g, b));
  double d = v - std::fmin(r, std::fmin(g, b));
  *val = v;
  if (v == 0 || d == 0) {
    *hue = 0;
    *sat = 0;
    return;
  }
  double rc = (v - r) / d, gc = (v - g) / d, bc = (v - b) / d;
  double k;
  if (r == v)
    k = bc - gc;
  else if (g == v)
    k = 2 + rc - bc;
  else
    k = 4 + gc - rc;
  double h = k * kSector;
  if (h < 0) h += 2 * kPi;
  *hue = h;
  *sat = d / v;
}

void hsv2rgb(double hue, double sat, double val, double* r, double* g, double* b) {
  double sextant = hue / kSector;
  double i = std::floor(sextant);
  double f = sextant - i;
  double p = val * (1 - sat), q = val * (1 - sat * f), t = val * (1 - sat * (1 - f));
  double rgb[3];
  if (i <= 0) {
    rgb[0] = val, rgb[1] = t, rgb[2] = p;
  } else if (i == 1) {
    rgb[0] = q, rgb[1] = val, rgb[2] = p;
  } else if (i == 2) {
    rgb[0] = p, rgb[1] = val, rgb[2] = t;
  } else if (i == 3) {
    rgb[0] = p, rgb[1] = q, rgb[2] = val;
  } else if (i == 4) {
    rgb[0] = t, rgb[1] = p, rgb[2] = val;
  } else {
    rgb[0] = val, rgb[1] = p, rgb[2] = q;
  }
  *r = std::fmin(rgb[0], 1.0);
  *g = std::fmin(rgb[1], 1.0);
  *b = std::fmin(rgb[2], 1.0);
}
