// Drawing primitives of the base window. Every primitive paints into the
// window's drawing context (the memory context of a paint, or the printer)
// and does nothing outside a paint.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "std/blitscale.h"
#include "std/xwin.h"

namespace {

const COLORREF kFace = RGB(212, 208, 200);
const COLORREF kGrey = RGB(128, 128, 128);
const COLORREF kDark = RGB(64, 64, 64);
const COLORREF kWhite = RGB(255, 255, 255);

// A pen selected into a context for the lifetime of the holder.
class PenHolder {
 public:
  PenHolder(HDC dc, int width, COLORREF c)
      : dc_(dc), pen_(CreatePen(PS_SOLID, width, c)), old_(SelectObject(dc, pen_)) {}
  ~PenHolder() {
    SelectObject(dc_, old_);
    DeleteObject(pen_);
  }
  PenHolder(const PenHolder&) = delete;
  PenHolder& operator=(const PenHolder&) = delete;

 private:
  HDC dc_;
  HPEN pen_;
  HGDIOBJ old_;
};

// Both end points drawn: LineTo leaves out the last one.
void segment(HDC dc, int x0, int y0, int x1, int y1, COLORREF c) {
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
  SetPixel(dc, x1, y1, c);
}

int truncWin(double v) {
  if (!(v > -1e9)) return -1000000000;
  if (!(v < 1e9)) return 1000000000;
  return static_cast<int>(v);
}

// One bevel line of a frame: from (xs[a], ys[b]) to (xs[c], ys[d]).
struct FRAMELINE {
  uint8_t a, b, c, d;
  COLORREF raised, sunken;
};

const FRAMELINE kThin[] = {
    {0, 0, 3, 0, kWhite, kGrey},
    {0, 1, 0, 4, kWhite, kGrey},
    {0, 4, 4, 4, kGrey, kWhite},
    {4, 0, 4, 3, kGrey, kWhite},
};

const FRAMELINE kThick[] = {
    {0, 0, 3, 0, kWhite, kGrey}, {1, 1, 2, 1, kFace, kDark},  {0, 1, 0, 3, kWhite, kGrey},
    {1, 1, 1, 3, kFace, kDark},  {1, 3, 3, 3, kGrey, kFace},  {0, 4, 4, 4, kDark, kWhite},
    {3, 1, 3, 2, kGrey, kFace},  {4, 0, 4, 3, kDark, kWhite},
};

// Device bitmap header with a full 256-entry colour table (8 bits) or none.
struct DIBINFO {
  BITMAPINFOHEADER h;
  RGBQUAD table[256];
};

// Device colours (B, G, R, 0) of an indexed picture: the colour map's first
// `count` entries, or the grey ramp without a map or without entries (an
// image whose colour count is 0 shows its indices as grey levels). Entries
// past `count` stay black, so no index reads outside the caller's map.
void deviceTable(uint32_t* table, const uint32_t* cmap, int count) {
  std::memset(table, 0, 256 * sizeof *table);
  if (count <= 0) cmap = nullptr;
  if (!cmap) count = 256;
  if (count > 256) count = 256;
  for (int i = 0; i < count; i++) {
    uint32_t v = cmap ? cmap[i] : uint32_t(i | i << 8 | i << 16);
    const uint8_t bgrx[4] = {uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v), 0};
    std::memcpy(&table[i], bgrx, 4);
  }
}

// Top-down device bitmap of w x h pixels of f bytes (rows padded to 4).
void blitDib(HDC dc, int x, int y, int w, int h, const uint8_t* bits, int f, const uint32_t* cmap,
             int count) {
  DIBINFO bi{};
  bi.h.biSize = sizeof(BITMAPINFOHEADER);
  bi.h.biWidth = w;
  bi.h.biHeight = -h;
  bi.h.biPlanes = 1;
  bi.h.biBitCount = f == 1 ? 8 : 32;
  bi.h.biCompression = BI_RGB;
  bi.h.biSizeImage = DWORD(dibStride(w, f) * h);
  if (f == 1) {
    uint32_t table[256];
    deviceTable(table, cmap, count);
    std::memcpy(bi.table, table, sizeof bi.table);
    bi.h.biClrUsed = 256;
  }
  SetDIBitsToDevice(dc, x, y, w, h, 0, 0, 0, h, bits, reinterpret_cast<BITMAPINFO*>(&bi),
                    DIB_RGB_COLORS);
}

}  // namespace

void cXWIN::fillBackground(const RECT* keep) {
  if (!fillpending || !dc) return;
  fillpending = 0;
  HBRUSH br = CreateSolidBrush(background);
  const RECT& r = drawrect;
  RECT k;
  if (!keep || !IntersectRect(&k, keep, &r)) {
    FillRect(dc, &r, br);
  } else {
    // The bands above, below, left and right of the kept part.
    const RECT bands[4] = {{r.left, r.top, r.right, k.top},
                           {r.left, k.bottom, r.right, r.bottom},
                           {r.left, k.top, k.left, k.bottom},
                           {k.right, k.top, r.right, k.bottom}};
    for (const RECT& b : bands)
      if (b.left < b.right && b.top < b.bottom) FillRect(dc, &b, br);
  }
  DeleteObject(br);
}

void cXWIN::drawLine(int x0, int y0, int x1, int y1, COLORREF c) {
  if (!dc) return;
  fillBackground(nullptr);
  PenHolder pen(dc, printing ? 4 : 0, c);
  segment(dc, x0, y0, x1, y1, c);
}

void cXWIN::drawRect(int x0, int y0, int x1, int y1, COLORREF c) {
  drawLine(x0, y0, x1, y0, c);
  drawLine(x1, y0, x1, y1, c);
  drawLine(x1, y1, x0, y1, c);
  drawLine(x0, y1, x0, y0, c);
}

void cXWIN::fillRect(int x0, int y0, int x1, int y1, COLORREF c) {
  if (!dc) return;
  fillBackground(nullptr);
  HBRUSH br = CreateSolidBrush(c);
  RECT r{x0, y0, x1, y1};
  FillRect(dc, &r, br);
  DeleteObject(br);
}

void cXWIN::drawEllipse(int ex, int ey, int rx, int ry, COLORREF c) {
  if (!dc) return;
  fillBackground(nullptr);
  PenHolder pen(dc, printing ? 4 : 0, c);
  Arc(dc, ex - rx, ey - ry, ex + rx, ey + ry, ex + rx, ey, ex + rx, ey);
}

void cXWIN::drawFrame(int fx, int fy, int w, int h, int sunken, int fstyle) {
  const int xs[5] = {fx, fx + 1, fx + w - 3, fx + w - 2, fx + w - 1};
  const int ys[5] = {fy, fy + 1, fy + h - 3, fy + h - 2, fy + h - 1};
  const FRAMELINE* lines = fstyle == 1 ? kThin : kThick;
  size_t n = fstyle == 1 ? sizeof kThin / sizeof *kThin : sizeof kThick / sizeof *kThick;
  for (size_t i = 0; i < n; i++) {
    const FRAMELINE& l = lines[i];
    drawLine(xs[l.a], ys[l.b], xs[l.c], ys[l.d], sunken ? l.sunken : l.raised);
  }
}

void cXWIN::drawPanel(int px, int py, int w, int h, int sunken, int fstyle) {
  fillRect(px, py, px + w, py + h, kFace);
  drawFrame(px, py, w, h, sunken, fstyle);
}

void cXWIN::drawText(int tx, int ty, int alignx, int aligny, COLORREF c, const char* fmt, ...) {
  if (!dc) return;
  fillBackground(nullptr);
  char buf[4096];
  va_list ap;
  va_start(ap, fmt);
  int len = std::vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  if (len < 0) return;
  if (len >= int(sizeof buf)) len = sizeof buf - 1;  // cut, never overrun
  int w = LOWORD(GetTabbedTextExtentA(dc, buf, len, 4, nullptr));
  int oldMode = SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, c);
  TextOutA(dc, tx - alignOffset(alignx, w), ty - alignOffset(aligny, fonth), buf, len);
  SetBkMode(dc, oldMode);
}

void cXWIN::drawIndexBitmap(const uint8_t* pixels, const uint32_t* cmap, int count, int w, int rows,
                            int bx, int by) {
  if (!dc || !pixels || w <= 0 || rows <= 0) return;
  fillBackground(nullptr);
  size_t stride = dibStride(w, 1);
  std::vector<uint8_t> padded;
  const uint8_t* bits = pixels;
  if (stride != size_t(w)) {
    padded.assign(stride * rows, 0);
    for (int y = 0; y < rows; y++) std::memcpy(&padded[stride * y], pixels + size_t(w) * y, w);
    bits = padded.data();
  }
  blitDib(dc, bx, by, w, rows, bits, 1, cmap, count);
}

void cXWIN::worldLine(double x0, double y0, double x1, double y1, COLORREF c) {
  drawLine(truncWin(toWinX(x0)), truncWin(toWinY(y0)), truncWin(toWinX(x1)), truncWin(toWinY(y1)),
           c);
}

void cXWIN::worldRect(double x0, double y0, double x1, double y1, COLORREF c) {
  drawRect(truncWin(toWinX(x0)), truncWin(toWinY(y0)), truncWin(toWinX(x1)), truncWin(toWinY(y1)),
           c);
}

void cXWIN::worldEllipse(double wx, double wy, double rx, double ry, COLORREF c) {
  drawEllipse(truncWin(toWinX(wx)), truncWin(toWinY(wy)), truncWin(rx * scale()),
              truncWin(ry * scale()), c);
}

void cXWIN::drawGrid(int x0, int y0, int x1, int y1, int stepx, int stepy, COLORREF c) {
  if (!dc) return;
  fillBackground(nullptr);
  int tw = printing ? pagew : width, th = printing ? pageh : height;
  GRIDSPAN g;
  if (!gridSpan(xf, tw, th, x0, y0, x1, y1, stepx, stepy, &g)) return;
  // One pen for all lines: a fine grid has thousands of them.
  PenHolder pen(dc, printing ? 4 : 0, c);
  int top = truncWin(toWinY(g.gy)), bottom = truncWin(toWinY(g.ey));
  for (int gx = g.gx; gx <= g.ex; gx += stepx) {
    int wx = truncWin(toWinX(gx));
    segment(dc, wx, top, wx, bottom, c);
  }
  int left = truncWin(toWinX(g.gx)), right = truncWin(toWinX(g.ex));
  for (int gy = g.gy; gy <= g.ey; gy += stepy) {
    int wy = truncWin(toWinY(gy));
    segment(dc, left, wy, right, wy, c);
  }
}

void cXWIN::drawImage(const uint8_t* pixels, const uint32_t* cmap, int count, int w, int h,
                      double wx, double wy, int f) {
  if (!dc || !pixels || (f != 1 && f != 4)) return;
  int tw = printing ? pagew : width, th = printing ? pageh : height;
  BLITPLAN p;
  if (!blitPlan(xf, tw, th, w, h, wx, wy, &p)) return;
  if (drawbits && !blitClip(&p, drawrect.left, drawrect.top, drawrect.right, drawrect.bottom))
    return;
  std::vector<uint8_t> scratch;
  size_t srcStride;
  const uint8_t* src = blitSource(pixels, w, h, f, p, &scratch, &srcStride);
  if (drawbits) {
    // Straight into the paint buffer: no staging copy, no device call.
    uint32_t table[256];
    if (f == 1) deviceTable(table, cmap, count);
    const size_t bufStride = size_t(width) * 4;
    uint8_t* at = drawbits + size_t(p.Y + p.vy) * bufStride + size_t(p.X + p.vx) * 4;
    const RECT covered{p.X + p.vx, p.Y + p.vy, p.X + p.vx + p.vw, p.Y + p.vy + p.vh};
    fillBackground(&covered);
    GdiFlush();
    blitScaleDevice(src, srcStride, f, p, at, bufStride, table);
    return;
  }
  fillBackground(nullptr);
  size_t stride = dibStride(p.vw, f);
  std::vector<uint8_t> out(stride * p.vh);
  blitScale(src, srcStride, f, p, out.data(), stride, f == 4);
  blitDib(dc, p.X + p.vx, p.Y + p.vy, p.vw, p.vh, out.data(), f, cmap, count);
}
