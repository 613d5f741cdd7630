// Shaded outline: contours traced around the opaque parts of a crop, shaded by
// their direction.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "tools/drawcolor.h"
#include "tools/filter.h"

namespace {

constexpr int kMaxContour = 4097;
// Clockwise from north-west.
constexpr int kDirX[8] = {-1, 0, 1, 1, 1, 0, -1, -1};
constexpr int kDirY[8] = {-1, -1, -1, 0, 1, 1, 1, 0};

struct Pt {
  int x, y;
};

// Opacity of the crop with a one-pixel empty border: 1 where alpha is non-zero.
class ShapeMask {
 public:
  explicit ShapeMask(const BM* crop) : w_(crop->w + 2), h_(crop->h + 2), m_(size_t(w_) * h_) {
    for (int y = 0; y < crop->h; y++)
      for (int x = 0; x < crop->w; x++) {
        const size_t i = static_cast<size_t>(y) * crop->w + x;
        const uint32_t a = crop->bpp == 1 ? rgbaA(crop->cmap[crop->buf[i]]) : crop->buf[i * 4 + 3];
        if (a) at(x + 1, y + 1) = 1;
      }
  }
  int w() const { return w_; }
  int h() const { return h_; }
  bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < w_ && y < h_; }
  uint8_t& at(int x, int y) { return m_[static_cast<size_t>(y) * w_ + x]; }

 private:
  int w_, h_;
  std::vector<uint8_t> m_;
};

// Walks around a shape on its outside, from the point left of a shape pixel.
std::vector<Pt> traceContour(ShapeMask& m, Pt start, bool* cut) {
  std::vector<Pt> pts;
  Pt p = start;
  int dir = 5;
  for (;;) {
    if (m.inside(p.x, p.y)) m.at(p.x, p.y) = 2;
    pts.push_back(p);
    if (static_cast<int>(pts.size()) >= kMaxContour) {
      *cut = true;
      break;
    }
    const int s = (dir % 2 == 0 ? dir - 2 : dir - 1) + 8;
    int found = -1;
    for (int k = 0; k < 8 && found < 0; k++) {
      const int d = (s + k) % 8;
      const int nx = p.x + kDirX[d], ny = p.y + kDirY[d];
      if (!m.inside(nx, ny) || m.at(nx, ny) != 1) found = d;
    }
    if (found < 0) break;
    p = Pt{p.x + kDirX[found], p.y + kDirY[found]};
    dir = found;
    if (p.x == start.x && p.y == start.y) break;
  }
  return pts;
}

// Unit tangents: the sum of the seven steps centred on each point.
std::vector<std::pair<double, double>> tangents(const std::vector<Pt>& c) {
  const int n = static_cast<int>(c.size());
  std::vector<std::pair<double, double>> t(n, {0.0, 0.0});
  if (n <= 7) return t;
  std::vector<Pt> d(n);
  for (int i = 0; i < n; i++) d[i] = Pt{c[(i + 1) % n].x - c[i].x, c[(i + 1) % n].y - c[i].y};
  for (int i = 0; i < n; i++) {
    double sx = 0, sy = 0;
    for (int k = -3; k <= 3; k++) {
      const Pt& s = d[((i + k) % n + n) % n];
      sx += s.x;
      sy += s.y;
    }
    const double len = std::sqrt(sx * sx + sy * sy);
    if (len > 0) t[i] = {sx / len, sy / len};
  }
  return t;
}

void shadeContour(BM* out, const std::vector<Pt>& c, uint32_t color) {
  const auto t = tangents(c);
  for (size_t i = 0; i < c.size(); i++) {
    if (c[i].x < 0 || c[i].y < 0 || c[i].x >= out->w || c[i].y >= out->h) continue;
    const double s = std::max(0.0, (t[i].second - t[i].first) / std::sqrt(2.0));
    const uint32_t v =
        rgbaMake(static_cast<uint32_t>(rgbaR(color) * s), static_cast<uint32_t>(rgbaG(color) * s),
                 static_cast<uint32_t>(rgbaB(color) * s), rgbaA(color));
    std::memcpy(out->buf + (static_cast<size_t>(c[i].y) * out->w + c[i].x) * 4, &v, 4);
  }
}

void printContour(const std::vector<Pt>& c) {
  for (const Pt& p : c) std::printf("\t%d, %d,\n", p.x, p.y);
}

}  // namespace

void shadeOutline(BM* crop) {
  if (!crop || !crop->buf || (crop->bpp != 1 && crop->bpp != 4)) return;
  ShapeMask mask(crop);
  BM* out = bmNew(nullptr, 4, mask.w(), mask.h(), crop->cmap, crop->cmapn);
  if (!out) return;
  const uint32_t color = drawRgba(crop);
  bool printed = false;
  for (int y = 0; y < mask.h(); y++)
    for (int x = 0; x < mask.w(); x++) {
      if (mask.at(x, y) != 1 || (x > 0 && mask.at(x - 1, y) != 0)) continue;
      bool cut = false;
      const std::vector<Pt> c = traceContour(mask, Pt{x - 1, y}, &cut);
      if (cut && !printed) {
        printContour(c);
        printed = true;
      }
      shadeContour(out, c, color);
    }
  BM* back = bmCrop(out, 1, 1, crop->w, crop->h);
  bmFre(out);
  if (!back) return;
  bmPaste(crop, back, 0, 0, 1);
  bmFre(back);
}
