#include "std/rgba2cmap2.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "std/db2.h"
#include "std/rgba2cmap2_impl.h"
#include "std/tdeassert.h"

using namespace rgba2cmap_detail;

namespace {

constexpr const char* kModule = "std/rgba2cmap2";

// Threshold range of the bisection (squared distances).
constexpr int kThreshMax = 65536;

void storeColour(uint8_t* cmap, int i, const uint8_t rgba[4]) {
  for (int ch = 0; ch < 4; ch++) cmap[4 * i + ch] = rgba[ch];
}

// Bucket table: one record per 7-bit colour, in order of first appearance.
DB* collectBuckets(const uint8_t* px, size_t count) {
  DB* tbl = dbNew(DBT_VAL, sizeof(CMAPBKT), 4096, 65536);
  ValIndex index;
  uint32_t lastKey = 1;  // never a bucket key: those have bit 0 clear
  CMAPBKT* last = nullptr;
  for (size_t i = 0; i < count; i++, px += 4) {
    uint32_t key = loadColour(px) & RGBA2CMAP_KEYMASK;
    if (key != lastKey) {
      last = static_cast<CMAPBKT*>(index.find(key));
      if (!last) {
        last = static_cast<CMAPBKT*>(dbAdd(tbl, int32_t(key), nullptr));
        index.add(key, last);
      }
      lastKey = key;
    }
    last->cnt++;
    for (int ch = 0; ch < 4; ch++) last->sum[ch] += px[ch];
  }
  for (void* p = dbTop(tbl); p; p = dbNxt(p)) {
    auto* b = static_cast<CMAPBKT*>(p);
    for (int ch = 0; ch < 4; ch++) b->avg[ch] = uint8_t(b->sum[ch] / b->cnt);
  }
  return tbl;
}

std::vector<CMAPBKT*> sortedByCount(DB* tbl) {
  std::vector<CMAPBKT*> arr;
  arr.reserve(size_t(dbCnt(tbl)));
  for (void* p = dbTop(tbl); p; p = dbNxt(p)) arr.push_back(static_cast<CMAPBKT*>(p));
  // Equally frequent buckets keep their order of first appearance.
  std::stable_sort(arr.begin(), arr.end(),
                   [](const CMAPBKT* a, const CMAPBKT* b) { return a->cnt > b->cnt; });
  for (size_t i = 0; i < arr.size(); i++) arr[i]->rank = int32_t(i);
  return arr;
}

// Bisection on the threshold until exactly `target` colours remain (or the
// range is exhausted). keep[] holds the outcome of the last thinning. Never
// answers more than target: runs that overshoot stop early, which settles
// the comparison and the leading survivors all the same.
int bisectThreshold(const std::vector<CMAPBKT*>& arr, int target, std::vector<uint8_t>& keep) {
  const int n = int(arr.size());
  std::vector<uint32_t> cols(n);
  std::vector<int32_t> counts(n);
  for (int i = 0; i < n; i++) {
    cols[i] = loadColour(arr[i]->avg);
    counts[i] = arr[i]->cnt;
  }
  const int protect = thinProtected(counts.data(), n, target);
  keep.assign(n, 0);
  Thinner thinner(cols.data(), n, protect);
  int lo = 0, hi = kThreshMax, t = kThreshMax / 2, e;
  for (;;) {
    e = thinner.run(t, keep.data(), target);
    if (e == target) break;
    if (e < target)
      hi = t;
    else
      lo = t;
    int next = (hi + lo + 1) / 2;
    if (next == t) break;
    t = next;
  }
  // Even the widest threshold can leave too many far-apart colours: the
  // most frequent survivors (thinSorted kept only target + 1) take the map.
  if (e > target) {
    for (int i = n - 1; i >= 0; i--)
      if (keep[i]) {
        keep[i] = 0;
        break;
      }
    e = target;
  }
  return e;
}

}  // namespace

int rgba2cmap(void* cmapv, const void* pixels, size_t count, int maxcmapn, int top) {
  auto* cmap = static_cast<uint8_t*>(cmapv);
  top = std::clamp(top, 0, 256);
  const int room = std::min(maxcmapn, 256);
  const int target = std::max(room - top, 0);
  if (top == 0) {
    const uint8_t clear[4] = {0, 0, 0, 0};
    storeColour(cmap, 0, clear);
  }
  if (!pixels) count = 0;
  DB* tbl = collectBuckets(static_cast<const uint8_t*>(pixels), count);
  const int n = dbCnt(tbl);
  int cmapn = 0;
  if (n <= target) {
    for (void* p = dbTop(tbl); p; p = dbNxt(p))
      storeColour(cmap, top + cmapn++, static_cast<CMAPBKT*>(p)->avg);
  } else if (target > 0) {
    std::vector<CMAPBKT*> arr = sortedByCount(tbl);
    std::vector<uint8_t> keep;
    int e = bisectThreshold(arr, target, keep);
    int j = top;
    for (int i = 0; i < n; i++)
      if (keep[i]) storeColour(cmap, j++, arr[i]->avg);
    cmapn = e;
    TDE_ASSERT_TEXT(j == cmapn + top, "j==cmapn+top", kModule);
  }
  TDE_ASSERT_TEXT(cmapn <= target, "cmapn<=maxcmapn-top", kModule);
  dbFre(tbl);
  return cmapn;
}

int cmapThin(int target, int n, CMAPBKT** array, int t) {
  if (!array || n <= 0) return 0;
  // The protected prefix is measured over all n positions; a removed
  // (null) entry ends it.
  std::vector<int32_t> counts(n);
  for (int i = 0; i < n; i++) counts[i] = array[i] ? array[i]->cnt : -1;
  const int p = thinProtected(counts.data(), n, target);
  std::vector<int> pos;
  std::vector<uint32_t> cols;
  for (int i = 0; i < n; i++)
    if (array[i]) {
      pos.push_back(i);
      cols.push_back(loadColour(array[i]->avg));
    }
  std::vector<uint8_t> keep(cols.size());
  int e = thinSorted(cols.data(), int(cols.size()), p, t, keep.data(), INT_MAX);
  for (size_t k = 0; k < pos.size(); k++)
    if (!keep[k]) array[pos[k]] = nullptr;
  return e;
}
