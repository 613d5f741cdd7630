#include "std/viewmath.h"

#include <algorithm>
#include <cmath>
#include <cstring>

VIEWXF viewXform(const VIEW& v, int w, int h) {
  double s = std::min(w, h) * v.zoom;
  VIEWXF t;
  t.sx = s;
  t.ox = w / 2.0 - s * v.cx;
  if (v.ydown) {
    t.sy = s;
    t.oy = h / 2.0 - s * v.cy;
  } else {
    t.sy = -s;
    t.oy = h / 2.0 + s * v.cy;
  }
  return t;
}

void viewFit(VIEW* v, double x0, double y0, double x1, double y1) {
  double m = std::min(x1 - x0, y1 - y0);
  if (m > 0) v->zoom = 1.0 / m;
  v->cx = x0 + (x1 - x0) / 2;
  v->cy = y0 + (y1 - y0) / 2;
}

void viewSetScale(VIEW* v, double p, int w, int h) {
  int m = std::min(w, h);
  // A window without client area has no scale to set.
  if (m > 0 && p > 0) v->zoom = p / m;
}

void viewWheel(VIEW* v, int delta) { v->zoom *= delta < 0 ? 0.9090909090909091 : 1.1; }

void viewPan(VIEW* v, int dx, int dy, int w, int h) {
  double s = v->zoom * std::min(w, h);
  if (s <= 0) return;
  v->cx -= dx / s;
  v->cy = v->ydown ? v->cy - dy / s : v->cy + dy / s;
}

static int clampInto(int v, int lo, int hi) {
  if (v > hi) return hi;
  if (v < lo) return lo;
  return v;
}

static int truncInt(double v) {
  // Keep far-away views from overflowing the conversion.
  if (!(v > -2e9)) return -2000000000;
  if (!(v < 2e9)) return 2000000000;
  return static_cast<int>(v);
}

bool gridSpan(const VIEWXF& t, int cw, int ch, int x0, int y0, int x1, int y1, int stepx, int stepy,
              GRIDSPAN* out) {
  if (stepx < 1 || stepy < 1 || t.sx == 0 || t.sy == 0) return false;
  int gx = truncInt(xformWorldX(t, 0)) / stepx * stepx;
  int gy = truncInt(xformWorldY(t, 0)) / stepy * stepy;
  int64_t ex = int64_t(truncInt(xformWorldX(t, cw))) + stepx;
  int64_t ey = int64_t(truncInt(xformWorldY(t, ch))) + stepy;
  out->gx = clampInto(gx, x0, x1);
  out->gy = clampInto(gy, y0, y1);
  out->ex = clampInto(static_cast<int>(std::min<int64_t>(ex, x1)), x0, x1);
  out->ey = clampInto(static_cast<int>(std::min<int64_t>(ey, y1)), y0, y1);
  return true;
}

std::vector<POPUPITEM> popupLayout(const char* items) {
  std::vector<POPUPITEM> out;
  if (!items) return out;
  const char* p = items;
  size_t longest = 0;
  while (*p) {
    while (*p == ' ' || *p == '\t') p++;
    if (!*p) break;
    const char* start = p;
    while (*p && *p != ' ' && *p != '\t') p++;
    size_t len = std::min<size_t>(p - start, 255);
    POPUPITEM it{};
    it.text.assign(start, len);
    it.index = static_cast<int>(out.size());
    longest = std::max(longest, len);
    out.push_back(it);
  }
  int w = 7 * static_cast<int>(longest) + 12;
  for (POPUPITEM& it : out) {
    it.x = 2;
    it.y = 4 + 16 * it.index;
    it.w = w;
    it.h = 16;
  }
  return out;
}

void popupClientSize(const std::vector<POPUPITEM>& items, int* w, int* h) {
  size_t longest = 0;
  for (const POPUPITEM& it : items) longest = std::max(longest, it.text.size());
  *w = 7 * static_cast<int>(longest) + 16;
  *h = 4 + 16 * static_cast<int>(items.size()) + 4;
}

int popupHit(const std::vector<POPUPITEM>& items, int x, int y) {
  for (const POPUPITEM& it : items)
    if (x >= it.x && x < it.x + it.w && y >= it.y && y < it.y + it.h) return it.index;
  return -1;
}
