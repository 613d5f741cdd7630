// Mapping pixels onto a colour map: nearest entry per 7-bit bucket, or with
// error diffusion.
#include <algorithm>
#include <vector>

#include "std/db2.h"
#include "std/rgba2cmap2.h"
#include "std/rgba2cmap2_impl.h"

using namespace rgba2cmap_detail;

namespace {

int clampEntries(int n) { return std::clamp(n, 0, 256); }

// Remembers the nearest entry of recently seen exact colours. Direct-mapped:
// a colliding colour replaces the old one, and the full colour is compared,
// so a hit is always the search's own answer.
class NearMemo {
 public:
  explicit NearMemo(const NearSearch& near) : near_(near), slots_(kSlots, Slot{0, -1}) {}
  int find(uint32_t c) {
    Slot& s = slots_[(c * 0x9E3779B1u) >> (32 - kBits)];
    if (s.idx < 0 || s.col != c) s = Slot{c, near_.find(c)};
    return s.idx;
  }

 private:
  static constexpr int kBits = 16;
  static constexpr size_t kSlots = size_t(1) << kBits;
  struct Slot {
    uint32_t col;
    int32_t idx;
  };
  const NearSearch& near_;
  std::vector<Slot> slots_;
};

// Accumulators hold 8.8 fixed-point channels; each addition saturates.
inline void spread(uint16_t& acc, int amount) {
  acc = uint16_t(std::clamp(int(acc) + amount, 0, 65535));
}

void loadRow(std::vector<uint16_t>& acc, const uint8_t* row, int w) {
  for (int i = 0; i < 4 * w; i++) acc[i] = uint16_t(row[i] << 8);
}

inline uint32_t accColour(const uint16_t* a) {
  return uint32_t(a[0] >> 8) | uint32_t(a[1] >> 8) << 8 | uint32_t(a[2] >> 8) << 16 |
         uint32_t(a[3] >> 8) << 24;
}

}  // namespace

void rgba2idx(uint8_t* idx, const void* cmapv, int n, const void* pixels, size_t count) {
  if (!idx || !pixels || !cmapv) return;
  NearSearch near(static_cast<const uint8_t*>(cmapv), clampEntries(n));
  // Colour cache: bucket key -> chosen index, one record per bucket met.
  DB* cache = dbNew(DBT_VAL, DBT_VAL, 4096, 65536);
  ValIndex index;
  const auto* px = static_cast<const uint8_t*>(pixels);
  uint32_t lastKey = 1;  // never a bucket key
  uint8_t lastIdx = 0;
  for (size_t i = 0; i < count; i++, px += 4) {
    uint32_t c = loadColour(px);
    uint32_t key = c & RGBA2CMAP_KEYMASK;
    if (key != lastKey) {
      auto* rec = static_cast<int32_t*>(index.find(key));
      if (!rec) {
        int k = std::max(near.find(c), 0);
        rec = static_cast<int32_t*>(dbAdd(cache, int32_t(key), int32_t(k)));
        index.add(key, rec);
      }
      lastKey = key;
      lastIdx = uint8_t(*rec);
    }
    idx[i] = lastIdx;
  }
  dbFre(cache);
}

void rgba2idxEd(uint8_t* idx, const void* pixels, int w, int h, const void* cmapv, int n) {
  if (!idx || !pixels || !cmapv || w <= 0 || h <= 0) return;
  const auto* cmap = static_cast<const uint8_t*>(cmapv);
  const auto* px = static_cast<const uint8_t*>(pixels);
  NearSearch near(cmap, clampEntries(n));
  NearMemo memo(near);
  // Errors only reach this row and the next, so two rows of accumulators do.
  std::vector<uint16_t> cur(4 * size_t(w)), below(4 * size_t(w));
  loadRow(cur, px, w);
  int k = 0;  // with no entries every pixel keeps the previous index
  for (int y = 0; y < h; y++) {
    const bool more = y + 1 < h;
    if (more) loadRow(below, px + 4 * (size_t(y) + 1) * w, w);
    uint8_t* out = idx + size_t(y) * w;
    for (int x = 0; x < w; x++) {
      uint16_t* a = &cur[4 * size_t(x)];
      if (near.size() > 0) k = memo.find(accColour(a));
      out[x] = uint8_t(k);
      const uint8_t* e = cmap + 4 * k;
      const bool right = x + 1 < w;
      for (int ch = 0; ch < 4; ch++) {
        int err = int(a[ch]) - int(e[ch]) * 256;
        int three = (3 * err) >> 3, two = (2 * err) >> 3;
        if (right) spread(a[4 + ch], three);
        if (more) {
          spread(below[4 * size_t(x) + ch], three);
          if (right) spread(below[4 * size_t(x) + 4 + ch], two);
        }
      }
    }
    cur.swap(below);
  }
}

void rgba2idxSel(uint8_t* idx, const void* cmap, int n, const void* pixels, int w, int h,
                 int diffuse) {
  if (w <= 0 || h <= 0) return;
  if (diffuse)
    rgba2idxEd(idx, pixels, w, h, cmap, n);
  else
    rgba2idx(idx, cmap, n, pixels, size_t(w) * size_t(h));
}

int rgba2cmapIdx(uint8_t* idx, void* cmap, const void* pixels, int w, int h, int maxcmapn, int top,
                 int diffuse) {
  const size_t count = w > 0 && h > 0 ? size_t(w) * size_t(h) : 0;
  const int e = rgba2cmap(cmap, pixels, count, maxcmapn, top);
  rgba2idxSel(idx, cmap, std::clamp(top, 0, 256) + e, pixels, w, h, diffuse);
  return e;
}
