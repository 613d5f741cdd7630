#include "tools/warp.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tools/region.h"

namespace {

constexpr int kMaxCoord = 1 << 24;

struct Vec {
  double x, y;
};

Vec sub(Vec a, Vec b) { return Vec{a.x - b.x, a.y - b.y}; }
double dist(Vec a, Vec b) { return std::hypot(a.x - b.x, a.y - b.y); }

// Intersection of lines AB and CD; false when they are parallel.
bool meet(Vec a, Vec b, Vec c, Vec d, Vec* out) {
  const double r = (b.x - a.x) * (d.y - c.y) - (b.y - a.y) * (d.x - c.x);
  if (r == 0) return false;
  const double m = ((d.y - c.y) * (c.x - a.x) + (d.x - c.x) * (a.y - c.y)) / r;
  *out = Vec{a.x + m * (b.x - a.x), a.y + m * (b.y - a.y)};
  return true;
}

double lerp(double p, double q, double t) { return p * (1 - t) + q * t; }

// Projective interpolation toward the vanishing coordinate v.
double proj(double v, double p, double q, double t) {
  if (v == p || v == q || p == q) return lerp(p, q, t);
  const double den = (1 - t) / (p - v) + t / (q - v);
  if (den == 0) return lerp(p, q, t);
  return v + 1 / den;
}

Vec corner(const QUADMAP& q, int i) { return Vec{q.px[i], q.py[i]}; }

// Parameter of point c on edge p0-p1, inverting the interpolation of quadMap.
double edgeParam(Vec p0, Vec p1, Vec c, bool hasV, Vec v) {
  if (hasV) {
    const double a = dist(p0, v), b = dist(p1, v), e = dist(c, v);
    const double den = e * (a - b);
    return den == 0 ? 0 : b * (a - e) / den;
  }
  const double len = dist(p1, p0);
  return len == 0 ? 0 : dist(c, p0) / len;
}

// (s, t) that quadMap sends onto point x.
void unmap(const QUADMAP& q, Vec x, double* s, double* t) {
  const Vec p0 = corner(q, 0), p1 = corner(q, 1), p3 = corner(q, 3);
  const Vec v1{q.v1x, q.v1y}, v2{q.v2x, q.v2y};
  const Vec d1 = q.hasV1 ? sub(v1, x) : sub(p3, p0);
  const Vec d2 = q.hasV2 ? sub(v2, x) : sub(p1, p0);
  Vec c, a;
  *s = meet(x, Vec{x.x + d1.x, x.y + d1.y}, p0, p1, &c) ? edgeParam(p0, p1, c, q.hasV2, v2) : 0;
  *t = meet(x, Vec{x.x + d2.x, x.y + d2.y}, p0, p3, &a) ? edgeParam(p0, p3, a, q.hasV1, v1) : 0;
}

void copyPixel(BM* dst, int dx, int dy, const BM* src, int sx, int sy) {
  const size_t bpp = static_cast<size_t>(src->bpp);
  std::memcpy(dst->buf + (static_cast<size_t>(dy) * dst->w + dx) * bpp,
              src->buf + (static_cast<size_t>(sy) * src->w + sx) * bpp, bpp);
}

// Left and right ends of row y over the quadrilateral's edges; false when the
// row misses it.
bool rowSpan(const QPOINT* p, double y, double* left, double* right) {
  bool any = false;
  for (int i = 0; i < 4; i++) {
    const QPOINT a = p[i], b = p[(i + 1) % 4];
    if (y < std::min(a.y, b.y) || y > std::max(a.y, b.y)) continue;
    const double x = a.y == b.y ? std::min(a.x, b.x) : a.x + (b.x - a.x) * (y - a.y) / (b.y - a.y);
    const double x2 = a.y == b.y ? std::max(a.x, b.x) : x;
    *left = any ? std::min(*left, x) : x;
    *right = any ? std::max(*right, x2) : x2;
    any = true;
  }
  return any;
}

// Scan-converts the quadrilateral p into dst, sampling src through unmap.
void renderQuad(BM* dst, const QPOINT* p, const BM* src) {
  QPOINT pts[4];
  std::copy(p, p + 4, pts);
  const QUADMAP q = quadMapMake(pts);
  int top = pts[0].y, bottom = pts[0].y;
  for (const QPOINT& c : pts) top = std::min(top, c.y), bottom = std::max(bottom, c.y);
  for (int y = std::max(top, 0); y <= std::min(bottom, dst->h - 1); y++) {
    double l, r;
    if (!rowSpan(pts, y, &l, &r)) continue;
    for (int x = std::max(static_cast<int>(l), 0); x < std::min(static_cast<int>(r), dst->w); x++) {
      double s, t;
      unmap(q, Vec{double(x), double(y)}, &s, &t);
      const int sx = std::clamp(static_cast<int>(src->w * s), 0, src->w - 1);
      const int sy = std::clamp(static_cast<int>(src->h * t), 0, src->h - 1);
      copyPixel(dst, x, y, src, sx, sy);
    }
  }
}

BM* blankLike(const BM* src, int w, int h) {
  if (static_cast<int64_t>(w) * h > BM_MAXPIXELS) return nullptr;
  BM* out = bmNew(nullptr, src->bpp, w, h, src->cmap, src->cmapn);
  bmCmapCopy(out, src);
  return out;
}

}  // namespace

QUADMAP quadMapMake(const QPOINT pts[4]) {
  QUADMAP q{};
  for (int i = 0; i < 4; i++) q.px[i] = pts[i].x, q.py[i] = pts[i].y;
  Vec v;
  q.hasV1 = meet(corner(q, 1), corner(q, 2), corner(q, 0), corner(q, 3), &v);
  if (q.hasV1) q.v1x = v.x, q.v1y = v.y;
  q.hasV2 = meet(corner(q, 0), corner(q, 1), corner(q, 3), corner(q, 2), &v);
  if (q.hasV2) q.v2x = v.x, q.v2y = v.y;
  return q;
}

QPOINT quadMap(const QUADMAP& q, double s, double t) {
  double l[2], r[2];
  const double v1[2] = {q.v1x, q.v1y}, v2[2] = {q.v2x, q.v2y};
  const double* cx[2] = {q.px, q.py};
  int out[2];
  for (int k = 0; k < 2; k++) {
    const double* c = cx[k];
    l[k] = q.hasV1 ? proj(v1[k], c[0], c[3], t) : lerp(c[0], c[3], t);
    r[k] = q.hasV1 ? proj(v1[k], c[1], c[2], t) : lerp(c[1], c[2], t);
    out[k] = static_cast<int>(q.hasV2 ? proj(v2[k], l[k], r[k], s) : lerp(l[k], r[k], s));
  }
  return QPOINT{out[0], out[1]};
}

BM* warpFwd(const QPOINT pts[4], const BM* src) {
  if (!src || !src->buf || (src->bpp != 1 && src->bpp != 4)) return nullptr;
  int maxX = 0, maxY = 0;
  for (int i = 0; i < 4; i++) {
    // Far-off points (the product of four times them must stay an int).
    if (std::abs(pts[i].x) > kMaxCoord || std::abs(pts[i].y) > kMaxCoord) return nullptr;
    maxX = std::max(maxX, pts[i].x), maxY = std::max(maxY, pts[i].y);
  }
  if (maxX <= 0 || maxY <= 0) return nullptr;
  BM* out = blankLike(src, maxX, maxY);
  if (!out) return nullptr;
  // Direct colour renders at four times the size and averages down; when that
  // is too large it renders at size 1 like an indexed source.
  BM* big = src->bpp == 4 ? blankLike(src, 4 * maxX, 4 * maxY) : nullptr;
  if (!big) {
    renderQuad(out, pts, src);
    return out;
  }
  QPOINT p4[4];
  for (int i = 0; i < 4; i++) p4[i] = QPOINT{4 * pts[i].x, 4 * pts[i].y};
  renderQuad(big, p4, src);
  resample(out, big);
  bmFre(big);
  return out;
}

BM* warpInv(const QUADMAP& q, const BM* src, int w, int h) {
  if (!src || w <= 0 || h <= 0 || (src->bpp != 1 && src->bpp != 4)) return nullptr;
  BM* out = blankLike(src, w, h);
  if (!out) return nullptr;
  // Sampled four times per axis; a rectangle too large for that is sampled
  // once per pixel instead of failing.
  BM* big = blankLike(src, 4 * w, 4 * h);
  BM* canvas = big ? big : out;
  for (int i = 0; i < canvas->h; i++)
    for (int j = 0; j < canvas->w; j++) {
      const QPOINT uv = quadMap(q, double(j) / canvas->w, double(i) / canvas->h);
      if (uv.x >= 0 && uv.y >= 0 && uv.x < src->w && uv.y < src->h)
        copyPixel(canvas, j, i, src, uv.x, uv.y);
    }
  if (big) resample(out, big);
  bmFre(big);
  return out;
}
