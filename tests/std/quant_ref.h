// Reference quantiser for the tests: the method written out in its plain,
// slow form (bucket lookups through the list database, thinning by sweeping
// each survivor over all later buckets, brute-force nearest entries, one
// accumulator per pixel). The fast module must give the same bytes.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

#include "std/db2.h"
#include "std/rgba2cmap2.h"

namespace quantref {

inline int ch(uint32_t c, int i) { return int((c >> (8 * i)) & 0xff); }

inline uint32_t load(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline int dist(uint32_t a, uint32_t b) {
  int d = 0;
  for (int i = 0; i < 4; i++) d += (ch(a, i) - ch(b, i)) * (ch(a, i) - ch(b, i));
  return d;
}

inline int refThin(int a, int n, CMAPBKT** arr, int t) {
  int prot = 0;
  if (a / 2 >= 1)
    while (prot < n && prot < a / 2 && arr[prot]->cnt >= n / a) prot++;
  std::vector<int> list(n);
  for (int i = 0; i < n; i++) list[i] = i;
  for (size_t bi = 0; bi < list.size(); bi++) {
    uint32_t b = load(arr[list[bi]]->avg);
    std::vector<int> rest(list.begin(), list.begin() + bi + 1);
    for (size_t ci = bi + 1; ci < list.size(); ci++) {
      int c = list[ci];
      if (c >= prot && dist(b, load(arr[c]->avg)) < t)
        arr[c] = nullptr;
      else
        rest.push_back(c);
    }
    list.swap(rest);
  }
  return int(list.size());
}

inline int refCmap(uint8_t* cmap, const uint8_t* px, size_t count, int maxcmapn, int top) {
  const int room = std::min(maxcmapn, 256);
  const int target = std::max(room - top, 0);
  if (top == 0) std::memset(cmap, 0, 4);
  DB* tbl = dbNew(DBT_VAL, sizeof(CMAPBKT), 4096, 65536);
  for (size_t i = 0; i < count; i++) {
    uint32_t key = load(px + 4 * i) & RGBA2CMAP_KEYMASK;
    auto* b = static_cast<CMAPBKT*>(dbFind(tbl, int32_t(key)));
    if (!b) b = static_cast<CMAPBKT*>(dbAdd(tbl, int32_t(key), nullptr));
    b->cnt++;
    for (int c = 0; c < 4; c++) b->sum[c] += px[4 * i + c];
  }
  std::vector<CMAPBKT*> all;
  for (void* p = dbTop(tbl); p; p = dbNxt(p)) {
    auto* b = static_cast<CMAPBKT*>(p);
    for (int c = 0; c < 4; c++) b->avg[c] = uint8_t(b->sum[c] / b->cnt);
    all.push_back(b);
  }
  const int n = int(all.size());
  int e = 0;
  if (n <= target) {
    for (CMAPBKT* b : all) std::memcpy(cmap + 4 * (top + e++), b->avg, 4);
  } else if (target > 0) {
    std::stable_sort(all.begin(), all.end(),
                     [](const CMAPBKT* a, const CMAPBKT* b) { return a->cnt > b->cnt; });
    std::vector<CMAPBKT*> arr;
    int lo = 0, hi = 65536, t = 32768;
    for (;;) {
      arr = all;
      e = refThin(target, n, arr.data(), t);
      if (e == target) break;
      if (e < target)
        hi = t;
      else
        lo = t;
      int next = (hi + lo + 1) / 2;
      if (next == t) break;
      t = next;
    }
    int j = 0;
    for (CMAPBKT* b : arr)
      if (b && j < target) std::memcpy(cmap + 4 * (top + j++), b->avg, 4);
    e = j;
  }
  dbFre(tbl);
  return e;
}

inline int refNearest(const uint8_t* cmap, int n, uint32_t c) {
  int best = INT_MAX, bi = 0;
  for (int i = 0; i < n; i++) {
    int d = dist(c, load(cmap + 4 * i));
    if (d < best) {
      best = d;
      bi = i;
    }
  }
  return bi;
}

inline void refIdx(uint8_t* idx, const uint8_t* cmap, int n, const uint8_t* px, size_t count) {
  std::map<uint32_t, int> cache;
  for (size_t i = 0; i < count; i++) {
    uint32_t c = load(px + 4 * i);
    auto it = cache.find(c & RGBA2CMAP_KEYMASK);
    if (it == cache.end()) it = cache.emplace(c & RGBA2CMAP_KEYMASK, refNearest(cmap, n, c)).first;
    idx[i] = uint8_t(it->second);
  }
}

inline void refIdxEd(uint8_t* idx, const uint8_t* px, int w, int h, const uint8_t* cmap, int n) {
  std::vector<uint16_t> acc(size_t(w) * h * 4);
  for (size_t i = 0; i < acc.size(); i++) acc[i] = uint16_t(px[i] * 256);
  auto add = [&](int x, int y, int c, int v) {
    if (x >= w || y >= h) return;
    uint16_t& a = acc[(size_t(y) * w + x) * 4 + c];
    a = uint16_t(std::clamp(int(a) + v, 0, 65535));
  };
  int k = 0;
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      const uint16_t* a = &acc[(size_t(y) * w + x) * 4];
      uint32_t c = uint32_t(a[0] >> 8) | uint32_t(a[1] >> 8) << 8 | uint32_t(a[2] >> 8) << 16 |
                   uint32_t(a[3] >> 8) << 24;
      if (n > 0) k = refNearest(cmap, n, c);
      idx[size_t(y) * w + x] = uint8_t(k);
      for (int c4 = 0; c4 < 4; c4++) {
        int err = int(a[c4]) - cmap[4 * k + c4] * 256;
        add(x + 1, y, c4, (3 * err) >> 3);
        add(x, y + 1, c4, (3 * err) >> 3);
        add(x + 1, y + 1, c4, (2 * err) >> 3);
      }
    }
}

}  // namespace quantref
