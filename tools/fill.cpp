#include "tools/fill.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unordered_set>
#include <vector>

#include "image/bmlog.h"
#include "tools/drawcolor.h"
#include "tools/linewalk.h"

namespace {

uint32_t pixelAt(const BM* bm, size_t i) {
  if (bm->bpp == 1) return bm->buf[i];
  uint32_t v;
  std::memcpy(&v, bm->buf + i * 4, 4);
  return v;
}

// Membership in a colour set without a list lookup per pixel: a table for
// indices, one value, a short list or a hash set for colours.
class ColorMatch {
 public:
  ColorMatch(DB* set, int bpp) {
    for (void* p = dbTop(set); p; p = dbNxt(p)) {
      uint32_t v = 0;
      std::memcpy(&v, dbKey(p), std::min<uint32_t>(dbKeyLen(p), 4));
      if (bpp == 1) index_[v & 0xff] = true;
      few_.push_back(v);
    }
    if (few_.size() > 8) many_.insert(few_.begin(), few_.end());
  }
  bool has(uint8_t v) const { return index_[v]; }
  bool has(uint32_t v) const {
    if (few_.size() == 1) return v == few_[0];
    if (!many_.empty()) return many_.count(v) != 0;
    return std::find(few_.begin(), few_.end(), v) != few_.end();
  }

 private:
  bool index_[256] = {};
  std::vector<uint32_t> few_;
  std::unordered_set<uint32_t> many_;
};

// A span already drawn whose neighbour rows are being scanned: phase 0 scans
// the row above, phase 1 the row below; c is the next column to test.
struct SpanFrame {
  int l, r, y, c, phase;
};

// PX is the pixel type: uint8_t (indices) or uint32_t (RGBA).
template <class PX>
class Filler {
 public:
  Filler(BM* bm, const ColorMatch& match)
      : bm_(bm), w_(bm->w), match_(match), mask_(static_cast<size_t>(bm->w) * bm->h) {}

  // The recursion of the span fill, with its pending scans on a heap stack.
  void run(int x, int y) {
    std::vector<SpanFrame> stack;
    stack.push_back(open(x, y));
    while (!stack.empty()) {
      SpanFrame& f = stack.back();
      const int row = f.y + (f.phase ? 1 : -1);
      const int c = row >= 0 && row < bm_->h ? nextSeed(row, f.c, f.r) : f.r + 1;
      if (c <= f.r) {
        SpanFrame child = open(c, row);
        f.c = child.r + 1;
        stack.push_back(child);
      } else if (f.phase == 0) {
        f.phase = 1;
        f.c = f.l;
      } else {
        stack.pop_back();
      }
    }
  }

 private:
  PX pixel(size_t i) const {
    PX v;
    std::memcpy(&v, bm_->buf + i * sizeof(PX), sizeof(PX));
    return v;
  }

  bool fillable(size_t i) const { return !mask_[i] && match_.has(pixel(i)); }

  int nextSeed(int row, int c, int r) const {
    const size_t base = static_cast<size_t>(row) * w_;
    while (c <= r && !fillable(base + c)) c++;
    return c;
  }

  // Finds the span through (x, y), draws it and marks it; the start pixel is
  // taken without a test.
  SpanFrame open(int x, int y) {
    const size_t base = static_cast<size_t>(y) * w_;
    int l = x, r = x;
    while (l - 1 >= 0 && fillable(base + l - 1)) l--;
    while (r + 1 < w_ && fillable(base + r + 1)) r++;
    spanDraw(l, r, y);
    std::memset(&mask_[base + l], 1, r - l + 1);
    return SpanFrame{l, r, y, l, 0};
  }

  // What lineDraw(l, y, r, y, end included) does for a span inside the image,
  // without walking it point by point: one line record holding the old
  // values from left to right, then the stores. The fill value is an index
  // or an RGBA value stored as it is, never a blend.
  void spanDraw(int l, int r, int y) {
    const UNDOHDR hdr = {UNDO_LINE, l, y, r, y, 1};
    const size_t n = static_cast<size_t>(r - l + 1);
    PX* row = reinterpret_cast<PX*>(bm_->buf) + static_cast<size_t>(y) * w_ + l;
    uint8_t* saved = bmLogAdd(bm_, hdr, static_cast<uint32_t>(n * sizeof(PX)));
    if (saved) std::memcpy(saved, row, n * sizeof(PX));
    const PX v = static_cast<PX>(drawValue(bm_));
    std::fill(row, row + n, v);
    bm_->modified = 1;
  }

  BM* bm_;
  int w_;
  const ColorMatch& match_;
  std::vector<uint8_t> mask_;
};

}  // namespace

DB* colorSetNew(int bpp) { return dbNew(bpp == 1 ? 1 : 4, 0, 256, 0); }

int colorSetHas(DB* set, uint32_t value) {
  const uint8_t key[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                          static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
  return dbFind(set, key) != nullptr;
}

void colorSetAdd(DB* set, uint32_t value) {
  if (colorSetHas(set, value)) return;
  const uint8_t key[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                          static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
  dbAdd(set, key);
}

DB* colorSetSample(const BM* bm, int x0, int y0, int x1, int y1) {
  DB* set = colorSetNew(bm->bpp);
  BM* crop = bmCrop(bm, std::min(x0, x1), std::min(y0, y1), std::abs(x1 - x0), std::abs(y1 - y0));
  if (!crop) return set;
  const size_t n = static_cast<size_t>(crop->w) * crop->h;
  for (size_t i = 0; i < n; i++) colorSetAdd(set, pixelAt(crop, i));
  bmFre(crop);
  return set;
}

void floodFill(BM* bm, int x, int y, DB* set) {
  if (!bm || !bm->buf || x < 0 || y < 0 || x >= bm->w || y >= bm->h) return;
  if (bm->bpp != 1 && bm->bpp != 4) return;
  DB* own = nullptr;
  if (!set) {
    own = colorSetNew(bm->bpp);
    colorSetAdd(own, pixelAt(bm, static_cast<size_t>(y) * bm->w + x));
    set = own;
  }
  const ColorMatch match(set, bm->bpp);
  if (bm->bpp == 1)
    Filler<uint8_t>(bm, match).run(x, y);
  else
    Filler<uint32_t>(bm, match).run(x, y);
  if (own) dbFre(own);
}

void rectFill(BM* bm, int x0, int y0, int x1, int y1) {
  if (x0 > x1) std::swap(x0, x1);
  if (y0 > y1) std::swap(y0, y1);
  x0 = std::clamp(x0, 0, bm->w);
  x1 = std::clamp(x1, 0, bm->w);
  y0 = std::clamp(y0, 0, bm->h);
  y1 = std::clamp(y1, 0, bm->h);
  if (x0 >= x1) return;  // an empty row would still plot two pixels
  for (int y = y0; y < y1; y++) lineDraw(bm, x0, y, x1 - 1, y, 1, drawValue(bm), drawRaw(bm));
}

void rampFill(BM* bm) {
  if (!bm || bm->bpp != 4 || !bm->buf) return;
  const int64_t n = static_cast<int64_t>(bm->w) * bm->h;
  if (n < 3) return;
  uint8_t* p = bm->buf;
  const uint8_t* first = p;
  const uint8_t* last = p + (n - 1) * 4;
  for (int64_t i = 1; i < n - 1; i++)
    for (int c = 0; c < 4; c++)
      p[i * 4 + c] = static_cast<uint8_t>(first[c] + i * (last[c] - first[c]) / (n - 1));
}
