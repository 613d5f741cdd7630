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

// Positions of the buckets after sorting by pixel count, largest first;
// equally frequent buckets keep their order of first appearance.
std::vector<uint32_t> ranksByCount(const BucketTally& t) {
  const size_t n = t.size();
  int32_t most = 0;
  for (size_t id = 0; id < n; id++) most = std::max(most, t.count(id));
  std::vector<uint32_t> rank(n);
  if (size_t(most) <= 4 * n + 1024) {
    // Counting sort: stable, and counts of photos are small.
    std::vector<uint32_t> at(size_t(most) + 2, 0);
    for (size_t id = 0; id < n; id++) at[size_t(most - t.count(id)) + 1]++;
    for (size_t c = 1; c < at.size(); c++) at[c] += at[c - 1];
    for (size_t id = 0; id < n; id++) rank[id] = at[size_t(most - t.count(id))]++;
  } else {
    std::vector<uint64_t> key(n);
    for (size_t id = 0; id < n; id++) key[id] = uint64_t(INT32_MAX - t.count(id)) << 32 | id;
    std::sort(key.begin(), key.end());
    for (size_t r = 0; r < n; r++) rank[uint32_t(key[r])] = uint32_t(r);
  }
  return rank;
}

// Bucket table: one record per 7-bit colour, added in order of first
// appearance. f(bucket number, average colour) for each.
template <class F>
void fillTable(DB* tbl, const BucketTally& t, const std::vector<uint32_t>* rank, F f) {
  const size_t n = t.size();
  for (size_t id = 0; id < n; id++) {
    CMAPBKT r{};
    r.cnt = t.count(id);
    for (int ch = 0; ch < 4; ch++) r.sum[ch] = int64_t(t.sum(id, ch));
    if (r.cnt == 1) {
      // Most buckets of a photo hold a pixel or two.
      for (int ch = 0; ch < 4; ch++) r.avg[ch] = uint8_t(r.sum[ch]);
    } else if (r.cnt <= int32_t(UINT32_MAX / 255)) {  // the sums fit 32 bits: quicker division
      for (int ch = 0; ch < 4; ch++) r.avg[ch] = uint8_t(uint32_t(r.sum[ch]) / uint32_t(r.cnt));
    } else {
      for (int ch = 0; ch < 4; ch++) r.avg[ch] = uint8_t(uint64_t(r.sum[ch]) / uint64_t(r.cnt));
    }
    if (rank) r.rank = int32_t((*rank)[id]);
    const int32_t key = int32_t(t.key(id));
    const void* rec = dbPut(tbl, &key, sizeof key, &r, sizeof r);
    TDE_ASSERT_TEXT(rec, "rec", kModule);
    f(id, r.avg);
  }
}

// Bisection on the threshold until exactly `target` colours remain (or the
// range is exhausted). keep[] holds the outcome of the last thinning. Never
// answers more than target: runs that overshoot stop early, which settles
// the comparison and the leading survivors all the same.
int bisectThreshold(const std::vector<uint32_t>& cols, int protect, int target,
                    std::vector<uint8_t>& keep) {
  const int n = int(cols.size());
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
  // most frequent survivors (the run kept only target + 1) take the map.
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

int rgba2cmap_detail::cmapFromTally(uint8_t* cmap, const BucketTally& tally, int maxcmapn,
                                    int top) {
  top = std::clamp(top, 0, 256);
  const int room = std::min(maxcmapn, 256);
  const int target = std::max(room - top, 0);
  if (top == 0) {
    const uint8_t clear[4] = {0, 0, 0, 0};
    storeColour(cmap, 0, clear);
  }
  DB* tbl = dbNew(DBT_VAL, sizeof(CMAPBKT), 4096, 65536);
  const int n = int(tally.size());
  int cmapn = 0;
  if (n <= target) {
    fillTable(tbl, tally, nullptr,
              [&](size_t, const uint8_t avg[4]) { storeColour(cmap, top + cmapn++, avg); });
  } else if (target > 0) {
    // The averages in sorted order for the passes below, and the counts of
    // the leading ones (the protected prefix is never longer than target / 2).
    const std::vector<uint32_t> rank = ranksByCount(tally);
    std::vector<uint32_t> cols(n);
    std::vector<int32_t> counts(std::min(n, target / 2 + 1));
    fillTable(tbl, tally, &rank, [&](size_t id, const uint8_t avg[4]) {
      cols[rank[id]] = loadColour(avg);
      if (rank[id] < counts.size()) counts[rank[id]] = tally.count(id);
    });
    std::vector<uint8_t> keep;
    const int protect = thinProtected(counts.data(), n, target);
    int e = bisectThreshold(cols, protect, target, keep);
    int j = top;
    for (int i = 0; i < n; i++)
      if (keep[i]) {
        const uint8_t avg[4] = {uint8_t(cols[i]), uint8_t(cols[i] >> 8), uint8_t(cols[i] >> 16),
                                uint8_t(cols[i] >> 24)};
        storeColour(cmap, j++, avg);
      }
    cmapn = e;
    TDE_ASSERT_TEXT(j == cmapn + top, "j==cmapn+top", kModule);
  } else {
    fillTable(tbl, tally, nullptr, [](size_t, const uint8_t*) {});
  }
  TDE_ASSERT_TEXT(cmapn <= target, "cmapn<=maxcmapn-top", kModule);
  dbFre(tbl);
  return cmapn;
}

int rgba2cmap(void* cmap, const void* pixels, size_t count, int maxcmapn, int top) {
  if (!pixels) count = 0;
  // Counts are 32-bit; images stay far below that.
  TDE_ASSERT_TEXT(count <= size_t(INT32_MAX), "count", kModule);
  BucketTally tally;
  tally.add(static_cast<const uint8_t*>(pixels), count, nullptr);
  return cmapFromTally(static_cast<uint8_t*>(cmap), tally, maxcmapn, top);
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
