// Mapping pixels onto a colour map: nearest entry per 7-bit bucket, or with
// error diffusion.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "std/bigmem.h"
#include "std/db2.h"
#include "std/rgba2cmap2.h"
#include "std/rgba2cmap2_impl.h"

using namespace rgba2cmap_detail;

namespace {

int clampEntries(int n) { return std::clamp(n, 0, 256); }

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};

struct CacheSlot {
  uint32_t key;
  uint32_t idx;
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
  NearSearch near(static_cast<const uint8_t*>(cmapv), clampEntries(n), 4);
  // Colour cache: bucket key -> chosen index, one record per bucket met;
  // the key table finds the index again without walking the chains.
  DB* cache = dbNew(DBT_VAL, DBT_VAL, 4096, 65536);
  KeyTable<CacheSlot> table;
  const auto* px = static_cast<const uint8_t*>(pixels);
  uint32_t keys[kBatch];
  size_t homes[kBatch];
  for (size_t i = 0; i < count; i += kBatch, px += 4 * kBatch) {
    const size_t m = std::min(kBatch, count - i);
    table.reserve(m);
    for (size_t j = 0; j < m; j++) {
      keys[j] = loadColour(px + 4 * j) & RGBA2CMAP_KEYMASK;
      homes[j] = table.home(keys[j]);
      table.prefetch(homes[j]);
    }
    uint32_t lastKey = KeyTable<CacheSlot>::kEmpty;
    uint8_t k = 0;
    for (size_t j = 0; j < m; j++) {
      if (keys[j] != lastKey) {
        CacheSlot* s = table.probe(keys[j], homes[j]);
        if (s->key != keys[j]) {
          table.claim(s, keys[j]);
          s->idx = uint32_t(std::max(near.find(loadColour(px + 4 * j)), 0));
          dbAdd(cache, int32_t(keys[j]), int32_t(s->idx));
        }
        k = uint8_t(s->idx);
        lastKey = keys[j];
      }
      idx[i + j] = k;
    }
  }
  dbFre(cache);
}

void rgba2idxEd(uint8_t* idx, const void* pixels, int w, int h, const void* cmapv, int n) {
  if (!idx || !pixels || !cmapv || w <= 0 || h <= 0) return;
  const auto* cmap = static_cast<const uint8_t*>(cmapv);
  const auto* px = static_cast<const uint8_t*>(pixels);
  NearSearch near(cmap, clampEntries(n));

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
      if (near.size() > 0) k = near.find(accColour(a));
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

namespace {

// rgba2cmap then rgba2idx in one pass over the pixels: the count already
// finds every pixel's bucket and the first pixel of each bucket, which is
// all the nearest-entry mapping needs. Answers -1 when the bucket numbers
// cannot be held, leaving the work to the two separate passes.
int cmapIdxTogether(uint8_t* idx, uint8_t* cmap, const uint8_t* px, size_t count, int maxcmapn,
                    int top) {
  if (count > SIZE_MAX / sizeof(uint32_t)) return -1;
  std::unique_ptr<uint32_t, FreeDeleter> ids(
      static_cast<uint32_t*>(bigMalloc(count * sizeof(uint32_t))));
  if (!ids) return -1;
  BucketTally tally;
  tally.add(px, count, ids.get());
  const int e = cmapFromTally(cmap, tally, maxcmapn, top);
  NearSearch near(cmap, std::clamp(top, 0, 256) + e, 4);
  std::vector<uint8_t> chosen(tally.size());
  // In order of first appearance: neighbouring pixels, so mostly
  // neighbouring colours one after the other.
  for (size_t id = 0; id < chosen.size(); id++)
    chosen[id] = uint8_t(std::max(near.find(tally.first(id)), 0));
  for (size_t i = 0; i < count; i++) idx[i] = chosen[ids.get()[i]];
  return e;
}

}  // namespace

int rgba2cmapIdx(uint8_t* idx, void* cmap, const void* pixels, int w, int h, int maxcmapn, int top,
                 int diffuse) {
  const size_t count = pixels && w > 0 && h > 0 ? size_t(w) * size_t(h) : 0;
  if (!diffuse && idx && count) {
    int e = cmapIdxTogether(idx, static_cast<uint8_t*>(cmap), static_cast<const uint8_t*>(pixels),
                            count, maxcmapn, top);
    if (e >= 0) return e;
  }
  const int e = rgba2cmap(cmap, pixels, count, maxcmapn, top);
  rgba2idxSel(idx, cmap, std::clamp(top, 0, 256) + e, pixels, w, h, diffuse);
  return e;
}
