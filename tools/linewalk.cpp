#include "tools/linewalk.h"

#include <cstring>

#include "image/bmlog.h"

namespace {

enum : int { kLeft = 1, kRight = 2, kTop = 4, kBottom = 8 };

struct End {
  int64_t x, y;
  int code;
};

int outcode(int64_t x, int64_t y, int w, int h) {
  return (x < 0 ? kLeft : 0) | (x > w - 1 ? kRight : 0) | (y < 0 ? kTop : 0) |
         (y > h - 1 ? kBottom : 0);
}

// Moves p onto the side `bound` of the coordinate selected by `vertical`
// (x for left and right, y for top and bottom), interpolating the other
// coordinate toward q with truncating division. 64-bit so far-away ends
// cannot overflow; the result lies between p and q, so it fits again.
void moveOnto(End& p, const End& q, bool vertical, int64_t bound, int w, int h) {
  if (!vertical) {
    p.y = p.y + (q.y - p.y) * (bound - p.x) / (q.x - p.x);
    p.x = bound;
  } else {
    p.x = p.x + (q.x - p.x) * (bound - p.y) / (q.y - p.y);
    p.y = bound;
  }
  p.code = outcode(p.x, p.y, w, h);
}

// Cohen-Sutherland, each side once in the order left, right, top, bottom.
bool clip(End& a, End& b, int w, int h) {
  if (a.code & b.code) return false;
  const int sides[4] = {kLeft, kRight, kTop, kBottom};
  for (int side : sides) {
    bool vertical = side == kTop || side == kBottom;
    int64_t bound = side == kLeft || side == kTop ? 0 : side == kRight ? w - 1 : h - 1;
    if (a.code & side)
      moveOnto(a, b, vertical, bound, w, h);
    else if (b.code & side)
      moveOnto(b, a, vertical, bound, w, h);
    else
      continue;
    if (a.code & b.code) return false;
  }
  return true;
}

}  // namespace

int lineWalk(int w, int h, int x0, int y0, int x1, int y1, int incend, std::vector<LWPOINT>& pts) {
  pts.clear();
  if (w <= 0 || h <= 0) return 0;
  End a = {x0, y0, outcode(x0, y0, w, h)};
  End b = {x1, y1, outcode(x1, y1, w, h)};
  if (!clip(a, b, w, h)) return 0;
  int dx = static_cast<int>(b.x - a.x), dy = static_cast<int>(b.y - a.y);
  int stepx = dx < 0 ? -1 : 1, stepy = dy < 0 ? -1 : 1;
  int adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  bool xmajor = ady < adx;  // a 45 degree line is y-major
  int major = xmajor ? adx : ady, minor = xmajor ? ady : adx;
  int n = major + (incend ? 1 : 0);
  pts.reserve(n);
  int x = static_cast<int>(a.x), y = static_cast<int>(a.y);
  int err = major >> 1;
  for (int i = 0; i < n; i++) {
    pts.push_back({x, y});
    bool minorstep = err - minor < 0;
    if (xmajor || minorstep) x += stepx;
    if (!xmajor || minorstep) y += stepy;
    err = err - minor + (minorstep ? major : 0);
  }
  return n;
}

std::vector<LWPOINT> lineWalk(int w, int h, int x0, int y0, int x1, int y1, int incend) {
  std::vector<LWPOINT> pts;
  lineWalk(w, h, x0, y0, x1, y1, incend, pts);
  return pts;
}

void lineDraw(BM* bm, int x0, int y0, int x1, int y1, int incend, uint32_t value, int raw) {
  if (!bm) return;
  std::vector<LWPOINT> pts;
  int n = lineWalk(bm->w, bm->h, x0, y0, x1, y1, incend, pts);
  if (n <= 0) return;
  int bpp = bm->bpp == 1 || bm->bpp == 4 ? bm->bpp : 0;
  uint8_t* saved = nullptr;
  if (bpp) {
    UNDOHDR hdr = {UNDO_LINE, x0, y0, x1, y1, incend ? 1 : 0};
    saved = bmLogAdd(bm, hdr, static_cast<uint32_t>(n) * bpp);
  }
  for (int i = 0; i < n; i++) {
    uint32_t old = bmpset(bm, pts[i].x, pts[i].y, value, raw);
    if (!saved) continue;
    if (bpp == 1)
      saved[i] = static_cast<uint8_t>(old);
    else
      std::memcpy(saved + i * 4, &old, 4);
  }
}
