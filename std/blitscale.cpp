#include "std/blitscale.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Truncation toward zero that stays inside int range for far-away views.
int64_t truncWin(double v) {
  if (!(v > -4e9)) return -4000000000LL;
  if (!(v < 4e9)) return 4000000000LL;
  return static_cast<int64_t>(v);
}

int64_t ceilWin(double v) {
  if (!(v > -4e9)) return -4000000000LL;
  if (!(v < 4e9)) return 4000000000LL;
  return static_cast<int64_t>(std::ceil(v));
}

// Largest scaled block side we agree to describe; beyond it the view is
// nonsense (billions of pixels per image pixel) and nothing is drawn.
constexpr int64_t kMaxSide = int64_t(1) << 30;

template <typename Pixel>
void gatherRow(const uint8_t* srow, const uint32_t* cols, int vw, uint8_t* drow) {
  for (int i = 0; i < vw; i++)
    std::memcpy(drow + i * sizeof(Pixel), srow + size_t(cols[i]) * sizeof(Pixel), sizeof(Pixel));
}

// R, G, B, A -> B, G, R, 0 on the way.
void gatherRowDevice(const uint8_t* srow, const uint32_t* cols, int vw, uint8_t* drow) {
  for (int i = 0; i < vw; i++) {
    const uint8_t* s = srow + size_t(cols[i]) * 4;
    uint8_t* d = drow + size_t(i) * 4;
    d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = 0;
  }
}

// Indices through a table of device colours.
void gatherRowTable(const uint8_t* srow, const uint32_t* cols, int vw, uint8_t* drow,
                    const uint32_t* table) {
  for (int i = 0; i < vw; i++) std::memcpy(drow + size_t(i) * 4, &table[srow[cols[i]]], 4);
}

// The scaling loop of blitScale; gather(source row, columns, vw, out row)
// makes one row of rowBytes bytes.
template <class Gather>
void scaleRows(const uint8_t* src, size_t srcStride, const BLITPLAN& p, uint8_t* out, size_t stride,
               size_t rowBytes, Gather gather) {
  if (p.vw <= 0 || p.vh <= 0 || p.DW <= 0 || p.DH <= 0 || p.n <= 0 || p.m <= 0) return;
  int64_t stepx = (int64_t(p.n) << 16) / p.DW;
  int64_t stepy = (int64_t(p.m) << 16) / p.DH;
  // Source column of every visible destination column, computed once.
  std::vector<uint32_t> cols(p.vw);
  int64_t acc = int64_t(p.vx) * stepx;
  for (int i = 0; i < p.vw; i++, acc += stepx) cols[i] = uint32_t(acc >> 16);
  int64_t accy = int64_t(p.vy) * stepy, prev = -1;
  const uint8_t* prevRow = nullptr;
  for (int j = 0; j < p.vh; j++, accy += stepy) {
    int64_t sr = accy >> 16;
    uint8_t* drow = out + size_t(j) * stride;
    if (sr == prev) {
      // Magnified rows repeat: copy the row just made.
      std::memcpy(drow, prevRow, rowBytes);
    } else {
      gather(src + size_t(sr) * srcStride, cols.data(), p.vw, drow);
      prev = sr;
    }
    prevRow = drow;
  }
}

}  // namespace

bool blitPlan(const VIEWXF& t, int tw, int th, int w, int h, double wx, double wy, BLITPLAN* p) {
  *p = BLITPLAN{};
  if (w <= 0 || h <= 0 || tw <= 0 || th <= 0 || t.sx == 0 || t.sy == 0) return false;
  double left = xformWinX(t, wx), top = xformWinY(t, wy);
  double right = xformWinX(t, wx + w), bottom = xformWinY(t, wy + h);
  double l = std::max(left, 0.0), tp = std::max(top, 0.0);
  double r = std::min(right, double(tw)), b = std::min(bottom, double(th));
  int64_t c0 = truncWin(xformWorldX(t, l) - wx);
  int64_t r0 = truncWin(xformWorldY(t, tp) - wy);
  int64_t c1 = ceilWin(xformWorldX(t, r) - wx - 0.0001);
  int64_t r1 = ceilWin(xformWorldY(t, b) - wy - 0.0001);
  int64_t n = c1 - c0, m = r1 - r0;
  if (n < 1 || m <= 0 || n > kMaxSide || m > kMaxSide) return false;
  int64_t X = truncWin(xformWinX(t, wx + c0)), Y = truncWin(xformWinY(t, wy + r0));
  int64_t DW = truncWin(xformWinX(t, wx + c1)) - X;
  int64_t DH = truncWin(xformWinY(t, wy + r1)) - Y;
  if (DW <= 0 || DH <= 0 || DW > kMaxSide || DH > kMaxSide) return false;
  if (X < -kMaxSide || Y < -kMaxSide || X > kMaxSide || Y > kMaxSide) return false;
  int64_t vx = std::max<int64_t>(0, -X), vy = std::max<int64_t>(0, -Y);
  int64_t vw = std::min<int64_t>(DW, tw - X) - vx, vh = std::min<int64_t>(DH, th - Y) - vy;
  if (vw <= 0 || vh <= 0) return false;
  p->c0 = int(c0), p->r0 = int(r0), p->n = int(n), p->m = int(m);
  p->X = int(X), p->Y = int(Y), p->DW = int(DW), p->DH = int(DH);
  p->vx = int(vx), p->vy = int(vy), p->vw = int(vw), p->vh = int(vh);
  return true;
}

void blitBlock(const uint8_t* pixels, int w, int h, int f, const BLITPLAN& p, uint8_t* block) {
  size_t rowBytes = size_t(p.n) * f;
  std::memset(block, 128, rowBytes * p.m);
  // The part of the block that lies inside the image.
  int x0 = std::max(p.c0, 0), x1 = std::min(p.c0 + p.n, w);
  int y0 = std::max(p.r0, 0), y1 = std::min(p.r0 + p.m, h);
  if (x0 >= x1 || y0 >= y1 || !pixels) return;
  size_t len = size_t(x1 - x0) * f;
  for (int y = y0; y < y1; y++) {
    const uint8_t* src = pixels + (size_t(y) * w + x0) * f;
    uint8_t* dst = block + size_t(y - p.r0) * rowBytes + size_t(x0 - p.c0) * f;
    std::memcpy(dst, src, len);
  }
}

const uint8_t* blitSource(const uint8_t* pixels, int w, int h, int f, const BLITPLAN& p,
                          std::vector<uint8_t>* scratch, size_t* srcStride) {
  if (pixels && p.c0 >= 0 && p.r0 >= 0 && p.c0 + p.n <= w && p.r0 + p.m <= h) {
    *srcStride = size_t(w) * f;
    return pixels + (size_t(p.r0) * w + p.c0) * f;
  }
  scratch->resize(size_t(p.n) * p.m * f);
  blitBlock(pixels, w, h, f, p, scratch->data());
  *srcStride = size_t(p.n) * f;
  return scratch->data();
}

void blitScale(const uint8_t* src, size_t srcStride, int f, const BLITPLAN& p, uint8_t* out,
               size_t stride, bool toDevice) {
  const size_t rowBytes = size_t(p.vw) * f;
  if (f != 4)
    scaleRows(src, srcStride, p, out, stride, rowBytes, gatherRow<uint8_t>);
  else if (toDevice)
    scaleRows(src, srcStride, p, out, stride, rowBytes, gatherRowDevice);
  else
    scaleRows(src, srcStride, p, out, stride, rowBytes, gatherRow<uint32_t>);
}

void blitScaleDevice(const uint8_t* src, size_t srcStride, int f, const BLITPLAN& p, uint8_t* out,
                     size_t stride, const uint32_t* table) {
  const size_t rowBytes = size_t(p.vw) * 4;
  if (f == 4) return scaleRows(src, srcStride, p, out, stride, rowBytes, gatherRowDevice);
  scaleRows(src, srcStride, p, out, stride, rowBytes,
            [table](const uint8_t* srow, const uint32_t* cols, int vw, uint8_t* drow) {
              gatherRowTable(srow, cols, vw, drow, table);
            });
}

bool blitClip(BLITPLAN* p, int x0, int y0, int x1, int y1) {
  const int64_t l = std::max<int64_t>(p->vx, int64_t(x0) - p->X);
  const int64_t t = std::max<int64_t>(p->vy, int64_t(y0) - p->Y);
  const int64_t r = std::min<int64_t>(int64_t(p->vx) + p->vw, int64_t(x1) - p->X);
  const int64_t b = std::min<int64_t>(int64_t(p->vy) + p->vh, int64_t(y1) - p->Y);
  if (r <= l || b <= t) return false;
  p->vx = int(l), p->vy = int(t), p->vw = int(r - l), p->vh = int(b - t);
  return true;
}

void scaleNearest(const uint8_t* src, int n, int m, int f, uint8_t* dst, int dw, int dh) {
  if (dw <= 0 || dh <= 0 || n <= 0 || m <= 0) return;
  BLITPLAN p{};
  p.n = n, p.m = m, p.DW = dw, p.DH = dh, p.vw = dw, p.vh = dh;
  blitScale(src, size_t(n) * f, f, p, dst, size_t(dw) * f);
}

void rgbaToBgrx(uint8_t* p, size_t count) {
  for (size_t i = 0; i < count; i++, p += 4) {
    uint8_t r = p[0];
    p[0] = p[2];
    p[2] = r;
    p[3] = 0;
  }
}
