#include "tools/shapes.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "tools/drawcolor.h"
#include "tools/linewalk.h"

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr int kMaxEdges = 1 << 20;
}  // namespace

namespace {

// Truncation toward zero, held inside the int range.
int truncInt(double v) {
  return static_cast<int>(std::clamp(v, double(INT32_MIN), double(INT32_MAX)));
}

void penLine(BM* bm, int x0, int y0, int x1, int y1, int incend) {
  lineDraw(bm, x0, y0, x1, y1, incend, drawValue(bm), drawRaw(bm));
}

}  // namespace

void rectDraw(BM* bm, int x0, int y0, int x1, int y1) {
  penLine(bm, x0, y0, x1 - 1, y0, 0);
  penLine(bm, x1 - 1, y0, x1 - 1, y1 - 1, 0);
  penLine(bm, x1 - 1, y1 - 1, x0, y1 - 1, 0);
  penLine(bm, x0, y1 - 1, x0, y0, 0);
}

void ellipseDraw(BM* bm, int cx, int cy, int rx, int ry) {
  const double rxd = rx, ryd = ry;
  // Radii far beyond any image would ask for more edges than an int holds.
  const double edges = std::min(std::sqrt(rxd * rxd + ryd * ryd), double(kMaxEdges));
  int n = static_cast<int>(edges);
  if (n == 0) n = 4;
  int px = 0, py = 0;
  for (int i = 0; i <= n; i++) {
    const double angle = i * 2 * kPi / n;
    const int x = truncInt(cx + rxd * std::cos(angle));
    const int y = truncInt(cy + ryd * std::sin(angle));
    if (i > 0) penLine(bm, px, py, x, y, 1);
    px = x;
    py = y;
  }
}

double bspline(double t, double p0, double p1, double p2) {
  return (1 - t) * (1 - t) / 2 * p0 + (t * (1 - t) + 0.5) * p1 + t * t / 2 * p2;
}

std::vector<int32_t> bsplineSample(const int32_t* xy, int n) {
  std::vector<int32_t> out;
  if (n < 1) return out;
  // End points doubled so that the curve starts at the first point.
  std::vector<int32_t> ext;
  ext.reserve(2 * (n + 2));
  ext.insert(ext.end(), xy, xy + 2);
  ext.insert(ext.end(), xy, xy + 2 * n);
  ext.insert(ext.end(), xy + 2 * (n - 1), xy + 2 * n);
  out.reserve(static_cast<size_t>(32) * n);
  for (int i = 0; i < 16 * n; i++) {
    const int s = i / 16;
    const double t = (i % 16) * 0.0625;
    const int32_t* p = &ext[2 * s];
    out.push_back(static_cast<int32_t>(bspline(t, p[0], p[2], p[4])));
    out.push_back(static_cast<int32_t>(bspline(t, p[1], p[3], p[5])));
  }
  return out;
}

void polylineDraw(BM* bm, const int32_t* xy, int n) {
  for (int i = 1; i < n; i++)
    penLine(bm, xy[2 * i - 2], xy[2 * i - 1], xy[2 * i], xy[2 * i + 1], 1);
}

void bsplineDraw(BM* bm, const int32_t* xy, int n) {
  const std::vector<int32_t> s = bsplineSample(xy, n);
  polylineDraw(bm, s.data(), static_cast<int>(s.size() / 2));
}

void polyDraw(BM* bm, DB* pts, int curve) {
  std::vector<int32_t> xy;
  for (void* p = dbTop(pts); p; p = dbNxt(p)) {
    if (dbDatLen(p) < 8) continue;
    int32_t v[2];
    std::memcpy(v, p, sizeof v);
    xy.push_back(v[0]);
    xy.push_back(v[1]);
  }
  const int n = static_cast<int>(xy.size() / 2);
  if (n < 2) return;
  if (curve)
    bsplineDraw(bm, xy.data(), n);
  else
    polylineDraw(bm, xy.data(), n);
}
