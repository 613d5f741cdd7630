#include "tools/airbrush.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kDotsPerEvent = 16;

// Sum of 12 uniform terms over [-size/2, size/2], divided by 6: about
// Gaussian with a standard deviation of size / 6.
double sprayOffset(int airsize, const AirRandom& rnd) {
  int sum = 0;
  for (int k = 0; k < 12; k++) sum += rnd() * airsize / 32767 - airsize / 2;
  return sum / 6.0;
}

void sprayDots(BM* bm, double px, double py, int airsize, const AirRandom& rnd) {
  for (int i = 0; i < kDotsPerEvent; i++) {
    const double dx = sprayOffset(airsize, rnd);
    const double dy = sprayOffset(airsize, rnd);
    bmPut(bm, static_cast<int>(px + dx), static_cast<int>(py + dy), bm->pen & 0xff, 1);
  }
}

// Adds (sign 1) or subtracts (sign -1) the pattern's alpha-weighted colour.
void shiftByPattern(BM* crop, const BM* pattern, int sign) {
  const size_t n = static_cast<size_t>(crop->w) * crop->h;
  for (size_t i = 0; i < n; i++) {
    const uint8_t* p = pattern->buf + i * 4;
    uint8_t* d = crop->buf + i * 4;
    for (int c = 0; c < 3; c++)
      d[c] = static_cast<uint8_t>(std::clamp(d[c] + sign * (p[c] * p[3] / 255), 0, 255));
  }
}

void sprayPattern(BM* bm, double px, double py, int variant, int opaque, const BM* pattern) {
  if (!pattern->buf) return;
  const int x = static_cast<int>(px - pattern->w / 2);
  const int y = static_cast<int>(py - pattern->h / 2);
  if (variant == AIR_PLAIN) {
    bmPaste(bm, pattern, x, y, !opaque);
    return;
  }
  BM* crop = bmCrop(bm, x, y, pattern->w, pattern->h);
  if (!crop) return;
  shiftByPattern(crop, pattern, variant == AIR_LIGHTEN ? 1 : -1);
  bmPaste(bm, crop, x, y, !opaque);
  bmFre(crop);
}

}  // namespace

BM* airPattern(int n, uint32_t c) {
  if (n < 0) n = 0;
  BM* bm = bmNew(nullptr, 4, n, n, nullptr, 256);
  if (!bm || !n) return bm;
  const double norm = 1 / std::sqrt(2 * kPi) / 0.398942;
  for (int r = 0; r < n; r++)
    for (int col = 0; col < n; col++) {
      const double u = static_cast<double>(col - n / 2) * 8 / n;
      const double v = static_cast<double>(r - n / 2) * 8 / n;
      const double d2 = u * u + v * v;
      if (d2 >= 64) continue;
      const uint32_t a = static_cast<uint32_t>(std::exp(-d2 / 2) * norm * rgbaA(c)) & 0xff;
      const uint32_t px = rgbaMake(rgbaR(c), rgbaG(c), rgbaB(c), a);
      std::memcpy(bm->buf + (static_cast<size_t>(r) * n + col) * 4, &px, 4);
    }
  return bm;
}

void airCacheFree(AIRCACHE* cache) {
  bmFre(cache->pattern);
  *cache = AIRCACHE();
}

void airSprayStep(BM* bm, double px, double py, int variant, int airsize, int opaque,
                  AIRCACHE* cache, const AirRandom& rnd) {
  if (!bm || (bm->bpp != 1 && bm->bpp != 4)) return;
  const uint32_t color = bm->cmap[bm->pen & 0xff];
  if (!cache->pattern || cache->color != color || cache->size != airsize) {
    bmFre(cache->pattern);
    cache->pattern = airPattern(airsize, color);
    cache->color = color;
    cache->size = airsize;
  }
  if (bm->bpp == 1)
    sprayDots(bm, px, py, airsize, rnd);
  else if (cache->pattern)
    sprayPattern(bm, px, py, variant, opaque, cache->pattern);
}
